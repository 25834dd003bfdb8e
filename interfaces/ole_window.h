// IOleWindow: hands out the window of a component that lives in the caller's process. The
// window is a QWidget of the same Qt; a caller that wants to "subclass" it installs an event
// filter on it. The widget stays owned by the component (and by its Qt parent).
#pragma once

#include "platform/unknown.h"

class QWidget;

constexpr IID IID_IOleWindow = platform::Guid("{00000114-0000-0000-C000-000000000046}");

struct IOleWindow : IUnknown {
    // [out] window: the component's widget, no reference of any kind taken; null and E_FAIL
    // when the widget has been destroyed (by its parent) or the component has none. E_POINTER
    // when window is null.
    virtual HRESULT GetWindow(QWidget** window) = 0;  // 3
    // Context-sensitive help mode is not supported: E_NOTIMPL.
    virtual HRESULT ContextSensitiveHelp(int32_t enterMode) = 0;  // 4

protected:
    ~IOleWindow() = default;
};
