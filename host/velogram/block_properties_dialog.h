// Velogram::BlockPropertiesDialog: the properties of one block of the recording: its length and
// its sample interval, which the user types as an interval ("1 ms") or a rate ("1 kHz"), or
// leaves empty for none; optionally for every block. OK with a text that is neither keeps the
// dialog open and says why under the field.
#pragma once

#include <cstdint>
#include <optional>

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace Velogram {

class BlockPropertiesDialog final : public QDialog {
public:
    // [in] block: 0-based; samples: its length; seconds: its interval (0: none).
    BlockPropertiesDialog(QWidget* parent, int32_t block, int64_t samples, double seconds);

    // After Accepted: the interval in seconds (0: none) and whether it is for every block.
    double Interval() const { return interval_; }
    bool ForEveryBlock() const;

    QLineEdit* IntervalEdit() const { return edit_; }
    QLabel* Problem() const { return problem_; }

    void accept() override;

private:
    void ShowRate();

    QLineEdit* edit_ = nullptr;
    QLabel* rate_ = nullptr;
    QLabel* problem_ = nullptr;
    QCheckBox* everyBlock_ = nullptr;
    double interval_ = 0;
};

}  // namespace Velogram
