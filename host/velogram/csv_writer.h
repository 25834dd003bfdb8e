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
//
// A recording read from CSV text can have its own columns copied instead (CopyColumnsFrom):
// the text is read a second time and every line of it is written as it was (preamble, header
// and rows, blanks and quotes included; only the blank lines between blocks become one), the
// added channels' columns appended to each row. The output then keeps the text's separator,
// decimal mark, line end and byte-order mark (a UTF-8 one for UTF-16 text: the output is
// UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interfaces/enum_float_ex.h"
#include "interfaces/recording.h"
#include "host/velogram/csv_number_format.h"
#include "host/velogram/output_file.h"
#include "host/velogram/progress_bar.h"
#include "host/velogram/recording_import.h"
#include "platform/com_ptr.h"

namespace Velogram {

// How a channel of a recording is written as a CSV column: its header cell and its numbers.
struct CsvChannelColumn {
    std::string header;
    CsvNumberFormat format;
};

// [in] channel: 0-based; delimiter, decimal: the text's. The header "name (unit)" in the
// channel's unit (a calculated channel's: its calculation's), its numbers in that prefixed
// unit in the shortest form.
CsvChannelColumn CsvColumnOfChannel(IRecording* recording, int32_t channel, char delimiter, char decimal);

class CsvWriter {
public:
    // Rows read and formatted per step.
    static constexpr uint32_t kRowsPerStep = 8192;

    // [in] recording, out: outlive the writer.
    CsvWriter(IRecording* recording, OutputFile& out);

    // [in] channel: 0-based; places: decimals of its numbers, 0..17; -1 for the shortest form.
    void SetDecimals(int32_t channel, int32_t places);
    // [in] text: the text the recording was read from, its first text.Columns() channels;
    // outlives the writer. The channels after them are the ones written from samples.
    void CopyColumnsFrom(CsvRecordingText& text);
    // Writes everything, with a progress bar over the samples. Throws CommandError when a
    // channel cannot be read, the copied text has changed, or the file cannot be written.
    void Write();

    int64_t Rows() const { return rows_; }
    // Seconds spent reading each channel's samples (for a calculated channel: calibrating).
    const std::vector<double>& ReadSeconds() const { return readSeconds_; }
    // Seconds spent turning samples into text, copying text and writing it.
    double FormatSeconds() const { return formatSeconds_; }

private:
    class Copier;

    void Prepare();
    void WriteBlock(int32_t block, bool first, ProgressBar& progress, int64_t& done);
    void WriteCopy();
    // Opens the sample streams of channels [from, n) in block; [out] counts of every channel.
    std::vector<platform::ComPtr<IEnumFloatEx>> OpenStreams(int32_t block, size_t from, std::vector<int64_t>& counts);
    // The next up to kRowsPerStep samples of channel c into samples, from row start of a block
    // of count samples. Returns how many.
    uint32_t ReadStep(IEnumFloatEx* stream, size_t c, int32_t block, int64_t start, int64_t count,
                      std::vector<float>& samples);

    IRecording* recording_;
    OutputFile& out_;
    CsvRecordingText* copy_ = nullptr;
    char delimiter_ = ',';
    char decimal_ = '.';
    std::string lineEnd_ = "\n";
    std::vector<CsvChannelColumn> columns_;
    std::vector<int32_t> places_;
    int64_t rows_ = 0;
    int64_t total_ = 0;
    std::vector<double> readSeconds_;
    double formatSeconds_ = 0;
};

// A header cell "name (unit)", quoted when the name holds the delimiter or a quote; "name ()"
// when the unit is empty but the name itself ends in ")". (Names are read back trimmed.)
std::string CsvHeaderCell(const std::string& name, const std::string& unit, char delimiter = ',');

}  // namespace Velogram
