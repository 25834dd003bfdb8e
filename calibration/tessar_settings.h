// Tessar::TessarSettings: the settings object of one calculated channel (the calculation
// knows it as TessarExt::Settings). The host stores it inside its documents through
// IPersistObject; it holds one CalibrationData.
//
// Stored form, version 2 (Save writes it for a record that uses none of the fields a laboratory
// keeps, CalibrationData::UsesKeepingFields; Load reads versions 0 to 3):
//   unsigned 32-bit  version (2)
//   unsigned 32-bit  calculated view (0/1)
//   unsigned 32-bit  channel          (read back signed)
//   unsigned 32-bit  decimal places   (read back signed)
//   double           pane top
//   double           pane bottom
//   unsigned 32-bit  number of strings in the set, then each string in ascending order
//   string           the text form (settings_text.h)
//   unit part (version 2 only): unsigned 32-bit prefix index, string name, unsigned 32-bit
//                    flag (KVI::UnitEntry::WriteUnit)
// Versions 0 and 1 have no unit part; the unit is the one of the text form.
//
// Version 3: the same values (the version word 3), then what a laboratory keeps:
//   unsigned 32-bit  range policy (0..2)       double  zero offset
//   unsigned 32-bit  weights (0..1)
//   string           calibration date          string  due date
//   unsigned 32-bit  validity in days
//   string           certificate               string  operator      string  note
//   unsigned 32-bit  provenance count P (0, or the number of points), then P entries:
//     unsigned 32-bit  from the selection (0/1)
//     double           mean                    double  standard deviation
//     2 x unsigned 32  sample count (low word, then high word)
//     unsigned 32-bit  block (read back signed)
//     2 x unsigned 32  first sample           2 x unsigned 32  last sample
// A reader of version 2 refuses version 3 as too new, so no older reader misreads it.
//
// Reference counting: the count starts at 0; the creator adds the first reference. The last
// Release destroys the object through its destructor slot.
#pragma once

#include <atomic>
#include <cstdint>

#include "calibration/calibration_data.h"
#include "interfaces/persist_object.h"
#include "platform/guid.h"

namespace Tessar {

// The type GUID of the calculation and of its settings (the settings' low word is 1).
constexpr GUID TYPE_Tessar = platform::Guid("{CBECD358-009A-4663-8F02-4CF1EF89FEFD}");
constexpr uint16_t kSettingsTypeLowWord = 1;
constexpr uint32_t kSettingsVersion = 2;
constexpr uint32_t kSettingsVersionKeeping = 3;

class TessarSettings final : public IPersistObject {
public:
    TessarSettings() = default;
    // Default settings for a source channel (0-based).
    explicit TessarSettings(int32_t channel) : data_(channel) {}
    explicit TessarSettings(const CalibrationData& data) : data_(data) {}
    TessarSettings(const TessarSettings&) = delete;
    TessarSettings& operator=(const TessarSettings&) = delete;

    // Slots 0 to 2. QueryInterface answers IUnknown and IPersistObject (the same pointer);
    // anything else E_NOINTERFACE; E_POINTER for a null out-pointer.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // Slot 3. Reads the stored form into a new record and keeps it only when everything read
    // and parsed: S_OK; KVI_E_VERSION_TOO_NEW (0xA0048205) for a version above 3, with nothing
    // read after the version; E_FAIL for a failed read, a failed stream status, a corrupt text
    // form (ParseSettingsText's Rejected), a version 3 field out of its range (a policy or
    // weighting that does not exist, a negative validity, a provenance count other than 0 or
    // the number of points); E_POINTER for a null stream. On every failure the
    // record is left as it was. The new record replaces the old one whole (the string set
    // included); a text form that stops early is no failure.
    HRESULT Load(IObjectInStream* stream) override;
    // Slot 4. S_OK, or E_FAIL when a write or the stream's final status failed (the stream
    // then holds part of the stored form).
    HRESULT Save(IObjectOutStream* stream) override;
    // Slot 5. [out] TypeId(); see there.
    HRESULT GetTypeId(uint32_t* out) override;
    // Slot 6, the destructor slot: destroys the object (Release calls it at a count of 0).
    virtual void Destroy();

    CalibrationData& Data() { return data_; }
    const CalibrationData& Data() const { return data_; }

    // The settings' type identifier, shared with the settings class: (registry identifier of
    // TYPE_Tessar) << 16 | 1, asked once and kept for the life of the module. S_OK, or the
    // registry's failure with *out 0 (and nothing kept).
    static HRESULT TypeId(uint32_t* out);

private:
    ~TessarSettings() = default;

    std::atomic<int32_t> refs_{0};
    CalibrationData data_;
};

}  // namespace Tessar
