// Input reports from a virtual device through the read thread and the hand-over to a trivial
// data handler on the main thread; and how long stopping a read thread takes.
#include "hid/HidControllerClass.h"
#include "platform/testing/PlatformTest.h"
#include "platform/sim/VirtualBus.h"
#include "runtime/MainThread.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// Counts reports and the time from sending (stamped in the payload) to the handler.
struct TSink {
    std::atomic<std::uint64_t> Delivered{0};
    std::vector<double> LatencyUs;

    void Data(hid::THidDevice*, std::uint8_t, const void* Data, std::uint16_t Size) {
        if (Size >= sizeof(std::int64_t)) {
            std::int64_t sent;
            std::memcpy(&sent, Data, sizeof sent);
            LatencyUs.push_back(static_cast<double>(NowNs() - sent) / 1000.0);
        }
        Delivered.fetch_add(1, std::memory_order_release);
    }
};

// One analyzer-like device on the virtual bus, lent out with its read thread running.
class TRig {
public:
    explicit TRig(TSink& sink) {
        rt::MainThread::Adopt();
        sim::VirtualBus::Choose();
        sim::VirtualBus::Instance().Reset();
        sim::VirtualDeviceInfo info;
        info.vendorId = 0x0925;
        info.productId = 0x1299;
        info.productString = u"Kelvane";
        model_ = std::make_shared<sim::RecordingDevice>(info);
        sim::VirtualBus::Instance().Plug(model_);
        controller_ = std::make_unique<hid::THidDeviceController>();
        Drain();
        controller_->SetOnDeviceData(hid::THidDataEvent::Of<&TSink::Data>(&sink));
        controller_->CheckOut(device_);
        device_->SetNumInputBuffers(128);
        device_->SetNumOverlappedBuffers(128);
    }
    ~TRig() {
        delete device_;
        controller_.reset();
        sim::VirtualBus::Instance().Reset();
        Drain();
    }

    static void Drain() {
        while (rt::MainThread::ProcessPending() > 0) {}
    }
    void Send() {
        std::uint8_t report[65] = {};
        const std::int64_t now = NowNs();
        std::memcpy(report + 1, &now, sizeof now);
        model_->SendInputReport(report, sizeof report);
    }
    hid::THidDevice* Device() const { return device_; }

private:
    std::shared_ptr<sim::RecordingDevice> model_;
    std::unique_ptr<hid::THidDeviceController> controller_;
    hid::THidDevice* device_ = nullptr;
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t at = std::min(
        values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())));
    return values[at];
}

// Keeps up to `window` reports in flight (fewer than the 128 input buffers, so none is
// dropped) and runs the main thread until all have been handled.
void RunReports(benchmark::State& state, std::uint64_t window, bool latency) {
    TSink sink;
    TRig rig(sink);
    const std::uint64_t perIteration = 2000;
    std::uint64_t total = 0;
    for (auto _ : state) {
        const std::uint64_t target = total + perIteration;
        std::thread sender([&] {
            for (std::uint64_t sent = total; sent < target; ++sent) {
                while (sent - sink.Delivered.load(std::memory_order_acquire) >= window)
                    std::this_thread::yield();
                rig.Send();
            }
        });
        while (sink.Delivered.load(std::memory_order_acquire) < target)
            rt::MainThread::WaitAndProcess(1ms);
        sender.join();
        total = target;
    }
    state.counters["reports_per_s"] =
        benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
    if (latency) {
        state.counters["median_us"] = Percentile(sink.LatencyUs, 0.50);
        state.counters["p99_us"] = Percentile(sink.LatencyUs, 0.99);
    }
}

// Reports queued back to back: throughput.
void BM_ReportThroughput(benchmark::State& state) { RunReports(state, 64, false); }
BENCHMARK(BM_ReportThroughput)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// One report in flight at a time: the latency of one hand-over.
void BM_HandOverLatency(benchmark::State& state) { RunReports(state, 1, true); }
BENCHMARK(BM_HandOverLatency)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// From asking the thread to stop (clearing the data handler) until it has ended, with a read
// pending; the wait time is the device's FThreadSleepTime.
void BM_StopReadThread(benchmark::State& state) {
    TSink sink;
    TRig rig(sink);
    const auto sleepTime = static_cast<std::int32_t>(state.range(0));
    rig.Device()->SetThreadSleepTime(sleepTime);
    const auto handler = hid::THidDataEvent::Of<&TSink::Data>(&sink);
    double worstMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.Device()->SetDataEvent(handler);
        const unsigned reads = platform::test::CallCount("ReadFileEx");
        // The read has started, and the thread waits at a random point of its wait.
        while (platform::test::CallCount("ReadFileEx") == reads)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepTime / 3 + 1));
        state.ResumeTiming();
        const auto start = Clock::now();
        rig.Device()->SetDataEvent(hid::THidDataEvent());
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        worstMs = std::max(worstMs, ms);
    }
    state.counters["worst_ms"] = worstMs;
    state.counters["limit_ms"] = sleepTime + 10;
}
BENCHMARK(BM_StopReadThread)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

} // namespace

BENCHMARK_MAIN();
