// A test double of the host's axis scale (IScale): a linear map of the range onto an axis of
// a given length, with ticks that the test sets, and visible counts of references and of the
// calls the graph makes.
//
// Axis pixels as the real scale has them: a horizontal axis has the lower value at pixel 0 and
// the upper at pixel L; a vertical one has the upper value at pixel 0 (the top) and the lower
// at pixel L. Lives on the stack: AddRef and Release count but never delete.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/scale.h"

namespace TestSupport {

class FakeScale final : public IDragScale {
public:
    FakeScale(bool vertical, double lower, double upper, int32_t length)
        : vertical_(vertical), lower_(lower), upper_(upper), length_(length)
    {
    }

    // Major ticks at axis pixels first + k * spacing; none until set.
    void SetTicks(double first, double spacing)
    {
        first_ = first;
        spacing_ = spacing;
    }
    void SetRangeValues(double lower, double upper)
    {
        lower_ = lower;
        upper_ = upper;
    }
    void FailTransform(bool fail) { failTransform_ = fail; }
    int32_t RefCount() const { return refs_.load(); }
    int TicksAsked() const { return ticksAsked_; }
    int TransformsAsked() const { return transformsAsked_; }

    // The axis pixel of a value, and back.
    double Factor() const { return (vertical_ ? -length_ : length_) / (upper_ - lower_); }
    double Offset() const { return vertical_ ? -upper_ : -lower_; }
    double Pixel(double v) const { return Factor() * (Offset() + v); }

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IScale && iid != IID_IDragScale) return E_NOINTERFACE;
        *out = static_cast<IDragScale*>(this);
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override { return static_cast<uint32_t>(--refs_); }

    HRESULT SetUnit(int32_t, IAutoKVIString*) override { return E_NOTIMPL; }
    HRESULT GetUnit(IAutoKVIString**) override { return E_NOTIMPL; }
    HRESULT SetRange(const double* range) override
    {
        if (!range) return E_POINTER;
        upper_ = range[0];
        lower_ = range[1];
        return S_OK;
    }
    HRESULT GetRange(double* range) override
    {
        if (!range) return E_POINTER;
        range[0] = upper_;
        range[1] = lower_;
        return S_OK;
    }
    HRESULT GetStyle(int32_t* style) override
    {
        *style = vertical_ ? kScaleVerticalLeft : kScaleHorizontalBottom;
        return S_OK;
    }
    HRESULT SetPlacement(const HostRect*) override { return E_NOTIMPL; }
    HRESULT GetTransform(double* factor, double* offset) override
    {
        ++transformsAsked_;
        if (failTransform_) return E_FAIL;
        *factor = Factor();
        *offset = Offset();
        return S_OK;
    }
    HRESULT GetPlacement(HostRect*) override { return E_NOTIMPL; }
    HRESULT GetPreferredSize(int32_t, QPainter*, QPaintDevice*, int32_t*) override { return E_NOTIMPL; }
    HRESULT GetTicks(double* first, double* spacing) override
    {
        ++ticksAsked_;
        *first = first_;
        *spacing = spacing_;
        return spacing_ > 0 ? S_OK : S_FALSE;
    }
    HRESULT SetTitle(IAutoKVIString*) override { return E_NOTIMPL; }
    HRESULT SetParts(int16_t) override { return E_NOTIMPL; }
    HRESULT GetTitle(IAutoKVIString**) override { return E_NOTIMPL; }
    HRESULT PixelToValue(double pixel, double* value) override
    {
        *value = pixel / Factor() - Offset();
        return S_OK;
    }
    HRESULT ValueToPixel(double value, double* pixel) override
    {
        *pixel = Pixel(value);
        return S_OK;
    }
    HRESULT GetTickValues(double*, double*, int32_t*) override { return E_NOTIMPL; }
    HRESULT Draw(QPainter*, QPaintDevice*) override { return E_NOTIMPL; }
    HRESULT Invalidate() override { return S_OK; }
    HRESULT GetParts(int16_t* parts) override
    {
        *parts = kScaleAllParts;
        return S_OK;
    }
    HRESULT GetExtent(int32_t* lowest, int32_t* highest) override
    {
        *lowest = 0;
        *highest = length_;
        return S_OK;
    }
    HRESULT SetHomeRange(const double* range) override { return SetRange(range); }
    HRESULT RestoreHomeRange() override { return E_NOTIMPL; }
    HRESULT Advise(IDragScaleObserver*) override { return E_NOTIMPL; }
    HRESULT Unadvise(IDragScaleObserver*) override { return E_NOTIMPL; }
    HRESULT EnableDrag(int32_t) override { return S_OK; }

private:
    bool vertical_;
    double lower_;
    double upper_;
    int32_t length_;
    double first_ = 0;
    double spacing_ = 0;
    bool failTransform_ = false;
    int ticksAsked_ = 0;
    int transformsAsked_ = 0;
    std::atomic<int32_t> refs_{0};
};

}  // namespace TestSupport
