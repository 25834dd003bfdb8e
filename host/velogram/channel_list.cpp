#include "host/velogram/channel_list.h"

#include <algorithm>
#include <cmath>

#include <QDate>
#include <QHeaderView>
#include <QLocale>

#include "foundation/gui/qt_string.h"
#include "host/velogram/calibration_glance.h"

namespace Velogram {

namespace {

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString RangeText(double value) { return QString::number(value, 'g', 6); }

}  // namespace

ChannelList::ChannelList(QWidget* parent) : QTableWidget(parent)
{
    setColumnCount(kColumnCount);
    setHorizontalHeaderLabels({tr("Channel"), tr("Unit"), tr("Colour"), tr("Top"), tr("Bottom"),
                               tr("Units conversion"), tr("Calculation")});
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) { OnItemChanged(item); });
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow, int) {
        if (row != previousRow && !filling_ && currentListener_) currentListener_(row);
    });
}

void ChannelList::SetDocument(HostDocument* document)
{
    document_ = platform::ComPtr<HostDocument>(document);
    Refresh();
}

void ChannelList::Refresh()
{
    const int32_t keep = CurrentChannel();
    filling_ = true;
    const int32_t count = document_ ? document_->ChannelCount() : 0;
    setRowCount(count);
    for (int32_t c = 0; c < count; ++c) FillRow(c);
    if (count > 0) setCurrentCell(std::clamp(keep, 0, count - 1), kName);
    filling_ = false;
}

void ChannelList::FillRow(int32_t channel)
{
    const ChannelInfo info = document_->Info(channel);
    setItem(channel, kName, ReadOnlyItem(KVI::ToQString(info.name)));
    setItem(channel, kUnit, ReadOnlyItem(KVI::ToQString(info.unit)));
    QTableWidgetItem* colour = ReadOnlyItem(QString());
    const QColor rgb((info.colour >> 16) & 0xFF, (info.colour >> 8) & 0xFF, info.colour & 0xFF);
    colour->setBackground(rgb);
    colour->setToolTip(rgb.name());
    setItem(channel, kColour, colour);
    setItem(channel, kTop, new QTableWidgetItem(RangeText(info.top)));
    setItem(channel, kBottom, new QTableWidgetItem(RangeText(info.bottom)));
    auto* conversion = new QTableWidgetItem;
    conversion->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    conversion->setCheckState(info.unitsConversion ? Qt::Checked : Qt::Unchecked);
    setItem(channel, kUnitsConversion, conversion);
    setItem(channel, kCalculation, CalculationItem(channel, info));
}

QTableWidgetItem* ChannelList::CalculationItem(int32_t channel, const ChannelInfo& info) const
{
    if (!info.calculated) return ReadOnlyItem(QString());
    const int32_t source = document_->SourceOf(channel);
    const QString sourceName = source >= 0 ? KVI::ToQString(document_->Info(source).name) : QString();
    if (!info.setUp) return ReadOnlyItem(tr("not set up (source %1)").arg(sourceName));
    const QString from = tr("from %1").arg(sourceName);
    const std::optional<CalibrationGlance> glance = ReadCalibrationGlance(*document_.Get(), channel);
    if (!glance) return ReadOnlyItem(from);
    const std::string today = QDate::currentDate().toString(Qt::ISODate).toStdString();
    QTableWidgetItem* item = ReadOnlyItem(QString::fromStdString(GlanceText(*glance, today)));
    const QString tip = QString::fromStdString(GlanceToolTip(*glance));
    const QString fromLine = from.left(1).toUpper() + from.mid(1);
    item->setToolTip(tip.isEmpty() ? fromLine : fromLine + QLatin1Char('\n') + tip);
    if (IsExpired(*glance, today)) item->setForeground(QColor(180, 0, 0));
    return item;
}

int32_t ChannelList::CurrentChannel() const { return currentRow(); }

void ChannelList::SetCurrentChannel(int32_t channel)
{
    if (channel >= 0 && channel < rowCount()) setCurrentCell(channel, currentColumn() < 0 ? 0 : currentColumn());
}

void ChannelList::OnItemChanged(QTableWidgetItem* item)
{
    if (filling_ || !document_) return;
    const int32_t channel = item->row();
    bool changed = false;
    switch (item->column()) {
    case kUnitsConversion:
        changed = SUCCEEDED(
            document_->Recording()->SetUnitsConversion(channel, item->checkState() == Qt::Checked ? 1 : 0));
        break;
    case kTop:
    case kBottom:
        changed = ApplyRange(channel);
        break;
    default:
        return;
    }
    filling_ = true;
    FillRow(channel);
    filling_ = false;
    if (changed && changeListener_) changeListener_(channel);
}

bool ChannelList::ApplyRange(int32_t channel)
{
    bool topOk = false, bottomOk = false;
    const QTableWidgetItem* topItem = item(channel, kTop);
    const QTableWidgetItem* bottomItem = item(channel, kBottom);
    if (!topItem || !bottomItem) return false;
    // Numbers are typed as the window writes them (a '.' decimal point), or in the user's
    // own notation.
    auto read = [](const QString& text, bool* ok) {
        double v = text.trimmed().toDouble(ok);
        if (!*ok) v = QLocale().toDouble(text.trimmed(), ok);
        return v;
    };
    const double top = read(topItem->text(), &topOk);
    const double bottom = read(bottomItem->text(), &bottomOk);
    if (!topOk || !bottomOk || !std::isfinite(top) || !std::isfinite(bottom) || !(top > bottom)) return false;
    return SUCCEEDED(document_->Recording()->SetDisplayRange(channel, top, bottom));
}

}  // namespace Velogram
