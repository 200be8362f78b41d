#include "platform/linux/HidrawBus.h"
#include "platform/linux/HidrawConnection.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

namespace {

using namespace hidraw;
using Bytes = std::vector<std::uint8_t>;

const Bytes kVendor64 = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF,
                         0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x40,
                         0x09, 0x01, 0x91, 0x02, 0xC0};

UdevRecord AnalyzerAt(const std::string& devNode, const std::string& hidName) {
    UdevRecord r;
    r.devNode = devNode;
    r.sysPath = "/sys/devices/usb1/1-2/1-2:1.0/" + hidName + "/hidraw/x";
    r.hidraw = {true, "x", {{"DEVNAME", devNode}}, {}};
    r.hid = {true, hidName,
             {{"HID_ID", "0003:00000925:00001299"}, {"HID_NAME", "Orvane Kelvane A"},
              {"DRIVER", "hid-generic"}},
             {}};
    r.transport = {true, "1-2:1.0", {{"DRIVER", "usbhid"}}, {{"bInterfaceNumber", "00"}}};
    r.usbDevice = {true, "1-2", {},
                   {{"idVendor", "0925"}, {"idProduct", "1299"}, {"bcdDevice", "0003"},
                    {"product", "Kelvane A"}}};
    r.reportDescriptor = kVendor64;
    return r;
}

// Recorded nodes; a node is present while its sysPath is in the set.
class FakeSource final : public UdevSource {
public:
    std::vector<UdevRecord> Records() override {
        std::lock_guard lock(mutex);
        return records;
    }
    std::optional<UdevRecord> Record(const std::string& devNode) override {
        std::lock_guard lock(mutex);
        for (const auto& r : records)
            if (r.devNode == devNode) return r;
        return std::nullopt;
    }
    bool Present(const UdevRecord& record) override {
        std::lock_guard lock(mutex);
        for (const auto& r : records)
            if (r.sysPath == record.sysPath) return true;
        return false;
    }
    void Set(std::vector<UdevRecord> r) {
        std::lock_guard lock(mutex);
        records = std::move(r);
    }

    std::mutex mutex;
    std::vector<UdevRecord> records;
};

// Collects what a read handle delivers; waits on a condition, never on a clock alone.
class Collector final : public platform::InputSink {
public:
    void InputReport(const std::uint8_t* data, std::size_t length) override {
        std::lock_guard lock(mutex_);
        reports_.emplace_back(data, data + length);
        changed_.notify_all();
    }
    void Disconnected() override {
        std::lock_guard lock(mutex_);
        ++disconnects_;
        changed_.notify_all();
    }
    bool WaitForReports(std::size_t n) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return reports_.size() >= n; });
    }
    bool WaitForDisconnect() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return disconnects_ > 0; });
    }
    std::vector<Bytes> Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }
    int Disconnects() {
        std::lock_guard lock(mutex_);
        return disconnects_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Bytes> reports_;
    int disconnects_ = 0;
};

class HidrawBusTest : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/coldpoint-hidraw-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        source_ = std::make_shared<FakeSource>();
        bus_ = std::make_unique<HidrawBus>(source_, false);
    }
    void TearDown() override {
        bus_.reset();
        std::filesystem::remove_all(dir_);
    }

    // A FIFO in place of the node: what the test writes into it arrives as reports, what
    // the handle writes the test reads back. The test's own end keeps it open.
    std::string MakeNode(const std::string& name) {
        const std::string path = dir_ + "/" + name;
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        testEnd_ = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(testEnd_, 0);
        return path;
    }
    void CloseTestEnd() {
        if (testEnd_ >= 0) close(testEnd_);
        testEnd_ = -1;
    }
    DWORD Open(const std::string& path, DWORD access, platform::InputSink* sink,
               std::unique_ptr<platform::BusConnection>& c) {
        return bus_->Open(path, access, sink, c);
    }

    std::string dir_;
    int testEnd_ = -1;
    std::shared_ptr<FakeSource> source_;
    std::unique_ptr<HidrawBus> bus_;
};

TEST_F(HidrawBusTest, InterfacesAreTheNodesWithTheirInstanceNumbers) {
    source_->Set({AnalyzerAt("/dev/hidraw4", "0003:0925:1299.0011"),
                  AnalyzerAt("/dev/hidraw1", "0003:0925:1299.000A")});
    const auto list = bus_->Interfaces();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].instance, 0x0Au);
    EXPECT_EQ(list[0].path, "/dev/hidraw1");
    EXPECT_EQ(list[1].instance, 0x11u);
    EXPECT_EQ(list[1].path, "/dev/hidraw4");

    source_->Set({});
    EXPECT_TRUE(bus_->Interfaces().empty());
}

TEST_F(HidrawBusTest, RegistryProperties) {
    source_->Set({AnalyzerAt("/dev/hidraw1", "0003:0925:1299.000A")});
    bus_->Interfaces();
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(bus_->RegistryProperty(0x0A, SPDRP_HARDWAREID, type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_MULTI_SZ));
    EXPECT_EQ(bytes, std::string("HID\\VID_0925&PID_1299&REV_0003\0HID\\VID_0925&PID_1299\0\0",
                                 54));
    ASSERT_EQ(bus_->RegistryProperty(0x0A, SPDRP_FRIENDLYNAME, type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(bytes, std::string("Orvane Kelvane A\0", 17));
    EXPECT_EQ(bus_->RegistryProperty(0x0A, SPDRP_UI_NUMBER, type, bytes), ERROR_INVALID_DATA);
    EXPECT_EQ(bus_->RegistryProperty(0x0B, SPDRP_HARDWAREID, type, bytes),
              ERROR_NO_SUCH_DEVINST);
    source_->Set({});   // unplugged after the enumeration
    EXPECT_EQ(bus_->RegistryProperty(0x0A, SPDRP_HARDWAREID, type, bytes),
              ERROR_NO_SUCH_DEVINST);
}

TEST_F(HidrawBusTest, QueryOnlyHandleAnswersFromUdevWithoutOpeningTheNode) {
    // The node does not exist as a file: access 0 never touches it.
    source_->Set({AnalyzerAt("/nonexistent/hidraw1", "0003:0925:1299.000A")});
    bus_->Interfaces();
    std::unique_ptr<platform::BusConnection> c;
    ASSERT_EQ(Open("/nonexistent/hidraw1", 0, nullptr, c), ERROR_SUCCESS);

    HIDD_ATTRIBUTES a{12, 0, 0, 0};
    ASSERT_EQ(c->GetAttributes(a), ERROR_SUCCESS);
    EXPECT_EQ(a.Size, 12u);
    EXPECT_EQ(a.VendorID, 0x0925);
    EXPECT_EQ(a.ProductID, 0x1299);
    EXPECT_EQ(a.VersionNumber, 0x0003);

    HIDP_CAPS caps{};
    ASSERT_EQ(c->GetCaps(caps), ERROR_SUCCESS);
    EXPECT_EQ(caps.InputReportByteLength, 65);
    EXPECT_EQ(caps.OutputReportByteLength, 65);
    EXPECT_EQ(caps.FeatureReportByteLength, 0);
    EXPECT_EQ(caps.UsagePage, 0xFF00);

    std::u16string text;
    ASSERT_EQ(c->GetProductString(text), ERROR_SUCCESS);
    EXPECT_EQ(text, u"Kelvane A");
    EXPECT_NE(c->GetSerialNumberString(text), ERROR_SUCCESS);
    EXPECT_NE(c->GetIndexedString(0, text), ERROR_SUCCESS);  // descriptor 0 cannot be had

    const Bytes report(65, 0);
    EXPECT_EQ(c->Write(report.data(), report.size()), ERROR_ACCESS_DENIED);

    source_->Set({});   // the device goes while the handle is open
    EXPECT_EQ(c->GetAttributes(a), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(c->GetProductString(text), ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(HidrawBusTest, UnknownOrMissingNodes) {
    std::unique_ptr<platform::BusConnection> c;
    EXPECT_EQ(Open("/dev/hidraw9", 0, nullptr, c), ERROR_FILE_NOT_FOUND);
    // udev lists it, but the node cannot be opened: open(2)'s error decides.
    source_->Set({AnalyzerAt(dir_ + "/missing", "0003:0925:1299.000A")});
    bus_->Interfaces();
    EXPECT_EQ(Open(dir_ + "/missing", GENERIC_READ | GENERIC_WRITE, nullptr, c),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(c, nullptr);
}

TEST_F(HidrawBusTest, NodeTakenByAnotherDeviceDoesNotOpenUnderTheOldInterface) {
    source_->Set({AnalyzerAt("/nonexistent/hidraw1", "0003:0925:1299.000A")});
    bus_->Interfaces();
    // Unplugged, and another device got the same node before the next enumeration.
    source_->Set({AnalyzerAt("/nonexistent/hidraw1", "0003:046D:C52B.000B")});
    std::unique_ptr<platform::BusConnection> c;
    EXPECT_EQ(Open("/nonexistent/hidraw1", 0, nullptr, c), ERROR_FILE_NOT_FOUND);
    // Once enumerated, the node opens as the new interface.
    ASSERT_EQ(bus_->Interfaces().at(0).instance, 0x0Bu);
    EXPECT_EQ(Open("/nonexistent/hidraw1", 0, nullptr, c), ERROR_SUCCESS);
}

TEST_F(HidrawBusTest, ReadHandleDeliversReportsWithTheZeroIdInFront) {
    const std::string node = MakeNode("hidraw0");
    source_->Set({AnalyzerAt(node, "0003:0925:1299.000A")});
    bus_->Interfaces();
    Collector sink;
    std::unique_ptr<platform::BusConnection> c;
    ASSERT_EQ(Open(node, GENERIC_READ, &sink, c), ERROR_SUCCESS);

    Bytes first(64);
    for (std::size_t i = 0; i < first.size(); ++i) first[i] = std::uint8_t(0x80 + i);
    ASSERT_EQ(write(testEnd_, first.data(), first.size()), 64);
    ASSERT_TRUE(sink.WaitForReports(1));
    // A short report reaches the system whole, filled with zeros.
    const Bytes second = {0x55, 1, 2};
    ASSERT_EQ(write(testEnd_, second.data(), second.size()), 3);
    ASSERT_TRUE(sink.WaitForReports(2));

    const auto reports = sink.Reports();
    ASSERT_EQ(reports[0].size(), 65u);
    EXPECT_EQ(reports[0][0], 0);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), reports[0].begin() + 1));
    ASSERT_EQ(reports[1].size(), 65u);
    EXPECT_EQ((Bytes{reports[1].begin(), reports[1].begin() + 4}), (Bytes{0, 0x55, 1, 2}));
    EXPECT_TRUE(std::all_of(reports[1].begin() + 4, reports[1].end(),
                            [](auto b) { return b == 0; }));
    EXPECT_EQ(sink.Disconnects(), 0);
}

TEST_F(HidrawBusTest, VanishedDeviceEndsTheReads) {
    const std::string node = MakeNode("hidraw0");
    source_->Set({AnalyzerAt(node, "0003:0925:1299.000A")});
    bus_->Interfaces();
    Collector sink;
    std::unique_ptr<platform::BusConnection> c;
    ASSERT_EQ(Open(node, GENERIC_READ, &sink, c), ERROR_SUCCESS);
    CloseTestEnd();   // the FIFO hangs up, as a removed node does
    ASSERT_TRUE(sink.WaitForDisconnect());
    c.reset();
    EXPECT_EQ(sink.Disconnects(), 1);
    EXPECT_TRUE(sink.Reports().empty());
}

TEST_F(HidrawBusTest, ClosingAWaitingReadHandleEndsItsThreadWithoutACall) {
    const std::string node = MakeNode("hidraw0");
    source_->Set({AnalyzerAt(node, "0003:0925:1299.000A")});
    bus_->Interfaces();
    Collector sink;
    std::unique_ptr<platform::BusConnection> c;
    ASSERT_EQ(Open(node, GENERIC_READ, &sink, c), ERROR_SUCCESS);
    c.reset();   // joins the reader: nothing reaches the sink after this
    const Bytes report(64, 1);
    ASSERT_EQ(write(testEnd_, report.data(), report.size()), 64);
    EXPECT_TRUE(sink.Reports().empty());
    EXPECT_EQ(sink.Disconnects(), 0);
}

TEST_F(HidrawBusTest, WriteHandsTheReportIdByteToTheKernel) {
    const std::string node = MakeNode("hidraw0");
    source_->Set({AnalyzerAt(node, "0003:0925:1299.000A")});
    bus_->Interfaces();
    std::unique_ptr<platform::BusConnection> c;
    ASSERT_EQ(Open(node, GENERIC_READ | GENERIC_WRITE, nullptr, c), ERROR_SUCCESS);

    // Command 0x0B repeats its code in byte 1: hidraw must still see report ID 0 first.
    Bytes report(65, 0);
    report[1] = 0x0B;
    report[2] = 0x0B;
    ASSERT_EQ(c->Write(report.data(), report.size()), ERROR_SUCCESS);
    Bytes got(100);
    ASSERT_EQ(read(testEnd_, got.data(), got.size()), 65);
    got.resize(65);
    EXPECT_EQ(got, report);

    report[0] = 0x01;   // no numbered reports on this device
    EXPECT_EQ(c->Write(report.data(), report.size()), ERROR_INVALID_PARAMETER);
}

TEST_F(HidrawBusTest, ReadOnlyHandleRefusesWrites) {
    const std::string node = MakeNode("hidraw0");
    source_->Set({AnalyzerAt(node, "0003:0925:1299.000A")});
    bus_->Interfaces();
    std::unique_ptr<platform::BusConnection> c;
    ASSERT_EQ(Open(node, GENERIC_READ, nullptr, c), ERROR_SUCCESS);
    const Bytes report(65, 0);
    EXPECT_EQ(c->Write(report.data(), report.size()), ERROR_ACCESS_DENIED);
}

TEST(HidrawCaps, FromTheDescriptor) {
    ReportDescriptorInfo d;
    d.valid = true;
    d.usagePage = 0x01;
    d.usage = 0x06;
    d.inputReportByteLength = 9;
    d.outputReportByteLength = 2;
    d.collectionCount = 1;
    const HIDP_CAPS caps = CapsOf(d);
    EXPECT_EQ(caps.UsagePage, 0x01);
    EXPECT_EQ(caps.Usage, 0x06);
    EXPECT_EQ(caps.InputReportByteLength, 9);
    EXPECT_EQ(caps.OutputReportByteLength, 2);
    EXPECT_EQ(caps.FeatureReportByteLength, 0);
    EXPECT_EQ(caps.NumberLinkCollectionNodes, 1);
}

// The machine's own udev: CI machines have no hidraw node, so the list may well be empty.
TEST(LibudevSource, ListsTheMachinesHidrawNodes) {
    auto source = MakeLibudevSource();
    const auto records = source->Records();
    std::size_t nodes = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("/sys/class/hidraw", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++nodes;
    EXPECT_EQ(records.size(), nodes);
    std::set<std::uint32_t> instances;
    for (const auto& r : records) {
        EXPECT_EQ(r.devNode.rfind("/dev/", 0), 0u) << r.devNode;
        EXPECT_TRUE(source->Present(r));
        EXPECT_TRUE(instances.insert(InstanceNumber(r)).second) << r.devNode;
        ASSERT_TRUE(source->Record(r.devNode));
        EXPECT_EQ(source->Record(r.devNode)->sysPath, r.sysPath);
    }
    EXPECT_FALSE(source->Record("/dev/hidraw-none"));
}

TEST(LibudevSource, BusStartsAndStopsItsMonitor) {
    auto bus = std::make_unique<HidrawBus>();
    const auto list = bus->Interfaces();
    for (const auto& i : list) EXPECT_NE(i.instance, 0u);
    bus.reset();   // the monitor thread ends
}

} // namespace
