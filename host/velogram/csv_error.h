// CsvError: a CSV text that cannot be read. Its text names the source and, where there is one,
// the line and column of the fault: "rec.csv:12:5: ..." (CsvErrorText).
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Velogram {

class CsvError : public std::runtime_error {
public:
    explicit CsvError(const std::string& message) : std::runtime_error(message) {}
};

// "source:line:column: what"; line and column from 1, the column in bytes of the UTF-8 text.
inline std::string CsvErrorText(const std::string& source, int64_t line, size_t column, const std::string& what)
{
    return source + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what;
}

}  // namespace Velogram
