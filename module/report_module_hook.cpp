// Linked into the module as an object of its own: when the module is loaded, the automation
// interface's RenderReport gets the report renderer, which needs the Qt half of the module.
#include "module/tessar_automation_impl.h"
#include "report/report_file.h"

namespace {

const bool kRendererInstalled = (Tessar::TessarAutomation::InstallReportRenderer(&Tessar::RenderReportFile), true);

}  // namespace
