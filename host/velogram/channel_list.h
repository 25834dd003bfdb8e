// Velogram::ChannelList: the channels of the document in a table beside the data window: name,
// unit, colour, the display range (top and bottom, editable) and the "Units conversion" switch
// (a check box), and for a calculated channel its calibration at a glance (calibration_glance.h:
// "Tessar: cubic, kPa", an expired calibration in red) with the source and the equation in its
// tooltip; a calculation the host cannot look into shows its source ("from Transducer"). Edits
// go straight to the document's recording; the owner is told so it can redraw.
#pragma once

#include <cstdint>
#include <functional>

#include <QTableWidget>

#include "host/velogram/host_document.h"
#include "platform/com_ptr.h"

namespace Velogram {

class ChannelList final : public QTableWidget {
public:
    enum Column { kName, kUnit, kColour, kTop, kBottom, kUnitsConversion, kCalculation, kColumnCount };

    explicit ChannelList(QWidget* parent = nullptr);

    // [in] document: whose channels to list (null: none).
    void SetDocument(HostDocument* document);
    // Reads every channel again.
    void Refresh();

    // The channel of the current row; -1 with none.
    int32_t CurrentChannel() const;
    void SetCurrentChannel(int32_t channel);

    // [in] listener: told when the current channel changes (with the new one, or -1).
    void SetCurrentListener(std::function<void(int32_t)> listener) { currentListener_ = std::move(listener); }
    // [in] listener: told after an edit changed a channel.
    void SetChangeListener(std::function<void(int32_t)> listener) { changeListener_ = std::move(listener); }

private:
    void FillRow(int32_t channel);
    QTableWidgetItem* CalculationItem(int32_t channel, const ChannelInfo& info) const;
    void OnItemChanged(QTableWidgetItem* item);
    // Writes the edited display range; false when the text is no number or the range is
    // refused (the row is then read again).
    bool ApplyRange(int32_t channel);

    platform::ComPtr<HostDocument> document_;
    bool filling_ = false;
    std::function<void(int32_t)> currentListener_;
    std::function<void(int32_t)> changeListener_;
};

}  // namespace Velogram
