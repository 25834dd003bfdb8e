// Tessar::CDragScale: the vertical scale beside the selection pane. It is the host framework's
// scale component (interfaces/scale.h), created through the framework's scale service
// with the creation values the dialog gives, placed in the dialog, and kept track of: the
// component's window is a child of the dialog and may go with it before this object does.
//
// The dialog uses it to place the scale, to size it (preferred width), to give it its range and
// unit label, to read the range the user dragged to, and to register the pane as the scale's
// observer (and unregister it before the pane goes).
//
// Threads: the user-interface thread only.
#pragma once

#include <cstdint>
#include <vector>

#include <QPointer>
#include <QRect>
#include <QWidget>

#include "interfaces/scale.h"
#include "foundation/kvi_string.h"
#include "platform/com_ptr.h"

namespace Tessar {

class CDragScale {
public:
    // The scale's style as the dialog creates it (vertical, labels left of the axis line).
    static constexpr int32_t kPaneScaleStyle = 48;
    // The margin the preferred width is asked with.
    static constexpr int32_t kWidthMargin = 10;

    // [in] parent: the window the scale is a child of (the dialog); style, id, startInset,
    // endInset: the creation values handed to the scale service (the dialog passes 48, 0 and
    // -(h / 2 + 2) twice, h the line height of the interface font). Creates nothing yet.
    CDragScale(QWidget* parent, int32_t style, int32_t id, int32_t startInset, int32_t endInset);
    // Unregisters the observers still registered and releases the component (which deletes its
    // window when that still exists).
    ~CDragScale();
    CDragScale(const CDragScale&) = delete;
    CDragScale& operator=(const CDragScale&) = delete;

    // Creates the component: releases any previous one (after unregistering its observers),
    // asks the framework once per module for the scale service (the object factory's service of
    // TYPE_ScaleService under IID_IScaleService, kept for the life of the module), creates the
    // scale with the parent and the creation values, and takes its window through IOleWindow.
    // S_OK; the service's or the framework's failure (nothing is created); E_FAIL when the
    // component has no window.
    HRESULT Create();

    // The component (null before Create succeeded), no reference added.
    IDragScale* Scale() const { return scale_.Get(); }
    // Its window; null before Create, or once the window has been destroyed with its parent.
    QWidget* Window() const { return window_.data(); }

    // Places the scale at rect (the parent's client coordinates). E_FAIL without a component.
    HRESULT SetGeometry(const QRect& rect);
    // The width the scale asks for (IScale slot 11 with margin 10); 0 without a component or
    // when it cannot say.
    int32_t PreferredWidth() const;
    // Sets the displayed range: slot 5 (the range) then slot 23 (the home range a double click
    // returns to), both with (top, bottom). S_OK (also when the range was already that pair);
    // slot 5's failure (E_INVALIDARG for a pair that is no range); E_FAIL without a component.
    HRESULT SetRange(double top, double bottom);
    // [out] top, bottom: the current range (slot 6). E_FAIL without a component.
    HRESULT GetRange(double* top, double* bottom) const;
    // Sets the unit label (slot 3). E_FAIL without a component.
    HRESULT SetUnitLabel(const KVI::String& unit);

    // Registers an observer (slot 25) and tells it the scale's current mapping at once
    // (notification 3 with slot 9's pair), so an observer registered after the range was set
    // draws with it. E_FAIL without a component.
    HRESULT RegisterObserver(IDragScaleObserver* observer);
    // Unregisters it (slot 26). S_FALSE when it was not registered here; E_FAIL without a
    // component.
    HRESULT UnregisterObserver(IDragScaleObserver* observer);

private:
    // Unregisters every observer and releases the component.
    void Release();

    QWidget* parent_;
    int32_t style_;
    int32_t id_;
    int32_t startInset_;
    int32_t endInset_;
    platform::ComPtr<IDragScale> scale_;
    QPointer<QWidget> window_;
    std::vector<platform::ComPtr<IDragScaleObserver>> observers_;
};

}  // namespace Tessar
