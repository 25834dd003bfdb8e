// Zor::UnitsFile: the user's unit list on disk, a UTF-8 text file under the user's
// configuration directory ($XDG_CONFIG_HOME/velogram/units.txt, or ~/.config/velogram/units.txt
// when XDG_CONFIG_HOME is unset, empty or not absolute):
//
//   velogram units 1
//   # prefix index, flag and name, separated by tabs
//   8<TAB>0<TAB>V
//   7<TAB>0<TAB>V
//
// The first line names the format and its version. Blank lines and lines starting with "#" are
// skipped. Each other line is a unit: a prefix index 0..14, a flag 0 or 1 and a name (UTF-8,
// not empty, no control characters; spaces are part of it). A file that breaks any of these
// rules is damaged as a whole: it is reported with the line and never overwritten, but set
// aside (renamed) when the list is next saved.
#pragma once

#include <string>
#include <vector>

#include "values/units/unit_info.h"

namespace Zor {

class UnitsFile {
public:
    // The file's path in the user's configuration directory; empty when there is no home.
    static std::string DefaultPath();

    explicit UnitsFile(std::string path) : path_(std::move(path)) {}

    enum class Status { kMissing, kLoaded, kDamaged };
    // Reads the file. kLoaded fills units; kDamaged (or a file that cannot be read) fills
    // problem ("<path>, line N: what is wrong") and leaves units empty; kMissing when there is
    // no file (or no path).
    Status Load(std::vector<KVI::UnitInfo>* units, std::string* problem);
    // Writes the units atomically, creating the directory when needed. A file found damaged by
    // Load is first renamed to "<path>.damaged" (or "<path>.damaged-N" when that is taken).
    // false, with problem, when it could not be written.
    bool Save(const std::vector<KVI::UnitInfo>& units, std::string* problem);

    const std::string& Path() const { return path_; }

    // Whether a name can be kept in the file (and so in the unit list): not empty, at most
    // 255 characters, no control characters.
    static bool IsStorableName(const KVI::String& name);

private:
    std::string path_;
    bool damaged_ = false;
};

}  // namespace Zor
