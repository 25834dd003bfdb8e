// Fuzzes CTabulatedData::Load. The input is a list of stored values in the byte encoding of
// TestSupport::MemoryObjectStream. Checks: a failed load leaves the table as it was and tells
// no observer; a successful one gives a table whose stored form loads again and saves to the
// same values, and whose queries and text form hold together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"
#include "tests/guilib/table_doubles.h"
#include "tests/support/memory_object_stream.h"

namespace {

using GUILib::CTabulatedData;
using TestSupport::MemoryObjectStream;

void Check(bool condition)
{
    if (!condition) std::abort();
}

std::vector<uint8_t> StoredBytes(CTabulatedData& t)
{
    MemoryObjectStream out;
    Check(t.Save(out.Out()) == S_OK);
    return MemoryObjectStream::EncodeValues(out.Values());
}

platform::ComPtr<CTabulatedData> StartingTable()
{
    platform::ComPtr<CTabulatedData> t(new CTabulatedData(7));
    t->AddColumn(KVI::String(u"kept").Interface(), KVI::String(u"V").Interface());
    t->AppendValue(0, 1.5f);
    t->AppendValue(0, -2);
    t->AddColumn(nullptr, nullptr);
    return t;
}

// The queries a reader of the table makes, with their invariants.
void Exercise(CTabulatedData& t)
{
    int32_t columns = 0, rows = 0, shortest = 0;
    Check(t.GetColumnCount(&columns) == S_OK && t.GetRowCount(&rows) == S_OK &&
          t.GetShortestColumnLength(&shortest) == S_OK);
    Check(shortest <= rows);
    for (int32_t c = 0; c < columns; ++c) {
        int32_t length = -1;
        Check(t.GetColumnLength(c, &length) == S_OK && length <= rows);
        float lo = 0, hi = 0;
        const HRESULT a = t.GetColumnMin(c, &lo);
        const HRESULT b = t.GetColumnMax(c, &hi);
        Check(a == b && (FAILED(a) || lo <= hi));
    }
    std::wostringstream text;
    t.WriteText(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryObjectStream in(MemoryObjectStream::DecodeValues(data, size));
    platform::ComPtr<CTabulatedData> t = StartingTable();
    TableTest::Listener listener;
    t->AddObserver(listener.Table());
    const std::vector<uint8_t> before = StoredBytes(*t.Get());

    const HRESULT hr = t->Load(in.In());
    Check(hr == S_OK || hr == E_FAIL);
    if (FAILED(hr)) {
        Check(StoredBytes(*t.Get()) == before);
        Check(listener.Log().empty());
    } else {
        Check(listener.Log() == std::vector<std::string>{"reset"});
        const std::vector<uint8_t> saved = StoredBytes(*t.Get());
        MemoryObjectStream again(MemoryObjectStream::DecodeValues(saved.data(), saved.size()));
        platform::ComPtr<CTabulatedData> copy(new CTabulatedData);
        Check(copy->Load(again.In()) == S_OK);
        Check(StoredBytes(*copy.Get()) == saved);
        Exercise(*t.Get());
    }
    t->RemoveObserver(listener.Table());
    return 0;
}
