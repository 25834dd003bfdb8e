#include "settings_dialog/drag_scale.h"

#include <algorithm>
#include <new>

#include "calibration/framework.h"
#include "interfaces/host_rect.h"
#include "interfaces/ole_window.h"
#include "foundation/xkvi.h"

namespace Tessar {
namespace {

CachedTypeId& ScaleServiceTypeId()
{
    static CachedTypeId id(TYPE_ScaleService, 0);
    return id;
}

// The scale service, asked of the framework until it answers once and then kept with one
// reference for the life of the module (the service object is never freed, and releasing it at
// exit could reach a framework library already gone).
HRESULT ScaleService(IScaleService** out)
{
    static IScaleService* cached = nullptr;
    if (!cached) {
        uint32_t typeId = 0;
        HRESULT hr = ScaleServiceTypeId().Get(&typeId);
        if (FAILED(hr)) return hr;
        IScaleService* service = nullptr;
        try {
            hr = Framework::GetService(typeId, IID_IScaleService, reinterpret_cast<void**>(&service));
        } catch (const XKVI& e) {
            hr = e.Code();
        } catch (const XHResult& e) {
            hr = e.Code();
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        }
        if (FAILED(hr)) return hr;
        if (!service) return E_FAIL;
        cached = service;
    }
    cached->AddRef();
    *out = cached;
    return S_OK;
}

}  // namespace

CDragScale::CDragScale(QWidget* parent, int32_t style, int32_t id, int32_t startInset, int32_t endInset)
    : parent_(parent), style_(style), id_(id), startInset_(startInset), endInset_(endInset)
{
}

CDragScale::~CDragScale()
{
    Release();
}

void CDragScale::Release()
{
    if (scale_)
        for (const auto& observer : observers_) scale_->Unadvise(observer.Get());
    observers_.clear();
    scale_.Reset();
    window_.clear();
}

HRESULT CDragScale::Create()
{
    Release();
    platform::ComPtr<IScaleService> service;
    HRESULT hr = ScaleService(service.Put());
    if (FAILED(hr)) return hr;
    platform::ComPtr<IDragScale> scale;
    hr = service->CreateScale(parent_, style_, id_, startInset_, endInset_, scale.Put());
    if (FAILED(hr)) return hr;
    if (!scale) return E_FAIL;
    // The component's window is a QWidget of this process; keeping it in a QPointer notices
    // when its parent destroys it first.
    platform::ComPtr<IOleWindow> ole;
    QWidget* window = nullptr;
    if (FAILED(scale.As(IID_IOleWindow, ole)) || FAILED(ole->GetWindow(&window)) || !window) return E_FAIL;
    scale_ = std::move(scale);
    window_ = window;
    return S_OK;
}

HRESULT CDragScale::SetGeometry(const QRect& rect)
{
    if (!scale_) return E_FAIL;
    const HostRect placement{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    return scale_->SetPlacement(&placement);
}

int32_t CDragScale::PreferredWidth() const
{
    int32_t width = 0;
    if (!scale_ || FAILED(scale_->GetPreferredSize(kWidthMargin, nullptr, nullptr, &width))) return 0;
    return std::max(width, 0);
}

HRESULT CDragScale::SetRange(double top, double bottom)
{
    if (!scale_) return E_FAIL;
    const double range[2] = {top, bottom};
    const HRESULT hr = scale_->SetRange(range);
    if (FAILED(hr)) return hr;
    // S_FALSE here only says the range was already set by the call above.
    return FAILED(scale_->SetHomeRange(range)) ? E_FAIL : S_OK;
}

HRESULT CDragScale::GetRange(double* top, double* bottom) const
{
    if (!scale_) return E_FAIL;
    if (!top || !bottom) return E_POINTER;
    double range[2] = {0.0, 0.0};
    const HRESULT hr = scale_->GetRange(range);
    if (FAILED(hr)) return hr;
    *top = range[0];
    *bottom = range[1];
    return hr;
}

HRESULT CDragScale::SetUnitLabel(const KVI::String& unit)
{
    if (!scale_) return E_FAIL;
    return scale_->SetUnit(0, unit.Interface());
}

HRESULT CDragScale::RegisterObserver(IDragScaleObserver* observer)
{
    if (!scale_) return E_FAIL;
    const HRESULT hr = scale_->Advise(observer);
    if (hr != S_OK) return hr;
    observers_.emplace_back(observer);
    double factor = 0.0;
    double offset = 0.0;
    if (SUCCEEDED(scale_->GetTransform(&factor, &offset))) observer->OnRangeChanged(scale_.Get(), factor, offset);
    return S_OK;
}

HRESULT CDragScale::UnregisterObserver(IDragScaleObserver* observer)
{
    if (!scale_) return E_FAIL;
    const auto it = std::find_if(observers_.begin(), observers_.end(),
                                 [observer](const auto& held) { return held.Get() == observer; });
    if (it == observers_.end()) return S_FALSE;
    observers_.erase(it);
    return scale_->Unadvise(observer);
}

}  // namespace Tessar
