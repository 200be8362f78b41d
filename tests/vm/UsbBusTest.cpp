// The Linux bus and the HID layer against the stand-in analyzer as a USB device: a configfs
// HID gadget on dummy_hcd, driven on the host side by usbhid.
#include "KernelBus.h"

#include "app/core/InputReport.h"
#include "app/core/OutputReport.h"
#include "app/programs/GadgetAnalyzer.h"
#include "analyzer/StatusReport.h"
#include "hid/Hid.h"
#include "platform/DeviceApi.h"

#include <atomic>
#include <cstring>
#include <thread>

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

TEST_F(UsbBus, CablePulledDuringAWriteAndPluggedBack) {
    ASSERT_TRUE(Plug(0x0003));
    hid::THidDevice* d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    ASSERT_NE(d->ReadThread(), nullptr);
    const DWORD firstInstance = d->PnPInfo()->DeviceInstance;

    // The gadget reads nothing: once its queue is full a write waits on the wire, and the
    // cable is pulled while it waits.
    std::atomic<std::int64_t> writeSince{0};
    std::atomic<bool> done{false}, pulled{false};
    std::thread puller([&] {
        while (!done) {
            const auto since = writeSince.load();
            const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
            if (since && now - since > std::chrono::nanoseconds(500ms).count()) {
                gadget_->Unbind();
                pulled = true;
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    });
    const core::TOutputReport poll = core::PollReport();
    bool failed = false;
    DWORD error = 0;
    for (int i = 0; i < 64 && !failed; ++i) {
        DWORD written = 0;
        writeSince = std::chrono::steady_clock::now().time_since_epoch().count();
        failed = !d->SyncWrite(poll.data(), poll.size(), written);
        error = GetLastError();
        writeSince = 0;
    }
    done = true;
    puller.join();
    ASSERT_TRUE(pulled) << "every write was taken";
    EXPECT_TRUE(failed);
    EXPECT_EQ(error, DWORD(ERROR_DEVICE_NOT_CONNECTED));
    ASSERT_TRUE(WaitUntil([&] { return !d->PluggedIn(); }));
    out_.clear();
    delete d;
    EXPECT_EQ(controller_->Count(), 0);

    // plugged back: one arrival under a new instance, and polling resumes
    arrivals_.clear();
    ASSERT_TRUE(PlugAgain());
    WaitUntil([] { return false; }, 1s);
    ASSERT_EQ(arrivals_.size(), 1u);
    EXPECT_NE(arrivals_[0].instance, firstInstance);
    d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    DWORD written = 0;
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
