#pragma once
// Recorded hidraw nodes for the bus tests: a udev source of recorded values, a sink that
// collects what a read handle delivers, and the analyzer's record.
#include "platform/DeviceBus.h"
#include "platform/linux/UdevSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace hidraw::testing_nodes {

using Bytes = std::vector<std::uint8_t>;

inline const Bytes kVendor64 = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                                0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01,
                                0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0};

inline UdevRecord AnalyzerAt(const std::string& devNode, const std::string& hidName) {
    UdevRecord r;
    r.devNode = devNode;
    r.sysPath = "/sys/devices/usb1/1-2/1-2:1.0/" + hidName + "/hidraw/x";
    r.hidraw = {true, "x", {{"DEVNAME", devNode}}, {}};
    r.hid = {true,
             hidName,
             {{"HID_ID", "0003:00000925:00001299"},
              {"HID_NAME", "Orvane Kelvane A"},
              {"DRIVER", "hid-generic"}},
             {}};
    r.transport = {true, "1-2:1.0", {{"DRIVER", "usbhid"}}, {{"bInterfaceNumber", "00"}}};
    r.usbDevice = {true,
                   "1-2",
                   {},
                   {{"idVendor", "0925"},
                    {"idProduct", "1299"},
                    {"bcdDevice", "0003"},
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
            if (r.devNode == devNode)
                return r;
        return std::nullopt;
    }
    bool Present(const UdevRecord& record) override {
        std::lock_guard lock(mutex);
        for (const auto& r : records)
            if (r.sysPath == record.sysPath)
                return true;
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
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return disconnects_ > 0; });
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

// A temporary folder with FIFOs in place of nodes: what the test writes into a FIFO arrives
// as reports, what a handle writes the test reads back. The test's own end keeps it open;
// closing it hangs the FIFO up, as a removed node does.
class FifoNodes {
public:
    FifoNodes() {
        char tmpl[] = "/tmp/coldpoint-hidraw-XXXXXX";
        if (mkdtemp(tmpl))
            dir_ = tmpl;
    }
    ~FifoNodes() {
        CloseTestEnd();
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }
    const std::string& Dir() const { return dir_; }
    // Makes the FIFO and opens the test's end; empty on failure.
    std::string Make(const std::string& name) {
        const std::string path = dir_ + "/" + name;
        if (dir_.empty() || mkfifo(path.c_str(), 0600) != 0)
            return {};
        testEnd_ = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        return testEnd_ >= 0 ? path : std::string();
    }
    int TestEnd() const { return testEnd_; }
    void CloseTestEnd() {
        if (testEnd_ >= 0)
            close(testEnd_);
        testEnd_ = -1;
    }

private:
    std::string dir_;
    int testEnd_ = -1;
};

} // namespace hidraw::testing_nodes
