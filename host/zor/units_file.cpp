#include "host/zor/units_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "values/units/prefix_table.h"
#include "host/zor/atomic_file.h"
#include "platform/code_page.h"

namespace Zor {
namespace {

constexpr std::string_view kHeader = "velogram units 1";
constexpr size_t kMaxNameLength = 255;

// Creates every missing directory of path; false when one cannot be made.
bool MakeDirectories(const std::string& path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        struct stat st {};
        if (mkdir(part.c_str(), 0700) != 0 && (errno != EEXIST || stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
            if (errno == EEXIST) errno = ENOTDIR;
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

// One field of a unit line as a number within [low, high].
bool ParseField(std::string_view field, int low, int high, int32_t* out)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || end != field.data() + field.size() || value < low || value > high) return false;
    *out = value;
    return true;
}

// Parses one unit line; an empty text, or the reason it is damaged.
std::string ParseUnitLine(std::string_view line, KVI::UnitInfo* unit)
{
    const auto tab1 = line.find('\t');
    const auto tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) return "expected a prefix index, a flag and a name separated by tabs";
    if (!ParseField(line.substr(0, tab1), 0, KVI::kPrefixCount - 1, &unit->prefix_))
        return "the prefix index is not a number from 0 to 14";
    if (!ParseField(line.substr(tab1 + 1, tab2 - tab1 - 1), 0, 1, &unit->flag_)) return "the flag is not 0 or 1";
    const std::string_view name = line.substr(tab2 + 1);
    const std::u16string wide = platform::Utf8ToUtf16(name);
    // Malformed UTF-8 turns into U+FFFD; it would not survive the way back.
    if (platform::Utf16ToUtf8(wide) != name) return "the name is not UTF-8 text";
    unit->name_ = KVI::String(std::u16string_view(wide));
    if (!UnitsFile::IsStorableName(unit->name_)) return "the name is empty, too long or holds control characters";
    return {};
}

// "<path>.damaged", or the first "<path>.damaged-N" that does not exist yet.
std::string SetAsideName(const std::string& path)
{
    std::string name = path + ".damaged";
    struct stat st {};
    for (int n = 2; stat(name.c_str(), &st) == 0; ++n) name = path + ".damaged-" + std::to_string(n);
    return name;
}

}  // namespace

std::string UnitsFile::DefaultPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') return {};
        base = std::string(home) + "/.config";
    }
    return base + "/velogram/units.txt";
}

bool UnitsFile::IsStorableName(const KVI::String& name)
{
    const std::u16string_view text = name.View();
    if (text.empty() || text.size() > kMaxNameLength) return false;
    for (char16_t c : text)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

UnitsFile::Status UnitsFile::Load(std::vector<KVI::UnitInfo>* units, std::string* problem)
{
    units->clear();
    problem->clear();
    if (path_.empty()) return Status::kMissing;
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) return Status::kMissing;
    std::ifstream in(path_, std::ios::binary);
    if (!S_ISREG(st.st_mode) || !in) {
        *problem = path_ + ": cannot be read as a file";
        damaged_ = true;
        return Status::kDamaged;
    }
    std::string line;
    int number = 0;
    std::vector<KVI::UnitInfo> read;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string why;
        if (number == 1) {
            if (line != kHeader) why = "not a units file of this program (expected \"" + std::string(kHeader) + "\")";
        } else if (!line.empty() && line[0] != '#') {
            KVI::UnitInfo unit;
            why = ParseUnitLine(line, &unit);
            if (why.empty()) read.push_back(std::move(unit));
        }
        if (!why.empty()) {
            *problem = path_ + ", line " + std::to_string(number) + ": " + why;
            damaged_ = true;
            return Status::kDamaged;
        }
    }
    if (number == 0) {
        *problem = path_ + ": the file is empty";
        damaged_ = true;
        return Status::kDamaged;
    }
    *units = std::move(read);
    return Status::kLoaded;
}

bool UnitsFile::Save(const std::vector<KVI::UnitInfo>& units, std::string* problem)
{
    problem->clear();
    if (path_.empty()) {
        *problem = "there is no configuration directory to keep units in";
        return false;
    }
    const auto slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path_.substr(0, slash))) {
        *problem = "cannot create the folder of \"" + path_ + "\": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << kHeader << "\n# prefix index, flag and name, separated by tabs\n";
    for (const KVI::UnitInfo& u : units) {
        text << u.prefix_ << '\t' << (u.flag_ ? 1 : 0) << '\t' << platform::Utf16ToUtf8(u.name_.View()) << '\n';
    }
    const std::string bytes = text.str();
    if (damaged_) {
        const std::string aside = SetAsideName(path_);
        if (std::rename(path_.c_str(), aside.c_str()) != 0 && errno != ENOENT) {
            *problem = "cannot set the damaged \"" + path_ + "\" aside: " + std::strerror(errno);
            return false;
        }
        damaged_ = false;
    }
    AtomicFile file(path_);
    if (!file.IsOpen() || std::fwrite(bytes.data(), 1, bytes.size(), file.File()) != bytes.size() ||
        !file.Commit()) {
        *problem = file.ErrorText().empty() ? "cannot write \"" + path_ + "\"" : file.ErrorText();
        return false;
    }
    return true;
}

}  // namespace Zor
