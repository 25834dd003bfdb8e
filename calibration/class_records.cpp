#include "calibration/class_records.h"

#include "calibration/framework.h"
#include "calibration/tessar_settings.h"
#include "resources/string_ids.h"

namespace Tessar {
namespace {

KVI::String Text(uint32_t id, const char16_t* literal)
{
    return id ? KVI::String(KVI::ThisModule(), id) : KVI::String(literal);
}

HRESULT CalculationTypeId(uint32_t* out)
{
    static CachedTypeId id(TYPE_Tessar, 0);
    return id.Get(out);
}

HRESULT CalcEnumTypeId(uint32_t* out)
{
    static CachedTypeId id(TYPE_TessarCalcEnum, 0);
    return id.Get(out);
}

}  // namespace

KVI::String ClassRecord::Name() const { return Text(nameId, name); }
KVI::String ClassRecord::Description() const { return Text(descriptionId, description); }

// Constant-initialised, so the class objects can read them during static construction.
constinit const ClassRecord kCalculationClassRecord{
    KIND_CalculationClass, &CalculationTypeId, StringId::kCalcName, nullptr, StringId::kCalcDescription, nullptr};
constinit const ClassRecord kSettingsClassRecord{
    KIND_SettingsClass, &TessarSettings::TypeId, 0, u"Settings", 0, nullptr};
constinit const ClassRecord kCalcEnumClassRecord{
    KIND_CalcEnumClass, &CalcEnumTypeId, 0, u"TessarCalcEnum", 0, u"Fits curves using a Least Squares approximation"};

}  // namespace Tessar
