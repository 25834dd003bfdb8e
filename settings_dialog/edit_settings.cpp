#include "settings_dialog/edit_settings.h"

#include <cstring>
#include <new>

#include <QWidget>

#include "calibration/calibration_data.h"
#include "calibration/framework.h"
#include "interfaces/document_access.h"
#include "interfaces/message_service.h"
#include "calibration/tessar_ext.h"
#include "calibration/tessar_settings.h"
#include "foundation/message_box.h"
#include "platform/com_ptr.h"
#include "resources/string_ids.h"
#include "settings_dialog/tessar_dialog.h"

namespace Tessar {
namespace {

void Warn(uint32_t stringId, KVI::MessageIcon icon)
{
    KVI::ShowMessage(KVI::LoadString(KVI::ThisModule(), StringId::kCalcName),
                     KVI::LoadString(KVI::ThisModule(), stringId), icon);
}

// Cuts a selection that runs over several blocks at the end of its first block, so that the
// dialog shows one block; tells the user when it did.
void CutToFirstBlock(IHostDocument* document, IHostSelection* selection)
{
    HostPosition start, end;  // both unset until the host fills them
    if (selection->GetSelection(&start, &end) != S_OK || start.block == end.block) return;
    platform::ComPtr<IRecordData> data;
    int32_t length = 0;
    if (FAILED(document->GetDataAccess(data.Put())) || !data ||
        FAILED(data->GetBlockLength(static_cast<uint32_t>(start.block), 0, &length)))
        return;
    const HostPosition cut{start.block, length};
    selection->SetSelection(&start, &cut);
    Warn(StringId::kSelectionTrimmed, KVI::MessageIcon::Warning);
}

}  // namespace

HRESULT SendSettingsChanged(IUnknown* receiver, int32_t channel)
{
    platform::ComPtr<IMessageService> service;
    HRESULT hr = Framework::GetService(kMessageServiceTypeId, IID_IMessageService, service.PutVoid());
    if (FAILED(hr)) return hr;
    if (!service) return E_FAIL;
    // The payload as the host reads it: the channel, then the two doubles, with no padding.
    unsigned char bytes[sizeof(int32_t) + 2 * sizeof(double)];
    std::memcpy(bytes, &channel, sizeof(int32_t));
    std::memcpy(bytes + sizeof(int32_t), &kSettingsChangedTop, sizeof(double));
    std::memcpy(bytes + sizeof(int32_t) + sizeof(double), &kSettingsChangedBottom, sizeof(double));
    const MessagePayload payload{bytes, sizeof bytes};
    platform::ComPtr<IZORMessage> message;
    hr = service->CreateMessage(kSettingsChangedCode, kSettingsChangedFlags, 0, 0, 0, &payload, message.Put());
    if (FAILED(hr)) return hr;
    if (!message) return E_FAIL;
    return message->SendTo(receiver);
}

HRESULT EditTessarSettings(void* parentWindow, IUnknown* document, int32_t channel, IUnknown* hostObject,
                           IPersistObject* current, IPersistObject** settings)
{
    if (!settings) return E_POINTER;
    *settings = nullptr;
    const TessarSettings* currentSettings = current ? SettingsOf(current) : nullptr;
    if (current && !currentSettings) return E_INVALIDARG;
    platform::ComPtr<TessarSettings> edited(currentSettings ? new (std::nothrow) TessarSettings(currentSettings->Data())
                                                            : new (std::nothrow) TessarSettings(channel));
    if (!edited) return E_FAIL;

    platform::ComPtr<IHostDocument> host;
    if (!document || FAILED(document->QueryInterface(IID_IHostDocument, host.PutVoid())) || !host)
        return E_INVALIDARG;
    platform::ComPtr<IUnitList> units;
    Framework::GetUnitList(units.Put());  // without the host's list the units control offers none
    platform::ComPtr<IHostSelection> selection;
    host->GetHostSelection(selection.Put());
    platform::ComPtr<IChannelRecord> record;
    host->GetChannelRecord(channel, record.Put());

    int32_t conversion = 0;
    if (record && SUCCEEDED(record->GetUnitsConversion(&conversion)) && conversion) {
        Warn(StringId::kUnitsConversionActive, KVI::MessageIcon::Stop);
        return E_FAIL;
    }
    if (selection) CutToFirstBlock(host.Get(), selection.Get());

    TessarDialog dialog(static_cast<QWidget*>(parentWindow), channel, units.Get(), host.Get(), selection.Get(),
                        &edited->Data());
    if (dialog.Execute() != QDialog::Accepted) return S_FALSE;
    *settings = edited.Detach();
    // The channel's settings are already the host's; a host without the message service only
    // misses the notice.
    SendSettingsChanged(hostObject, channel);
    return S_OK;
}

}  // namespace Tessar
