// The host's unit list: defaults, additions that persist in the user's units file, removal that
// keeps pending indices valid, and damaged files that are reported and kept.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "values/units/unit_entry.h"
#include "host/zor/unit_list.h"
#include "host/zor/units_file.h"
#include "host/zor/units_service.h"
#include "tests/host/temp_dir.h"

namespace {

using platform::ComPtr;
using Zor::UnitList;

ComPtr<IUnitName> MakeUnit(int32_t prefix, const char16_t* name, int32_t flag = 0)
{
    KVI::UnitInfo info;
    info.prefix_ = prefix;
    info.name_ = KVI::String(name);
    info.flag_ = flag;
    return ComPtr<IUnitName>::Adopt(Zor::NewUnitName(info));
}

std::u16string DisplayText(IUnitName* unit)
{
    IAutoKVIString* text = nullptr;
    EXPECT_EQ(unit->GetText(1, &text), S_OK);
    std::u16string result(KVI::String(text).View());
    text->Release();
    return result;
}

// Every unit of the list, as display texts, read through its enumerator in chunks of 16 as the
// units control reads it.
std::vector<std::u16string> Listed(UnitList& list)
{
    ComPtr<IEnumUnits> e;
    EXPECT_EQ(list.GetEnumerator(0, e.Put()), S_OK);
    std::vector<std::u16string> texts;
    for (;;) {
        IUnitName* chunk[16] = {};
        uint32_t delivered = 0;
        e->Next(16, chunk, &delivered);
        if (delivered == 0) break;
        for (uint32_t i = 0; i < delivered; ++i) {
            texts.push_back(DisplayText(chunk[i]));
            chunk[i]->Release();
        }
    }
    return texts;
}

int32_t Count(UnitList& list)
{
    int32_t n = -1;
    EXPECT_EQ(list.GetCount(0, &n), S_OK);
    return n;
}

class UnitListTest : public ::testing::Test {
protected:
    ZorTest::TempDir dir_;
    std::string path_ = dir_.File("velogram/units.txt");
};

TEST_F(UnitListTest, ANewUserStartsWithTheDefaultsAndNoFile)
{
    ComPtr<UnitList> list = UnitList::Create(path_);
    EXPECT_EQ(Count(*list.Get()), static_cast<int32_t>(UnitList::DefaultUnits().size()));
    const auto texts = Listed(*list.Get());
    EXPECT_EQ(texts.front(), u"V");
    EXPECT_NE(std::find(texts.begin(), texts.end(), u"mmHg"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), u"\u00B5V"), texts.end());
    EXPECT_FALSE(std::filesystem::exists(path_));
    EXPECT_TRUE(list->Problem().empty());
}

TEST_F(UnitListTest, AddedUnitsPersistWithSpacesAndPrefixes)
{
    {
        ComPtr<UnitList> list = UnitList::Create(path_);
        int32_t index = -1;
        EXPECT_EQ(list->Add(0, MakeUnit(8, u"degrees C").Get(), &index), S_OK);
        EXPECT_EQ(index, Count(*list.Get()) - 1);
        EXPECT_EQ(list->Add(0, MakeUnit(9, u"lb/in\u00B2").Get(), nullptr), S_OK);
        // The same unit again: its index, nothing added. Prefix 1 is the plain unit too.
        int32_t again = -1;
        EXPECT_EQ(list->Add(0, MakeUnit(1, u"degrees C").Get(), &again), S_FALSE);
        EXPECT_EQ(again, index);
    }
    ComPtr<UnitList> reread = UnitList::Create(path_);
    const auto texts = Listed(*reread.Get());
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], u"degrees C");
    EXPECT_EQ(texts.back(), u"klb/in\u00B2");
    int32_t index = -1;
    EXPECT_EQ(reread->IndexOf(0, MakeUnit(8, u"degrees C").Get(), &index), S_OK);
    EXPECT_EQ(index, static_cast<int32_t>(texts.size()) - 2);
    // Nothing is left behind by the atomic writes.
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.File("velogram"))) ++files;
    EXPECT_EQ(files, 1u);
}

TEST_F(UnitListTest, UnitsThatCannotBeKeptAreRefused)
{
    ComPtr<UnitList> list = UnitList::Create(path_);
    const int32_t before = Count(*list.Get());
    const std::u16string tooLong(256, u'x');
    struct Case {
        const char* name;
        ComPtr<IUnitName> unit;
    };
    const Case cases[] = {
        {"empty name", MakeUnit(8, u"")},
        {"tab", MakeUnit(8, u"a\tb")},
        {"line break", MakeUnit(8, u"a\nb")},
        {"too long", MakeUnit(8, tooLong.c_str())},
        {"prefix 15", MakeUnit(15, u"V")},
        {"prefix -1", MakeUnit(-1, u"V")},
    };
    for (const Case& c : cases) {
        int32_t index = 7;
        EXPECT_EQ(list->Add(0, c.unit.Get(), &index), E_INVALIDARG) << c.name;
        EXPECT_EQ(index, -1) << c.name;
    }
    EXPECT_EQ(list->Add(0, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(Count(*list.Get()), before);
    EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(UnitListTest, IndexOfTellsPrefixesAndFlagsApart)
{
    ComPtr<UnitList> list = UnitList::Create(path_);
    int32_t volt = -1, millivolt = -1, flagged = 5;
    EXPECT_EQ(list->IndexOf(0, MakeUnit(8, u"V").Get(), &volt), S_OK);
    EXPECT_EQ(list->IndexOf(0, MakeUnit(7, u"V").Get(), &millivolt), S_OK);
    EXPECT_NE(volt, millivolt);
    EXPECT_EQ(list->IndexOf(0, MakeUnit(8, u"V", 1).Get(), &flagged), E_FAIL);
    EXPECT_EQ(flagged, -1);
}

// What the Delete Unit dialog does: note indices, then fetch and remove them one by one in
// ascending order. The indices must keep naming the same units until the list is read again.
TEST_F(UnitListTest, PendingIndicesStayValidWhileUnitsAreRemoved)
{
    ComPtr<UnitList> list = UnitList::Create(path_);
    const auto before = Listed(*list.Get());
    const std::vector<int32_t> pending = {0, 1, 2, 5};
    for (int32_t index : pending) {
        ComPtr<IUnitName> unit;
        ASSERT_EQ(list->GetAt(0, index, unit.Put()), S_OK) << index;
        EXPECT_EQ(DisplayText(unit.Get()), before[static_cast<size_t>(index)]);
        EXPECT_EQ(list->Remove(0, unit.Get()), S_OK);
    }
    // A removed index is empty until the list is read again.
    ComPtr<IUnitName> gone;
    EXPECT_EQ(list->GetAt(0, 0, gone.Put()), E_INVALIDARG);
    auto after = Listed(*list.Get());
    std::vector<std::u16string> expected = before;
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) expected.erase(expected.begin() + *it);
    EXPECT_EQ(after, expected);
    EXPECT_EQ(Count(*list.Get()), static_cast<int32_t>(expected.size()));
    // Removing what is not there changes nothing.
    EXPECT_EQ(list->Remove(0, MakeUnit(8, u"no such unit").Get()), S_FALSE);
    // The removals persist, the defaults included.
    ComPtr<UnitList> reread = UnitList::Create(path_);
    EXPECT_EQ(Listed(*reread.Get()), expected);
}

TEST_F(UnitListTest, AUnitHandedOutIsACopy)
{
    ComPtr<UnitList> list = UnitList::Create(path_);
    ComPtr<IUnitName> unit;
    ASSERT_EQ(list->GetAt(0, 0, unit.Put()), S_OK);
    unit->SetPrefix(9);
    ComPtr<IUnitName> again;
    ASSERT_EQ(list->GetAt(0, 0, again.Put()), S_OK);
    EXPECT_EQ(DisplayText(again.Get()), u"V");
}

TEST_F(UnitListTest, ADamagedFileIsReportedKeptAndSetAsideOnTheNextSave)
{
    struct Case {
        const char* name;
        std::string contents;
        const char* problem;
    };
    const Case cases[] = {
        {"other file", "hello\n", "line 1: not a units file"},
        {"empty", "", "the file is empty"},
        {"bad prefix", "velogram units 1\n8\t0\tV\n99\t0\tV\n", "line 3: the prefix index"},
        {"bad flag", "velogram units 1\n8\t2\tV\n", "line 2: the flag"},
        {"no name", "velogram units 1\n8\t0\t\n", "line 2: the name is empty"},
        {"two fields", "velogram units 1\n8\tV\n", "line 2: expected a prefix index"},
        {"not UTF-8", "velogram units 1\n8\t0\t\xC3\x28\n", "line 2: the name is not UTF-8"},
    };
    for (const Case& c : cases) {
        ZorTest::TempDir dir;
        const std::string path = dir.File("units.txt");
        ZorTest::WriteFile(path, c.contents);
        ComPtr<UnitList> list = UnitList::Create(path);
        EXPECT_NE(list->Problem().find(c.problem), std::string::npos) << c.name << ": " << list->Problem();
        EXPECT_EQ(Count(*list.Get()), static_cast<int32_t>(UnitList::DefaultUnits().size())) << c.name;
        // Reading alone never touches the file.
        EXPECT_EQ(ZorTest::ReadFile(path), c.contents) << c.name;
        ASSERT_EQ(list->Add(0, MakeUnit(8, u"bar").Get(), nullptr), S_OK) << c.name;
        EXPECT_EQ(ZorTest::ReadFile(path + ".damaged"), c.contents) << c.name;
        ComPtr<UnitList> reread = UnitList::Create(path);
        EXPECT_TRUE(reread->Problem().empty()) << c.name << ": " << reread->Problem();
        EXPECT_EQ(Listed(*reread.Get()).back(), u"bar") << c.name;
    }
}

TEST_F(UnitListTest, CommentsBlankLinesAndWindowsLineEndsAreRead)
{
    std::filesystem::create_directories(dir_.File("velogram"));
    ZorTest::WriteFile(path_, "velogram units 1\r\n# mine\r\n\r\n7\t0\tV\r\n8\t1\tcm H2O\r\n");
    ComPtr<UnitList> list = UnitList::Create(path_);
    EXPECT_TRUE(list->Problem().empty()) << list->Problem();
    EXPECT_EQ(Listed(*list.Get()), (std::vector<std::u16string>{u"mV", u"cm H2O"}));
    int32_t index = -1;
    EXPECT_EQ(list->IndexOf(0, MakeUnit(8, u"cm H2O", 1).Get(), &index), S_OK);
    EXPECT_EQ(index, 1);
}

TEST_F(UnitListTest, AFileThatCannotBeWrittenLeavesTheUnitForThisRun)
{
    // A file where the folder should be.
    ZorTest::WriteFile(dir_.File("velogram"), "x");
    ComPtr<UnitList> list = UnitList::Create(path_);
    EXPECT_EQ(list->Add(0, MakeUnit(8, u"rpm").Get(), nullptr), S_OK);
    EXPECT_EQ(Listed(*list.Get()).back(), u"rpm");
    EXPECT_NE(list->Problem().find("cannot create the folder"), std::string::npos) << list->Problem();
}

TEST(UnitsFile, ThePathFollowsXdgConfigHomeOrHome)
{
    const std::string savedConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(Zor::UnitsFile::DefaultPath(), "/cfg/velogram/units.txt");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(Zor::UnitsFile::DefaultPath(), "/home/u/.config/velogram/units.txt");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Zor::UnitsFile::DefaultPath(), "/home/u/.config/velogram/units.txt");
    unsetenv("HOME");
    EXPECT_EQ(Zor::UnitsFile::DefaultPath(), "");
    setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
