// The Linux bus and the HID layer against uhid devices under the kernel's hidraw driver.
#include "KernelBus.h"

#include "app/core/InputReport.h"
#include "app/core/OutputReport.h"
#include "analyzer/StatusReport.h"
#include "platform/DeviceApi.h"

#include <cstring>

namespace vmcheck {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST_F(KernelBus, ListsTheAnalyzerAndTheDeviceBesideIt) {
    auto analyzer = Create(analyzer::UhidAnalyzerIdentity());
    auto other = Create(OtherIdentity());
    ASSERT_TRUE(analyzer && other);
    EXPECT_EQ(controller_->Count(), 2);
    EXPECT_EQ(arrivals_.size(), 2u);

    struct Case {
        std::uint16_t vendor, product;
        std::u16string productString;
        USHORT inputLength, outputLength;
    };
    const Case cases[] = {
        {0x0925, 0x1299, u"Kelvane A", 65, 65},      // no report ID: one byte added
        {0x1234, 0x5678, u"Other HID device", 9, 9}, // report ID 1 and 8 bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.vendor);
        ASSERT_NE(Listed(c.vendor, c.product), nullptr);
        const Arrived* a = ArrivalOf(c.vendor, c.product);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->attributes.VersionNumber, 0); // no USB device under uhid
        EXPECT_EQ(a->productName, c.productString);
        EXPECT_EQ(a->caps.InputReportByteLength, c.inputLength);
        EXPECT_EQ(a->caps.OutputReportByteLength, c.outputLength);
        EXPECT_TRUE(a->device->PnPInfo()->DevicePath.rfind("/dev/hidraw", 0) == 0)
            << a->device->PnPInfo()->DevicePath;
    }
    EXPECT_NE(Listed(0x0925, 0x1299)->PnPInfo()->DeviceInstance,
              Listed(0x1234, 0x5678)->PnPInfo()->DeviceInstance);
}

TEST_F(KernelBus, CommandsReachTheDeviceWhole) {
    auto device = Create(analyzer::UhidAnalyzerIdentity());
    ASSERT_TRUE(device);
    hid::THidDevice* d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->HasReadWriteAccess());

    for (const core::TOutputReport& report : SampleCommands()) {
        SCOPED_TRACE(testing::Message() << "command " << int(report[2]));
        DWORD written = 0;
        ASSERT_TRUE(d->SyncWrite(report.data(), report.size(), written));
        EXPECT_EQ(written, report.size());
        // uhid shows the report ID byte that a USB device's driver leaves out
        const auto got = NextOutput(*device);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, Bytes(report.begin(), report.end()));
    }
}

TEST_F(KernelBus, ReportsReachTheReadThreadAndTheStatusParser) {
    auto device = Create(analyzer::UhidAnalyzerIdentity());
    ASSERT_TRUE(device);
    hid::THidDevice* d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    ASSERT_NE(d->ReadThread(), nullptr);
    // hidraw keeps reports only for a reader that has the node open
    ASSERT_TRUE(WaitUntil([&] { return d->ReadHandle() != INVALID_HANDLE_VALUE; }));

    const analyzer::StatusFields fields = RunningFields();
    // the version number reads 0 here, so byte 39 alone picks the layout
    const struct {
        bool layoutA;
        std::uint8_t byte39;
    } layouts[] = {{false, 0}, {true, 2}};
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.layoutA ? "layout A" : "layout B");
        const analyzer::Payload payload =
            analyzer::BuildStatusPayload(fields, layout.layoutA, layout.byte39);
        const auto r = StatusThrough(
            d, payload, [&] { return device->SendInput(payload.data(), payload.size()); });
        ASSERT_TRUE(r);
        EXPECT_EQ(r->FState, fields.state);
        EXPECT_FLOAT_EQ(r->FTemperature, fields.temperature);
        EXPECT_FLOAT_EQ(r->FSignal, fields.signal);
        EXPECT_FLOAT_EQ(r->FCloudPoint, fields.cloudPoint);
        EXPECT_FLOAT_EQ(r->FFilterPoint, fields.filterPoint);
        EXPECT_FLOAT_EQ(r->FPourPoint, fields.pourPoint);
        EXPECT_EQ(r->FModeByte, fields.modeByte);
        EXPECT_FLOAT_EQ(r->FDf, fields.df);
    }
}

TEST_F(KernelBus, DestroyingTheDeviceEndsThePendingReadAtOnce) {
    auto device = Create(analyzer::UhidAnalyzerIdentity());
    ASSERT_TRUE(device);
    ExpectPendingReadEndsWhen([&] { return device->Destroy(); });
}

TEST_F(KernelBus, UnplugDuringTheReadThreadsWaitAndPlugInAgain) {
    auto device = Create(analyzer::UhidAnalyzerIdentity());
    ASSERT_TRUE(device);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(arrivals_.size(), 1u);
    hid::THidDevice* d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    ASSERT_NE(d->ReadThread(), nullptr);
    const DWORD firstInstance = d->PnPInfo()->DeviceInstance;

    device.reset(); // destroys it while the read thread waits for a report
    ASSERT_TRUE(WaitUntil([&] { return !d->PluggedIn(); }));
    const auto stopStart = std::chrono::steady_clock::now();
    out_.clear();
    delete d; // check-in of a gone device: stops its thread, removes its entry
    EXPECT_LT(std::chrono::steady_clock::now() - stopStart, 2s);
    EXPECT_EQ(controller_->Count(), 0);

    arrivals_.clear();
    device = Create(analyzer::UhidAnalyzerIdentity());
    ASSERT_TRUE(device);
    // every event of the new device handed on: one arrival
    ASSERT_TRUE(Settled());
    ASSERT_EQ(arrivals_.size(), 1u);
    EXPECT_EQ(controller_->Count(), 1);
    EXPECT_NE(arrivals_[0].instance, firstInstance);
    EXPECT_EQ(arrivals_[0].productName, u"Kelvane A");
}

} // namespace
} // namespace vmcheck
