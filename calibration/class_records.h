// The class records of the module's three classes: the kind and type GUIDs the framework knows
// them by, their names and descriptions, and their type identifiers (registry identifier of
// the type GUID << 16 | the class's low word), obtained on first request and kept.
//
//   class        name                      kind GUID                               type GUID / low word
//   calculation  string 250 ("Tessar")     {5388E470-F2ED-11D2-809C-00A0C9E26433}  TYPE_Tessar / 0
//   settings     calculation name+Settings {E058F3B0-DCE3-11D3-80E8-00A0C9E26433}  TYPE_Tessar / 1 (shared
//                                                                                  with TessarExt::Settings)
//   enumerator   "TessarCalcEnum"          {8FC37F03-9357-11D4-8112-00A0C9E26433}  TYPE_TessarCalcEnum / 0
#pragma once

#include <cstdint>

#include "interfaces/class_objects.h"
#include "foundation/kvi_string.h"
#include "platform/guid.h"
#include "platform/hresult.h"

namespace Tessar {

using ::KIND_CalcEnumClass;
using ::KIND_CalculationClass;
using ::KIND_SettingsClass;
constexpr GUID TYPE_TessarCalcEnum = platform::Guid("{DCB4C05B-DBEB-47C1-9C1B-D316E683064F}");

struct ClassRecord {
    GUID kind;
    // [out] the class's type identifier (cached; thread-safe). S_OK or the registry's failure.
    HRESULT (*typeId)(uint32_t* out);
    // The name and description: a string resource of the module when the id is not 0, else
    // the literal (null for none).
    uint32_t nameId;
    const char16_t* name;
    uint32_t descriptionId;
    const char16_t* description;

    KVI::String Name() const;
    KVI::String Description() const;
};

extern const ClassRecord kCalculationClassRecord;
// The settings class's name is the calculation's name followed by "Settings"; its record
// carries the suffix.
extern const ClassRecord kSettingsClassRecord;
extern const ClassRecord kCalcEnumClassRecord;

}  // namespace Tessar
