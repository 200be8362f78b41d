#include "HostRules.h"

#include "analyzer/AnalyzerDevice.h"
#include "platform/WinApi.h"
#include "platform/sim/VirtualBus.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace analyzer::test {
namespace {

struct PendingRead {
    OVERLAPPED overlapped{};
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(65, 0);
    bool done = false;
    DWORD error = 0, bytes = 0;
};

void ReadDone(DWORD error, DWORD bytes, LPOVERLAPPED overlapped) {
    auto* read = static_cast<PendingRead*>(overlapped->hEvent);
    read->done = true;
    read->error = error;
    read->bytes = bytes;
}

// The analyzer plugged into the virtual bus, with a write handle and an overlapped read
// handle open on it, as the host's device object keeps them.
class AnalyzerBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::VirtualBus::Instance().Reset();
        device = std::make_shared<AnalyzerDevice>(3);
        sim::VirtualBus::Instance().Plug(device);
        const std::string path = device->Path();
        writer = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, 0);
        reader = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, 0);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    }

    void TearDown() override {
        CloseHandle(writer);
        CloseHandle(reader);
        sim::VirtualBus::Instance().Reset();
    }

    bool Write(const std::vector<std::uint8_t>& report) {
        DWORD written = 0;
        return WriteFile(writer, report.data(), DWORD(report.size()), &written, nullptr) &&
               written == report.size();
    }

    // The next input report; the wait ends as soon as the read completes.
    std::vector<std::uint8_t> ReadReport() {
        PendingRead read;
        read.overlapped.hEvent = &read;
        if (!ReadFileEx(reader, read.buffer.data(), DWORD(read.buffer.size()), &read.overlapped,
                        ReadDone))
            return {};
        for (int i = 0; i < 100 && !read.done; ++i)
            SleepEx(100, TRUE);
        if (!read.done) {
            CancelIo(reader);
            while (!read.done)
                SleepEx(100, TRUE);
            return {};
        }
        read.buffer.resize(read.error == 0 ? read.bytes : 0);
        return read.buffer;
    }

    std::shared_ptr<AnalyzerDevice> device;
    HANDLE writer = INVALID_HANDLE_VALUE;
    HANDLE reader = INVALID_HANDLE_VALUE;
};

TEST_F(AnalyzerBusTest, PresentsItselfAsTheAnalyzer) {
    const sim::VirtualDeviceInfo& info = device->Info();
    EXPECT_EQ(info.vendorId, 0x0925);
    EXPECT_EQ(info.productId, 0x1299);
    EXPECT_EQ(info.versionNumber, 3);
    EXPECT_FALSE(info.productString.empty());
    EXPECT_FALSE(info.serialNumber.empty());
    EXPECT_EQ(info.inputReportLength, 65);
    EXPECT_EQ(info.outputReportLength, 65);
    EXPECT_TRUE(device->IsPlugged());
}

TEST_F(AnalyzerBusTest, AnswersPollsAndRepliesThroughTheBus) {
    ASSERT_TRUE(Write(OutputReport(Command::Poll)));
    std::vector<std::uint8_t> r = ReadReport();
    ASSERT_EQ(r.size(), 65u);
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[1], Byte(AnalyzerState::Rest));
    EXPECT_EQ(U32(&r[10]), 2000u) << "version 3: the signal as an integer";

    // a write has no answer: the next report is the block read's reply
    ASSERT_TRUE(Write(OutputReport(Command::WriteEepromByte, {160, 0, 100, 0x5C})));
    ASSERT_TRUE(Write(OutputReport(Command::ReadEeprom, {0, 100, 160, 0})));
    r = ReadReport();
    ASSERT_EQ(r.size(), 65u);
    EXPECT_EQ(r[1], 0x82);
    EXPECT_EQ(r[7], 0x5C);
}

TEST_F(AnalyzerBusTest, RunsADeterminationOnTheSteppedClock) {
    device->Advance(10);
    ASSERT_TRUE(Write(OutputReport(Command::PreStart, {1})));
    ASSERT_TRUE(Write(OutputReport(Command::RunControl, {Byte(RunControl::Start)})));
    device->Advance(60);
    ASSERT_TRUE(Write(OutputReport(Command::Poll)));
    const std::vector<std::uint8_t> r = ReadReport();
    ASSERT_EQ(r.size(), 65u);
    EXPECT_EQ(r[1], Byte(AnalyzerState::RunAll));
    EXPECT_NEAR(HostDecodeSingle(&r[2]), 19.0, 0.01) << "a degree a minute";
}

} // namespace
} // namespace analyzer::test
