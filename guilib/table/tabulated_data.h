// GUILib::CTabulatedData: an in-memory table of named float columns with change notification.
// It is the data source of the fit report: the report fills it, the table grid shows it, the
// XY graph plots it through the record-data face, and the report's text copy writes it out.
//
// Faces, in order: ITabulatedData, ITabulatedSettings, IRecordData, IRecordDataObservers,
// IVelloDataObservers, IOnlineDataSink (with IOnlineDataSinkBase) and IPersistObject. All
// faces share one reference count, which starts at 0: the owner creates the table with new and
// adds the first reference; the Release that brings the count to 0 deletes it. QueryInterface
// answers IUnknown (the ITabulatedData face) and each face's IID, the base sink IID included.
//
// Columns may have different lengths; the row count is the longest column's length. NaN is a
// legal value.
//
// Change notification. Four kinds of change are announced:
//   column change  each table observer's OnColumnsChanged;
//   row change     each table observer's OnRowsChanged(column);
//   reset          each record observer's OnRecordChanged(0, 0), then each table observer's
//                  OnReset;
//   online         only while online sampling runs: when the row count differs from the one
//                  at the previous online notification, each online sink's OnNewData(the
//                  difference).
// While the update level is 1 (live), an announcement goes out at once and clears what was
// collected for it (a reset clears everything collected). While it is 0 or below (after
// BeginUpdate), nothing is sent: column and row changes are merged into pending ranges (the
// union of the old and new range) and a reset is flagged. SendPendingChanges sends the online
// notification and then the reset if flagged, else the column change if flagged, else one row
// change per column that has a pending range; what it sends, and what that supersedes, is
// cleared. Loading a stored table announces a reset.
//
// Observers may add or remove observers (themselves included) while being notified: each
// notification walks a copy of the list taken when it starts.
//
// Single-threaded: every call comes on one thread; only the reference counts are interlocked.
// No exception leaves a slot: running out of memory gives E_OUTOFMEMORY.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <new>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "interfaces/online_data.h"
#include "interfaces/persist_object.h"
#include "interfaces/record_data_defaults.h"
#include "foundation/kvi_string.h"
#include "guilib/table/interface_array.h"
#include "guilib/table/ref_count_ptr.h"
#include "guilib/table/tabulated_data_interfaces.h"
#include "platform/com_ptr.h"

namespace GUILib {

class CTabulatedData final : public ITabulatedData,
                             public ITabulatedSettings,
                             public IRecordDataDefaults,
                             public IRecordDataObservers,
                             public IVelloDataObservers,
                             public IOnlineDataSink,
                             public IPersistObject {
public:
    // A range of rows or columns collected while notification is suspended.
    struct PendingRange {
        int32_t first = 0;
        int32_t last = 0;
        bool set = false;

        // Widens the range to hold (first, last) as well; the first merge takes it as it is.
        void Merge(int32_t f, int32_t l);
        void Clear() { *this = PendingRange(); }
    };

    // One column, shared with the value streams made over it (CEnumColumnFloat), which keep
    // it alive after the table dropped it.
    struct NamedDataColumn final : CRefCountRep {
        KVI::String name_;
        KVI::String units_;
        std::vector<float> values_;
        int32_t tag_ = 0;       // set through ITabulatedSettings
        PendingRange pending_;  // rows changed while suspended
    };
    using ColumnPtr = RefCountPtr<NamedDataColumn>;

    static constexpr int32_t kInitialRange = 2147483647;

    // [in] typeId: what GetTypeId answers.
    explicit CTabulatedData(uint32_t typeId = 0);
    CTabulatedData(const CTabulatedData&) = delete;
    CTabulatedData& operator=(const CTabulatedData&) = delete;

    // IUnknown, shared by every face.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // ITabulatedData (tabulated_data_interfaces.h has the contracts).
    HRESULT AddColumn(IAutoKVIString* name, IAutoKVIString* units) override;
    HRESULT SetColumnName(int32_t column, IAutoKVIString* name) override;
    HRESULT SetColumnUnits(int32_t column, IAutoKVIString* units) override;
    HRESULT RemoveColumn(int32_t column) override;
    HRESULT AppendValue(int32_t column, float value) override;
    HRESULT AppendValues(int32_t column, uint32_t count, IEnumFloatEx* source, uint32_t* appended) override;
    HRESULT InsertValues(int32_t column, int32_t position, uint32_t count, IEnumFloatEx* source,
                         uint32_t* inserted) override;
    HRESULT RemoveRows(int32_t first, int32_t last) override;
    HRESULT RemoveAllColumns() override;
    HRESULT SetColumnCount(int32_t n) override;
    HRESULT GetColumnName(int32_t column, IAutoKVIString** out) override;
    HRESULT GetColumnUnits(int32_t column, IAutoKVIString** out) override;
    HRESULT EnumColumn(int32_t column, int32_t start, int32_t limit, IEnumFloatEx** out) override;
    HRESULT GetValues(int32_t column, int32_t start, uint32_t maximum, float* destination, uint32_t* count) override;
    HRESULT AddObserver(ITabulatedDataObserver* observer) override;
    HRESULT RemoveObserver(ITabulatedDataObserver* observer) override;
    HRESULT BeginUpdate() override;
    HRESULT EndUpdate() override;
    HRESULT SendPendingChanges() override;
    HRESULT GetColumnCount(int32_t* out) override;
    HRESULT GetRowCount(int32_t* out) override;
    HRESULT GetShortestColumnLength(int32_t* out) override;
    HRESULT GetColumnLength(int32_t column, int32_t* out) override;
    HRESULT GetColumnMax(int32_t column, float* out) override;
    HRESULT GetColumnMin(int32_t column, float* out) override;

    // ITabulatedSettings: stored only, never interpreted.
    HRESULT SetSource(IUnknown* source) override;
    HRESULT GetSource(IUnknown** out) override;
    HRESULT SetRange(const int32_t* pair, const int32_t* value) override;
    HRESULT GetRange(int32_t* pair, int32_t* value) override;
    HRESULT SetColumnTag(int32_t column, int32_t tag) override;
    HRESULT GetColumnTag(int32_t column, int32_t* out) override;

    // IRecordData: the table as a recording with one block (while it has rows or online
    // sampling runs) whose channels are the columns and whose samples are the rows. Block
    // arguments are ignored. Slots not answered below return E_NOTIMPL.
    HRESULT GetChannelName(int32_t channel, IAutoKVIString** out) override;  // GetColumnName
    HRESULT GetChannelCount(int32_t* out) override;                         // GetColumnCount
    HRESULT GetSampleCount(uint32_t block, int32_t* out) override;          // GetRowCount
    // The row count for a valid column; 0 and E_INVALIDARG otherwise.
    HRESULT GetChannelSampleCount(int32_t channel, uint32_t block, int32_t* out) override;
    // 1 while online or while the table has rows, else 0.
    HRESULT GetBlockCount(int32_t* out) override;
    // With flags 0 the row count; otherwise 0 and E_INVALIDARG.
    HRESULT GetBlockLength(uint32_t block, uint32_t flags, int32_t* out) override;
    // The row count and 0; E_INVALIDARG for a null record.
    HRESULT GetChannelExtent(int32_t channel, uint32_t block, RecordExtent* out) override;
    HRESULT GetBoundaryMarks(uint32_t selector, int32_t block, IKVIBitset** out) override;
    // Stores 0 (the one block).
    HRESULT GetAppendingBlock(int32_t* out) override;
    // Also IOnlineDataSink's slot 13 (the same signature): E_NOTIMPL for both.
    HRESULT Reserved13() override { return E_NOTIMPL; }
    // With flags 0 and a valid column: VARIANT_TRUE when it holds a value, else VARIANT_FALSE;
    // otherwise VARIANT_FALSE and E_INVALIDARG.
    HRESULT HasSamples(int32_t channel, uint32_t block, uint32_t flags, VARIANT_BOOL* out) override;
    // With flags 0, GetColumnUnits; otherwise null and E_INVALIDARG.
    HRESULT GetChannelUnits(int32_t channel, uint32_t flags, IAutoKVIString** out) override;
    // GetValue widened to double.
    HRESULT GetValueDouble(int32_t channel, uint32_t block, int64_t sample, uint32_t flags, const double* scale,
                           double* out) override;
    // With flags 0, the value at (column, row) read through GetValues, then a * (b + value)
    // when a scale pair (a, b) is given. E_INVALIDARG (NaN stored) for a row the column does
    // not reach or flags other than 0.
    HRESULT GetValue(int32_t channel, uint32_t block, int64_t sample, uint32_t flags, const double* scale,
                     float* out) override;
    // With flags 0, EnumColumn(channel, start, end), start and end cut to 32 bits.
    HRESULT CreateValueEnum(int32_t channel, uint32_t block, int64_t start, int64_t end, uint32_t flags,
                            IEnumFloatEx** out) override;
    // NOTE: the pixel map over the table is not built yet: E_NOTIMPL with null stored.
    HRESULT CreatePixMap(IRecordDataPixMap** out) override;
    // GetBlockLength(flags 0) widened to 64 bits; the scale is ignored.
    HRESULT GetBlockWidth(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t* out) override;
    HRESULT PixelToSample(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t offset,
                          int64_t* out) override;
    // NOTE: the 64-bit pixel stream is not built yet: E_INVALIDARG for a negative count,
    // otherwise E_NOTIMPL; null stored either way.
    HRESULT CreatePixelEnum(int32_t channel, uint32_t block, int64_t start, int64_t count, int64_t scaleP,
                            int64_t scaleQ, IEnumFloatPixEx** out) override;

    // IRecordDataObservers.
    HRESULT AddRecordObserver(IRecordDataObserver* observer) override;
    HRESULT RemoveRecordObserver(IRecordDataObserver* observer) override;

    // IVelloDataObservers: the online sinks that the table relays sampling events to.
    HRESULT AddOnlineSink(IOnlineDataSink* sink) override;
    HRESULT RemoveOnlineSink(IOnlineDataSink* sink) override;
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }

    // IOnlineDataSink: the table relays online sampling to its registered sinks, in
    // registration order.
    HRESULT OnSetupChanged(uint32_t flags) override;      // passed on; S_OK
    HRESULT OnPrepareSampling(uint32_t flags) override;   // passed on; S_OK
    // Online from now, with the last online row count 0; passed on; S_OK.
    HRESULT OnStartSampling(uint32_t flags) override;
    // Sends the online notification; the argument is not used. S_OK.
    HRESULT OnNewData(int32_t newSamples) override;
    // Offline, last online row count 0; passed on; [out] result (may be null): the bitwise OR
    // of the sinks' results. S_OK.
    HRESULT OnStopSampling(uint32_t flags, uint32_t* result) override;
    HRESULT OnBlockStart(int32_t block) override;  // passed on; S_OK
    HRESULT OnBlockEnd(int32_t block) override;    // passed on; S_OK
    HRESULT Reserved10() override { return E_NOTIMPL; }
    HRESULT Reserved11() override { return E_NOTIMPL; }
    HRESULT Reserved12() override { return S_OK; }
    // [out] 100. S_OK; E_POINTER for null.
    HRESULT GetUpdateInterval(uint32_t flags, int32_t* milliseconds) override;

    // IPersistObject. Stored form, in order:
    //   unsigned 32-bit  number of columns C
    //   C x unsigned 32-bit  number of values of each column
    //   per column: string name, string unit text, then its values as 32-bit floats
    // Load reads it into a new table and keeps it only when everything read and the stream's
    // status is S_OK: S_OK (with a reset announced); E_FAIL for a failed read or status, or a
    // column count or length beyond 2^31 - 1; E_POINTER for a null stream. On every failure the
    // table is left as it was. Nothing is set aside for the stored counts: a corrupt count
    // fails at the first value that the stream does not have. Names, units and values are
    // stored; tags, the settings and the observers are not, and a load keeps them (new
    // columns have tag 0).
    HRESULT Load(IObjectInStream* stream) override;
    // S_OK, or E_FAIL when a write or the stream's final status failed.
    HRESULT Save(IObjectOutStream* stream) override;
    // [out] the type identifier given to the constructor.
    HRESULT GetTypeId(uint32_t* out) override;

    // Text form, for copying the table as text: a heading line with, for each column, its name,
    // "(" unit text ")" when it has a unit text, and a tab; then one line per row with, for each
    // column, its value in the stream's number format or "*" when the column has no value
    // there (a NaN is no value either), and a tab; every line ends with a tab and "\n"; then a null character. The
    // stream's field width, if set, applies to every cell (value or "*"), not to the heading.
    void WriteText(std::wostream& os) const;

private:
    ~CTabulatedData();

    // The column at index, or null when the index is out of range or the entry is null.
    NamedDataColumn* Column(int32_t index) const;
    int32_t RowCount() const;
    // Common part of AppendValues and InsertValues: reads up to count values from source.
    HRESULT ReadSource(IEnumFloatEx* source, uint32_t count, std::vector<float>& values);

    // Announcements (tabulated_data_notify.cpp).
    bool Live() const { return updateLevel_ >= 1; }
    void AnnounceColumnChange(int32_t columnCount);
    void AnnounceRowChange(int32_t column, int32_t first, int32_t last);
    void AnnounceReset();
    void SendColumnChange();
    void SendRowChange(int32_t column);
    void SendReset();
    void SendOnlineNotification();
    void ClearPending();
    // Calls each registered online sink, in registration order.
    void RelayToSinks(const std::function<void(IOnlineDataSink*)>& call);

    // Runs body and turns a memory failure into a result, so that no exception leaves a slot.
    template <class Body>
    static HRESULT Guarded(Body&& body) noexcept
    {
        try {
            return body();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::length_error&) {
            return E_OUTOFMEMORY;
        }
    }

    std::atomic<int32_t> refs_{0};
    InterfaceArray<ITabulatedDataObserver> tableObservers_;
    InterfaceArray<IRecordDataObserver> recordObservers_;
    InterfaceArray<IOnlineDataSink> onlineSinks_;
    uint32_t typeId_;
    platform::ComPtr<IUnknown> source_;
    int32_t rangePair_[2] = {kInitialRange, kInitialRange};
    int32_t rangeValue_ = kInitialRange;
    std::vector<ColumnPtr> columns_;
    int32_t updateLevel_ = 1;
    PendingRange pendingColumns_;
    bool pendingReset_ = false;
    bool online_ = false;
    int32_t lastOnlineRows_ = 0;
};

}  // namespace GUILib
