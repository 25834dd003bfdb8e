// The host framework's scale component: an axis scale with ticks at round steps (1, 2 and 5 times
// a power of ten), numeric labels, a title and a unit label, which the user can drag to move or
// stretch its range. It is a window (IOleWindow hands out its QWidget) and draws itself into any
// painter. Components that draw values against it (the selection pane, the XY graph) take their
// value-to-pixel map from it and hear about changes through IDragScaleObserver.
//
// One slot layout: IDragScale derives from IScale and adds its own slots after 26; IScale's slot
// 23 is the drag scale's range setter. Created through the scale service (IScaleService, below).
//
// Axis pixels. Every pixel position that crosses these interfaces (slots 9, 12, 16, 17, 22, and
// the range-changed notification) is measured along the axis from the scale's first end, in
// pixels of the device the scale is placed on (its window, or the rectangle of slot 8):
//   vertical scale:   row 0 is the first end at the top, where the upper value sits; rows grow
//                     downwards and the lower value sits at row L;
//   horizontal scale: column 0 is the first end at the left, where the lower value sits;
//                     columns grow rightwards and the upper value sits at column L.
// The first end lies start-inset pixels inside the window's top (left) edge and the second end
// end-inset pixels inside its bottom (right) edge (creation values, IScaleService slot 7), and
// both ends lie on pixels of the axis: L = window length - start inset - end inset - 1. A pane
// placed beside a vertical scale and inset by the same amounts therefore has client row
// y = (v + offset) * scale for value v (upper on its first row, lower on its last), with the
// pair (scale, offset) of slot 9 and of notification 3.
//
// Ranges are pairs of doubles (upper, lower) with upper > lower, both finite, and a span that
// doubles can still resolve: upper - lower > 1e-12 * max(|upper|, |lower|).
//
// Threads: the user-interface thread only.
#pragma once

#include <cstdint>

#include "interfaces/host_rect.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

class QPainter;
class QPaintDevice;
class QWidget;

struct IScale;

// IIDs chosen by this system except IID_IScaleService, the host's.
constexpr IID IID_IScale = platform::Guid("{53AF3BA2-F8A0-46CF-894D-A9AC10DD70D9}");
constexpr IID IID_IDragScale = platform::Guid("{8D25F32B-90FD-4747-A967-E3494B8700FD}");
constexpr IID IID_IDragScaleObserver = platform::Guid("{D43F3172-9D80-49F2-9E6D-7DE151560819}");
constexpr IID IID_IScaleService = platform::Guid("{EBAD47D2-A398-11D3-80C0-005004AD3C53}");

// The type whose service object is the scale service: the object factory's GetService with
// (identifier of TYPE_ScaleService) << 16 and IID_IScaleService.
constexpr GUID TYPE_ScaleService = platform::Guid("{B7815745-8072-492F-8453-8C3EBB704659}");

// The observer of a scale. Notifications arrive on the user-interface thread, in the order the
// changes happen; a drag gives 1, then 3 for every step of the range, then 4. Results are
// ignored by the scale. An observer may unregister itself (or others) during a notification;
// the scale holds a reference on every registered observer until it is unregistered or the
// scale goes.
struct IDragScaleObserver : IUnknown {
    // 1: the user pressed a mouse button on the scale: a drag begins.
    virtual HRESULT OnDragBegin(IScale* scale) = 0;  // 3
    // 2: the scale's look changed: its size, ticks, labels or the parts it draws.
    virtual HRESULT OnLookChanged(IScale* scale) = 0;  // 4
    // 3: the value-to-pixel map changed (a new range, or a new length of the axis): from now
    // on value v lies at axis pixel (v + offset) * factor (see "Axis pixels" above).
    virtual HRESULT OnRangeChanged(IScale* scale, double factor, double offset) = 0;  // 5
    // 4: the drag ended (the button was released, or the drag was cancelled).
    virtual HRESULT OnDragEnd(IScale* scale) = 0;  // 6
    // 5: the title or the unit label changed.
    virtual HRESULT OnTextChanged(IScale* scale) = 0;  // 7

protected:
    ~IDragScaleObserver() = default;
};

// Bits of the parts a scale draws (slot 14); -1 draws all of them.
enum ScalePart : int16_t {
    kScaleAxisLine = 0x01,
    kScaleMajorTicks = 0x02,
    kScaleMinorTicks = 0x04,
    kScaleLabels = 0x08,
    kScaleTitle = 0x10,  // the title and the unit label, as "title (unit)"
    kScaleAllParts = -1,
};

// Slot table (after IUnknown's 0 to 2):
//   3 SetUnit          13 SetTitle          23 SetHomeRange (the drag scale's range setter)
//   4 GetUnit          14 SetParts          24 RestoreHomeRange
//   5 SetRange         15 GetTitle          25 Advise
//   6 GetRange         16 PixelToValue      26 Unadvise
//   7 GetStyle         17 ValueToPixel
//   8 SetPlacement     18 GetTickValues
//   9 GetTransform     19 Draw
//  10 GetPlacement     20 Invalidate
//  11 GetPreferredSize 21 GetParts
//  12 GetTicks         22 GetExtent
struct IScale : IUnknown {
    // [in] flags: 0 (no other value is defined: E_INVALIDARG); unit: the unit label, null or
    // empty for none. S_OK and notification 5 when the label changed, S_FALSE when it was
    // already that text.
    virtual HRESULT SetUnit(int32_t flags, IAutoKVIString* unit) = 0;  // 3
    // [out] the unit label (a new reference; an empty string when there is none).
    virtual HRESULT GetUnit(IAutoKVIString** unit) = 0;  // 4
    // [in] range: the pair (upper, lower). S_OK and notification 3 when the range changed,
    // S_FALSE when it was already that range, E_POINTER for null, E_INVALIDARG (range kept)
    // for a pair that is not a range (see above).
    virtual HRESULT SetRange(const double* range) = 0;  // 5
    // [out] range: the pair (upper, lower).
    virtual HRESULT GetRange(double* range) = 0;  // 6
    // [out] the style given at creation (IScaleService slot 7).
    virtual HRESULT GetStyle(int32_t* style) = 0;  // 7
    // [in] rect: where the scale lies, in its parent window's client coordinates (the window
    // is moved there) and, for Draw, in the painter's coordinates. Notifications 2 and 3 when
    // the length of the axis changed.
    virtual HRESULT SetPlacement(const HostRect* rect) = 0;  // 8
    // [out] factor and offset of the value-to-pixel map: axis pixel = factor * (offset + v).
    virtual HRESULT GetTransform(double* factor, double* offset) = 0;  // 9
    // [out] the rectangle of slot 8 (the window's geometry when it was moved otherwise).
    virtual HRESULT GetPlacement(HostRect* rect) = 0;  // 10
    // The thickness the scale needs across its axis (the width of a vertical scale, the height
    // of a horizontal one) for its current range, texts and parts.
    // [in] margin: pixels added for room beyond the labels (callers pass 10); painter: the
    // device to measure for (its font resolution), or null for the scale's window;
    // attribute: the printer whose resolution a preview painter imitates, or null.
    // [out] size: the thickness in pixels of that device.
    virtual HRESULT GetPreferredSize(int32_t margin, QPainter* painter, QPaintDevice* attribute,
                                     int32_t* size) = 0;  // 11
    // [out] first: the axis pixel of the major tick nearest to pixel 0; spacing: the distance
    // between major ticks, in pixels (> 0). S_FALSE with both 0 when the axis has no tick.
    virtual HRESULT GetTicks(double* first, double* spacing) = 0;  // 12
    // [in] title: the title, null or empty for none. S_OK and notification 5, S_FALSE when
    // unchanged.
    virtual HRESULT SetTitle(IAutoKVIString* title) = 0;  // 13
    // [in] parts: the ScalePart bits to draw; -1 (kScaleAllParts) draws every part. S_OK and
    // notification 2, S_FALSE when unchanged.
    virtual HRESULT SetParts(int16_t parts) = 0;  // 14
    // [out] the title (a new reference; an empty string when there is none).
    virtual HRESULT GetTitle(IAutoKVIString** title) = 0;  // 15
    // [in] pixel: an axis pixel (any real number). [out] value: the value that lies there.
    virtual HRESULT PixelToValue(double pixel, double* value) = 0;  // 16
    // [in] value. [out] pixel: the axis pixel where it lies (not clamped).
    virtual HRESULT ValueToPixel(double value, double* pixel) = 0;  // 17
    // [out] first: the lowest major tick value; step: the major step (1, 2 or 5 times a power of
    // ten); count: the number of major ticks in the range. S_FALSE with all 0 when none.
    virtual HRESULT GetTickValues(double* first, double* step, int32_t* count) = 0;  // 18
    // Draws the scale into the rectangle of slot 8 on the painter. [in] painter: any painter
    // (screen, image, picture, printer); attribute: the printer that a preview painter
    // imitates, or null: texts are sized for its resolution. E_POINTER for a null or inactive
    // painter. The painter's state is restored afterwards.
    virtual HRESULT Draw(QPainter* painter, QPaintDevice* attribute) = 0;  // 19
    // Asks the scale's window to repaint.
    virtual HRESULT Invalidate() = 0;  // 20
    // [out] the parts drawn (slot 14).
    virtual HRESULT GetParts(int16_t* parts) = 0;  // 21
    // [out] lowest and highest axis pixel of the axis: 0 and L.
    virtual HRESULT GetExtent(int32_t* lowest, int32_t* highest) = 0;  // 22
    // The drag scale's range setter. [in] range: the pair (upper, lower): sets the range as
    // slot 5 does and remembers it as the home range, to which a double click on the scale
    // (and slot 24) returns. Results as slot 5.
    virtual HRESULT SetHomeRange(const double* range) = 0;  // 23
    // Returns to the home range (the range at creation until slot 23 sets one). Results as
    // slot 5.
    virtual HRESULT RestoreHomeRange() = 0;  // 24
    // Registers an observer (a reference is taken). S_FALSE when it was registered already,
    // E_POINTER for null.
    virtual HRESULT Advise(IDragScaleObserver* observer) = 0;  // 25
    // Unregisters it and releases the reference. S_FALSE when it was not registered.
    virtual HRESULT Unadvise(IDragScaleObserver* observer) = 0;  // 26

protected:
    ~IScale() = default;
};

struct IDragScale : IScale {
    // [in] enable: 0 makes the scale ignore the mouse (its range changes only by calls);
    // anything else lets the user drag it again. Scales are created draggable.
    virtual HRESULT EnableDrag(int32_t enable) = 0;  // 27

protected:
    ~IDragScale() = default;
};

// Style of a scale (the first creation value). The low two bits choose orientation and the side
// of the labels; the other bits are the caller's own and are kept but have no effect (the
// selection pane passes 48, the fit report 80 and 83).
enum ScaleStyle : int32_t {
    kScaleVerticalLeft = 0,     // vertical, labels left of the axis line (on the right edge)
    kScaleVerticalRight = 1,    // vertical, labels right of the axis line (on the left edge)
    kScaleHorizontalTop = 2,    // horizontal, labels above the axis line (on the bottom edge)
    kScaleHorizontalBottom = 3, // horizontal, labels below the axis line (on the top edge)
    kScaleOrientationMask = 3,
};

struct IScaleService : IUnknown {
    virtual HRESULT Reserved3() = 0;  // 3: E_NOTIMPL
    virtual HRESULT Reserved4() = 0;  // 4: E_NOTIMPL
    virtual HRESULT Reserved5() = 0;  // 5: E_NOTIMPL
    virtual HRESULT Reserved6() = 0;  // 6: E_NOTIMPL
    // Creates a scale. [in] parent: the window the scale is a child of (it is shown with it),
    // or null for a hidden scale that only measures and draws into painters; style: ScaleStyle
    // (e.g. 48 or 80 vertical, 83 horizontal); id: the window's control id (0: none);
    // startInset, endInset: where the axis ends lie relative to the window's top/left and
    // bottom/right edges, negative inwards (-(h / 2 + 2) leaves room for half a label line);
    // positive values count as 0. [out] scale: the new scale, one reference, with the range
    // (1, 0), no title or unit, every part drawn. E_POINTER for a null out; E_FAIL without a
    // Qt application.
    virtual HRESULT CreateScale(QWidget* parent, int32_t style, int32_t id, int32_t startInset,
                                int32_t endInset, IDragScale** scale) = 0;  // 7

protected:
    ~IScaleService() = default;
};
