// The tabulated data's own interfaces: ITabulatedData (a table of named float columns with
// change notification), ITabulatedSettings (what a user of the table stores with it) and
// ITabulatedDataObserver (told about changes).
//
// Column and row indexes are 32-bit and start at 0. Every operation on a column returns
// E_INVALIDARG for a negative index, an index at or beyond the column count, or a column entry
// that is null. Null out-pointers give E_POINTER unless a slot says otherwise. Strings cross as
// IAutoKVIString pointers: an [in] string may be null (the empty text); an [out] string is a
// new reference that the caller releases.
#pragma once

#include <cstdint>

#include "interfaces/enum_float_ex.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

// IIDs chosen by this system.
constexpr IID IID_ITabulatedData = platform::Guid("{8E3C5A17-2B64-4F0D-A9E1-6C7B02D4F835}");
constexpr IID IID_ITabulatedSettings = platform::Guid("{D91F4B2C-7A08-4E65-B3C9-15E8A6F0274D}");
constexpr IID IID_ITabulatedDataObserver = platform::Guid("{3A6E90D4-C15B-47F2-8E7A-B20D9C4F6158}");

// The table tells its observers about changes; the results are ignored.
struct ITabulatedDataObserver : IUnknown {
    // The set of columns changed (added, removed).
    virtual HRESULT OnColumnsChanged() = 0;  // 3
    // Rows of one column changed (appended, inserted, removed).
    virtual HRESULT OnRowsChanged(int32_t column) = 0;  // 4
    // Everything changed (the table was emptied or rebuilt).
    virtual HRESULT OnReset() = 0;  // 5

protected:
    ~ITabulatedDataObserver() = default;
};

struct ITabulatedData : IUnknown {
    // Appends a column with no values; announces a column change.
    virtual HRESULT AddColumn(IAutoKVIString* name, IAutoKVIString* units) = 0;  // 3
    // Replace the name or the unit text; no notification.
    virtual HRESULT SetColumnName(int32_t column, IAutoKVIString* name) = 0;    // 4
    virtual HRESULT SetColumnUnits(int32_t column, IAutoKVIString* units) = 0;  // 5
    // Removes the column; announces a column change.
    virtual HRESULT RemoveColumn(int32_t column) = 0;  // 6
    // Appends one value (NaN allowed); announces a row change of the column.
    virtual HRESULT AppendValue(int32_t column, float value) = 0;  // 7
    // Reads up to count values from source (its Next) and appends them. [out] appended: the
    // number appended (may be null). A failing source: its status, the column unchanged.
    virtual HRESULT AppendValues(int32_t column, uint32_t count, IEnumFloatEx* source, uint32_t* appended) = 0;  // 8
    // As AppendValues, but inserts before position (0 .. the column's length, else
    // E_INVALIDARG).
    virtual HRESULT InsertValues(int32_t column, int32_t position, uint32_t count, IEnumFloatEx* source,
                                 uint32_t* inserted) = 0;  // 9
    // Removes rows first .. last - 1 from every column that reaches first. E_INVALIDARG
    // unless 0 <= first < last <= the row count. Announces a row change per column changed.
    virtual HRESULT RemoveRows(int32_t first, int32_t last) = 0;  // 10
    // Empties the table; announces a reset.
    virtual HRESULT RemoveAllColumns() = 0;  // 11
    // Empties the table and creates n empty columns (n >= 0, else E_INVALIDARG); announces a
    // reset.
    virtual HRESULT SetColumnCount(int32_t n) = 0;  // 12
    virtual HRESULT GetColumnName(int32_t column, IAutoKVIString** out) = 0;   // 13
    virtual HRESULT GetColumnUnits(int32_t column, IAutoKVIString** out) = 0;  // 14
    // [out] a new stream over the column's values from start (not negative), stopping before
    // index limit or at the column's end.
    virtual HRESULT EnumColumn(int32_t column, int32_t start, int32_t limit, IEnumFloatEx** out) = 0;  // 15
    // Copies min(maximum, length - start) values from start (0 .. length, else E_INVALIDARG)
    // to destination. [out] count: the number copied (may be null).
    virtual HRESULT GetValues(int32_t column, int32_t start, uint32_t maximum, float* destination,
                              uint32_t* count) = 0;  // 16
    // Appends with a reference; the same observer may be added twice.
    virtual HRESULT AddObserver(ITabulatedDataObserver* observer) = 0;  // 17
    // Removes the first entry equal to observer and releases it; E_FAIL when absent.
    virtual HRESULT RemoveObserver(ITabulatedDataObserver* observer) = 0;  // 18
    // Suspends notification: lowers the update level by one (live at 1, suspended at 0 or
    // below). Changes made while suspended are collected.
    virtual HRESULT BeginUpdate() = 0;  // 19
    // Raises the update level by one: S_FALSE when it is still 0 or below, else S_OK with the
    // level set to exactly 1. Sends nothing.
    virtual HRESULT EndUpdate() = 0;  // 20
    // S_FALSE while suspended. Otherwise sends what was collected (a reset over a column change
    // over row changes) and S_OK.
    virtual HRESULT SendPendingChanges() = 0;  // 21
    virtual HRESULT GetColumnCount(int32_t* out) = 0;           // 22
    // [out] the length of the longest column; 0 without columns.
    virtual HRESULT GetRowCount(int32_t* out) = 0;  // 23
    // [out] the length of the shortest column; 0 without columns.
    virtual HRESULT GetShortestColumnLength(int32_t* out) = 0;  // 24
    virtual HRESULT GetColumnLength(int32_t column, int32_t* out) = 0;  // 25
    // [out] the largest value (NaN ranks below every number; the first of equal maxima).
    // E_FAIL for an empty column or one of NaN values only, with NaN stored.
    virtual HRESULT GetColumnMax(int32_t column, float* out) = 0;  // 26
    // [out] the smallest value (NaN ranks above every number); otherwise as GetColumnMax.
    virtual HRESULT GetColumnMin(int32_t column, float* out) = 0;  // 27

protected:
    ~ITabulatedData() = default;
};

// What a user of the table keeps with it: a source object, a range triple and a tag per
// column. The table only stores them.
struct ITabulatedSettings : IUnknown {
    // [in] source: held with a reference (null allowed), the previous one released.
    virtual HRESULT SetSource(IUnknown* source) = 0;  // 3
    // [out] the source with a new reference, or null.
    virtual HRESULT GetSource(IUnknown** out) = 0;  // 4
    // [in] pair: two 32-bit values; value: one. E_FAIL when either pointer is null. All three
    // start at 2147483647.
    virtual HRESULT SetRange(const int32_t* pair, const int32_t* value) = 0;  // 5
    virtual HRESULT GetRange(int32_t* pair, int32_t* value) = 0;              // 6
    virtual HRESULT SetColumnTag(int32_t column, int32_t tag) = 0;            // 7
    // E_INVALIDARG also for a null out-pointer.
    virtual HRESULT GetColumnTag(int32_t column, int32_t* out) = 0;  // 8

protected:
    ~ITabulatedSettings() = default;
};
