// Documents for the tests of the host's objects: made through the framework of the test
// session (tests/support/framework_session.h), with channels of given samples, and the linear
// calibration the tests give calculated channels.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "values/units/unit_entry.h"
#include "host/velogram/host_document.h"
#include "platform/com_ptr.h"
#include "tests/support/framework_session.h"

namespace VelogramTest {

using platform::ComPtr;
using TestSupport::TheSession;
using Velogram::HostDocument;

// A document with channels of the given samples per block (every channel has every block).
inline ComPtr<HostDocument> MakeDocument(const std::vector<std::vector<std::vector<float>>>& channels,
                                         const char* unit = "V")
{
    ComPtr<IZorDocument> document;
    EXPECT_EQ(TheSession().framework->CreateDocument(document.Put()), S_OK);
    ComPtr<IRecording> recording;
    document.As(IID_IRecording, recording);
    const size_t blocks = channels.empty() ? 0 : channels[0].size();
    for (size_t b = 0; b < blocks; ++b) recording->AddBlock(nullptr);
    for (size_t c = 0; c < channels.size(); ++c) {
        int32_t index = -1;
        recording->AddChannel(KVI::String::FromUtf8("Channel " + std::to_string(c + 1)).Interface(), &index);
        KVI::UnitInfo info;
        info.prefix_ = 8;
        info.name_ = KVI::String::FromUtf8(unit);
        ComPtr<KVI::UnitEntry> entry(new KVI::UnitEntry(info));
        recording->SetChannelUnit(index, entry.Get());
        for (size_t b = 0; b < channels[c].size(); ++b)
            if (!channels[c][b].empty())
                recording->AppendSamples(index, int32_t(b), channels[c][b].data(), uint32_t(channels[c][b].size()));
    }
    return HostDocument::Create(document.Get());
}

inline std::vector<float> Ramp(int n, float from = 0, float step = 1)
{
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[size_t(i)] = from + step * float(i);
    return v;
}

// Linear settings for the source channel: 0 V is 0 mmHg, 1 V is 100 mmHg.
inline ComPtr<IPersistObject> PressureSettings(int32_t source)
{
    const KVI::String raw[] = {KVI::String(u"0"), KVI::String(u"1")};
    const KVI::String cal[] = {KVI::String(u"0"), KVI::String(u"100")};
    IAutoKVIString* rawTexts[] = {raw[0].Interface(), raw[1].Interface()};
    IAutoKVIString* calTexts[] = {cal[0].Interface(), cal[1].Interface()};
    ComPtr<IPersistObject> settings;
    IAutoKVIString* message = nullptr;
    EXPECT_EQ(TheSession().automation->FitPoints(2, rawTexts, calTexts, KVI::String(u"V").Interface(),
                                                 KVI::String(u"mmHg").Interface(), 0, 0, source, settings.Put(),
                                                 &message),
              S_OK);
    if (message) message->Release();
    return settings;
}

}  // namespace VelogramTest
