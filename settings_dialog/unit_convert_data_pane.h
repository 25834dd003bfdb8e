// Tessar::UnitConvertDataPane: the pane of the calibration dialog that draws the host selection
// of the source channel (raw, or through the current calibration) and lets the user pick a value
// from it. Dragging across the trace selects a span; the span's mean becomes the current value,
// shown with the span's maximum and minimum by markers in the strip at the right edge. A double
// click asks the dialog to take the current value into its table.
//
// The vertical scale beside the pane (drag_scale.h) owns the pane's vertical mapping: the pane
// registers Observer() with it and draws value v at client row (v + offset) * scale with the
// pair the scale last reported (CDataScaling).
//
// States: 0 no selection (light grey), 2 a selection without data (string 254 on the button
// face), 3 data shown. The dialog sets the state and the samples through SelectionSink (usually
// by a SelectionReader); the span and the statistics survive a reload, which recomputes the
// statistics on the new samples.
//
// Threads: the user-interface thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QColor>
#include <QEvent>
#include <QWidget>

#include "interfaces/scale.h"
#include "foundation/gui/rubber_band.h"
#include "platform/com_ptr.h"
#include "settings_dialog/data_scaling.h"
#include "settings_dialog/selection_reader.h"

class QPainter;

namespace Tessar {

class PaneObserver;

class UnitConvertDataPane : public QWidget, public CDataScaling, public SelectionSink {
public:
    // The event the pane sends to its parent (QCoreApplication::sendEvent, a plain QEvent of
    // this type) when the user double-clicks it while it holds samples: "take the current value
    // into the focused row". Stands for the dialog's user message WM_USER + 10.
    static constexpr QEvent::Type kTakeValueEvent = static_cast<QEvent::Type>(QEvent::User + 10);

    // [in] parent: the dialog; trace: the colour of the trace (the source channel's colour).
    // State 0, no samples, scale 1 and offset 0, span 0..0.
    UnitConvertDataPane(QWidget* parent, const QColor& trace);
    ~UnitConvertDataPane() override;
    UnitConvertDataPane(const UnitConvertDataPane&) = delete;
    UnitConvertDataPane& operator=(const UnitConvertDataPane&) = delete;

    // The pane's face towards the scale (IDragScaleObserver): notifications 1 and 2 are
    // ignored (S_OK); 3 (range changed) stores (scale, offset), repaints and answers S_OK; 4 and
    // 5 answer E_NOTIMPL. No reference is added; it stays valid (and harmless) after the pane
    // is gone for as long as the scale holds it.
    IDragScaleObserver* Observer() const;

    // SelectionSink. ClearSamples and SetState repaint the pane. LoadSamples reads the stream
    // in chunks of 16 until it delivers none, appending each sample times factor while the pane
    // holds no more than 1,000,000 samples, then recomputes the statistics of the span and
    // repaints.
    void ClearSamples() override;
    void SetState(int32_t state) override;
    void LoadSamples(IEnumFloatEx* stream, double factor) override;
    void BeginBlock(int32_t block, int64_t firstSample) override;

    int32_t State() const { return state_; }
    const std::vector<float>& Samples() const { return samples_; }
    // The statistics of the selected span: its mean, largest and smallest sample (0, 0 and 0
    // before any were computed; with no samples, 0 and the lowest and largest finite float).
    double CurrentValue() const { return current_; }
    double Maximum() const { return maximum_; }
    double Minimum() const { return minimum_; }
    // The sample standard deviation of the selected span (0 for one sample or none).
    double StandardDeviation() const { return sd_; }
    // The largest and the smallest sample held; 0 when there is none.
    double LargestSample() const;
    double SmallestSample() const;

    // The selected span: start and end x (client pixels; the span covers the columns from start
    // up to, not including, end, either way round) and the sample indexes it covers.
    int SpanStartX() const { return spanStartX_; }
    int SpanEndX() const { return spanEndX_; }
    int64_t FirstSpanIndex() const { return firstIndex_; }
    int64_t LastSpanIndex() const { return lastIndex_; }
    // Where sample index of the pane lies in the recording: its block and its sample offset
    // there; nothing for an index the pane does not hold.
    struct SampleOrigin {
        int32_t block;
        int64_t sample;
    };
    std::optional<SampleOrigin> OriginOf(int64_t index) const;
    // Samples per pixel of the last painting or statistics (1 at first).
    double SamplesPerPixel() const { return samplesPerPixel_; }
    QColor TraceColour() const { return trace_; }

    // Draws the pane as it is into rect of any painter (the highlight only on raster devices).
    void Render(QPainter& painter, const QRect& rect) const;

    // Notification 3 of the scale: stores the mapping and repaints. S_OK.
    HRESULT OnRangeChanged(double scale, double offset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int TraceWidth() const;
    // Moves the span's end for the pointer at column x and the highlight with it.
    void TrackSpanTo(int x);
    // Shows the highlight of the current span (or hides it when the pane is too small).
    void MoveHighlight();
    void ComputeStatistics();
    // Asks for the marker strip to be painted again.
    void UpdateMarkers();

    std::vector<float> samples_;
    KVI::RubberBand band_;
    int32_t state_ = kNoSelection;
    QColor trace_;
    double current_ = 0.0;
    double maximum_ = 0.0;
    double minimum_ = 0.0;
    double sd_ = 0.0;
    // Where each block's samples begin in samples_, in loading order.
    struct Segment {
        size_t firstIndex;
        int32_t block;
        int64_t firstSample;
    };
    std::vector<Segment> segments_;
    double samplesPerPixel_ = 1.0;
    int spanStartX_ = 0;
    int spanEndX_ = 0;
    int64_t firstIndex_ = 0;
    int64_t lastIndex_ = 0;
    QRect clientRect_;
    bool selecting_ = false;
    platform::ComPtr<PaneObserver> observer_;
};

}  // namespace Tessar
