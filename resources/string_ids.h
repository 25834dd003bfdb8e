// Ids of the module's string table (resources/tessar_strings.cpp).
#pragma once

#include <cstdint>

namespace Tessar::StringId {

constexpr uint32_t kCalcName = 250;
constexpr uint32_t kCalcDescription = 251;
constexpr uint32_t kNoSelectionData = 254;
constexpr uint32_t kDefineUnit = 255;
constexpr uint32_t kDeleteUnit = 256;
constexpr uint32_t kLongFitName = 257;   // + fit kind
constexpr uint32_t kShortFitName = 265;  // + fit kind
constexpr uint32_t kFitFailed = 273;
constexpr uint32_t kSelectionTrimmed = 274;
constexpr uint32_t kTooFewPoints = 275;
constexpr uint32_t kPointToPointEquation = 276;
constexpr uint32_t kRepeatedRawValue = 277;
constexpr uint32_t kDialogCaption = 278;
constexpr uint32_t kUnitsConversionActive = 279;
// Why a fit failed, for the command line (the dialogs show kFitFailed).
constexpr uint32_t kFitCannotCarry = 280;
constexpr uint32_t kFitNotFinite = 281;

}  // namespace Tessar::StringId
