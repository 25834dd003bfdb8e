// Rendering the fit report to files in a process without any Qt application (as the host's
// batch command line runs): an off-screen application is made for the call and gone after it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include <QCoreApplication>

#include "calibration/calibration_fit.h"
#include "report/report_file.h"

namespace {

std::string Header(const std::filesystem::path& file, size_t n)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), std::streamsize(n));
    bytes.resize(size_t(in.gcount()));
    return bytes;
}

TEST(ReportFileHeadless, WritesPngAndPdfWithoutAnApplication)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    Tessar::CalibrationData d(0);
    d.fitKind_ = 1;
    d.rawValues_ = {0, 1, 2, 3};
    d.calibratedValues_ = {1, 2, 5, 10};
    d.unit_ = KVI::UnitInfo{0, 9, KVI::String(u"Pa")};
    ASSERT_TRUE(Tessar::FitCalibration(d));

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tessar_report_headless_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path png = dir / "report.png";
    const std::filesystem::path pdf = dir / "report.pdf";
    std::filesystem::remove(png);
    std::filesystem::remove(pdf);
    // Twice, so that a second off-screen application follows the first.
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(Tessar::RenderReportFile(d, KVI::UnitInfo::Empty(), KVI::String(png.u16string()), 0), S_OK);
        ASSERT_EQ(Tessar::RenderReportFile(d, KVI::UnitInfo::Empty(), KVI::String(pdf.u16string()), 0), S_OK);
        EXPECT_EQ(QCoreApplication::instance(), nullptr);
    }
    EXPECT_EQ(Header(png, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(Header(pdf, 5), "%PDF-");
    EXPECT_EQ(Tessar::RenderReportFile(d, KVI::UnitInfo::Empty(), KVI::String((dir / "report.jpg").u16string()), 0), E_INVALIDARG);
    std::filesystem::remove_all(dir);
}

}  // namespace
