#include "KernelBus.h"

#include "platform/DeviceApi.h"
#include "platform/linux/HidrawBus.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vmcheck {

hidraw::UhidIdentity OtherIdentity() {
    hidraw::UhidIdentity id;
    id.name = "Other HID device";
    id.uniq = "X-7";
    id.vendor = 0x1234;
    id.product = 0x5678;
    id.descriptor = {
        0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01, // vendor page, application collection
        0x85, 0x01,                               // Report ID (1)
        0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, // bytes
        0x95, 0x08, 0x09, 0x02, 0x81, 0x02,       // Input: 8 bytes
        0x95, 0x08, 0x09, 0x02, 0x91, 0x02,       // Output: 8 bytes
        0xC0,
    };
    return id;
}

hidraw::UhidIdentity MarkIdentity() {
    hidraw::UhidIdentity id = OtherIdentity();
    id.name = "Mark";
    id.uniq = "M-1";
    id.product = 0x0001;
    return id;
}

analyzer::StatusFields RunningFields() {
    analyzer::StatusFields f;
    f.state = analyzer::Byte(analyzer::AnalyzerState::RunAll);
    f.temperature = -12.5f;
    f.th = 3.25f;
    f.signal = 1234;
    f.cloudPoint = -5.5f;
    f.filterPoint = -15.0f;
    f.modeByte = analyzer::Byte(analyzer::ModeBits::Optical);
    f.dt = -1.5f;
    f.df = -17;
    return f;
}

std::vector<core::TOutputReport> SampleCommands() {
    std::array<std::uint8_t, core::kEepromPageSize> page{};
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<std::uint8_t>(0xA0 + i);
    core::TOutputReport everyByte{};
    for (std::size_t i = 1; i < everyByte.size(); ++i)
        everyByte[i] = static_cast<std::uint8_t>(i);
    return {
        core::PollReport(),
        core::RunControlReport(core::TRunControl::Start),
        core::WriteEepromPageReport(core::kParameterControlByte, 0x0123, page),
        everyByte,
    };
}

std::optional<std::vector<std::uint8_t>> NextOutput(hidraw::UhidDevice& device,
                                                    std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        hidraw::UhidEvent event;
        const int got = device.Next(event, 50);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            continue;
        if (event.kind == hidraw::UhidEvent::Output)
            return event.data;
        device.RefuseRequest(event);
    }
    return std::nullopt;
}

void KernelBus::SetUpTestSuite() {
    rt::MainThread::Adopt();
    hidraw::UseHidrawBus();
}

void KernelBus::SetUp() {
    controller_ = std::make_unique<hid::THidDeviceController>();
    controller_->OnArrival = hid::THidPlugEvent::Of<&KernelBus::Arrival>(this);
    controller_->OnRemoval = hid::THidPlugEvent::Of<&KernelBus::Removal>(this);
    controller_->SetOnDeviceData(hid::THidDataEvent::Of<&KernelBus::Data>(this));
    // the first enumeration, posted by the controller itself
    while (rt::MainThread::ProcessPending() > 0) {}
}

void KernelBus::TearDown() {
    for (hid::THidDevice* device : out_)
        delete device;
    out_.clear();
    controller_.reset();
    while (rt::MainThread::ProcessPending() > 0) {}
}

std::unique_ptr<hidraw::UhidDevice> KernelBus::Create(const hidraw::UhidIdentity& identity) {
    auto device = hidraw::UhidDevice::Create(identity);
    EXPECT_TRUE(device) << "uhid: " << std::strerror(errno);
    if (!device)
        return nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        return Listed(static_cast<std::uint16_t>(identity.vendor),
                      static_cast<std::uint16_t>(identity.product)) != nullptr;
    })) << identity.name
        << " was not listed";
    return device;
}

hid::THidDevice* KernelBus::Listed(std::uint16_t vendor, std::uint16_t product) const {
    for (std::int32_t i = 0; i < controller_->Count(); ++i) {
        hid::THidDevice* d = controller_->Device(i);
        if (d->PluggedIn() && d->Attributes().VendorID == vendor &&
            d->Attributes().ProductID == product)
            return d;
    }
    return nullptr;
}

hid::THidDevice* KernelBus::CheckOutAnalyzer() {
    for (std::int32_t i = 0; i < controller_->Count(); ++i) {
        hid::THidDevice* d = controller_->Device(i);
        if (d->Attributes().VendorID != 0x0925 || d->Attributes().ProductID != 0x1299)
            continue;
        hid::THidDevice* out = nullptr;
        if (controller_->CheckOutByIndex(out, i)) {
            out_.push_back(out);
            return out;
        }
    }
    return nullptr;
}

bool KernelBus::Settled() {
    if (std::system("udevadm settle --timeout=15") != 0) {
        ADD_FAILURE() << "udev did not settle";
        return false;
    }
    auto mark = hidraw::UhidDevice::Create(MarkIdentity());
    if (!mark) {
        ADD_FAILURE() << "uhid: " << std::strerror(errno);
        return false;
    }
    const bool listed = WaitUntil([&] { return Listed(0x1234, 0x0001) != nullptr; });
    mark.reset();
    const bool gone = WaitUntil([&] { return Listed(0x1234, 0x0001) == nullptr; });
    EXPECT_TRUE(listed && gone) << "the mark device was not handed on";
    return listed && gone;
}

int KernelBus::ArrivalsOf(std::uint16_t vendor, std::uint16_t product) const {
    return static_cast<int>(
        std::count_if(arrivals_.begin(), arrivals_.end(), [&](const Arrived& a) {
            return a.attributes.VendorID == vendor && a.attributes.ProductID == product;
        }));
}

namespace {
DWORD g_completions = 0;
void CountCompletion(DWORD, DWORD, LPOVERLAPPED) { ++g_completions; }
} // namespace

void KernelBus::ExpectPendingReadEndsWhen(const std::function<bool()>& pull) {
    hid::THidDevice* analyzer = Listed(0x0925, 0x1299);
    ASSERT_NE(analyzer, nullptr);
    const std::string path = analyzer->PnPInfo()->DevicePath;
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::uint8_t buffer[65] = {};
    OVERLAPPED ov{};
    g_completions = 0;
    ASSERT_TRUE(ReadFileEx(h, buffer, sizeof buffer, &ov, CountCompletion));

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(pull());
    // the bound only keeps a fault from hanging the run; the read ends well before it
    EXPECT_EQ(SleepEx(10000, TRUE), DWORD(WAIT_IO_COMPLETION));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(g_completions, 1u);
    DWORD bytes = 7;
    EXPECT_FALSE(GetOverlappedResult(h, &ov, &bytes, FALSE));
    EXPECT_EQ(bytes, 0u);
    EXPECT_TRUE(CloseHandle(h));

    ASSERT_TRUE(WaitUntil([&] { return controller_->Count() == 0; }));
    EXPECT_EQ(removals_.size(), 1u);
}

bool KernelBus::IsMark(const hid::THidDevice* device) {
    return device->Attributes().VendorID == 0x1234 && device->Attributes().ProductID == 0x0001;
}

void KernelBus::Arrival(hid::THidDevice* device) {
    if (IsMark(device))
        return;
    Arrived a{device,
              device->PnPInfo()->DeviceInstance,
              device->Attributes(),
              device->GetProductName(),
              {}};
    device->GetCaps(a.caps);
    arrivals_.push_back(a);
}

const KernelBus::Arrived* KernelBus::ArrivalOf(std::uint16_t vendor, std::uint16_t product) const {
    for (const Arrived& a : arrivals_)
        if (a.attributes.VendorID == vendor && a.attributes.ProductID == product)
            return &a;
    return nullptr;
}

std::optional<core::TMeasurement> KernelBus::StatusThrough(hid::THidDevice* device,
                                                           const analyzer::Payload& payload,
                                                           const std::function<bool()>& send) {
    reports_.clear();
    if (!send()) {
        ADD_FAILURE() << "the device did not take the input report";
        return std::nullopt;
    }
    if (!WaitUntil([&] { return !reports_.empty(); })) {
        ADD_FAILURE() << "no report reached the read thread";
        return std::nullopt;
    }
    EXPECT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].id, 0);
    EXPECT_EQ(reports_[0].bytes, std::vector<std::uint8_t>(payload.begin(), payload.end()));
    auto status = core::DecodeStatusReport(reports_[0].bytes.data(), reports_[0].bytes.size(),
                                           device->Attributes().VersionNumber);
    EXPECT_TRUE(status) << "the status parser refused the report";
    return status;
}

void KernelBus::Data(hid::THidDevice*, std::uint8_t reportId, const void* data,
                     std::uint16_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    reports_.push_back({reportId, std::vector<std::uint8_t>(bytes, bytes + size)});
}

} // namespace vmcheck
