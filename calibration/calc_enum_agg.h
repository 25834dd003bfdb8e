// CalcEnums::CalcEnumAgg<Enum>: an enumerator aggregated by an outer unknown (the host's object
// that presents the enumerator as part of itself). The enumerator's interfaces send
// QueryInterface, AddRef and Release to the outer unknown; the inner unknown
// (NonDelegatingUnknown), which only the outer unknown holds, answers IUnknown with itself,
// passes every other IID to the enumerator, and owns the enumerator's lifetime.
//
// The outer unknown is not referenced (it owns the aggregate). Clone of an aggregated
// enumerator makes a plain copy: a copy aggregated into the same outer unknown would answer
// for the original through it.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/unknown.h"

namespace CalcEnums {

template <class Enum>
class CalcEnumAgg final : public Enum {
public:
    // [in] outer: the aggregating object (not null); the rest goes to Enum's constructor.
    // The inner unknown's count starts at 0.
    template <class... Args>
    explicit CalcEnumAgg(IUnknown* outer, Args&&... args) : Enum(std::forward<Args>(args)...), outer_(outer), inner_(this)
    {
    }

    HRESULT QueryInterface(REFIID iid, void** out) override { return outer_->QueryInterface(iid, out); }
    uint32_t AddRef() override { return outer_->AddRef(); }
    uint32_t Release() override { return outer_->Release(); }

    // The inner unknown the outer unknown holds.
    IUnknown* NonDelegatingUnknown() { return &inner_; }

private:
    ~CalcEnumAgg() override = default;

    class Inner final : public IUnknown {
    public:
        explicit Inner(CalcEnumAgg* self) : self_(self) {}
        HRESULT QueryInterface(REFIID iid, void** out) override
        {
            if (!out) return E_POINTER;
            if (iid == IID_IUnknown) {
                *out = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            return self_->InnerQueryInterface(iid, out);
        }
        uint32_t AddRef() override { return self_->InnerAddRef(); }
        uint32_t Release() override { return self_->InnerRelease(); }

    private:
        CalcEnumAgg* self_;
    };

    IUnknown* outer_;
    Inner inner_;
};

}  // namespace CalcEnums
