// The vertical mapping of the selection pane: value v is drawn at client row
// (v + offset) * scale. The pair (scale, offset) is the one the scale component reports with its
// range-changed notification (interfaces/scale.h), so a pane placed beside the scale and
// inset like its axis ends draws a value at the row where the scale shows it.
#pragma once

#include <cstdint>

namespace Tessar {

// What a painter needs of a vertical mapping.
class DataScaling {
public:
    // [in] value: in the displayed unit. Returns the client row.
    virtual int32_t Row(double value) const = 0;

protected:
    DataScaling() = default;
    DataScaling(const DataScaling&) = default;
    DataScaling& operator=(const DataScaling&) = default;
    ~DataScaling() = default;
};

class CDataScaling : public DataScaling {
public:
    // Rows are held within +-kRowLimit before they become integers, so values far off the
    // pane still give lines a painter can draw.
    static constexpr double kRowLimit = 16000.0;

    // Scale 1, offset 0.
    CDataScaling() = default;

    // [in] scale: rows per unit of value (negative when values grow upwards); offset: added to
    // the value before scaling.
    void SetScaling(double scale, double offset)
    {
        scale_ = scale;
        offset_ = offset;
    }
    double Scale() const { return scale_; }
    double Offset() const { return offset_; }

    // (value + offset) * scale held to -16000..16000 and truncated towards zero. A result that
    // is not a number (a NaN sample, an infinite sample times a zero scale) gives +16000:
    // below any pane, so such samples draw nothing visible.
    int32_t Row(double value) const override;

private:
    double scale_ = 1.0;
    double offset_ = 0.0;
};

}  // namespace Tessar
