// Zor::ScaleService: the scale service (IScaleService, interfaces/scale.h), which creates
// scale components. One per process, never freed; reached through the object factory's
// GetService for TYPE_ScaleService.
#pragma once

#include <atomic>

#include "interfaces/scale.h"

namespace Zor {

class ScaleService final : public IScaleService {
public:
    static ScaleService* Instance();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT CreateScale(QWidget* parent, int32_t style, int32_t id, int32_t startInset, int32_t endInset,
                        IDragScale** scale) override;

private:
    ScaleService() = default;
    ~ScaleService() = default;

    std::atomic<int32_t> refs_{1};
};

}  // namespace Zor
