#include "host/zor/gui/drag_scale.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"

namespace Zor {

namespace {

QRect ToQRect(const HostRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

HostRect ToHostRect(const QRect& r) { return HostRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

}  // namespace

DragScale* DragScale::Create(QWidget* parent, int32_t style, int32_t id, int32_t startInset, int32_t endInset)
{
    return new DragScale(parent, style, id, startInset, endInset);
}

DragScale::DragScale(QWidget* parent, int32_t style, int32_t id, int32_t startInset, int32_t endInset)
    : style_(style)
{
    look_.style = style;
    // The creation values count inwards as negative numbers; outward insets are not supported.
    look_.startInset = std::max(0, -startInset);
    look_.endInset = std::max(0, -endInset);
    map_ = ScaleMap(look_.Vertical(), home_, 0.0);
    widget_ = new ScaleWidget(this, parent);
    if (id != 0) KVI::SetControlId(widget_, id);
    dpi_ = WindowDpi();
    ApplyPlacement(widget_->geometry());
    if (parent) widget_->show();
}

DragScale::~DragScale()
{
    if (ScaleWidget* widget = widget_.data()) {
        widget->DetachClient();
        // An observer may drop the last reference from inside a notification that one of the
        // widget's own handlers sent; the widget must outlive that handler.
        if (widget->InEvent()) {
            widget->hide();
            widget->deleteLater();
        } else {
            delete widget;
        }
    }
}

HRESULT DragScale::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IScale || iid == IID_IDragScale) {
        *out = static_cast<IDragScale*>(this);
    } else if (iid == IID_IOleWindow) {
        *out = static_cast<IOleWindow*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

uint32_t DragScale::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }

uint32_t DragScale::Release()
{
    const int32_t left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return uint32_t(left);
}

// --- texts, range, parts -------------------------------------------------------------------

HRESULT DragScale::ChangeText(KVI::String* text, IAutoKVIString* value)
{
    KVI::String next = value ? KVI::String(value) : KVI::String();
    if (next == *text) return S_FALSE;
    *text = std::move(next);
    look_.title = KVI::ToQString(title_);
    look_.unit = KVI::ToQString(unit_);
    Invalidate();
    Notify(Notification::TextChanged);
    return S_OK;
}

HRESULT DragScale::SetUnit(int32_t flags, IAutoKVIString* unit)
{
    if (flags != 0) return E_INVALIDARG;
    return ChangeText(&unit_, unit);
}

HRESULT DragScale::GetUnit(IAutoKVIString** unit)
{
    if (!unit) return E_POINTER;
    *unit = unit_.NewReference();
    return S_OK;
}

HRESULT DragScale::SetTitle(IAutoKVIString* title) { return ChangeText(&title_, title); }

HRESULT DragScale::GetTitle(IAutoKVIString** title)
{
    if (!title) return E_POINTER;
    *title = title_.NewReference();
    return S_OK;
}

HRESULT DragScale::ChangeRange(const ScaleRange& range)
{
    if (!ScaleMap::IsValidRange(range)) return E_INVALIDARG;
    if (range == map_.Range()) return S_FALSE;
    map_.SetRange(range);
    Invalidate();
    Notify(Notification::RangeChanged);
    return S_OK;
}

HRESULT DragScale::SetRange(const double* range)
{
    if (!range) return E_POINTER;
    return ChangeRange(ScaleRange{range[0], range[1]});
}

HRESULT DragScale::GetRange(double* range)
{
    if (!range) return E_POINTER;
    range[0] = map_.Range().upper;
    range[1] = map_.Range().lower;
    return S_OK;
}

HRESULT DragScale::SetHomeRange(const double* range)
{
    if (!range) return E_POINTER;
    const ScaleRange home{range[0], range[1]};
    if (!ScaleMap::IsValidRange(home)) return E_INVALIDARG;
    home_ = home;
    return ChangeRange(home);
}

HRESULT DragScale::RestoreHomeRange() { return ChangeRange(home_); }

HRESULT DragScale::GetStyle(int32_t* style)
{
    if (!style) return E_POINTER;
    *style = style_;
    return S_OK;
}

HRESULT DragScale::SetParts(int16_t parts)
{
    if (parts == look_.parts) return S_FALSE;
    look_.parts = parts;
    Invalidate();
    Notify(Notification::LookChanged);
    return S_OK;
}

HRESULT DragScale::GetParts(int16_t* parts)
{
    if (!parts) return E_POINTER;
    *parts = look_.parts;
    return S_OK;
}

HRESULT DragScale::EnableDrag(int32_t enable)
{
    dragEnabled_ = enable != 0;
    return S_OK;
}

// --- geometry and the map ------------------------------------------------------------------

void DragScale::ApplyPlacement(const QRect& rect)
{
    placement_ = rect;
    const double length = look_.AxisLength(rect.size());
    if (length == map_.Length()) return;
    map_.SetLength(length);
    // An observer may drop the last reference while hearing the first of the two.
    const platform::ComPtr<IDragScale> self(this);
    Notify(Notification::LookChanged);
    Notify(Notification::RangeChanged);
}

HRESULT DragScale::SetPlacement(const HostRect* rect)
{
    if (!rect) return E_POINTER;
    const QRect r = ToQRect(*rect);
    if (r.width() < 0 || r.height() < 0) return E_INVALIDARG;
    const platform::ComPtr<IDragScale> self(this);
    // The window reports the same geometry back through GeometryChanged, which then changes
    // nothing; the placement is applied here first because a hidden window reports late.
    ApplyPlacement(r);
    if (ScaleWidget* widget = widget_.data()) widget->setGeometry(r);
    return S_OK;
}

HRESULT DragScale::GetPlacement(HostRect* rect)
{
    if (!rect) return E_POINTER;
    *rect = ToHostRect(placement_);
    return S_OK;
}

HRESULT DragScale::GetTransform(double* factor, double* offset)
{
    if (!factor || !offset) return E_POINTER;
    *factor = map_.Factor();
    *offset = map_.Offset();
    return S_OK;
}

HRESULT DragScale::PixelToValue(double pixel, double* value)
{
    if (!value) return E_POINTER;
    *value = map_.PixelToValue(pixel);
    return S_OK;
}

HRESULT DragScale::ValueToPixel(double value, double* pixel)
{
    if (!pixel) return E_POINTER;
    *pixel = map_.ValueToPixel(value);
    return S_OK;
}

HRESULT DragScale::GetExtent(int32_t* lowest, int32_t* highest)
{
    if (!lowest || !highest) return E_POINTER;
    *lowest = 0;
    *highest = int32_t(map_.Length());
    return S_OK;
}

ScaleTicks DragScale::CurrentTicks() const { return ScaleDraw(dpi_).Ticks(map_); }

HRESULT DragScale::GetTicks(double* first, double* spacing)
{
    if (!first || !spacing) return E_POINTER;
    *first = *spacing = 0.0;
    const ScaleTicks ticks = CurrentTicks();
    if (ticks.count == 0) return S_FALSE;
    // The tick nearest pixel 0 is the highest value on a vertical axis, the lowest otherwise.
    *first = map_.ValueToPixel(ticks.Value(map_.Vertical() ? ticks.count - 1 : 0));
    *spacing = std::fabs(map_.Factor()) * ticks.Step();
    return S_OK;
}

HRESULT DragScale::GetTickValues(double* first, double* step, int32_t* count)
{
    if (!first || !step || !count) return E_POINTER;
    const ScaleTicks ticks = CurrentTicks();
    *first = ticks.count ? ticks.Value(0) : 0.0;
    *step = ticks.count ? ticks.Step() : 0.0;
    *count = ticks.count;
    return ticks.count ? S_OK : S_FALSE;
}

// --- drawing -------------------------------------------------------------------------------

double DragScale::WindowDpi() const
{
    const ScaleWidget* widget = widget_.data();
    return widget ? widget->logicalDpiY() : 96.0;
}

HRESULT DragScale::GetPreferredSize(int32_t margin, QPainter* painter, QPaintDevice* attribute, int32_t* size)
{
    if (!size) return E_POINTER;
    dpi_ = painter || attribute ? ScaleDraw::DeviceDpi(painter, attribute) : WindowDpi();
    *size = ScaleDraw(dpi_).Thickness(map_, look_, margin);
    return S_OK;
}

HRESULT DragScale::Draw(QPainter* painter, QPaintDevice* attribute)
{
    if (!painter || !painter->isActive()) return E_POINTER;
    dpi_ = ScaleDraw::DeviceDpi(painter, attribute);
    ScaleDraw(dpi_).Draw(*painter, placement_, map_, look_);
    return S_OK;
}

void DragScale::PaintScale(QPainter& painter, const QRect& rect)
{
    dpi_ = WindowDpi();
    ScaleDraw(dpi_).Draw(painter, rect, map_, look_);
}

HRESULT DragScale::Invalidate()
{
    if (ScaleWidget* widget = widget_.data()) widget->update();
    return S_OK;
}

void DragScale::GeometryChanged(const QRect& geometry) { ApplyPlacement(geometry); }

// --- dragging ------------------------------------------------------------------------------

double DragScale::AxisPixelAt(const QPoint& point) const
{
    return (look_.Vertical() ? point.y() : point.x()) - look_.startInset;
}

std::optional<ScaleMap::Zone> DragScale::ZoneAt(double axisPixel) const
{
    if (!dragEnabled_ || map_.Length() <= 0.0) return std::nullopt;
    return map_.ZoneAt(axisPixel);
}

bool DragScale::BeginDrag(double axisPixel)
{
    const std::optional<ScaleMap::Zone> zone = ZoneAt(axisPixel);
    if (!zone) return false;
    dragging_ = true;
    dragZone_ = *zone;
    grabbedValue_ = map_.PixelToValue(axisPixel);
    Notify(Notification::DragBegin);
    return true;
}

void DragScale::DragTo(double axisPixel)
{
    if (!dragging_) return;
    const std::optional<ScaleRange> range = dragZone_ == ScaleMap::Zone::Middle
                                                ? map_.Moved(grabbedValue_, axisPixel)
                                                : map_.Stretched(dragZone_, grabbedValue_, axisPixel);
    // A step that would give no valid range is skipped; the drag goes on from the last one.
    if (range) ChangeRange(*range);
}

void DragScale::EndDrag()
{
    if (!dragging_) return;
    dragging_ = false;
    Notify(Notification::DragEnd);
}

void DragScale::DoubleClicked()
{
    if (dragEnabled_) RestoreHomeRange();
}

// --- observers -----------------------------------------------------------------------------

HRESULT DragScale::Advise(IDragScaleObserver* observer)
{
    if (!observer) return E_POINTER;
    for (const auto& o : observers_)
        if (o.Get() == observer) return S_FALSE;
    observers_.emplace_back(observer);
    return S_OK;
}

HRESULT DragScale::Unadvise(IDragScaleObserver* observer)
{
    const auto it = std::find_if(observers_.begin(), observers_.end(), [&](const auto& o) { return o.Get() == observer; });
    if (it == observers_.end()) return S_FALSE;
    observers_.erase(it);
    return S_OK;
}

void DragScale::Notify(Notification what)
{
    // Observers may unregister (or release this scale) while they are told: work on a copy and
    // keep the scale alive until the round is over. Callers notify last, or hold a reference
    // themselves when they go on afterwards.
    const platform::ComPtr<IDragScale> self(this);
    const std::vector<platform::ComPtr<IDragScaleObserver>> round = observers_;
    const double factor = map_.Factor();
    const double offset = map_.Offset();
    for (const auto& observer : round) {
        switch (what) {
        case Notification::DragBegin: observer->OnDragBegin(this); break;
        case Notification::LookChanged: observer->OnLookChanged(this); break;
        case Notification::RangeChanged: observer->OnRangeChanged(this, factor, offset); break;
        case Notification::DragEnd: observer->OnDragEnd(this); break;
        case Notification::TextChanged: observer->OnTextChanged(this); break;
        }
    }
}

// --- IOleWindow ----------------------------------------------------------------------------

HRESULT DragScale::GetWindow(QWidget** window)
{
    if (!window) return E_POINTER;
    *window = widget_.data();
    return *window ? S_OK : E_FAIL;
}

HRESULT DragScale::ContextSensitiveHelp(int32_t) { return E_NOTIMPL; }

}  // namespace Zor
