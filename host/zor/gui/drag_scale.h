// Zor::DragScale: the scale component that the scale service creates (IDragScale and IScale,
// interfaces/scale.h, and IOleWindow). It holds the range, the texts, the parts drawn and
// the observers; its window (ScaleWidget) paints through it and reports drags to it, and the
// drawing itself is ScaleDraw's. Everything runs on the user-interface thread.
//
// Lifetime: reference counted. The window is a child of the parent given at creation and may be
// destroyed with it before the component goes; the component then still measures and draws into
// painters. When the component goes first it deletes its window.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include <QPointer>
#include <QRect>

#include "interfaces/ole_window.h"
#include "interfaces/scale.h"
#include "foundation/kvi_string.h"
#include "host/zor/gui/scale_draw.h"
#include "host/zor/gui/scale_map.h"
#include "host/zor/gui/scale_widget.h"
#include "platform/com_ptr.h"

namespace Zor {

class DragScale final : public IDragScale, public IOleWindow, private ScaleWidget::Client {
public:
    // A new component with one reference (see IScaleService::CreateScale for the arguments).
    // Needs a QApplication.
    static DragScale* Create(QWidget* parent, int32_t style, int32_t id, int32_t startInset, int32_t endInset);

    // IUnknown (the IDragScale face; IOleWindow is reached through QueryInterface).
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IScale and IDragScale: contracts in interfaces/scale.h.
    HRESULT SetUnit(int32_t flags, IAutoKVIString* unit) override;
    HRESULT GetUnit(IAutoKVIString** unit) override;
    HRESULT SetRange(const double* range) override;
    HRESULT GetRange(double* range) override;
    HRESULT GetStyle(int32_t* style) override;
    HRESULT SetPlacement(const HostRect* rect) override;
    HRESULT GetTransform(double* factor, double* offset) override;
    HRESULT GetPlacement(HostRect* rect) override;
    HRESULT GetPreferredSize(int32_t margin, QPainter* painter, QPaintDevice* attribute, int32_t* size) override;
    HRESULT GetTicks(double* first, double* spacing) override;
    HRESULT SetTitle(IAutoKVIString* title) override;
    HRESULT SetParts(int16_t parts) override;
    HRESULT GetTitle(IAutoKVIString** title) override;
    HRESULT PixelToValue(double pixel, double* value) override;
    HRESULT ValueToPixel(double value, double* pixel) override;
    HRESULT GetTickValues(double* first, double* step, int32_t* count) override;
    HRESULT Draw(QPainter* painter, QPaintDevice* attribute) override;
    HRESULT Invalidate() override;
    HRESULT GetParts(int16_t* parts) override;
    HRESULT GetExtent(int32_t* lowest, int32_t* highest) override;
    HRESULT SetHomeRange(const double* range) override;
    HRESULT RestoreHomeRange() override;
    HRESULT Advise(IDragScaleObserver* observer) override;
    HRESULT Unadvise(IDragScaleObserver* observer) override;
    HRESULT EnableDrag(int32_t enable) override;

    // IOleWindow.
    HRESULT GetWindow(QWidget** window) override;
    HRESULT ContextSensitiveHelp(int32_t enterMode) override;

private:
    DragScale(QWidget* parent, int32_t style, int32_t id, int32_t startInset, int32_t endInset);
    ~DragScale();
    DragScale(const DragScale&) = delete;
    DragScale& operator=(const DragScale&) = delete;

    // ScaleWidget::Client.
    void PaintScale(QPainter& painter, const QRect& rect) override;
    void GeometryChanged(const QRect& geometry) override;
    double AxisPixelAt(const QPoint& point) const override;
    std::optional<ScaleMap::Zone> ZoneAt(double axisPixel) const override;
    bool BeginDrag(double axisPixel) override;
    void DragTo(double axisPixel) override;
    void EndDrag() override;
    void DoubleClicked() override;

    // Sets the range and tells the observers; the result of slot 5.
    HRESULT ChangeRange(const ScaleRange& range);
    // Takes a new placement; tells the observers when the axis length changed.
    void ApplyPlacement(const QRect& rect);
    // Sets a text; S_FALSE when unchanged.
    HRESULT ChangeText(KVI::String* text, IAutoKVIString* value);
    // The resolution of the window (96 without one).
    double WindowDpi() const;
    ScaleTicks CurrentTicks() const;

    enum class Notification { DragBegin, LookChanged, RangeChanged, DragEnd, TextChanged };
    void Notify(Notification what);

    std::atomic<int32_t> refs_{1};
    const int32_t style_;
    ScaleLook look_;
    KVI::String title_;
    KVI::String unit_;
    ScaleMap map_;
    ScaleRange home_;
    QRect placement_;
    // The resolution that ticks and sizes were last computed for: the window's, or the device's
    // of the last measure or draw on a painter (so a graph's grid matches a printed scale).
    double dpi_ = 96.0;
    bool dragEnabled_ = true;
    bool dragging_ = false;
    ScaleMap::Zone dragZone_ = ScaleMap::Zone::Middle;
    double grabbedValue_ = 0.0;
    std::vector<platform::ComPtr<IDragScaleObserver>> observers_;
    QPointer<ScaleWidget> widget_;
};

}  // namespace Zor
