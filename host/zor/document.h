// Zor::Document: a document of the host: a recording and the calculations of its channels, kept
// in a file (document_file.h). It answers IZorDocument, IRecording and IChannelCalculations
// (interfaces/zor_document.h, recording.h), and IRecordData through a tear-off
// (document_record_data.h).
//
// Thread-safe: every operation takes the document's lock. Calls into a calculation's module
// (creating calculations and enumerators, applying and storing settings) are made under that
// lock, so a module must not call back into the document; none of the interfaces a module is
// given leads to it. Sample streams, once made, do not use the document.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "interfaces/zor_document.h"
#include "host/zor/channel_calculation.h"
#include "host/zor/recording_data.h"
#include "platform/com_ptr.h"

struct IKVIBitset;

namespace Zor {

struct DocumentContents;

class Document final : public IZorDocument, public IRecording, public IChannelCalculations {
public:
    static platform::ComPtr<Document> Create();

    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // IUnknown (all interfaces): IUnknown and IZorDocument give the IZorDocument pointer.
    // IID_IZORPrinting gives the printing face of the framework (printing.h): the host's
    // data-access objects answer it through their document.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IZorDocument.
    HRESULT Save(const char16_t* path, IAutoKVIString** error) override;
    HRESULT Load(const char16_t* path, IAutoKVIString** error) override;
    HRESULT IsModified(int32_t* out) override;
    HRESULT SetModified(int32_t modified) override;

    // IRecording.
    HRESULT GetChannelCount(int32_t* out) override;
    HRESULT AddChannel(IAutoKVIString* name, int32_t* index) override;
    HRESULT GetChannelName(int32_t channel, IAutoKVIString** out) override;
    HRESULT SetChannelName(int32_t channel, IAutoKVIString* name) override;
    HRESULT GetChannelUnit(int32_t channel, IUnitName** out) override;
    HRESULT SetChannelUnit(int32_t channel, IUnitName* unit) override;
    HRESULT GetChannelColour(int32_t channel, uint32_t* rgb) override;
    HRESULT SetChannelColour(int32_t channel, uint32_t rgb) override;
    HRESULT GetDisplayRange(int32_t channel, double* top, double* bottom) override;
    HRESULT SetDisplayRange(int32_t channel, double top, double bottom) override;
    HRESULT GetUnitsConversion(int32_t channel, int32_t* on) override;
    HRESULT SetUnitsConversion(int32_t channel, int32_t on) override;
    HRESULT GetBlockCount(int32_t* out) override;
    HRESULT AddBlock(int32_t* index) override;
    HRESULT GetSampleCount(int32_t channel, int32_t block, int64_t* out) override;
    HRESULT AppendSamples(int32_t channel, int32_t block, const float* samples, uint32_t count) override;
    HRESULT CreateSampleStream(int32_t channel, int32_t block, int64_t start, int64_t end,
                               IEnumFloatEx** out) override;
    HRESULT GetSampleInterval(int32_t block, double* seconds) override;
    HRESULT SetSampleInterval(int32_t block, double seconds) override;

    // IChannelCalculations.
    HRESULT SetCalculation(int32_t channel, ICalculationClass* calcClass, int32_t second) override;
    HRESULT RemoveCalculation(int32_t channel) override;
    HRESULT GetCalculation(int32_t channel, ICalculation** out) override;
    HRESULT ApplySettings(int32_t channel, IUnknown* settings) override;
    HRESULT GetSettings(int32_t channel, IPersistObject** out) override;
    HRESULT GetSourceChannel(int32_t channel, int32_t* source) override;
    HRESULT GetCalculationClass(int32_t channel, ICalculationClass** out) override;

    // Sets the marks on the boundary before a block (copied from any bit set; null clears
    // them). E_INVALIDARG for a block that does not exist; the set's failure when it cannot be
    // read. Marks are not part of the stored document.
    HRESULT SetBoundaryMarks(int32_t block, IKVIBitset* marks);

private:
    friend class DocumentRecordData;

    using Calculations = std::vector<std::unique_ptr<ChannelCalculation>>;

    Document() = default;
    ~Document() = default;

    HRESULT StreamLocked(int32_t channel, int32_t block, int64_t start, int64_t end, std::set<int32_t>& visiting,
                         IEnumFloatEx** out);
    // The channel whose own samples a channel's samples come from (itself without a
    // calculation); -1 when the chain of sources breaks or loops.
    int32_t RootSourceLocked(int32_t channel) const;
    ChannelCalculation* CalculationLocked(int32_t channel) const;
    // The stored form of the document's contents; false with error.
    bool SnapshotLocked(DocumentContents* contents, std::string* error, HRESULT* hr) const;
    // Calculations made for loaded contents; false with error and hr.
    static bool BuildCalculations(const DocumentContents& contents, Calculations* calcs, std::string* error,
                                  HRESULT* hr);

    std::atomic<int32_t> refs_{0};
    mutable std::mutex mutex_;
    RecordingData data_;
    Calculations calcs_;  // one per channel; null: none
    bool modified_ = false;
};

}  // namespace Zor
