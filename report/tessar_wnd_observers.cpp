#include "report/tessar_wnd_observers.h"

#include "report/tessar_wnd.h"

namespace Tessar {
namespace {

template <class Interface>
HRESULT AnswerOne(Interface* self, REFIID own, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == own) {
        *out = self;
        self->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

}  // namespace

HRESULT TabulatedObserver::QueryInterface(REFIID iid, void** out)
{
    return AnswerOne<ITabulatedDataObserver>(this, IID_ITabulatedDataObserver, iid, out);
}
uint32_t TabulatedObserver::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }
uint32_t TabulatedObserver::Release()
{
    const int32_t left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return uint32_t(left);
}

HRESULT TabulatedObserver::OnColumnsChanged()
{
    if (!window_) return S_FALSE;
    window_->OnColumnsChanged();
    return S_OK;
}

HRESULT TabulatedObserver::OnRowsChanged(int32_t column)
{
    if (!window_) return S_FALSE;
    window_->OnRowsChanged(column);
    return S_OK;
}

HRESULT TabulatedObserver::OnReset()
{
    if (!window_) return S_FALSE;
    window_->OnReset();
    return S_OK;
}

HRESULT DragScaleObserver::QueryInterface(REFIID iid, void** out)
{
    return AnswerOne<IDragScaleObserver>(this, IID_IDragScaleObserver, iid, out);
}
uint32_t DragScaleObserver::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }
uint32_t DragScaleObserver::Release()
{
    const int32_t left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return uint32_t(left);
}

HRESULT DragScaleObserver::OnDragBegin(IScale* scale)
{
    if (!window_) return S_FALSE;
    window_->OnDragBegin(scale);
    return S_OK;
}

HRESULT DragScaleObserver::OnLookChanged(IScale* scale)
{
    if (!window_) return S_FALSE;
    window_->OnLookChanged(scale);
    return S_OK;
}

HRESULT DragScaleObserver::OnRangeChanged(IScale* scale, double factor, double offset)
{
    if (!window_) return S_FALSE;
    window_->OnRangeChanged(scale, factor, offset);
    return S_OK;
}

HRESULT DragScaleObserver::OnDragEnd(IScale* scale)
{
    if (!window_) return S_FALSE;
    window_->OnDragEnd(scale);
    return S_OK;
}

HRESULT DragScaleObserver::OnTextChanged(IScale* scale)
{
    if (!window_) return S_FALSE;
    window_->OnTextChanged(scale);
    return S_OK;
}

}  // namespace Tessar
