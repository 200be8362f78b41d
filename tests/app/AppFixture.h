#pragma once
// The main window under test: a temporary program directory, an empty virtual bus, modal
// boxes answered by a recorder, a window made and destroyed per test, and helpers that drain
// the main-thread queue, plug devices and hand reports to the parser; the window bound to the
// stand-in analyzer and driven second by second.
// Timers never tick by themselves here: their intervals are pushed far out after creation,
// and tests drive them with Tick().
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "analyzer/AnalyzerDevice.h"
#include "app/ProgramDir.h"
#include "app/Unit1.h"
#include "platform/sim/VirtualBus.h"
#include "runtime/MainThread.h"
#include "runtime/SysUtils.h"
#include "ui/Modal.h"

namespace apptest {

constexpr const char* kTitle = "Анализатор помутнения и застывния Kelvane А, KelvaneИ, Dovrel";
constexpr std::uint16_t kAnalyzerVid = 0x0925;
constexpr std::uint16_t kAnalyzerPid = 0x1299;

// A device description for the virtual bus.
inline sim::VirtualDeviceInfo DeviceInfo(std::uint16_t vid, std::uint16_t pid,
                                         std::u16string product = u"", std::u16string serial = u"",
                                         std::uint16_t version = 1) {
    sim::VirtualDeviceInfo info;
    info.vendorId = vid;
    info.productId = pid;
    info.versionNumber = version;
    info.productString = std::move(product);
    info.serialNumber = std::move(serial);
    return info;
}

// A recording device with the analyzer's identity.
inline std::shared_ptr<sim::RecordingDevice> RecordingAnalyzer(std::uint16_t version = 1) {
    return std::make_shared<sim::RecordingDevice>(
        DeviceInfo(kAnalyzerVid, kAnalyzerPid, u"", u"", version));
}

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        namespace fs = std::filesystem;
        std::error_code ec;
        cwd_ = fs::current_path(ec);
        dir_ = fs::temp_directory_path() /
               ("coldpoint-app-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "gr");
        // An empty journal: no error box at creation.
        std::ofstream(dir_ / "data2.tab", std::ios::binary);
        app::OverrideProgramDir(dir_.string());
        sim::VirtualBus::Instance().Reset();
        separator_ = rt::DecimalSeparator();
        rt::SetDecimalSeparator('.');
        ui::Application->Initialize();
        ui::Application->SetTitle(kTitle);
        boxes_ = std::make_unique<ui::ModalRecorder>();
    }

    void TearDown() override {
        DestroyWindow();
        Drain();
        sim::VirtualBus::Instance().Reset();
        boxes_.reset();
        rt::SetDecimalSeparator(separator_);
        app::OverrideProgramDir("");
        std::error_code ec;
        // The window's creation moves the process into the program directory.
        std::filesystem::current_path(cwd_, ec);
        std::filesystem::remove_all(dir_, ec);
    }

    // The window as the program creates it (OnCreate included). With quietTimers the
    // timers keep their enabled state but never tick on their own.
    TForm1* CreateWindow(bool quietTimers = true) {
        form_ = new TForm1(nullptr);
        Form1 = form_;
        form_->DoCreate();
        if (quietTimers)
            QuietTimers();
        return form_;
    }

    void QuietTimers() {
        for (ui::TTimer* t : {form_->Timer1, form_->Timer2, form_->Timer3})
            t->SetInterval(1u << 30);
    }

    void DestroyWindow() {
        delete form_;
        form_ = nullptr;
        Form1 = nullptr;
    }

    // Runs what is waiting on the main thread: events, posted messages, hand-overs.
    static void Drain() {
        ui::Application->ProcessMessages();
        rt::MainThread::ProcessPending();
    }

    // Drains the main-thread queue until done() holds (generous bound; no fixed sleeps).
    static bool WaitUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds bound = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + bound;
        for (;;) {
            Drain();
            if (done())
                return true;
            if (std::chrono::steady_clock::now() >= end)
                return false;
            rt::MainThread::WaitAndProcess(std::chrono::milliseconds(5));
        }
    }

    // Plugs the device in; with a window, waits until the arrival has listed it.
    template <class D>
    std::shared_ptr<D> Plug(std::shared_ptr<D> device) {
        const std::size_t before = form_ ? form_->FDeviceList.size() : 0;
        sim::VirtualBus::Instance().Plug(device);
        if (form_) {
            EXPECT_TRUE(WaitUntil([&] { return form_->FDeviceList.size() > before; }));
        }
        return device;
    }

    // Creates the window and waits for the first arrival to list count devices.
    TForm1* CreateWindowWithDevices(std::size_t count) {
        CreateWindow();
        EXPECT_TRUE(WaitUntil([&] { return form_->FDeviceList.size() == count; }));
        return form_;
    }

    // Hands one payload to the parser as the read thread's hand-over does.
    void Parse(const std::vector<std::uint8_t>& payload) {
        form_->ParseDeviceReport(form_->FCurrentDevice, 0, payload.data(),
                                 static_cast<std::uint16_t>(payload.size()));
    }

    int MemoLines() const { return form_->Memo1->Lines().Count(); }
    // The records the journal grid shows (a row with a date).
    int JournalRecords() const {
        int n = 0;
        for (int r = 1; r < form_->StringGrid1->RowCount(); ++r)
            if (form_->StringGrid1->Cells(1, r) != "" && form_->StringGrid1->Cells(1, r) != " ")
                ++n;
        return n;
    }
    std::string MemoLine(int i) const { return form_->Memo1->Lines().Get(i); }
    std::string Panel(int i) const { return form_->StatusBar1->Panels(i).Text(); }

    const std::filesystem::path& Dir() const { return dir_; }
    ui::ModalRecorder& Boxes() { return *boxes_; }
    TForm1* form_ = nullptr;

private:
    std::filesystem::path dir_;
    std::filesystem::path cwd_;
    std::unique_ptr<ui::ModalRecorder> boxes_;
    char separator_ = '.';
    static inline int counter_ = 0;
};

// The window bound to the stand-in analyzer (method "all three"), driven second by second.
class AnalyzerFixture : public AppFixture {
protected:
    // A window on the journal, bound to an analyzer at rest; with ownClock the analyzer goes
    // on by itself while the cable is out.
    void StartWithANewAnalyzer(bool ownClock = false) {
        analyzer_ = std::make_shared<analyzer::AnalyzerDevice>(1);
        analyzer_->Model().SetMethod(analyzer::Method::AllThree);
        if (ownClock)
            analyzer_->Model().SetOwnClock(true);
        CreateWindow();
        Plug(analyzer_);
        ASSERT_NE(form_->FCurrentDevice, nullptr);
    }

    // One second of the program: the analyzer's clock steps, the poll goes out and its answer
    // comes back through the read thread, then the run display and the seconds tick.
    void Second(double modelSeconds) {
        analyzer_->Advance(modelSeconds);
        const int before = MemoLines();
        ASSERT_TRUE(form_->Timer1->Tick());
        ASSERT_TRUE(WaitUntil([&] { return MemoLines() > before; })) << "no status report";
        Ticks();
    }
    // The run display's tick and the seconds' tick.
    void Ticks() {
        ASSERT_TRUE(form_->Timer2->Enabled());
        ASSERT_TRUE(form_->Timer2->Tick());
        form_->Timer3->Tick();
    }

    std::shared_ptr<analyzer::AnalyzerDevice> analyzer_;
};

using Bytes = std::vector<std::uint8_t>;

// The 65-byte output report of a command with its arguments from byte 3, as the window sends it.
inline Bytes Report(std::uint8_t command, std::initializer_list<std::uint8_t> args = {}) {
    Bytes b(65, 0);
    b[2] = command;
    std::size_t at = 3;
    for (std::uint8_t a : args)
        b[at++] = a;
    return b;
}

// Payload helpers.
inline void PutFloat(std::vector<std::uint8_t>& p, std::size_t at, float value) {
    std::uint32_t bits;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        p.at(at + i) = static_cast<std::uint8_t>(bits >> (8 * i));
}

inline void PutBytes(std::vector<std::uint8_t>& p, std::size_t at,
                     std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes)
        p.at(at++) = b;
}

} // namespace apptest
