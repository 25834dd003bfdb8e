#include "host/zor/gui/scale_service.h"

#include <new>

#include <QApplication>

#include "host/zor/gui/drag_scale.h"

namespace Zor {

ScaleService* ScaleService::Instance()
{
    static ScaleService* const service = new ScaleService();
    return service;
}

HRESULT ScaleService::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IScaleService) {
        *out = static_cast<IScaleService*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t ScaleService::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }
uint32_t ScaleService::Release() { return uint32_t(refs_.fetch_sub(1) - 1); }

HRESULT ScaleService::CreateScale(QWidget* parent, int32_t style, int32_t id, int32_t startInset, int32_t endInset,
                                  IDragScale** scale)
{
    if (!scale) return E_POINTER;
    *scale = nullptr;
    // Widgets need a QApplication; a headless host has no scales.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return E_FAIL;
    try {
        *scale = DragScale::Create(parent, style, id, startInset, endInset);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace Zor
