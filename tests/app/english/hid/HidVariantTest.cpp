// The English build's HID layer: the version-bound routines, the device kept when it cannot
// be opened, the version text and the hidden window's default answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/english/hid/EnglishHid.h"
#include "hid/Hid.h"
#include "hid/HidControllerClass.h"
#include "hid/ModuleLoader.h"
#include "platform/testing/PlatformTest.h"
#include "platform/sim/VirtualBus.h"
#include "runtime/MainThread.h"

namespace {

using platform::test::MakeVersion;

constexpr const char* kExtraRoutines[] = {"HidD_GetInputReport", "HidD_SetOutputReport",
                                          "HidP_GetExtendedAttributes",
                                          "HidP_InitializeReportForID"};

class EnglishHidTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::test::Reset();
        sim::VirtualBus::Choose();
        sim::VirtualBus::Instance().Reset();
        hid::UnbindHid();
        hid::UseHidVariant(hid::english::EnglishHid);
    }
    void TearDown() override {
        hid::UnbindHid();
        hid::UseHidVariant(hid::RussianHid);
        sim::VirtualBus::Instance().Reset();
        platform::test::Reset();
        hid::english::QueryOsVersion();
    }

    static void RunVersion(DWORD platformId, DWORD major, DWORD minor) {
        platform::test::SetReportedVersion(MakeVersion(platformId, major, minor));
        hid::english::QueryOsVersion();
    }

    static FARPROC Pointer(const char* name) { return hid::HidPointers[hid::HidIndex(name)]; }
};

TEST_F(EnglishHidTest, TableHasFourMoreRoutinesInTheirPlaces) {
    const auto& entries = hid::HidEntryPoints();
    ASSERT_EQ(entries.size(), 46u);
    EXPECT_EQ(entries[16].Name, "HidD_GetIndexedString");
    EXPECT_EQ(entries[17].Name, "HidD_GetInputReport");
    EXPECT_EQ(entries[18].Name, "HidD_SetOutputReport");
    EXPECT_EQ(entries[19].Name, "HidP_GetCaps");
    EXPECT_EQ(entries[43].Name, "HidP_TranslateUsagesToI8042ScanCodes");
    EXPECT_EQ(entries[44].Name, "HidP_GetExtendedAttributes");
    EXPECT_EQ(entries[45].Name, "HidP_InitializeReportForID");
}

// Which of the four a platform version requires: each number is compared by itself.
struct VersionCase {
    DWORD platformId, major, minor;
    bool reportPair, extendedPair;
};

TEST_F(EnglishHidTest, VersionDecidesWhichExtraRoutinesAreRequired) {
    const VersionCase cases[] = {
        {VER_PLATFORM_WIN32_NT, 5, 0, false, true},
        {VER_PLATFORM_WIN32_NT, 5, 1, true, true},
        {VER_PLATFORM_WIN32_NT, 5, 2, true, true},
        {VER_PLATFORM_WIN32_NT, 6, 0, false, true},
        {VER_PLATFORM_WIN32_NT, 6, 1, true, true},
        {VER_PLATFORM_WIN32_NT, 6, 3, true, true},
        {VER_PLATFORM_WIN32_NT, 10, 0, false, true},
        {VER_PLATFORM_WIN32_NT, 4, 1, false, false},
        {VER_PLATFORM_WIN32_WINDOWS, 5, 1, false, false},
        {0, 0, 0, false, false},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.platformId) + " " + std::to_string(c.major) + "." +
                     std::to_string(c.minor));
        const hid::english::TOsVersion v{c.platformId, c.major, c.minor};
        EXPECT_EQ(hid::english::IsRoutineRequired("HidD_GetInputReport", v), c.reportPair);
        EXPECT_EQ(hid::english::IsRoutineRequired("HidD_SetOutputReport", v), c.reportPair);
        EXPECT_EQ(hid::english::IsRoutineRequired("HidP_GetExtendedAttributes", v), c.extendedPair);
        EXPECT_EQ(hid::english::IsRoutineRequired("HidP_InitializeReportForID", v), c.extendedPair);
        EXPECT_TRUE(hid::english::IsRoutineRequired("HidP_GetCaps", v));
    }
}

// A library that lacks one of the four binds exactly when the version does not require it.
struct BindCase {
    DWORD platformId, major, minor;
    const char* missing;
    bool binds;
};

TEST_F(EnglishHidTest, MissingExtraRoutineFailsTheBindingOnlyWhenRequired) {
    const BindCase cases[] = {
        {VER_PLATFORM_WIN32_NT, 6, 0, "HidD_GetInputReport", true},
        {VER_PLATFORM_WIN32_NT, 10, 0, "HidD_SetOutputReport", true},
        {VER_PLATFORM_WIN32_NT, 6, 0, "HidP_GetExtendedAttributes", false},
        {VER_PLATFORM_WIN32_NT, 5, 0, "HidD_GetInputReport", true},
        {VER_PLATFORM_WIN32_NT, 5, 0, "HidP_InitializeReportForID", false},
        {VER_PLATFORM_WIN32_NT, 5, 1, "HidD_SetOutputReport", false},
        {VER_PLATFORM_WIN32_NT, 6, 1, "HidD_GetInputReport", false},
        {VER_PLATFORM_WIN32_WINDOWS, 5, 1, "HidP_GetExtendedAttributes", true},
        {VER_PLATFORM_WIN32_NT, 10, 0, "HidP_GetCaps", false},
    };
    for (const BindCase& c : cases) {
        SCOPED_TRACE(std::string(c.missing) + " on " + std::to_string(c.platformId) + " " +
                     std::to_string(c.major) + "." + std::to_string(c.minor));
        RunVersion(c.platformId, c.major, c.minor);
        platform::test::ScopedModuleSet modules;
        modules.Without("HID.dll", c.missing);
        EXPECT_EQ(hid::BindHid(), c.binds);
        EXPECT_EQ(hid::IsHidBound(), c.binds);
        if (c.binds) {
            EXPECT_EQ(Pointer(c.missing), nullptr);
            EXPECT_NE(Pointer("HidP_GetCaps"), nullptr);
        } else {
            // All or nothing: a failed binding leaves every pointer nil.
            for (FARPROC p : hid::HidPointers)
                EXPECT_EQ(p, nullptr);
        }
        hid::UnbindHid();
    }
}

TEST_F(EnglishHidTest, RoutinesTheVersionLacksAreNotEvenLookedUp) {
    RunVersion(VER_PLATFORM_WIN32_NT, 6, 0);
    platform::test::StartCallLog();
    ASSERT_TRUE(hid::BindHid());
    platform::test::StopCallLog();
    std::vector<std::string> looked;
    for (const auto& call : platform::test::CallLog())
        if (call.routine == "GetProcAddress")
            looked.push_back(call.text);
    EXPECT_EQ(looked.size(), 44u);
    for (const char* name : {"HidD_GetInputReport", "HidD_SetOutputReport"})
        EXPECT_EQ(std::count(looked.begin(), looked.end(), name), 0) << name;
    EXPECT_EQ(Pointer("HidD_GetInputReport"), nullptr);
    EXPECT_EQ(Pointer("HidD_SetOutputReport"), nullptr);
    EXPECT_NE(Pointer("HidP_GetExtendedAttributes"), nullptr);
    EXPECT_NE(Pointer("HidP_InitializeReportForID"), nullptr);
    // The two of NT 5 come in their places: after HidD_GetIndexedString is HidP_GetCaps.
    ASSERT_EQ(looked.back(), "HidP_InitializeReportForID");
    EXPECT_EQ(looked[looked.size() - 2], "HidP_GetExtendedAttributes");
    platform::test::ResetCallLog();
}

TEST_F(EnglishHidTest, FailedVersionQueryRequiresNoneOfTheFour) {
    platform::test::SetReportedVersion(std::nullopt);
    const hid::english::TOsVersion& v = hid::english::QueryOsVersion();
    EXPECT_EQ(v.PlatformId, 0u);
    EXPECT_EQ(v.MajorVersion, 0u);
    EXPECT_EQ(v.MinorVersion, 0u);
    platform::test::ScopedModuleSet modules;
    for (const char* name : kExtraRoutines)
        modules.Without("HID.dll", name);
    EXPECT_TRUE(hid::BindHid());
    for (const char* name : kExtraRoutines)
        EXPECT_EQ(Pointer(name), nullptr) << name;
}

TEST_F(EnglishHidTest, VersionIsQueriedOnceNotAtEveryBinding) {
    RunVersion(VER_PLATFORM_WIN32_NT, 5, 1);
    platform::test::ResetCallCounts();
    ASSERT_TRUE(hid::BindHid());
    hid::UnbindHid();
    ASSERT_TRUE(hid::BindHid());
    EXPECT_EQ(platform::test::CallCount("GetVersionExA"), 0u);
    // A later change of the platform's answer is not seen until it is asked again.
    platform::test::SetReportedVersion(MakeVersion(VER_PLATFORM_WIN32_NT, 6, 0));
    EXPECT_EQ(hid::english::OsVersion().MinorVersion, 1u);
}

TEST_F(EnglishHidTest, UnbindClearsTheFourExtraPointers) {
    RunVersion(VER_PLATFORM_WIN32_NT, 6, 1);
    ASSERT_TRUE(hid::BindHid());
    for (const char* name : kExtraRoutines)
        ASSERT_NE(Pointer(name), nullptr) << name;
    hid::UnbindHid();
    for (FARPROC p : hid::HidPointers)
        EXPECT_EQ(p, nullptr);
}

// The routines the system calls are found in the chosen table, wherever it places them.
TEST_F(EnglishHidTest, RoutinesAreFoundInTheChosenTable) {
    struct Case {
        const hid::THidVariant* variant;
        std::size_t pointers, capsIndex, extraIndex;
    } const cases[] = {
        {&hid::english::EnglishHid, 46, 19, 17},
        {&hid::RussianHid, 42, 17, static_cast<std::size_t>(-1)},
    };
    RunVersion(VER_PLATFORM_WIN32_NT, 6, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant->Version);
        ASSERT_TRUE(hid::UseHidVariant(*c.variant));
        EXPECT_EQ(hid::HidPointerCount, c.pointers);
        EXPECT_EQ(hid::HidEntryPoints().size(), c.pointers);
        EXPECT_EQ(hid::HidIndex("HidP_GetCaps"), c.capsIndex);
        EXPECT_EQ(hid::HidIndex("HidD_GetInputReport"), c.extraIndex);
        ASSERT_TRUE(hid::BindHid());
        EXPECT_EQ(reinterpret_cast<FARPROC>(hid::HidP_GetCaps.get()),
                  hid::FindModuleSymbol(hid::HidModule, "HidP_GetCaps"));
        hid::UnbindHid();
    }
}

// The table's layout stays while it is bound: a change of variant is refused until unbound.
TEST_F(EnglishHidTest, VariantStaysWhileTheTableIsBound) {
    RunVersion(VER_PLATFORM_WIN32_NT, 6, 1);
    ASSERT_TRUE(hid::BindHid());
    EXPECT_FALSE(hid::UseHidVariant(hid::RussianHid));
    EXPECT_EQ(&hid::HidVariant(), &hid::english::EnglishHid);
    EXPECT_EQ(hid::HidPointerCount, 46u);
    EXPECT_NE(Pointer("HidP_InitializeReportForID"), nullptr);
    hid::UnbindHid();
    EXPECT_TRUE(hid::UseHidVariant(hid::RussianHid));
    EXPECT_EQ(&hid::HidVariant(), &hid::RussianHid);
}

TEST_F(EnglishHidTest, ControllerVersionText) {
    hid::THidDeviceController controller;
    EXPECT_EQ(controller.Version(), "1.0.34");
    controller.SetVersion("9.9");
    EXPECT_EQ(controller.Version(), "1.0.34");
}

} // namespace
