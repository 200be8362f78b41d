#include "FakeNodes.h"

#include "platform/linux/HidrawBus.h"
#include "platform/linux/HidrawConnection.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>

namespace {

using namespace hidraw;
using namespace hidraw::testing_nodes;

class HidrawBusTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(nodes_.Dir().empty());
        source_ = std::make_shared<FakeSource>();
        bus_ = std::make_unique<HidrawBus>(source_, false);
    }
    void TearDown() override { bus_.reset(); }

    std::string MakeNode(const std::string& name) {
        std::string path = nodes_.Make(name);
        EXPECT_FALSE(path.empty());
        testEnd_ = nodes_.TestEnd();
        return path;
    }
    void CloseTestEnd() { nodes_.CloseTestEnd(); }
    DWORD Open(const std::string& path, DWORD access, platform::InputSink* sink,
               std::unique_ptr<platform::BusConnection>& c) {
        return bus_->Open(path, access, sink, c);
    }

    FifoNodes nodes_;
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
    EXPECT_EQ(bytes,
              std::string("HID\\VID_0925&PID_1299&REV_0003\0HID\\VID_0925&PID_1299\0\0", 54));
    ASSERT_EQ(bus_->RegistryProperty(0x0A, SPDRP_FRIENDLYNAME, type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(bytes, std::string("Orvane Kelvane A\0", 17));
    EXPECT_EQ(bus_->RegistryProperty(0x0A, SPDRP_UI_NUMBER, type, bytes), ERROR_INVALID_DATA);
    EXPECT_EQ(bus_->RegistryProperty(0x0B, SPDRP_HARDWAREID, type, bytes), ERROR_NO_SUCH_DEVINST);
    source_->Set({}); // unplugged after the enumeration
    EXPECT_EQ(bus_->RegistryProperty(0x0A, SPDRP_HARDWAREID, type, bytes), ERROR_NO_SUCH_DEVINST);
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
    EXPECT_NE(c->GetIndexedString(0, text), ERROR_SUCCESS); // descriptor 0 cannot be had

    const Bytes report(65, 0);
    EXPECT_EQ(c->Write(report.data(), report.size()), ERROR_ACCESS_DENIED);

    source_->Set({}); // the device goes while the handle is open
    EXPECT_EQ(c->GetAttributes(a), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(c->GetProductString(text), ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(HidrawBusTest, UnknownOrMissingNodes) {
    std::unique_ptr<platform::BusConnection> c;
    EXPECT_EQ(Open("/dev/hidraw9", 0, nullptr, c), ERROR_FILE_NOT_FOUND);
    // udev lists it, but the node cannot be opened: open(2)'s error decides.
    // It leaves a line on standard error.
    source_->Set({AnalyzerAt(nodes_.Dir() + "/missing", "0003:0925:1299.000A")});
    bus_->Interfaces();
    testing::internal::CaptureStderr();
    EXPECT_EQ(Open(nodes_.Dir() + "/missing", GENERIC_READ | GENERIC_WRITE, nullptr, c),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "coldpoint: cannot open " + nodes_.Dir() + "/missing: No such file or directory\n");
    EXPECT_EQ(c, nullptr);
    // Tried again for the same cause: no second line.
    testing::internal::CaptureStderr();
    EXPECT_EQ(Open(nodes_.Dir() + "/missing", GENERIC_WRITE, nullptr, c), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
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
    for (std::size_t i = 0; i < first.size(); ++i)
        first[i] = std::uint8_t(0x80 + i);
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
    EXPECT_TRUE(
        std::all_of(reports[1].begin() + 4, reports[1].end(), [](auto b) { return b == 0; }));
    EXPECT_EQ(sink.Disconnects(), 0);
}

TEST_F(HidrawBusTest, VanishedDeviceEndsTheReads) {
    const std::string node = MakeNode("hidraw0");
    source_->Set({AnalyzerAt(node, "0003:0925:1299.000A")});
    bus_->Interfaces();
    Collector sink;
    std::unique_ptr<platform::BusConnection> c;
    ASSERT_EQ(Open(node, GENERIC_READ, &sink, c), ERROR_SUCCESS);
    testing::internal::CaptureStderr();
    CloseTestEnd(); // the FIFO hangs up, as a removed node does
    ASSERT_TRUE(sink.WaitForDisconnect());
    // The reader told why it ended before it told the sink.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "coldpoint: reading " + node + " ended: hung up\n");
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
    c.reset(); // joins the reader: nothing reaches the sink after this
    const Bytes report(64, 1);
    ASSERT_EQ(write(testEnd_, report.data(), report.size()), 64);
    EXPECT_TRUE(sink.Reports().empty());
    EXPECT_EQ(sink.Disconnects(), 0);
}

// A sink that closes its own handle on the first report (from the reader thread).
class ClosingSink final : public platform::InputSink {
public:
    std::unique_ptr<platform::BusConnection> connection;
    void InputReport(const std::uint8_t*, std::size_t) override {
        connection.reset();
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    void Disconnected() override {}
    bool WaitClosed() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return closed_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool closed_ = false;
};

TEST_F(HidrawBusTest, HandleClosedFromItsOwnSinkLeavesTheReaderNothingFreed) {
    const std::string node = MakeNode("hidraw0");
    source_->Set({AnalyzerAt(node, "0003:0925:1299.000A")});
    bus_->Interfaces();
    // Never freed: the reader thread ends on its own, after the test may have ended.
    static auto* kept = new std::vector<std::unique_ptr<ClosingSink>>;
    ClosingSink& sink = *kept->emplace_back(std::make_unique<ClosingSink>());
    ASSERT_EQ(Open(node, GENERIC_READ, &sink, sink.connection), ERROR_SUCCESS);
    const Bytes report(64, 1);
    ASSERT_EQ(write(testEnd_, report.data(), report.size()), 64);
    ASSERT_TRUE(sink.WaitClosed());
    ASSERT_EQ(write(testEnd_, report.data(), report.size()), 64); // read by nobody
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

    report[0] = 0x01; // no numbered reports on this device
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
    for (const auto& i : list)
        EXPECT_NE(i.instance, 0u);
    bus.reset(); // the monitor thread ends
}

} // namespace
