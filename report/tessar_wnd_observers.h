// The fit report graph window's listeners: TabulatedObserver hears the window's tabulated data
// (ITabulatedDataObserver), DragScaleObserver its two axis scales (IDragScaleObserver). Each is
// a small reference-counted object holding a plain pointer to the window and forwarding every
// notification to the window's operation of the same position, so the window (a widget with a
// Qt lifetime) is never deleted through a reference count. The window clears the pointer
// before it goes; without a window every notification answers S_FALSE.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/scale.h"
#include "guilib/table/tabulated_data_interfaces.h"

namespace Tessar {

class TessarWnd;

class TabulatedObserver final : public ITabulatedDataObserver {
public:
    // A new observer with one reference (the creator's).
    explicit TabulatedObserver(TessarWnd* window) : window_(window) {}
    TabulatedObserver(const TabulatedObserver&) = delete;
    TabulatedObserver& operator=(const TabulatedObserver&) = delete;

    // IUnknown and IID_ITabulatedDataObserver; E_NOINTERFACE otherwise.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT OnColumnsChanged() override;           // 3
    HRESULT OnRowsChanged(int32_t column) override;  // 4
    HRESULT OnReset() override;                    // 5

    // The window goes: later notifications answer S_FALSE.
    void Detach() { window_ = nullptr; }

private:
    ~TabulatedObserver() = default;

    std::atomic<int32_t> refs_{1};
    TessarWnd* window_;
};

class DragScaleObserver final : public IDragScaleObserver {
public:
    // A new observer with one reference (the creator's).
    explicit DragScaleObserver(TessarWnd* window) : window_(window) {}
    DragScaleObserver(const DragScaleObserver&) = delete;
    DragScaleObserver& operator=(const DragScaleObserver&) = delete;

    // IUnknown and IID_IDragScaleObserver; E_NOINTERFACE otherwise.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT OnDragBegin(IScale* scale) override;                                 // 3
    HRESULT OnLookChanged(IScale* scale) override;                               // 4
    HRESULT OnRangeChanged(IScale* scale, double factor, double offset) override;  // 5
    HRESULT OnDragEnd(IScale* scale) override;                                   // 6
    HRESULT OnTextChanged(IScale* scale) override;                               // 7

    void Detach() { window_ = nullptr; }

private:
    ~DragScaleObserver() = default;

    std::atomic<int32_t> refs_{1};
    TessarWnd* window_;
};

}  // namespace Tessar
