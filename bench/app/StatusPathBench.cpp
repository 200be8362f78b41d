// Status reports through the whole path: a virtual analyzer on the bus, the device's read
// thread, the hand-over to the main thread and ParseDeviceReport with its labels, status bar
// and memo. Reports per second over 100,000 reports, and what the last tenth costs against
// the first. Memory over 1,000,000 reports: the memo keeps its most recent lines only, so the
// resident set stops growing once it is full.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <semaphore>
#include <thread>
#include <vector>

#include <unistd.h>

#include <QPlainTextEdit>
#include <QTextDocument>

#include "app/ProgramDir.h"
#include "app/Unit1.h"
#include "platform/sim/VirtualBus.h"
#include "runtime/MainThread.h"
#include "ui/Forms.h"
#include "ui/Modal.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint64_t kReports = 100000;
constexpr std::uint64_t kTenth = kReports / 10;
// In flight at most: fewer than the 128 input buffers, so none is dropped.
constexpr std::uint64_t kWindow = 64;

// The window's parser, counting what it has handled.
struct TCountingParser {
    TForm1* Form = nullptr;
    std::atomic<std::uint64_t> Parsed{0};
    std::counting_semaphore<> Slots{static_cast<std::ptrdiff_t>(kWindow)};
    void Data(hid::THidDevice* HidDev, std::uint8_t ReportID, const void* Data,
              std::uint16_t Size) {
        Form->ParseDeviceReport(HidDev, ReportID, Data, Size);
        Parsed.fetch_add(1, std::memory_order_release);
        Slots.release();
    }
};

std::vector<std::uint8_t> StatusReport(std::uint64_t i) {
    std::vector<std::uint8_t> r(65, 0);
    std::uint8_t* p = r.data() + 1;
    p[0] = 40;
    auto put = [&](int at, float v) { std::memcpy(p + at, &v, 4); };
    put(1, 20.0f - 0.001f * static_cast<float>(i % 40000));
    put(5, 3.5f);
    put(9, 1000.0f + static_cast<float>(i % 977));
    put(13, 77.0f);
    put(17, 77.0f);
    put(21, 77.0f);
    put(31, 0.25f);
    put(35, -1.5f);
    p[40] = static_cast<std::uint8_t>(i);
    return r;
}

void Pump() {
    ui::Application->ProcessMessages();
    rt::MainThread::WaitAndProcess(1ms);
}

void StatusReportsThroughTheWindow(benchmark::State& state) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "cp-status-bench-XXXXXX").string();
    const std::string dir = std::string(::mkdtemp(pattern.data())) + "/";
    std::ofstream(dir + "data2.tab", std::ios::binary);
    app::OverrideProgramDir(dir);
    ui::ModalRecorder boxes;
    sim::VirtualBus::Instance().Reset();

    sim::VirtualDeviceInfo info;
    info.vendorId = 0x0925;
    info.productId = 0x1299;
    info.productString = u"Kelvane A";
    auto device = std::make_shared<sim::RecordingDevice>(info);
    sim::VirtualBus::Instance().Plug(device);

    auto* form = new TForm1(nullptr);
    Form1 = form;
    form->DoCreate();
    for (ui::TTimer* t : {form->Timer1, form->Timer2, form->Timer3})
        t->SetInterval(1u << 30);
    form->Show();
    const auto bound = Clock::now() + 10s;
    while (!form->FCurrentDevice && Clock::now() < bound)
        Pump();
    if (!form->FCurrentDevice) {
        state.SkipWithError("the analyzer was not bound");
        delete form;
        return;
    }
    TCountingParser parser;
    parser.Form = form;
    form->FCurrentDevice->SetDataEvent(hid::THidDataEvent::Of<&TCountingParser::Data>(&parser));

    double firstTenth = 0, lastTenth = 0, total = 0;
    for (auto _ : state) {
        parser.Parsed = 0;
        form->Memo1->Clear();
        std::thread sender([&] {
            for (std::uint64_t sent = 0; sent < kReports; ++sent) {
                parser.Slots.acquire();
                device->SendInputReport(StatusReport(sent));
            }
        });
        const auto start = Clock::now();
        auto tenthStart = start;
        std::uint64_t nextTenth = kTenth;
        while (parser.Parsed.load(std::memory_order_acquire) < kReports) {
            Pump();
            if (parser.Parsed.load(std::memory_order_acquire) >= nextTenth) {
                const auto now = Clock::now();
                const double s = std::chrono::duration<double>(now - tenthStart).count();
                if (nextTenth == kTenth)
                    firstTenth = s;
                lastTenth = s;
                tenthStart = now;
                nextTenth += kTenth;
            }
        }
        total = std::chrono::duration<double>(Clock::now() - start).count();
        sender.join();
        state.SetIterationTime(total);
    }
    state.counters["reports_per_s"] = static_cast<double>(kReports) / total;
    state.counters["last_over_first_tenth"] = firstTenth > 0 ? lastTenth / firstTenth : 0;
    state.counters["memo_lines"] = form->Memo1->Lines().Count();

    delete form;
    Form1 = nullptr;
    sim::VirtualBus::Instance().Reset();
    app::OverrideProgramDir("");
    std::error_code ec;
    fs::remove_all(dir, ec);
}
// A shown main window whose timers never tick during a run.
TForm1* QuietWindow() {
    auto* form = new TForm1(nullptr);
    Form1 = form;
    for (ui::TTimer* t : {form->Timer1, form->Timer2, form->Timer3})
        t->SetInterval(1u << 30);
    form->Show();
    return form;
}

// 977 different status reports, handed round in turn.
std::vector<std::vector<std::uint8_t>> StatusReports() {
    std::vector<std::vector<std::uint8_t>> reports;
    for (std::uint64_t i = 0; i < 977; ++i)
        reports.push_back(StatusReport(i));
    return reports;
}

// The main thread's share: the same reports handed to ParseDeviceReport directly.
void StatusReportsParsedDirectly(benchmark::State& state) {
    TForm1* form = QuietWindow();
    const std::vector<std::vector<std::uint8_t>> reports = StatusReports();
    double firstTenth = 0, lastTenth = 0, total = 0;
    for (auto _ : state) {
        form->Memo1->Clear();
        const auto start = Clock::now();
        auto tenthStart = start;
        for (std::uint64_t i = 0; i < kReports; ++i) {
            const auto& r = reports[i % reports.size()];
            form->ParseDeviceReport(nullptr, 0, r.data() + 1, 64);
            if ((i + 1) % 64 == 0)
                ui::Application->ProcessMessages();
            if ((i + 1) % kTenth == 0) {
                const auto now = Clock::now();
                const double s = std::chrono::duration<double>(now - tenthStart).count();
                if (i + 1 == kTenth)
                    firstTenth = s;
                lastTenth = s;
                tenthStart = now;
            }
        }
        total = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(total);
    }
    state.counters["reports_per_s"] = static_cast<double>(kReports) / total;
    state.counters["last_over_first_tenth"] = firstTenth > 0 ? lastTenth / firstTenth : 0;
    delete form;
    Form1 = nullptr;
}
// The resident set of the process, in bytes.
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// A week of polling in memory terms: 1,000,000 status reports handed to the parser, the event
// loop turning as often as in the program. The resident set's growth over all of them and
// over the last 900,000 (after the memo has filled up), and what the memo holds at the end.
void StatusReportsMemory(benchmark::State& state) {
    constexpr std::uint64_t kMany = 1000000;
    constexpr std::uint64_t kFull = 100000;
    TForm1* form = QuietWindow();
    const std::vector<std::vector<std::uint8_t>> reports = StatusReports();
    double start = 0, full = 0, end = 0;
    for (auto _ : state) {
        form->Memo1->Clear();
        ui::Application->ProcessMessages();
        start = ResidentBytes();
        const auto begin = Clock::now();
        for (std::uint64_t i = 0; i < kMany; ++i) {
            const auto& r = reports[i % reports.size()];
            form->ParseDeviceReport(nullptr, 0, r.data() + 1, 64);
            if ((i + 1) % 64 == 0)
                ui::Application->ProcessMessages();
            if (i + 1 == kFull)
                full = ResidentBytes();
        }
        ui::Application->ProcessMessages();
        end = ResidentBytes();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
    }
    constexpr double kMB = 1024.0 * 1024.0;
    state.counters["rss_growth_MB"] = (end - start) / kMB;
    state.counters["rss_growth_last_900k_MB"] = (end - full) / kMB;
    state.counters["memo_lines"] = form->Memo1->Lines().Count();
    state.counters["memo_text_MB"] =
        static_cast<double>(form->Memo1->TextEdit()->document()->characterCount()) * 2 / kMB;
    delete form;
    Form1 = nullptr;
}

BENCHMARK(StatusReportsParsedDirectly)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

BENCHMARK(StatusReportsThroughTheWindow)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

BENCHMARK(StatusReportsMemory)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace
