// Test doubles for the tabulated data: a listener that records every notification it hears (as
// a table observer, a record observer and an online sink), and a float source with a scripted
// answer.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "interfaces/enum_float_ex_defaults.h"
#include "interfaces/online_data.h"
#include "interfaces/record_data.h"
#include "guilib/table/tabulated_data_interfaces.h"

namespace TableTest {

// Lives on the stack: AddRef and Release count but never delete. Every call is appended to
// Log() as a short text ("columns", "rows 2", "reset", "record 0 0", "new 3", "start 5", ...),
// prefixed with the listener's name when it has one.
class Listener final : public ITabulatedDataObserver, public IRecordDataObserver, public IOnlineDataSink {
public:
    explicit Listener(std::vector<std::string>* log = nullptr, std::string name = {})
        : log_(log ? log : &own_), name_(std::move(name))
    {
    }

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_ITabulatedDataObserver)
            *out = static_cast<ITabulatedDataObserver*>(this);
        else if (iid == IID_IRecordDataObserver)
            *out = static_cast<IRecordDataObserver*>(this);
        else if (iid == IID_IOnlineDataSink || iid == IID_IOnlineDataSinkBase)
            *out = static_cast<IOnlineDataSink*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override { return static_cast<uint32_t>(--refs_); }

    HRESULT OnColumnsChanged() override { return Note("columns"); }
    HRESULT OnRowsChanged(int32_t column) override { return Note("rows " + std::to_string(column)); }
    HRESULT OnReset() override { return Note("reset"); }
    HRESULT OnRecordChanged(int32_t first, int32_t last) override
    {
        return Note("record " + std::to_string(first) + " " + std::to_string(last));
    }

    HRESULT OnSetupChanged(uint32_t flags) override { return Note("setup " + std::to_string(flags)); }
    HRESULT OnPrepareSampling(uint32_t flags) override { return Note("prepare " + std::to_string(flags)); }
    HRESULT OnStartSampling(uint32_t flags) override { return Note("start " + std::to_string(flags)); }
    HRESULT OnNewData(int32_t n) override { return Note("new " + std::to_string(n)); }
    HRESULT OnStopSampling(uint32_t flags, uint32_t* result) override
    {
        if (result) *result = stopResult_;
        return Note("stop " + std::to_string(flags));
    }
    HRESULT OnBlockStart(int32_t block) override { return Note("block start " + std::to_string(block)); }
    HRESULT OnBlockEnd(int32_t block) override { return Note("block end " + std::to_string(block)); }
    HRESULT Reserved10() override { return E_NOTIMPL; }
    HRESULT Reserved11() override { return E_NOTIMPL; }
    HRESULT Reserved12() override { return E_NOTIMPL; }
    HRESULT Reserved13() override { return E_NOTIMPL; }
    HRESULT GetUpdateInterval(uint32_t, int32_t*) override { return E_NOTIMPL; }

    ITabulatedDataObserver* Table() { return this; }
    IRecordDataObserver* Record() { return this; }
    IOnlineDataSink* Sink() { return this; }

    std::vector<std::string>& Log() { return *log_; }
    int32_t RefCount() const { return refs_.load(); }
    void SetStopResult(uint32_t r) { stopResult_ = r; }
    // Runs once, at the next notification, after it was logged.
    void OnNextCall(std::function<void()> f) { next_ = std::move(f); }

private:
    HRESULT Note(std::string what)
    {
        log_->push_back(name_.empty() ? what : name_ + ": " + what);
        if (auto f = std::exchange(next_, nullptr)) f();
        return S_OK;
    }

    std::vector<std::string> own_;
    std::vector<std::string>* log_;
    std::string name_;
    std::atomic<int32_t> refs_{0};
    uint32_t stopResult_ = 0;
    std::function<void()> next_;
};

// Delivers its values through Next, or fails with a given status. Records the counts asked.
class FloatSource final : public IEnumFloatExDefaults {
public:
    explicit FloatSource(std::vector<float> values, HRESULT failure = S_OK)
        : values_(std::move(values)), failure_(failure)
    {
    }

    HRESULT QueryInterface(REFIID, void** out) override
    {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override { return static_cast<uint32_t>(--refs_); }
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override
    {
        asked_.push_back(count);
        if (FAILED(failure_)) {
            if (returned) *returned = 0;
            return failure_;
        }
        const size_t n = std::min<size_t>(count, values_.size() - position_);
        std::copy_n(values_.begin() + static_cast<std::ptrdiff_t>(position_), n, buffer);
        position_ += n;
        if (returned) *returned = static_cast<uint32_t>(n);
        return n == count ? S_OK : S_FALSE;
    }

    const std::vector<uint32_t>& Asked() const { return asked_; }

private:
    std::vector<float> values_;
    size_t position_ = 0;
    HRESULT failure_;
    std::vector<uint32_t> asked_;
    std::atomic<int32_t> refs_{0};
};

}  // namespace TableTest
