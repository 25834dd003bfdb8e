// CommandError: a failure of a command that the user can act on. Its text is the whole message
// (what went wrong and, where it helps, what to do), printed after "velogram: error: ".
#pragma once

#include <stdexcept>
#include <string>

namespace Velogram {

class CommandError : public std::runtime_error {
public:
    explicit CommandError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace Velogram
