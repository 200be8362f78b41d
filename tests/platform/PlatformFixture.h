#pragma once
// Shared by the platform tests: a clean virtual bus and platform around every test, and a
// read record whose completion routine notes what it got.
#include "platform/DeviceApi.h"
#include "platform/testing/PlatformTest.h"
#include "platform/WinApi.h"
#include "platform/sim/VirtualBus.h"
#include "runtime/MainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace platform_test {

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::VirtualBus::Instance().Reset();
        platform::test::Reset();
        rt::MainThread::ProcessPending();
    }
    void TearDown() override {
        sim::VirtualBus::Instance().Reset();
        rt::MainThread::ProcessPending();
        platform::test::Reset();
    }

    static std::shared_ptr<sim::RecordingDevice> MakeDevice(sim::VirtualDeviceInfo info = {}) {
        if (info.vendorId == 0 && info.productId == 0) {
            info.vendorId = 0x0925;
            info.productId = 0x1299;
        }
        return std::make_shared<sim::RecordingDevice>(std::move(info));
    }

    static std::shared_ptr<sim::RecordingDevice> PlugDevice(sim::VirtualDeviceInfo info = {}) {
        auto device = MakeDevice(std::move(info));
        sim::VirtualBus::Instance().Plug(device);
        return device;
    }

    static HANDLE OpenRead(const std::shared_ptr<sim::VirtualDevice>& device) {
        return CreateFileA(device->Path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, 0);
    }

    static HANDLE OpenSync(const std::shared_ptr<sim::VirtualDevice>& device,
                           DWORD access = GENERIC_READ | GENERIC_WRITE) {
        return CreateFileA(device->Path().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, 0);
    }
};

// A read whose routine records the result; hEvent points back at it.
struct ReadRecord {
    OVERLAPPED overlapped{};
    std::vector<std::uint8_t> buffer;
    std::atomic<int> calls{0};
    DWORD error = 0xFFFFFFFF;
    DWORD bytes = 0xFFFFFFFF;

    explicit ReadRecord(std::size_t length = 65) : buffer(length, 0xAA) {}

    BOOL Start(HANDLE handle) {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = this;
        return ReadFileEx(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &overlapped,
                          &Completed);
    }

    static void Completed(DWORD error, DWORD bytes, LPOVERLAPPED overlapped) {
        auto* self = static_cast<ReadRecord*>(overlapped->hEvent);
        self->error = error;
        self->bytes = bytes;
        self->calls.fetch_add(1);
    }
};

inline std::vector<std::uint8_t> Report(std::uint8_t first, std::size_t length = 65) {
    std::vector<std::uint8_t> report(length, 0);
    report[0] = 0;
    if (length > 1)
        report[1] = first;
    return report;
}

// Long enough never to pass on a working platform.
constexpr DWORD kGenerousMs = 30000;

} // namespace platform_test
