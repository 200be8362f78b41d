// Built-in modules: names, reference counts, exports, module sets without chosen names.
#include "MessageLocale.h"
#include "PlatformFixture.h"

#include "platform/Language.h"

#include <numeric>
#include <set>
#include <vector>

namespace platform_test {
namespace {

using ModulesTest = PlatformTest;
using platform::test::CallCount;
using platform::test::ModuleRefCount;

TEST_F(ModulesTest, ModuleNamesCompareWithoutCaseAndShareOneCount) {
    const HMODULE a = LoadLibraryA("SetupApi.dll");
    const HMODULE b = LoadLibraryA("SETUPAPI.DLL");
    const HMODULE c = LoadLibraryA("setupapi");
    ASSERT_NE(a, 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(ModuleRefCount("SetupApi.dll"), 3);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_EQ(ModuleRefCount("setupapi.dll"), 1);
    EXPECT_NE(GetProcAddress(a, "SetupDiGetClassDevsA"), nullptr);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_EQ(ModuleRefCount("SetupApi.dll"), 0);
    // Unloaded: the handle no longer works.
    EXPECT_EQ(GetProcAddress(a, "SetupDiGetClassDevsA"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(FreeLibrary(a));
    EXPECT_EQ(ModuleRefCount("SetupApi.dll"), 0);
}

TEST_F(ModulesTest, UnknownModuleFailsToLoad) {
    EXPECT_EQ(LoadLibraryA("user32.dll"), 0);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryA(nullptr), 0);
}

TEST_F(ModulesTest, Kernel32StaysLoaded) {
    const int before = ModuleRefCount("kernel32.dll");
    ASSERT_GE(before, 1);
    HMODULE k = 0;
    for (int i = 0; i < 3; ++i) {
        k = LoadLibraryA("kernel32.dll");
        ASSERT_NE(k, 0);
        EXPECT_TRUE(FreeLibrary(k));
    }
    EXPECT_EQ(ModuleRefCount("kernel32.dll"), before);
    EXPECT_TRUE(FreeLibrary(k)); // more frees than loads leave it loaded all the same
    EXPECT_EQ(reinterpret_cast<TCancelIo>(GetProcAddress(k, "CancelIo")), &CancelIo);
}

TEST_F(ModulesTest, RoutineNamesCompareWithCase) {
    const HMODULE hid = LoadLibraryA("HID.dll");
    ASSERT_NE(hid, 0);
    EXPECT_NE(GetProcAddress(hid, "HidD_GetHidGuid"), nullptr);
    EXPECT_EQ(GetProcAddress(hid, "hidd_gethidguid"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(hid, "HidD_NoSuchRoutine"), nullptr);
    FreeLibrary(hid);
}

TEST_F(ModulesTest, EveryNameOfTheBindingTablesIsExportedOnce) {
    const auto& setup = platform::SetupApiExportNames();
    const auto& hid = platform::HidExportNames();
    EXPECT_EQ(setup.size(), 271u);
    EXPECT_EQ(std::set<std::string>(setup.begin(), setup.end()).size(), 271u);
    EXPECT_EQ(hid.size(), 41u);
    EXPECT_EQ(setup.front(), "SetupGetInfInformationA");
    EXPECT_EQ(setup.back(), "SetupDiGetActualSectionToInstallW");
    for (const char* extra : {"HidD_GetInputReport", "HidD_SetOutputReport",
                              "HidP_GetExtendedAttributes", "HidP_InitializeReportForID"})
        EXPECT_NE(std::find(hid.begin(), hid.end(), extra), hid.end()) << extra;

    struct Case {
        const char* module;
        const std::vector<std::string>* names;
    };
    for (const Case& c : {Case{"SetupApi.dll", &setup}, Case{"HID.dll", &hid}}) {
        const HMODULE m = LoadLibraryA(c.module);
        ASSERT_NE(m, 0);
        std::set<FARPROC> codes;
        for (const auto& name : *c.names) {
            FARPROC code = GetProcAddress(m, name.c_str());
            EXPECT_NE(code, nullptr) << name;
            codes.insert(code);
        }
        // Each name has its own routine, so a binding into the wrong place shows.
        EXPECT_EQ(codes.size(), c.names->size()) << c.module;
        FreeLibrary(m);
    }
}

TEST_F(ModulesTest, RoutinesNothingCallsFailAsNotImplemented) {
    const HMODULE setup = LoadLibraryA("SetupApi.dll");
    auto open = reinterpret_cast<BOOL (*)()>(GetProcAddress(setup, "SetupOpenMasterInf"));
    ASSERT_NE(open, nullptr);
    SetLastError(0);
    EXPECT_EQ(open(), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_EQ(CallCount("SetupOpenMasterInf"), 1u);
    FreeLibrary(setup);
}

TEST_F(ModulesTest, ModuleSetWithoutAChosenName) {
    const std::vector<std::string>& names = platform::SetupApiExportNames();
    for (const std::string& missing : {names.front(), names[names.size() / 2], names.back()}) {
        platform::test::ScopedModuleSet set;
        set.Without("setupapi.dll", missing);
        const HMODULE m = LoadLibraryA("SetupApi.dll");
        ASSERT_NE(m, 0);
        std::size_t found = 0;
        for (const auto& name : names)
            found += GetProcAddress(m, name.c_str()) != nullptr;
        EXPECT_EQ(found, names.size() - 1) << missing;
        EXPECT_EQ(GetProcAddress(m, missing.c_str()), nullptr);
        FreeLibrary(m);
    }
    // Restored once the set has gone.
    const HMODULE m = LoadLibraryA("SetupApi.dll");
    EXPECT_NE(GetProcAddress(m, names.front().c_str()), nullptr);
    FreeLibrary(m);
}

TEST_F(ModulesTest, ModuleSetWithoutAModuleOrWithAReplacement) {
    static int called;
    called = 0;
    struct Fake {
        static void Guid(LPGUID guid) {
            ++called;
            *guid = GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
        }
    };
    {
        platform::test::ScopedModuleSet set;
        set.WithoutModule("HID.dll").Replace("SetupApi.dll", "SetupNoSuchName",
                                             reinterpret_cast<FARPROC>(&Fake::Guid));
        EXPECT_EQ(LoadLibraryA("hid.dll"), 0);
        const HMODULE setup = LoadLibraryA("SetupApi.dll");
        EXPECT_NE(GetProcAddress(setup, "SetupNoSuchName"), nullptr);
        FreeLibrary(setup);
    }
    platform::test::ScopedModuleSet set;
    set.Replace("HID.dll", "HidD_GetHidGuid", reinterpret_cast<FARPROC>(&Fake::Guid));
    const HMODULE hid = LoadLibraryA("HID.dll");
    ASSERT_NE(hid, 0);
    auto guid = reinterpret_cast<THidD_GetHidGuid>(GetProcAddress(hid, "HidD_GetHidGuid"));
    GUID g{};
    guid(&g);
    EXPECT_EQ(called, 1);
    EXPECT_EQ(g.Data1, 1u);
    FreeLibrary(hid);
}

TEST_F(ModulesTest, CallsAreCountedAndLogged) {
    platform::test::StartCallLog();
    const HMODULE hid = LoadLibraryA("HID.dll");
    GetProcAddress(hid, "HidD_GetAttributes");
    FreeLibrary(hid);
    platform::test::StopCallLog();
    EXPECT_EQ(CallCount("LoadLibraryA"), 1u);
    EXPECT_EQ(CallCount("GetProcAddress"), 1u);
    EXPECT_EQ(CallCount("FreeLibrary"), 1u);
    const auto log = platform::test::CallLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].routine, "LoadLibraryA");
    EXPECT_EQ(log[0].text, "HID.dll");
    EXPECT_EQ(log[1].text, "HidD_GetAttributes");
    EXPECT_EQ(log[2].argument, static_cast<std::uint32_t>(hid));
    platform::test::ResetCallCounts();
    EXPECT_EQ(CallCount("LoadLibraryA"), 0u);
}

TEST_F(ModulesTest, HidGuidIsTheHidInterfaceClass) {
    const HMODULE hid = LoadLibraryA("HID.dll");
    auto guid = reinterpret_cast<THidD_GetHidGuid>(GetProcAddress(hid, "HidD_GetHidGuid"));
    GUID g{};
    guid(&g);
    const GUID expected = {
        0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    EXPECT_EQ(g, expected);
    FreeLibrary(hid);
}

TEST_F(ModulesTest, VersionAsReportedOrFailing) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);

    platform::test::SetReportedVersion(platform::test::MakeVersion(2, 6, 0));
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 6u);
    EXPECT_EQ(info.dwMinorVersion, 0u);

    platform::test::SetReportedVersion(std::nullopt);
    EXPECT_FALSE(GetVersionExA(&info));

    platform::test::Reset();
    info.dwOSVersionInfoSize = 12; // a wrong size field is refused
    EXPECT_FALSE(GetVersionExA(&info));
}

TEST_F(ModulesTest, ErrorTexts) {
    const MessageLocale english("C");
    EXPECT_EQ(SysErrorMessage(ERROR_DEVICE_NOT_CONNECTED), "The device is not connected.");
    char buffer[128];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, ERROR_ACCESS_DENIED, 0, buffer, sizeof buffer, nullptr);
    EXPECT_EQ(std::string(buffer, n), "Access denied.\r\n");
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 5,
                             nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_FALSE(SysErrorMessage(123456).empty());
}

// The texts in the language asked; a language without texts is refused.
TEST_F(ModulesTest, ErrorTextsInTheLanguageAsked) {
    const MessageLocale russian("ru_RU.UTF-8"); // not asked for here
    struct Case {
        WORD language;
        DWORD code;
        const char* text; // nullptr: refused
    };
    const Case cases[] = {
        {MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), ERROR_ACCESS_DENIED, "Access denied."},
        {MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), ERROR_ACCESS_DENIED, "Access denied."},
        {MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), ERROR_ACCESS_DENIED, "Отказано в доступе."},
        {MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), ERROR_DEVICE_NOT_CONNECTED,
         "Устройство не подключено."},
        {MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL), ERROR_GEN_FAILURE, "Устройство не работает."},
        {MAKELANGID(LANG_GERMAN, SUBLANG_DEFAULT), ERROR_ACCESS_DENIED, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        char buffer[512];
        SetLastError(ERROR_SUCCESS);
        const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                       nullptr, c.code, c.language, buffer, sizeof buffer, nullptr);
        if (c.text) {
            EXPECT_EQ(std::string(buffer, n), c.text);
        } else {
            EXPECT_EQ(n, 0u);
            EXPECT_EQ(GetLastError(), ERROR_RESOURCE_LANG_NOT_FOUND);
        }
    }
}

// Language 0 is the user's: the language of the first of LC_ALL, LC_MESSAGES and LANG that
// is set, English where that locale's language has no texts or there is no locale.
TEST_F(ModulesTest, ErrorTextsInTheUsersLanguage) {
    struct Case {
        const char* lang;
        const char* messages;
        const char* all;
        const char* text;
    };
    const char* const ru = "Отказано в доступе.";
    const char* const en = "Access denied.";
    const Case cases[] = {
        {"ru_RU.UTF-8", nullptr, nullptr, ru},
        {"ru_UA.UTF-8@euro", nullptr, nullptr, ru},
        {"ru", nullptr, nullptr, ru},
        {"en_US.UTF-8", nullptr, nullptr, en},
        {"C", nullptr, nullptr, en},
        {"POSIX", nullptr, nullptr, en},
        {"de_DE.UTF-8", nullptr, nullptr, en}, // no German texts
        {"rus", nullptr, nullptr, en},
        {nullptr, nullptr, nullptr, en},
        {"en_US.UTF-8", "ru_RU.UTF-8", nullptr, ru}, // LC_MESSAGES before LANG
        {"ru_RU.UTF-8", "C", nullptr, en},
        {"ru_RU.UTF-8", "", nullptr, ru},                  // empty counts as unset
        {"en_US.UTF-8", "en_US.UTF-8", "ru_RU.UTF-8", ru}, // LC_ALL before both
        {"ru_RU.UTF-8", "ru_RU.UTF-8", "C", en},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << (c.all ? c.all : "-") << " / " << (c.messages ? c.messages : "-") << " / "
                     << (c.lang ? c.lang : "-"));
        const MessageLocale locale(c.lang, c.messages, c.all);
        char buffer[512];
        const DWORD n =
            FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr,
                           ERROR_ACCESS_DENIED, 0, buffer, sizeof buffer, nullptr);
        EXPECT_EQ(std::string(buffer, n), c.text);
        // The texts of the library's own errors stay English.
        EXPECT_EQ(SysErrorMessage(ERROR_ACCESS_DENIED), en);
    }
}

// Every code with an English text has a Russian one.
TEST_F(ModulesTest, EveryErrorTextHasBothLanguages) {
    std::vector<DWORD> codes(2000);
    std::iota(codes.begin(), codes.end(), DWORD{0});
    codes.push_back(ERROR_NO_SUCH_DEVINST);
    for (DWORD code : codes) {
        char english[512], russian[512];
        const DWORD e = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                       MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), english,
                                       sizeof english, nullptr);
        const DWORD r = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                       MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), russian,
                                       sizeof russian, nullptr);
        EXPECT_EQ(e == 0, r == 0) << code;
        if (e && r) {
            EXPECT_NE(std::string(english, e), std::string(russian, r)) << code;
        }
    }
}

} // namespace
} // namespace platform_test
