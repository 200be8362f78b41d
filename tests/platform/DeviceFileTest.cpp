// Opening virtual devices, writing output reports, and the HID queries per handle.
#include "PlatformFixture.h"

#include "tests/platform/SilentDevice.h"

#include <cstring>
#include <future>
#include <thread>

namespace platform_test {
namespace {

struct HidRoutines {
    HMODULE module = LoadLibraryA("HID.dll");
    template <class T>
    T Bind(const char* name) const {
        return reinterpret_cast<T>(GetProcAddress(module, name));
    }
    THidD_GetAttributes getAttributes = Bind<THidD_GetAttributes>("HidD_GetAttributes");
    THidD_GetPreparsedData getPreparsed = Bind<THidD_GetPreparsedData>("HidD_GetPreparsedData");
    THidD_FreePreparsedData freePreparsed = Bind<THidD_FreePreparsedData>("HidD_FreePreparsedData");
    THidP_GetCaps getCaps = Bind<THidP_GetCaps>("HidP_GetCaps");
    THidD_GetNumInputBuffers getBuffers = Bind<THidD_GetNumInputBuffers>("HidD_GetNumInputBuffers");
    THidD_SetNumInputBuffers setBuffers = Bind<THidD_SetNumInputBuffers>("HidD_SetNumInputBuffers");
    THidD_GetProductString product = Bind<THidD_GetProductString>("HidD_GetProductString");
    THidD_GetSerialNumberString serial =
        Bind<THidD_GetSerialNumberString>("HidD_GetSerialNumberString");
    THidD_GetIndexedString indexed = Bind<THidD_GetIndexedString>("HidD_GetIndexedString");
    ~HidRoutines() { FreeLibrary(module); }
};

using DeviceFileTest = PlatformTest;

TEST_F(DeviceFileTest, OpenModes) {
    struct Case {
        sim::OpenMode mode;
        DWORD access;
        bool opens;
        DWORD error;
    };
    const Case cases[] = {
        {sim::OpenMode::ReadWrite, GENERIC_READ | GENERIC_WRITE, true, 0},
        {sim::OpenMode::ReadWrite, GENERIC_READ, true, 0},
        {sim::OpenMode::ReadWrite, 0, true, 0},
        {sim::OpenMode::QueryOnly, GENERIC_READ | GENERIC_WRITE, false, ERROR_ACCESS_DENIED},
        {sim::OpenMode::QueryOnly, GENERIC_READ, false, ERROR_ACCESS_DENIED},
        {sim::OpenMode::QueryOnly, 0, true, 0},
        {sim::OpenMode::None, GENERIC_READ | GENERIC_WRITE, false, ERROR_SHARING_VIOLATION},
        {sim::OpenMode::None, 0, false, ERROR_SHARING_VIOLATION},
    };
    for (const Case& c : cases) {
        sim::VirtualDeviceInfo info;
        info.openMode = c.mode;
        auto device = PlugDevice(info);
        const HANDLE h = OpenSync(device, c.access);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens)
            << static_cast<int>(c.mode) << " access " << std::hex << c.access;
        if (h != INVALID_HANDLE_VALUE)
            EXPECT_TRUE(CloseHandle(h));
        else
            EXPECT_EQ(GetLastError(), c.error);
        sim::VirtualBus::Instance().Unplug(device);
    }
    EXPECT_EQ(platform::test::OpenHandleCount(), 0u);
}

TEST_F(DeviceFileTest, UnknownPathDoesNotOpen) {
    EXPECT_EQ(CreateFileA("\\\\?\\hid#nothing", GENERIC_READ, 3, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    auto device = PlugDevice();
    std::string upper = device->Path();
    for (char& ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const HANDLE h = CreateFileA(upper.c_str(), 0, 3, nullptr, OPEN_EXISTING, 0, 0);
    EXPECT_NE(h, INVALID_HANDLE_VALUE); // paths compare without case
    CloseHandle(h);
}

TEST_F(DeviceFileTest, WriteHandsTheReportToTheDevice) {
    auto device = PlugDevice();
    const HANDLE h = OpenSync(device);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    auto report = Report(0x08);
    report[2] = 0x08;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, report.data(), 65, &written, nullptr));
    EXPECT_EQ(written, 65u);
    ASSERT_EQ(device->Written().size(), 1u);
    EXPECT_EQ(device->Written()[0], report);
    CloseHandle(h);
}

TEST_F(DeviceFileTest, WriteFailures) {
    auto device = PlugDevice();
    auto report = Report(0);
    DWORD written = 77;

    const HANDLE query = OpenSync(device, 0);
    EXPECT_FALSE(WriteFile(query, report.data(), 65, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(written, 0u);

    const HANDLE h = OpenSync(device);
    EXPECT_FALSE(WriteFile(h, report.data(), 64, &written, nullptr)); // not one whole report
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    sim::VirtualBus::Instance().Unplug(device);
    EXPECT_FALSE(WriteFile(h, report.data(), 65, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_TRUE(device->Written().empty());

    // Plugged in again: the old handle stays dead, a new one works.
    sim::VirtualBus::Instance().Plug(device);
    EXPECT_FALSE(WriteFile(h, report.data(), 65, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    const HANDLE fresh = OpenSync(device);
    EXPECT_TRUE(WriteFile(fresh, report.data(), 65, &written, nullptr));

    for (HANDLE x : {query, h, fresh})
        EXPECT_TRUE(CloseHandle(x));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(WriteFile(h, report.data(), 65, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// A device that takes no report holds the writer only for a small bound: the write fails with
// a time-out, the next one is not queued behind it, and the report still in flight goes in
// once the device takes reports again.
TEST_F(DeviceFileTest, WriteToADeviceThatTakesNoReportsEndsWithinTheBound) {
    using namespace std::chrono_literals;
    auto device = PlugDevice();
    const HANDLE h = OpenSync(device);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const auto held = Report(0x08);
    const auto next = Report(0x09);
    silent::SilentFor silence(device);
    for (const auto* report : {&held, &next}) {
        DWORD written = 77;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(WriteFile(h, report->data(), 65, &written, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_EQ(written, 0u);
        ASSERT_TRUE(silent::Eventually([&] { return device->WaitingWrites() == 1; }));
    }
    EXPECT_FALSE(silence.Hung());
    EXPECT_TRUE(device->Written().empty());

    silence.End();
    ASSERT_TRUE(silent::Eventually([&] { return device->Written().size() == 1; }));
    EXPECT_EQ(device->Written()[0], held);
    DWORD written = 0;
    ASSERT_TRUE(
        silent::Eventually([&] { return WriteFile(h, next.data(), 65, &written, nullptr); }));
    EXPECT_EQ(written, 65u);
    EXPECT_EQ(device->Written(), (std::vector<std::vector<std::uint8_t>>{held, next}));
    EXPECT_TRUE(CloseHandle(h));
}

// The bound is the device's: it starts when the handle's writer thread takes the report. A
// thread that a loaded machine runs late fails no write that the device takes at once; one
// that does not run at all holds the writer for a longer bound, and its report goes in once
// it runs.
TEST_F(DeviceFileTest, WriterThreadRunLateIsNotCountedAgainstTheDevice) {
    using namespace std::chrono_literals;
    auto device = PlugDevice();
    const auto first = Report(0x08);
    const auto second = Report(0x09);
    DWORD written = 0;
    {
        const platform::test::WriterStart late([] { std::this_thread::sleep_for(400ms); });
        const HANDLE h = OpenSync(device);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(WriteFile(h, first.data(), 65, &written, nullptr)) << GetLastError();
        EXPECT_EQ(written, 65u);
        EXPECT_EQ(device->Written(), std::vector<std::vector<std::uint8_t>>{first});
        EXPECT_TRUE(CloseHandle(h));
    }
    std::promise<void> run;
    const platform::test::WriterStart never([went = run.get_future().share()] { went.wait(); });
    const HANDLE h = OpenSync(device);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WriteFile(h, second.data(), 65, &written, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(WriteFile(h, first.data(), 65, &written, nullptr)) << "one in flight";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    run.set_value();
    ASSERT_TRUE(silent::Eventually([&] { return device->Written().size() == 2; }));
    EXPECT_EQ(device->Written()[1], second);
    EXPECT_TRUE(CloseHandle(h));
}

// The handle closed, or the device unplugged, while a write waits for the device: nothing is
// left behind, and a write on the unplugged device's handle fails as not connected.
TEST_F(DeviceFileTest, HandleClosedOrDeviceUnpluggedWhileAWriteIsInFlight) {
    for (bool unplug : {false, true}) {
        SCOPED_TRACE(unplug ? "unplugged" : "closed");
        auto device = PlugDevice();
        const HANDLE h = OpenSync(device);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        const auto report = Report(0x08);
        DWORD written = 0;
        silent::SilentFor silence(device);
        EXPECT_FALSE(WriteFile(h, report.data(), 65, &written, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
        ASSERT_TRUE(silent::Eventually([&] { return device->WaitingWrites() == 1; }));
        if (unplug) {
            sim::VirtualBus::Instance().Unplug(device);
            ASSERT_TRUE(silent::Eventually([&] {
                return !WriteFile(h, report.data(), 65, &written, nullptr) &&
                       GetLastError() == ERROR_DEVICE_NOT_CONNECTED;
            })) << GetLastError();
            EXPECT_TRUE(CloseHandle(h));
            EXPECT_EQ(device->WaitingWrites(), 0);
            EXPECT_TRUE(device->Written().empty());
        } else {
            EXPECT_TRUE(CloseHandle(h));
            EXPECT_EQ(platform::test::OpenHandleCount(), 0u);
            silence.End();
            ASSERT_TRUE(silent::Eventually([&] { return device->Written().size() == 1; }));
            sim::VirtualBus::Instance().Unplug(device);
        }
        EXPECT_FALSE(silence.Hung());
        EXPECT_EQ(platform::test::OpenHandleCount(), 0u);
    }
}

TEST_F(DeviceFileTest, AttributesAndCapsThroughPreparsedData) {
    HidRoutines hid;
    sim::VirtualDeviceInfo info;
    info.versionNumber = 3;
    info.inputReportLength = 33;
    info.outputReportLength = 17;
    info.openMode = sim::OpenMode::QueryOnly;
    auto device = PlugDevice(info);
    const HANDLE h = OpenSync(device, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    HIDD_ATTRIBUTES attributes{};
    attributes.Size = 16;
    EXPECT_FALSE(hid.getAttributes(h, &attributes));
    attributes.Size = 12;
    ASSERT_TRUE(hid.getAttributes(h, &attributes));
    EXPECT_EQ(attributes.VendorID, 0x0925);
    EXPECT_EQ(attributes.ProductID, 0x1299);
    EXPECT_EQ(attributes.VersionNumber, 3);

    PHIDP_PREPARSED_DATA preparsed = nullptr;
    ASSERT_TRUE(hid.getPreparsed(h, &preparsed));
    CloseHandle(h); // the data outlives the handle
    HIDP_CAPS caps{};
    EXPECT_EQ(hid.getCaps(preparsed, &caps), HIDP_STATUS_SUCCESS);
    EXPECT_EQ(caps.InputReportByteLength, 33);
    EXPECT_EQ(caps.OutputReportByteLength, 17);
    EXPECT_TRUE(hid.freePreparsed(preparsed));
    EXPECT_FALSE(hid.freePreparsed(preparsed));
    EXPECT_EQ(hid.getCaps(preparsed, &caps), HIDP_STATUS_INVALID_PREPARSED_DATA);
    EXPECT_EQ(hid.getCaps(nullptr, &caps), HIDP_STATUS_INVALID_PREPARSED_DATA);
}

TEST_F(DeviceFileTest, AttributesFailWhenTheDeviceCannotBeIdentified) {
    HidRoutines hid;
    sim::VirtualDeviceInfo info;
    info.attributesFail = true;
    auto device = PlugDevice(info);
    const HANDLE h = OpenSync(device);
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = 12;
    EXPECT_FALSE(hid.getAttributes(h, &attributes));
    CloseHandle(h);
}

TEST_F(DeviceFileTest, StringsAsSixteenBitWords) {
    HidRoutines hid;
    sim::VirtualDeviceInfo info;
    info.productString = std::u16string(300, u'Ж');
    info.serialNumber = u"SN-42";
    info.stringDescriptor0 = {0x0409, 0x0419};
    auto device = PlugDevice(info);
    const HANDLE h = OpenSync(device, 0);

    // A string that fills the buffer comes without a NUL.
    std::vector<char16_t> buffer(254, u'?');
    ASSERT_TRUE(hid.product(h, buffer.data(), 508));
    EXPECT_EQ(std::u16string(buffer.begin(), buffer.end()), std::u16string(254, u'Ж'));

    std::fill(buffer.begin(), buffer.end(), u'?');
    ASSERT_TRUE(hid.serial(h, buffer.data(), 508));
    EXPECT_EQ(std::u16string(buffer.data()), u"SN-42");

    std::vector<std::uint16_t> words(254, 0xFFFF);
    ASSERT_TRUE(hid.indexed(h, 0, words.data(), 508));
    EXPECT_EQ(words[0], 0x0409);
    EXPECT_EQ(words[1], 0x0419);
    EXPECT_EQ(words[2], 0);      // NUL after the words
    EXPECT_EQ(words[3], 0xFFFF); // untouched
    EXPECT_FALSE(hid.indexed(h, 5, words.data(), 508));
    CloseHandle(h);
}

TEST_F(DeviceFileTest, MissingStringsFail) {
    HidRoutines hid;
    sim::VirtualDeviceInfo info;
    info.stringDescriptor0.clear();
    auto device = PlugDevice(info);
    const HANDLE h = OpenSync(device);
    std::vector<std::uint16_t> words(254, 0xFFFF);
    EXPECT_FALSE(hid.product(h, words.data(), 508));
    EXPECT_FALSE(hid.serial(h, words.data(), 508));
    EXPECT_FALSE(hid.indexed(h, 0, words.data(), 508));
    EXPECT_EQ(words[0], 0xFFFF);
    CloseHandle(h);
    EXPECT_FALSE(hid.product(h, words.data(), 508));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(DeviceFileTest, InputBufferCountPerHandle) {
    HidRoutines hid;
    auto device = PlugDevice();
    const HANDLE a = OpenSync(device);
    const HANDLE b = OpenRead(device);
    ULONG count = 0;
    ASSERT_TRUE(hid.getBuffers(a, &count));
    EXPECT_EQ(count, 32u);
    ASSERT_TRUE(hid.setBuffers(a, 128));
    ASSERT_TRUE(hid.getBuffers(a, &count));
    EXPECT_EQ(count, 128u);
    ASSERT_TRUE(hid.getBuffers(b, &count));
    EXPECT_EQ(count, 32u);
    for (ULONG bad : {0u, 1u, 513u})
        EXPECT_FALSE(hid.setBuffers(a, bad)) << bad;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(hid.setBuffers(a, 2));
    EXPECT_TRUE(hid.setBuffers(a, 512));
    CloseHandle(a);
    CloseHandle(b);
    EXPECT_FALSE(hid.getBuffers(a, &count));
}

} // namespace
} // namespace platform_test
