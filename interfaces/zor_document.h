// IZorDocument: a document of the host: a recording (IRecording) and the calculations of its
// channels with their settings (IChannelCalculations), stored in a file of object streams.
#pragma once

#include <cstdint>

#include "interfaces/recording.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

// IID chosen by this system.
constexpr IID IID_IZorDocument = platform::Guid("{C9133912-954F-41CE-AD10-D19BD63A3FBC}");

struct IZorDocument : IUnknown {
    // Writes the document to path (UTF-16): into a new file beside it that then replaces the
    // old one, so a failed save leaves the previous file as it was. [out] error: a description
    // of the failure, or null on success (may itself be null when not wanted). S_OK, or the
    // failure (E_FAIL when writing failed, a settings object's own failure).
    virtual HRESULT Save(const char16_t* path, IAutoKVIString** error) = 0;  // 3
    // Replaces the document's contents by those of the file. Everything is read and checked,
    // and every calculation is created and given its settings, before anything changes: on
    // failure the document is as it was. [out] error: what is wrong, naming the place. S_OK,
    // E_FAIL for unreadable, damaged or truncated files, CLASS_E_CLASSNOTAVAILABLE when a
    // calculation's module is not loaded, or the settings class's failure (0xA0048205:
    // settings of a newer version).
    virtual HRESULT Load(const char16_t* path, IAutoKVIString** error) = 0;  // 4
    // [out] 1 when changed since created, saved or loaded, else 0.
    virtual HRESULT IsModified(int32_t* out) = 0;  // 5
    virtual HRESULT SetModified(int32_t modified) = 0;  // 6

protected:
    ~IZorDocument() = default;
};
