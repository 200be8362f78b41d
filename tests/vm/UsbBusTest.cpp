// The Linux bus and the HID layer against the stand-in analyzer as a USB device: a configfs
// HID gadget on dummy_hcd, driven on the host side by usbhid.
#include "KernelBus.h"

#include "app/core/InputReport.h"
#include "app/core/OutputReport.h"
#include "app/programs/GadgetAnalyzer.h"
#include "analyzer/StatusReport.h"
#include "hid/Hid.h"
#include "platform/DeviceApi.h"

#include <cstring>

namespace vmcheck {
namespace {

using Bytes = std::vector<std::uint8_t>;

class UsbBus : public KernelBus {
protected:
    void TearDown() override {
        gadget_.reset();
        WaitUntil([&] { return Listed(0x0925, 0x1299) == nullptr; });
        KernelBus::TearDown();
    }

    // Makes the gadget, plugs it in and waits until the controller lists it.
    bool Plug(std::uint16_t bcdDevice) {
        gadget_ = hidraw::UsbGadget::Create(analyzer::GadgetAnalyzerIdentity(bcdDevice));
        EXPECT_TRUE(gadget_) << "configfs: " << std::strerror(errno);
        return gadget_ && PlugAgain();
    }
    bool PlugAgain() {
        EXPECT_TRUE(gadget_->Bind("dummy_udc.0")) << "bind: " << std::strerror(errno);
        const bool listed = WaitUntil([&] { return Listed(0x0925, 0x1299) != nullptr; });
        EXPECT_TRUE(listed) << "the gadget was not listed";
        return gadget_->Bound() && listed;
    }
    bool Unplug() {
        EXPECT_TRUE(gadget_->Unbind());
        return WaitUntil([&] { return Listed(0x0925, 0x1299) == nullptr; });
    }
    // The next report the host wrote to the gadget, within the bound.
    std::optional<Bytes> Written(std::chrono::milliseconds bound = 5s) {
        Bytes report;
        const int got = gadget_->NextOutput(report, int(bound.count()));
        if (got != 1)
            return std::nullopt;
        return report;
    }

    std::unique_ptr<hidraw::UsbGadget> gadget_;
};

TEST_F(UsbBus, ListsTheAnalyzerFromItsUsbDevice) {
    ASSERT_TRUE(Plug(0x0003));
    const Arrived* a = ArrivalOf(0x0925, 0x1299);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->attributes.VersionNumber, 3); // bcdDevice
    EXPECT_EQ(a->productName, u"Kelvane A");   // the USB device's product string
    EXPECT_EQ(a->caps.InputReportByteLength, 65);
    EXPECT_EQ(a->caps.OutputReportByteLength, 65);

    const hid::THidPnPInfo& pnp = *Listed(0x0925, 0x1299)->PnPInfo();
    EXPECT_EQ(pnp.Mfg, "Orvane");
    EXPECT_EQ(pnp.DeviceDescr, "Kelvane A");
    EXPECT_EQ(pnp.Service, "usbhid");
    EXPECT_EQ(pnp.Driver, "hid-generic");
    EXPECT_EQ(pnp.ClassName, "HIDClass");
    EXPECT_EQ(pnp.HardwareID, (std::vector<std::string>{"HID\\VID_0925&PID_1299&REV_0003",
                                                        "HID\\VID_0925&PID_1299"}));
    EXPECT_EQ(pnp.LocationInformation.rfind("usb-dummy_hcd", 0), 0u) << pnp.LocationInformation;

    // descriptor 0 through usbfs (root here): the language list, so the serial is kept
    hid::THidDevice* d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    const HANDLE h =
        CreateFileA(d->PnPInfo()->DevicePath.c_str(), 0, 3, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    WORD words[254];
    std::fill(std::begin(words), std::end(words), WORD{0xFFFF});
    ASSERT_TRUE(hid::HidD_GetIndexedString(h, 0, words, sizeof words));
    EXPECT_EQ(words[0], 0x0409);
    EXPECT_EQ(words[1], 0);
    char16_t serial[254] = {};
    ASSERT_TRUE(hid::HidD_GetIndexedString(h, 3, serial, sizeof serial)); // iSerialNumber
    EXPECT_EQ(std::u16string(serial), u"0001");
    CloseHandle(h);
    EXPECT_EQ(d->GetSerialNumber(), u"0001");
}

TEST_F(UsbBus, CommandsGoOnTheWireWithoutTheReportId) {
    ASSERT_TRUE(Plug(0x0003));
    hid::THidDevice* d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->HasReadWriteAccess());
    for (const core::TOutputReport& report : SampleCommands()) {
        SCOPED_TRACE(testing::Message() << "command " << int(report[2]));
        DWORD written = 0;
        ASSERT_TRUE(d->SyncWrite(report.data(), report.size(), written));
        EXPECT_EQ(written, 65u);
        const auto got = Written();
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, Bytes(report.begin() + 1, report.end())); // 64 bytes, no report ID
    }
}

TEST_F(UsbBus, TheVersionNumberPicksTheStatusLayout) {
    const analyzer::StatusFields fields = RunningFields();
    // layout A with byte 39 left 0: only bcdDevice 3 reads it as layout A
    const analyzer::Payload payload = analyzer::BuildStatusPayload(fields, true, 0);
    const struct {
        std::uint16_t bcdDevice;
        bool decodesRight;
    } cases[] = {{0x0003, true}, {0x0100, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "bcdDevice " << std::hex << c.bcdDevice);
        ASSERT_TRUE(Plug(c.bcdDevice));
        hid::THidDevice* d = CheckOutAnalyzer();
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(d->Attributes().VersionNumber, c.bcdDevice);
        ASSERT_TRUE(WaitUntil([&] { return d->ReadHandle() != INVALID_HANDLE_VALUE; }));
        const auto r = StatusThrough(
            d, payload, [&] { return gadget_->SendInput(payload.data(), payload.size(), 5000); });
        ASSERT_TRUE(r);
        EXPECT_EQ(r->FState, fields.state);
        EXPECT_FLOAT_EQ(r->FTemperature, fields.temperature);
        EXPECT_EQ(r->FSignal == fields.signal, c.decodesRight) << r->FSignal;
        EXPECT_EQ(r->FDf == fields.df, c.decodesRight) << r->FDf;

        for (hid::THidDevice* out : out_)
            delete out;
        out_.clear();
        gadget_.reset();
        ASSERT_TRUE(WaitUntil([&] { return Listed(0x0925, 0x1299) == nullptr; }));
    }
}

TEST_F(UsbBus, CablePulledDuringAPendingRead) {
    ASSERT_TRUE(Plug(0x0003));
    ExpectPendingReadEndsWhen([&] { return gadget_->Unbind(); });
}

// The analyzer stops reading its endpoint: once the gadget's queue is full the host's write
// waits on the wire, and the write fails with a time-out within its bound while the transfer
// goes on; the device object is freed with that write in flight (the kernel lets no hidraw
// node open or close while a write waits, so the check-in waits for the transfer to end).
// Then the cable is pulled: the pull is noticed and writes are not connected; put back, it
// arrives once and polls and reports go through again.
TEST_F(UsbBus, SilentAnalyzerThenCablePulledAndPluggedBack) {
    ASSERT_TRUE(Plug(0x0003));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(ArrivalsOf(0x0925, 0x1299), 1);
    hid::THidDevice* d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    ASSERT_NE(d->ReadThread(), nullptr);
    const DWORD firstInstance = d->PnPInfo()->DeviceInstance;

    const core::TOutputReport poll = core::PollReport();
    DWORD written = 0;
    int taken = 0;
    auto start = std::chrono::steady_clock::now();
    for (; taken < 64; ++taken) {
        start = std::chrono::steady_clock::now();
        if (!d->SyncWrite(poll.data(), poll.size(), written))
            break;
    }
    ASSERT_LT(taken, 64) << "every write was taken";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(d->SyncWrite(poll.data(), poll.size(), written)); // not queued behind it
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    out_.clear();
    delete d; // its write still waits on the wire
    ASSERT_EQ(controller_->Count(), 1);

    // the analyzer reads again: the reports it took arrive, and new writes are taken
    for (int i = 0; i < taken; ++i)
        ASSERT_TRUE(Written()) << "report " << i << " of " << taken;
    d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->SyncWrite(poll.data(), poll.size(), written));
    ASSERT_TRUE(Written());

    // pulled: noticed, and a write says the device is not connected
    ASSERT_TRUE(gadget_->Unbind());
    ASSERT_TRUE(WaitUntil([&] { return !d->PluggedIn(); }));
    EXPECT_FALSE(d->SyncWrite(poll.data(), poll.size(), written));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));
    out_.clear();
    delete d;
    EXPECT_EQ(controller_->Count(), 0);

    // plugged back: one arrival under a new instance, and polling resumes
    arrivals_.clear();
    ASSERT_TRUE(PlugAgain());
    ASSERT_TRUE(Settled());
    ASSERT_EQ(arrivals_.size(), 1u);
    EXPECT_NE(arrivals_[0].instance, firstInstance);
    d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->SyncWrite(poll.data(), poll.size(), written));
    const auto got = Written();
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, Bytes(poll.begin() + 1, poll.end()));
    ASSERT_TRUE(WaitUntil([&] { return d->ReadHandle() != INVALID_HANDLE_VALUE; }));
    const analyzer::Payload status = analyzer::BuildStatusPayload(RunningFields(), true, 0);
    EXPECT_TRUE(StatusThrough(
        d, status, [&] { return gadget_->SendInput(status.data(), status.size(), 5000); }));
}

} // namespace
} // namespace vmcheck
