// The stored form of a document, inside an object stream (object_stream_format.h):
//
//   string   "velogram document"
//   uint32   document version (1 or 2)
//   uint32   channel count C; per channel:
//              string name; uint32 prefix index, string unit name, uint32 flag;
//              uint32 colour (0xRRGGBB); double top; double bottom; uint32 units conversion
//   uint32   block count B; per block:
//              version 2 only: double sample interval in seconds (0: none);
//              per channel: float array of the samples
//   uint32   calculation count K; per calculation:
//              uint32 channel; calculation class: 4 x uint32 type GUID, uint32 low word;
//              string class name (for messages); uint32 second creation value;
//              settings class: 4 x uint32 type GUID, uint32 low word;
//              nested stream: the settings object's own stored form (IPersistObject::Save)
//   uint32   the CRC-32 of every byte of the stream before this value
//
// Version 2 added the blocks' sample intervals. A document whose blocks have none is written as
// version 1, byte for byte as a version 1 program writes it, so that such programs still read
// it; one with any interval is version 2. Both versions are read.
//
// Types are stored by GUID, since the registry's identifiers hold for one run only. Each
// settings object is stored in a nested stream of its own, so that what one settings object
// reads or leaves unread never shifts the rest of the document.
//
// Reading checks everything it can without the modules: every count against the bytes that
// remain and against fixed limits, sample intervals against the range a recording takes,
// channel numbers of calculations, no second calculation on a channel, the checksum, nothing
// after the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/zor/object_in_stream.h"
#include "host/zor/object_out_stream.h"
#include "host/zor/recording_data.h"
#include "platform/guid.h"

namespace Zor {

struct StoredType {
    GUID type{};
    uint16_t lowWord = 0;
};

struct StoredCalculation {
    int32_t channel = 0;
    StoredType calcClass;
    std::u16string className;
    int32_t second = 0;
    StoredType settingsClass;
    std::vector<uint8_t> settings;  // a nested object stream
};

struct DocumentContents {
    RecordingData recording;
    std::vector<StoredCalculation> calculations;
};

// Limits beyond which a document is taken as damaged.
constexpr uint32_t kMaxChannels = 4096;
constexpr uint32_t kMaxBlocks = 1u << 20;

// Writes the contents. false, with error, when the stream failed.
bool WriteDocument(ObjectOutStream& out, const DocumentContents& contents, std::string* error);
// Reads and checks a document. false, with error naming the byte offset or the item, when the
// stream is not a document of this program, is damaged, truncated, or of a newer version;
// contents are then unspecified (the caller discards them).
bool ReadDocument(ObjectInStream& in, DocumentContents* contents, std::string* error);

}  // namespace Zor
