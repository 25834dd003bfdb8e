// CsvWriter: writes every channel of a recording as CSV in the form CsvReader reads: a header
// row "name (unit)", one column per channel, the blocks separated by a blank line. Samples are
// read block by block through the channels' sample streams (a calculated channel's through
// its calculation's enumerator) and written in the channel's own prefixed unit, a few
// thousand rows at a time, so that neither the text nor a second copy of the samples is ever
// held whole.
//
// Numbers: the shortest text that reads back as the same float, or a fixed number of
// decimals for a channel given them. A channel with fewer samples than another in a block
// leaves its cells of the extra rows empty; blocks without samples are left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calibration/host/recording.h"
#include "host/velogram/output_file.h"
#include "host/velogram/progress_bar.h"

namespace Velogram {

class CsvWriter {
public:
    // Rows read and formatted per step.
    static constexpr uint32_t kRowsPerStep = 8192;

    // [in] recording, out: outlive the writer.
    CsvWriter(IRecording* recording, OutputFile& out);

    // [in] channel: 0-based; places: decimals of its numbers, 0..17; -1 for the shortest form.
    void SetDecimals(int32_t channel, int32_t places);
    // Writes everything, with a progress bar over the samples. Throws CommandError when a
    // channel cannot be read or the file cannot be written.
    void Write();

    int64_t Rows() const { return rows_; }
    // Seconds spent reading each channel's samples (for a calculated channel: calibrating).
    const std::vector<double>& ReadSeconds() const { return readSeconds_; }
    // Seconds spent turning samples into text and writing it.
    double FormatSeconds() const { return formatSeconds_; }

private:
    struct Column {
        std::string header;
        double factor = 1;  // base unit -> the channel's prefixed unit
        int32_t places = -1;
    };

    void Prepare();
    void WriteBlock(int32_t block, bool first, ProgressBar& progress, int64_t& done);
    char* Format(char* p, float value, const Column& column) const;

    IRecording* recording_;
    OutputFile& out_;
    std::vector<Column> columns_;
    std::vector<int32_t> places_;
    int64_t rows_ = 0;
    int64_t total_ = 0;
    std::vector<double> readSeconds_;
    double formatSeconds_ = 0;
};

// A header cell "name (unit)", quoted when the name holds a comma or a quote; "name ()" when
// the unit is empty but the name itself ends in ")". (Names are read back trimmed.)
std::string CsvHeaderCell(const std::string& name, const std::string& unit);

}  // namespace Velogram
