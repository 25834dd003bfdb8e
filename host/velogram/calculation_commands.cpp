#include "host/velogram/calculation_commands.h"

#include <string>

#include "foundation/message_box.h"
#include "host/velogram/module_session.h"

namespace Velogram {

using platform::ComPtr;

namespace {

KVI::String ClassName(ICalculationClass* calcClass)
{
    IAutoKVIString* name = nullptr;
    if (FAILED(calcClass->GetClassName(&name)) || !name) return KVI::String();
    KVI::String text(name);
    name->Release();
    return text;
}

void Tell(const std::string& text) { KVI::ShowMessage(HostCaption(), KVI::String::FromUtf8(text)); }

}  // namespace

KVI::String HostCaption() { return KVI::String(u"Velogram"); }

std::vector<CalculationChoice> RegisteredCalculations(IZorFramework* framework)
{
    std::vector<CalculationChoice> choices;
    int32_t count = 0;
    if (!framework || FAILED(framework->GetClassCount(KIND_CalculationClass, &count))) return choices;
    for (int32_t i = 0; i < count; ++i) {
        ComPtr<IUnknown> object;
        ComPtr<ICalculationClass> calcClass;
        if (FAILED(framework->GetClassAt(KIND_CalculationClass, i, object.Put())) ||
            FAILED(object.As(IID_ICalculationClass, calcClass)))
            continue;
        choices.push_back({ClassName(calcClass.Get()), calcClass});
    }
    return choices;
}

HRESULT CalculationCommands::Add(ICalculationClass* calcClass, int32_t source, int32_t* channel) const
{
    if (!calcClass || !channel) return E_POINTER;
    *channel = -1;
    const std::string className = ClassName(calcClass).ToUtf8();
    const int32_t count = document_->ChannelCount();
    if (source < 0 || source >= count) return E_INVALIDARG;
    const std::string name = document_->Info(source).name.ToUtf8() + " " + className;
    IRecording* recording = document_->Recording();
    int32_t added = -1;
    HRESULT hr = recording->AddChannel(KVI::String::FromUtf8(name).Interface(), &added);
    if (SUCCEEDED(hr)) hr = document_->Calculations()->SetCalculation(added, calcClass, 0);
    if (FAILED(hr)) {
        Tell("A \"" + className + "\" channel cannot be added: " + ResultText(hr));
        return hr;
    }
    document_->SetIntendedSource(added, source);
    *channel = added;
    return S_OK;
}

CalculationCommands::Outcome CalculationCommands::EditSettings(int32_t channel, void* parentWindow) const
{
    IChannelCalculations* calculations = document_->Calculations();
    ComPtr<ICalculationClass> calcClass;
    if (calculations->GetCalculationClass(channel, calcClass.Put()) != S_OK || !calcClass) {
        Tell("Channel " + std::to_string(channel + 1) + " is not calculated: it has no calculation settings.");
        return Outcome::Failed;
    }
    const std::string className = ClassName(calcClass.Get()).ToUtf8();
    const int32_t source = document_->SourceOf(channel);
    if (source < 0) {
        Tell("The \"" + className + "\" channel has no channel to be calculated from.");
        return Outcome::Failed;
    }
    // Before its first settings a calculation's own settings name no source: the class makes
    // new ones for the source channel instead.
    ComPtr<IPersistObject> current;
    if (document_->IsSetUp(channel)) calculations->GetSettings(channel, current.Put());
    ComPtr<IUnknown> hostObject;
    framework_->GetHostObject(hostObject.Put());

    ComPtr<IPersistObject> edited;
    const HRESULT hr = calcClass->EditSettings(parentWindow, 0, static_cast<IHostDocument*>(document_), 0, source,
                                               hostObject.Get(), current.Get(), edited.Put());
    if (hr == S_FALSE) return Outcome::Cancelled;
    if (hr == E_NOTIMPL) {
        Tell("\"" + className + "\" cannot show its settings: the calculation's module does not provide a "
             "settings dialog.");
        return Outcome::NotImplemented;
    }
    // E_FAIL is the class's refusal, which it has explained itself.
    if (hr == E_FAIL) return Outcome::Refused;
    if (FAILED(hr) || !edited) {
        Tell("The settings of \"" + className + "\" cannot be edited: " + ResultText(FAILED(hr) ? hr : E_POINTER));
        return Outcome::Failed;
    }
    const HRESULT applied = calculations->ApplySettings(channel, edited.Get());
    if (FAILED(applied)) {
        Tell("The new settings of \"" + className + "\" cannot be applied: " + ResultText(applied));
        return Outcome::Failed;
    }
    return applied == S_OK ? Outcome::Applied : Outcome::Unchanged;
}

}  // namespace Velogram
