#include "calibration/calibration_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "calibration/calibration_dates.h"
#include "calibration/fit_kind.h"
#include "values/units/prefix_table.h"

namespace Tessar {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kFormat = "tessar-calibration";
constexpr std::array<std::string_view, kFitKindCount> kFitNames = {
    "linear", "quadratic", "cubic", "quartic", "quintic", "logarithmic", "exponential", "point-to-point"};
constexpr std::array<std::string_view, 3> kPolicyNames = {"extrapolate", "clamp", "blank"};
constexpr std::array<std::string_view, 2> kWeightNames = {"none", "inverse-variance"};

// The most bytes and the deepest nesting a calibration file may have: a record is a few
// kilobytes two levels deep, and the parser recurses once a level.
constexpr size_t kMaxFileBytes = size_t(4) << 20;
constexpr int kMaxDepth = 16;

// True when the brackets outside strings nest no deeper than kMaxDepth.
bool ShallowEnough(std::string_view text)
{
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth) return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

template <size_t N>
std::string_view NameAt(const std::array<std::string_view, N>& names, int32_t index)
{
    return index >= 0 && size_t(index) < N ? names[size_t(index)] : names[0];
}

// What is wrong with the file, for the message; thrown while reading and caught at the top.
struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A double of the file: a number; null stands for a value that is not finite.
Json Number(double v) { return std::isfinite(v) ? Json(v) : Json(); }

Json UnitOf(const KVI::UnitInfo& unit)
{
    return Json{{"prefix", unit.prefix_}, {"name", unit.name_.ToUtf8()}, {"flag", unit.flag_}};
}

Json PointOf(const CalibrationData& d, size_t i)
{
    Json point{{"raw", Number(d.rawValues_[i])}, {"calibrated", Number(d.calibratedValues_[i])}};
    if (i < d.provenance_.size() && d.provenance_[i].measured) {
        const PointProvenance& p = d.provenance_[i];
        point["provenance"] = Json{{"mean", Number(p.mean)},         {"sd", Number(p.sd)},
                                   {"count", p.count},               {"block", p.block},
                                   {"firstSample", p.firstSample},   {"lastSample", p.lastSample}};
    }
    return point;
}

// Readers of the fields, each refusing a missing field or one of the wrong kind.
const Json& Field(const Json& object, const char* name)
{
    const auto it = object.find(name);
    if (it == object.end()) throw Refusal(std::string("the field \"") + name + "\" is missing");
    return *it;
}

double DoubleOf(const Json& object, const char* name, bool nullIsNaN = false)
{
    const Json& v = Field(object, name);
    if (v.is_null() && nullIsNaN) return std::numeric_limits<double>::quiet_NaN();
    if (!v.is_number()) throw Refusal(std::string("the field \"") + name + "\" is not a number");
    return v.get<double>();
}

template <class T>
T IntegerOf(const Json& object, const char* name, T low, T high)
{
    const Json& v = Field(object, name);
    if (!v.is_number_integer()) throw Refusal(std::string("the field \"") + name + "\" is not a whole number");
    const auto value = v.get<int64_t>();
    if (value < int64_t(low) || value > int64_t(high))
        throw Refusal(std::string("the field \"") + name + "\" is out of its range");
    return static_cast<T>(value);
}

KVI::String TextOf(const Json& object, const char* name)
{
    const Json& v = Field(object, name);
    if (!v.is_string()) throw Refusal(std::string("the field \"") + name + "\" is not a text");
    return KVI::String::FromUtf8(v.get<std::string>());
}

bool FlagOf(const Json& object, const char* name)
{
    const Json& v = Field(object, name);
    if (!v.is_boolean()) throw Refusal(std::string("the field \"") + name + "\" is not true or false");
    return v.get<bool>();
}

template <size_t N>
int32_t NameIndex(const Json& object, const char* name, const std::array<std::string_view, N>& names)
{
    const KVI::String text = TextOf(object, name);
    for (size_t i = 0; i < N; ++i)
        if (text.ToUtf8() == names[i]) return int32_t(i);
    throw Refusal(std::string("the field \"") + name + "\" names nothing known (\"" + text.ToUtf8() + "\")");
}

KVI::String DateOf(const Json& object, const char* name)
{
    KVI::String date = TextOf(object, name);
    if (!date.IsEmpty() && !ParseIsoDate(date.ToUtf8()))
        throw Refusal(std::string("the field \"") + name + "\" is no date YYYY-MM-DD (\"" + date.ToUtf8() + "\")");
    return date;
}

void ReadPoints(const Json& file, CalibrationData& d)
{
    const Json& points = Field(file, "points");
    if (!points.is_array()) throw Refusal("the field \"points\" is not a list");
    bool anyProvenance = false;
    for (const Json& point : points) {
        if (!point.is_object()) throw Refusal("a point is not an object");
        d.rawValues_.push_back(DoubleOf(point, "raw"));
        d.calibratedValues_.push_back(DoubleOf(point, "calibrated"));
        PointProvenance p;
        if (const auto it = point.find("provenance"); it != point.end()) {
            if (!it->is_object()) throw Refusal("a point's provenance is not an object");
            p.measured = true;
            p.mean = DoubleOf(*it, "mean");
            p.sd = DoubleOf(*it, "sd");
            p.count = IntegerOf<int64_t>(*it, "count", 0, std::numeric_limits<int64_t>::max());
            p.block = IntegerOf<int32_t>(*it, "block", -1, std::numeric_limits<int32_t>::max());
            p.firstSample = IntegerOf<int64_t>(*it, "firstSample", 0, std::numeric_limits<int64_t>::max());
            p.lastSample = IntegerOf<int64_t>(*it, "lastSample", 0, std::numeric_limits<int64_t>::max());
            anyProvenance = true;
        }
        d.provenance_.push_back(p);
    }
    if (!anyProvenance) d.provenance_.clear();
}

void ReadCoefficients(const Json& file, CalibrationData& d)
{
    const Json& coefficients = Field(file, "coefficients");
    if (!coefficients.is_array()) throw Refusal("the field \"coefficients\" is not a list");
    for (const Json& c : coefficients) {
        if (!c.is_number()) throw Refusal("a coefficient is not a number");
        d.coefficients_.push_back(c.get<double>());
    }
    const size_t expected = d.fitKind_ == int32_t(FitKind::PointToPoint)
                                ? 2 * d.rawValues_.size()
                                : size_t(IsPolynomialKind(d.fitKind_) ? d.fitKind_ + 2 : 2);
    if (d.coefficients_.size() != expected)
        throw Refusal("the fit has " + std::to_string(d.coefficients_.size()) + " coefficients where its kind has " +
                      std::to_string(expected));
}

CalibrationData ReadRecord(const Json& file)
{
    if (!file.is_object() || file.value("format", std::string()) != kFormat)
        throw Refusal("it is not a calibration file (no \"format\": \"tessar-calibration\")");
    const int version = IntegerOf<int>(file, "version", 0, std::numeric_limits<int>::max());
    if (version > kCalibrationFileVersion)
        throw Refusal("it is a calibration file of version " + std::to_string(version) +
                      ", newer than this program reads (version " + std::to_string(kCalibrationFileVersion) + ")");
    CalibrationData d(IntegerOf<int32_t>(file, "channel", -1, std::numeric_limits<int32_t>::max()));
    d.fitKind_ = IntegerOf<int32_t>(file, "fitKind", 0, kFitKindCount - 1);
    d.forceOrigin_ = FlagOf(file, "forceOrigin");
    d.chiSquare_ = DoubleOf(file, "chiSquare");
    d.sse_ = DoubleOf(file, "sse");
    const Json& unit = Field(file, "unit");
    if (!unit.is_object()) throw Refusal("the field \"unit\" is not an object");
    d.unit_.prefix_ = IntegerOf<int32_t>(unit, "prefix", 0, KVI::kPrefixCount - 1);
    d.unit_.name_ = TextOf(unit, "name");
    d.unit_.flag_ = IntegerOf<int32_t>(unit, "flag", 0, 1);
    d.decimalPlaces_ = IntegerOf<int32_t>(file, "decimalPlaces", 0, 6);
    ReadPoints(file, d);
    ReadCoefficients(file, d);
    d.rangePolicy_ = NameIndex(file, "rangePolicy", kPolicyNames);
    d.zeroOffset_ = DoubleOf(file, "zeroOffset");
    d.weights_ = NameIndex(file, "weights", kWeightNames);
    d.calibrationDate_ = DateOf(file, "calibrationDate");
    d.dueDate_ = DateOf(file, "dueDate");
    d.validityDays_ = IntegerOf<int32_t>(file, "validityDays", 0, std::numeric_limits<int32_t>::max());
    d.certificate_ = TextOf(file, "certificate");
    d.operator_ = TextOf(file, "operator");
    d.note_ = TextOf(file, "note");
    d.calculatedView_ = FlagOf(file, "calculatedView");
    d.paneTop_ = DoubleOf(file, "paneTop", true);
    d.paneBottom_ = DoubleOf(file, "paneBottom", true);
    const Json& strings = Field(file, "strings");
    if (!strings.is_array()) throw Refusal("the field \"strings\" is not a list");
    for (const Json& s : strings) {
        if (!s.is_string()) throw Refusal("a string of \"strings\" is not a text");
        d.strings_.insert(KVI::String::FromUtf8(s.get<std::string>()));
    }
    return d;
}

}  // namespace

std::string WriteCalibrationFile(const CalibrationData& d)
{
    Json file;
    file["format"] = kFormat;
    file["version"] = kCalibrationFileVersion;
    file["fitKind"] = d.fitKind_;
    file["fitName"] = IsFitKind(d.fitKind_) ? kFitNames[size_t(d.fitKind_)] : std::string_view();
    file["forceOrigin"] = d.forceOrigin_;
    Json coefficients = Json::array();
    for (double c : d.coefficients_) coefficients.push_back(Number(c));
    file["coefficients"] = coefficients;
    file["chiSquare"] = Number(d.chiSquare_);
    file["sse"] = Number(d.sse_);
    file["unit"] = UnitOf(d.unit_);
    file["decimalPlaces"] = d.decimalPlaces_;
    Json points = Json::array();
    for (size_t i = 0; i < std::min(d.rawValues_.size(), d.calibratedValues_.size()); ++i)
        points.push_back(PointOf(d, i));
    file["points"] = points;
    file["rangePolicy"] = NameAt(kPolicyNames, d.rangePolicy_);
    file["zeroOffset"] = Number(d.zeroOffset_);
    file["weights"] = NameAt(kWeightNames, d.weights_);
    file["calibrationDate"] = d.calibrationDate_.ToUtf8();
    file["dueDate"] = d.dueDate_.ToUtf8();
    file["validityDays"] = d.validityDays_;
    file["certificate"] = d.certificate_.ToUtf8();
    file["operator"] = d.operator_.ToUtf8();
    file["note"] = d.note_.ToUtf8();
    file["channel"] = d.channel_;
    file["calculatedView"] = d.calculatedView_;
    file["paneTop"] = Number(d.paneTop_);
    file["paneBottom"] = Number(d.paneBottom_);
    Json strings = Json::array();
    for (const KVI::String& s : d.strings_) strings.push_back(s.ToUtf8());
    file["strings"] = strings;
    return file.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string ReadCalibrationFile(std::string_view text, CalibrationData& data)
{
    if (text.size() > kMaxFileBytes) return "it is larger than a calibration file can be";
    if (!ShallowEnough(text)) return "it is not a calibration file (nested too deeply)";
    try {
        const Json file = Json::parse(text.begin(), text.end());
        data = ReadRecord(file);
        return {};
    } catch (const Refusal& r) {
        return r.what();
    } catch (const Json::exception&) {
        return "it is not JSON";
    }
}

namespace {

std::string SystemReason() { return std::strerror(errno); }

// Writes all of text to fd; false with errno set on a failure.
bool WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(size_t(n));
    }
    return true;
}

}  // namespace

std::string WriteCalibrationFileAt(const std::string& path, const CalibrationData& data)
{
    if (data.coefficients_.empty()) return "the calibration " + path + " holds no fit to save";
    const std::string text = WriteCalibrationFile(data);
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return "cannot write the calibration file " + path + ": " + SystemReason();
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    const std::string reason = written ? std::string() : SystemReason();
    if (::close(fd) != 0 && written) {
        ::unlink(temporary.c_str());
        return "cannot write the calibration file " + path + ": " + SystemReason();
    }
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string why = written ? SystemReason() : reason;
        ::unlink(temporary.c_str());
        return "cannot write the calibration file " + path + ": " + why;
    }
    return {};
}

std::string ReadCalibrationFileAt(const std::string& path, CalibrationData& data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read the calibration file " + path + ": " + SystemReason();
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, size_t(in.gcount()));
        if (text.size() > kMaxFileBytes) return path + ": it is larger than a calibration file can be";
    }
    if (in.bad()) return "cannot read the calibration file " + path + ": " + SystemReason();
    const std::string error = ReadCalibrationFile(text, data);
    return error.empty() ? error : path + ": " + error;
}

}  // namespace Tessar
