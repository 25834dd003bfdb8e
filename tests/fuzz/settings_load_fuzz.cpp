// Fuzzes TessarSettings::Load. The input is a list of stored values in the byte encoding of
// TestSupport::MemoryObjectStream. Checks: a failed load leaves the record as it was; a
// successful one gives a record whose stored form loads again and saves to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "calibration/settings_text.h"
#include "calibration/tessar_settings.h"
#include "platform/com_ptr.h"
#include "tests/support/memory_object_stream.h"

namespace {

using TestSupport::MemoryObjectStream;

void Check(bool condition)
{
    if (!condition) std::abort();
}

Tessar::CalibrationData StartingRecord()
{
    Tessar::CalibrationData d(3);
    d.fitKind_ = 1;
    d.coefficients_ = {1, 2, 3};
    d.rawValues_ = {0, 1};
    d.calibratedValues_ = {5, 6};
    d.paneTop_ = 4;
    d.strings_.insert(KVI::String(u"kept"));
    return d;
}

std::vector<uint8_t> StoredBytes(Tessar::TessarSettings& s)
{
    MemoryObjectStream out;
    Check(s.Save(out.Out()) == S_OK);
    return MemoryObjectStream::EncodeValues(out.Values());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryObjectStream in(MemoryObjectStream::DecodeValues(data, size));
    platform::ComPtr<Tessar::TessarSettings> s(new Tessar::TessarSettings(StartingRecord()));
    const std::vector<uint8_t> before = StoredBytes(*s.Get());

    const HRESULT hr = s->Load(in.In());
    Check(hr == S_OK || hr == E_FAIL || hr == KVI_E_VERSION_TOO_NEW);
    if (FAILED(hr)) {
        Check(StoredBytes(*s.Get()) == before);
        return 0;
    }

    const std::vector<uint8_t> saved = StoredBytes(*s.Get());
    MemoryObjectStream again(MemoryObjectStream::DecodeValues(saved.data(), saved.size()));
    platform::ComPtr<Tessar::TessarSettings> copy(new Tessar::TessarSettings);
    Check(copy->Load(again.In()) == S_OK);
    Check(StoredBytes(*copy.Get()) == saved);
    return 0;
}
