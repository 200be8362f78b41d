// Run-time binding of the device-setup and HID libraries.
#include "HidTestSupport.h"
#include "hid/ModuleLoader.h"
#include "platform/DeviceApi.h"

#include <algorithm>
#include <set>

using namespace hid;
using namespace hidtest;
namespace pt = platform::test;

namespace {

std::set<std::string> Exports(const std::vector<TEntryPoint>& entries) {
    std::set<std::string> names;
    for (const auto& e : entries)
        names.insert(e.Export);
    return names;
}

bool AllNil(const FARPROC* slots, std::size_t count) {
    return std::all_of(slots, slots + count, [](FARPROC p) { return p == nullptr; });
}

bool NoneNil(const FARPROC* slots, std::size_t count) {
    return std::none_of(slots, slots + count, [](FARPROC p) { return p == nullptr; });
}

class BindingTest : public HidFixture {
protected:
    void TearDown() override {
        while (SetupApiRefCount > 0)
            UnbindSetupApi();
        UnbindHid();
        HidFixture::TearDown();
    }
};

} // namespace

TEST(SetupApiTable, ExpandsTo396PointersOver271Exports) {
    const auto& entries = SetupApiEntryPoints();
    ASSERT_EQ(entries.size(), 396u);
    EXPECT_EQ(Exports(entries).size(), 271u);
    // The same names the platform's module exports.
    const auto& platformNames = platform::SetupApiExportNames();
    EXPECT_EQ(Exports(entries), std::set<std::string>(platformNames.begin(), platformNames.end()));

    // 212 pointers of the Setup families first, then 184 of the SetupDi family.
    for (std::size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].Export.rfind("SetupDi", 0) == 0, i >= 212) << entries[i].Name;
    std::size_t twoForm = 0, twice = 0;
    for (const auto& r : SetupApiRoutines) {
        twoForm += r.TwoForm;
        twice += r.Twice();
        EXPECT_EQ(r.Twice(), r.Base.find("DeviceInterface") != std::string_view::npos) << r.Base;
    }
    EXPECT_EQ(twoForm, 106u);
    EXPECT_EQ(twice, 11u);
}

TEST(SetupApiTable, OrdersFormsAndSecondBindings) {
    const auto& e = SetupApiEntryPoints();
    struct Case {
        std::string_view base;
        std::vector<std::string> exports;
    } cases[] = {
        {"SetupGetInfInformation",
         {"SetupGetInfInformationA", "SetupGetInfInformationW", "SetupGetInfInformationA"}},
        {"SetupOpenMasterInf", {"SetupOpenMasterInf"}},
        {"SetupDiEnumDeviceInterfaces",
         {"SetupDiEnumDeviceInterfaces", "SetupDiEnumDeviceInterfaces"}},
        {"SetupDiGetDeviceInterfaceDetail",
         {"SetupDiGetDeviceInterfaceDetailA", "SetupDiGetDeviceInterfaceDetailA",
          "SetupDiGetDeviceInterfaceDetailW", "SetupDiGetDeviceInterfaceDetailW",
          "SetupDiGetDeviceInterfaceDetailA", "SetupDiGetDeviceInterfaceDetailA"}},
        {"SetupDiGetActualSectionToInstall",
         {"SetupDiGetActualSectionToInstallA", "SetupDiGetActualSectionToInstallW",
          "SetupDiGetActualSectionToInstallA"}},
    };
    for (const auto& c : cases) {
        const std::size_t at = SetupApiIndex(c.base, TForm::Ansi);
        ASSERT_LT(at + c.exports.size(), e.size() + 1) << c.base;
        for (std::size_t k = 0; k < c.exports.size(); ++k)
            EXPECT_EQ(e[at + k].Export, c.exports[k]) << c.base << " #" << k;
    }
    EXPECT_EQ(e.front().Name, "SetupGetInfInformationA");
    EXPECT_EQ(e.back().Name, "SetupDiGetActualSectionToInstall");
    // The neutral pointer the enumeration calls is bound to the ANSI export.
    const auto& neutral = e[SetupApiIndex("SetupDiGetClassDevs", TForm::Neutral)];
    EXPECT_EQ(neutral.Name, "SetupDiGetClassDevs");
    EXPECT_EQ(neutral.Export, "SetupDiGetClassDevsA");
    EXPECT_EQ(e[SetupApiIndex("SetupDiGetDeviceInterfaceDetail", TForm::Ansi) + 1].Name,
              "SetupDiGetInterfaceDeviceDetailA");
}

TEST(HidTable, Has42PointersOver37Exports) {
    const auto& e = HidEntryPoints();
    ASSERT_EQ(e.size(), 42u);
    EXPECT_EQ(Exports(e).size(), 37u);
    EXPECT_EQ(e.front().Export, "HidD_Hello");
    EXPECT_EQ(e.back().Export, "HidP_TranslateUsagesToI8042ScanCodes");
    for (const char* twice : {"HidP_GetUsages", "HidP_GetUsagesEx", "HidP_SetUsages",
                              "HidP_UnsetUsages", "HidP_MaxUsageListLength"}) {
        const std::size_t at = HidIndex(twice);
        EXPECT_EQ(e[at].Export, twice);
        EXPECT_EQ(e[at + 1].Export, twice);
    }
    const auto& platformNames = platform::HidExportNames();
    for (const auto& name : Exports(e))
        EXPECT_NE(std::find(platformNames.begin(), platformNames.end(), name), platformNames.end())
            << name;
}

TEST_F(BindingTest, ModuleLoaderHelpers) {
    HMODULE module = 0;
    pt::ResetCallCounts();
    FreeModuleHandle(module);
    EXPECT_EQ(module, 0);
    EXPECT_EQ(pt::CallCount("FreeLibrary"), 0u);

    ASSERT_TRUE(LoadModuleHandle(module, "HID.dll"));
    const HMODULE loaded = module;
    EXPECT_TRUE(LoadModuleHandle(module, "HID.dll"));
    EXPECT_EQ(module, loaded);
    EXPECT_EQ(pt::ModuleRefCount("HID.dll"), 1);

    bool allFound = false;
    EXPECT_NE(FindModuleSymbolChecked(module, "HidP_GetCaps", allFound), nullptr);
    EXPECT_FALSE(allFound); // stays false
    allFound = true;
    EXPECT_EQ(FindModuleSymbolChecked(module, "HidP_Nothing", allFound), nullptr);
    EXPECT_FALSE(allFound);
    EXPECT_EQ(FindModuleSymbol(0, "HidP_GetCaps"), nullptr);
    EXPECT_EQ(FindModuleSymbol(module, "hidp_getcaps"), nullptr); // names with case

    FreeModuleHandle(module);
    EXPECT_EQ(module, 0);
    EXPECT_EQ(pt::ModuleRefCount("HID.dll"), 0);
    EXPECT_FALSE(LoadModuleHandle(module, "NoSuch.dll"));
    EXPECT_EQ(module, 0);
}

class MissingSetupApiName : public BindingTest,
                            public ::testing::WithParamInterface<std::size_t> {};

TEST_P(MissingSetupApiName, FailsAndLeavesNothingBound) {
    const std::string missing = SetupApiEntryPoints()[GetParam()].Export;
    pt::ScopedModuleSet modules;
    modules.Without("SetupApi.dll", missing);
    pt::ResetCallCounts();
    EXPECT_FALSE(BindSetupApi());
    EXPECT_EQ(SetupApiModule, 0);
    EXPECT_EQ(SetupApiRefCount, 0);
    EXPECT_TRUE(AllNil(SetupApiPointers, SetupApiPointerCount));
    EXPECT_EQ(pt::ModuleRefCount("SetupApi.dll"), 0);
    // Every pointer was looked up, also after the miss.
    EXPECT_EQ(pt::CallCount("GetProcAddress"), SetupApiPointerCount);

    // A controller then binds no HID library and creates no window.
    const std::size_t windows = pt::UtilityWindowCount();
    {
        THidDeviceController controller;
        EXPECT_FALSE(IsHidBound());
        EXPECT_EQ(pt::ModuleRefCount("HID.dll"), 0);
        EXPECT_EQ(pt::UtilityWindowCount(), windows);
        EXPECT_EQ(controller.Count(), 0);
        EXPECT_EQ(controller.Version(), "1.0.32");
        const GUID hidClass = {
            0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
        EXPECT_EQ(controller.HidGuid(), hidClass);
    }
    EXPECT_EQ(SetupApiRefCount, 0);
}

// First, middle, last of the 396 pointers (the last is a neutral name).
INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, MissingSetupApiName,
                         ::testing::Values(std::size_t{0}, std::size_t{200}, std::size_t{395}));

class MissingHidName : public BindingTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(MissingHidName, FailsAndLeavesNothingBound) {
    const std::string missing = HidEntryPoints()[GetParam()].Export;
    pt::ScopedModuleSet modules;
    modules.Without("HID.dll", missing);
    pt::ResetCallCounts();
    EXPECT_FALSE(BindHid());
    EXPECT_FALSE(IsHidBound());
    EXPECT_TRUE(AllNil(HidPointers, HidPointerCount));
    EXPECT_EQ(pt::ModuleRefCount("HID.dll"), 0);
    EXPECT_EQ(pt::CallCount("GetProcAddress"), HidPointerCount);
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, MissingHidName,
                         ::testing::Values(std::size_t{0}, std::size_t{21}, std::size_t{41}));

TEST_F(BindingTest, MissingLibraryFailsWithoutReference) {
    pt::ScopedModuleSet modules;
    modules.WithoutModule("SetupApi.dll").WithoutModule("HID.dll");
    EXPECT_FALSE(BindSetupApi());
    EXPECT_EQ(SetupApiRefCount, 0);
    EXPECT_FALSE(BindHid());
    EXPECT_FALSE(IsHidBound());
}

TEST_F(BindingTest, SetupApiIsReferenceCounted) {
    ASSERT_TRUE(BindSetupApi());
    EXPECT_TRUE(NoneNil(SetupApiPointers, SetupApiPointerCount));
    pt::ResetCallCounts();
    ASSERT_TRUE(BindSetupApi());
    EXPECT_EQ(pt::CallCount("GetProcAddress"), 0u); // no lookup repeated
    EXPECT_EQ(SetupApiRefCount, 2);

    UnbindSetupApi();
    EXPECT_NE(SetupApiModule, 0);
    EXPECT_EQ(pt::ModuleRefCount("SetupApi.dll"), 1);
    EXPECT_TRUE(NoneNil(SetupApiPointers, SetupApiPointerCount));
    EXPECT_TRUE(SetupDiGetClassDevs);

    UnbindSetupApi();
    EXPECT_EQ(SetupApiModule, 0);
    EXPECT_EQ(pt::ModuleRefCount("SetupApi.dll"), 0);
    EXPECT_TRUE(AllNil(SetupApiPointers, SetupApiPointerCount));
}

TEST_F(BindingTest, HidIsNotCounted) {
    ASSERT_TRUE(BindHid());
    ASSERT_TRUE(BindHid());
    EXPECT_TRUE(IsHidBound());
    EXPECT_TRUE(NoneNil(HidPointers, HidPointerCount));
    EXPECT_EQ(pt::ModuleRefCount("HID.dll"), 1);
    UnbindHid();
    EXPECT_FALSE(IsHidBound());
    EXPECT_EQ(pt::ModuleRefCount("HID.dll"), 0);
    EXPECT_TRUE(AllNil(HidPointers, HidPointerCount));
}

// A controller whose HID binding fails still gives back its device-setup reference.
TEST_F(BindingTest, ControllerWithoutHidReleasesSetupApi) {
    pt::ScopedModuleSet modules;
    modules.Without("HID.dll", "HidP_GetCaps");
    {
        THidDeviceController controller;
        EXPECT_FALSE(IsHidBound());
        EXPECT_EQ(SetupApiRefCount, 1);
    }
    EXPECT_EQ(SetupApiRefCount, 0);
    EXPECT_EQ(pt::ModuleRefCount("SetupApi.dll"), 0);
}
