// Rendering the fit report of a calibration record to a file without showing anything, for the
// automation interface (ITessarAutomation::RenderReport) and through it the host's command line.
#pragma once

#include <cstdint>

#include "calibration/calibration_data.h"
#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

namespace Tessar {

// Builds the report of data as the report dialog shows it, off the screen, and writes it:
//   ".png": the image a copy puts on the clipboard (the dialog's client area, its pixels);
//   ".pdf": the printed page (one landscape page of the default paper size).
// The extension decides, in any letter case. [in] sourceUnit: the raw values' unit (the record
// does not keep it), for the raw axis, the raw column and the equation. Without a Qt
// application an off-screen one is made for the call. [in] flags: 0.
// Results: S_OK; E_INVALIDARG for another extension or flags; E_FAIL when the file cannot be
// written or the process runs a Qt application that has no widgets.
HRESULT RenderReportFile(const CalibrationData& data, const KVI::UnitInfo& sourceUnit, const KVI::String& path,
                         int32_t flags);

}  // namespace Tessar
