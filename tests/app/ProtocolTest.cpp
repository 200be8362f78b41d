// The sending side: what the run buttons and the poll write, and how failures show.
#include "AppFixture.h"

#include <algorithm>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include "app/core/OutputReport.h"
#include "tests/platform/MessageLocale.h"
#include "tests/platform/SilentDevice.h"

namespace {

using apptest::AppFixture;
using apptest::DeviceInfo;
using apptest::RecordingAnalyzer;
using Bytes = std::vector<std::uint8_t>;

const std::string kNotConnected = "Прибор не подключен !";

Bytes Command(std::uint8_t code, std::uint8_t arg, std::size_t length = 65) {
    Bytes b(length, 0);
    b[2] = code;
    b[3] = arg;
    return b;
}

void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button) {
    const QPointF at(5, 5);
    QMouseEvent e(type, at, w->mapToGlobal(at), button,
                  type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void SendKey(QWidget* w, QEvent::Type type, int key, const QString& text) {
    QKeyEvent e(type, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &e);
}

class ProtocolTest : public AppFixture {
protected:
    // A window bound to a recording device with the analyzer's identity.
    std::shared_ptr<sim::RecordingDevice> Bound(sim::VirtualDeviceInfo info = {}) {
        if (info.vendorId == 0)
            info = DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
        auto device = std::make_shared<sim::RecordingDevice>(info);
        sim::VirtualBus::Instance().Plug(device);
        CreateWindowWithDevices(1);
        EXPECT_NE(form_->FCurrentDevice, nullptr);
        return device;
    }
};

TEST_F(ProtocolTest, WithoutAnAnalyzerNothingIsSent) {
    // Another HID device is there, but it is not the analyzer.
    auto other = std::make_shared<sim::RecordingDevice>(DeviceInfo(0x046D, 0xC077, u"Mouse"));
    sim::VirtualBus::Instance().Plug(other);
    TForm1* f = CreateWindowWithDevices(1);
    ASSERT_EQ(f->FCurrentDevice, nullptr);

    f->BitBtn1->Click();
    EXPECT_EQ(Panel(0), kNotConnected);
    f->BitBtn2->Click();
    f->BitBtn3->MouseDown(ui::mbLeft, 0, 1, 1);
    f->BitBtn3->MouseUp(ui::mbLeft, 0, 1, 1);
    EXPECT_EQ(Panel(0), kNotConnected);

    EXPECT_TRUE(f->Timer1->Tick());
    EXPECT_EQ(f->Label4->Caption(), kNotConnected);
    EXPECT_FALSE(f->Timer2->Enabled());
    EXPECT_TRUE(other->Written().empty());
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(ProtocolTest, StartSendsPrepareThenStart) {
    auto device = Bound();
    form_->BitBtn1->Click();
    EXPECT_EQ(device->Written(), (std::vector<Bytes>{Command(0x09, 1), Command(0x08, 1)}));
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(ProtocolTest, EnterPressesStart) {
    auto device = Bound();
    form_->KeyPress(u'\r');
    EXPECT_EQ(device->Written(), (std::vector<Bytes>{Command(0x09, 1), Command(0x08, 1)}));
}

TEST_F(ProtocolTest, StopSendsStop) {
    auto device = Bound();
    form_->BitBtn2->Click();
    EXPECT_EQ(device->Written(), std::vector<Bytes>{Command(0x08, 2)});
}

// The drain lasts while the button is held, polls and all; the release ends it once.
TEST_F(ProtocolTest, DrainFollowsEitherMouseButton) {
    auto device = Bound();
    QWidget* w = form_->BitBtn3->Widget();
    const Bytes poll(65, 0);
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        device->ClearWritten();
        SendMouse(w, QEvent::MouseButtonPress, button);
        EXPECT_EQ(device->Written(), std::vector<Bytes>{Command(0x08, 3)});
        EXPECT_TRUE(form_->Timer1->Tick());
        SendMouse(w, QEvent::MouseButtonRelease, button);
        EXPECT_TRUE(form_->Timer1->Tick());
        EXPECT_EQ(device->Written(),
                  (std::vector<Bytes>{Command(0x08, 3), poll, Command(0x08, 0), poll}))
            << "button " << button;
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

// A drain that the analyzer takes late (busy), so that the end of the drain cannot be written
// at the release: the end is owed, and goes without a box, after the drain, once writes go
// through again; then it is not sent again. Where the drain's box opens in a window, the
// window gets no release at all: the end is owed the same way.
TEST_F(ProtocolTest, EndOfADrainThatCouldNotBeWrittenGoesOnceWritesGoThrough) {
    const platform_test::MessageLocale russian("ru_RU.UTF-8");
    const std::string text = "0 = WRITE ERROR: Время ожидания операции истекло (5B4)";
    const Bytes poll(65, 0);
    for (bool released : {true, false}) {
        SCOPED_TRACE(released ? "released after the box" : "the box took the release");
        auto device = Bound();
        {
            silent::SilentFor silence(device);
            form_->BitBtn3->MouseDown(ui::mbLeft, 0, 1, 1);
            ASSERT_TRUE(silent::Eventually([&] { return device->WaitingWrites() == 1; }));
            if (released)
                form_->BitBtn3->MouseUp(ui::mbLeft, 0, 1, 1);
            ASSERT_EQ(Boxes().Count(), released ? 2 : 1);
            for (const ui::ModalRequest& box : Boxes().Requests())
                EXPECT_EQ(box.text, text);
            EXPECT_TRUE(form_->Timer1->Tick()); // the drain is still in flight
            EXPECT_FALSE(silence.Hung());
        }
        // the polls aside: the drain, then its end
        const auto commands = [&] {
            std::vector<Bytes> c = device->Written();
            c.erase(std::remove(c.begin(), c.end(), poll), c.end());
            return c;
        };
        ASSERT_TRUE(silent::Eventually([&] {
            form_->Timer1->Tick();
            return commands().size() >= 2;
        }));
        EXPECT_EQ(commands(), (std::vector<Bytes>{Command(0x08, 3), Command(0x08, 0)}));
        EXPECT_EQ(Boxes().Count(), released ? 2 : 1);
        device->ClearWritten();
        EXPECT_TRUE(form_->Timer1->Tick());
        EXPECT_EQ(device->Written(), std::vector<Bytes>{poll});
        DestroyWindow();
        sim::VirtualBus::Instance().Reset();
        Boxes().Clear();
    }
}

TEST_F(ProtocolTest, SpaceOnDrainClicksButSendsNothing) {
    auto device = Bound();
    int clicks = 0;
    auto original = form_->BitBtn3->OnClick;
    form_->BitBtn3->OnClick = [&](ui::TObject* s) {
        ++clicks;
        original(s);
    };
    QWidget* w = form_->BitBtn3->Widget();
    SendKey(w, QEvent::KeyPress, Qt::Key_Space, " ");
    SendKey(w, QEvent::KeyRelease, Qt::Key_Space, " ");
    Drain();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(device->Written().empty());
}

TEST_F(ProtocolTest, PollIsAllZeroWithTheOutputLength) {
    struct Case {
        std::uint16_t input;
        std::uint16_t output;
    };
    for (Case c : {Case{65, 65}, Case{33, 65}, Case{65, 9}}) {
        SCOPED_TRACE(testing::Message() << "input " << c.input << " output " << c.output);
        auto info = DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
        info.inputReportLength = c.input;
        info.outputReportLength = c.output;
        auto device = Bound(info);
        EXPECT_TRUE(form_->Timer1->Tick());
        EXPECT_EQ(device->Written(), std::vector<Bytes>{Bytes(c.output, 0)});
        EXPECT_TRUE(form_->Timer2->Enabled());
        form_->BitBtn2->Click();
        ASSERT_EQ(device->Written().size(), 2u);
        EXPECT_EQ(device->Written()[1], Command(0x08, 2, c.output));
        DestroyWindow();
        sim::VirtualBus::Instance().Reset();
    }
}

TEST_F(ProtocolTest, DumpCommandRepeatsItsCodeInByteOne) {
    auto device = Bound();
    form_->WriteReport(core::DumpControllerReport());
    form_->WriteReport(core::ApplyReport());
    ASSERT_EQ(device->Written().size(), 2u);
    EXPECT_EQ(device->Written()[0][1], 0x0B);
    EXPECT_EQ(device->Written()[0][2], 0x0B);
    EXPECT_EQ(device->Written()[1][1], 0x00);
    EXPECT_EQ(device->Written()[1][2], 0x0C);
}

TEST_F(ProtocolTest, ByteZeroIsAlwaysTheReportId) {
    auto device = Bound();
    core::TOutputReport report = core::RunControlReport(core::TRunControl::Stop);
    report[0] = 0x7F;
    form_->WriteReport(report);
    ASSERT_EQ(device->Written().size(), 1u);
    EXPECT_EQ(device->Written()[0], Command(0x08, 2));
}

// The platform's texts in a Russian locale.
const char* const kAccessDenied = "WRITE ERROR: Отказано в доступе (5)";

TEST_F(ProtocolTest, FailedCommandShowsCountAndErrorText) {
    const platform_test::MessageLocale russian("ru_RU.UTF-8");
    auto info = DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
    info.openMode = sim::OpenMode::QueryOnly;
    auto device = Bound(info);

    // Both commands of the start run, each with its own box.
    form_->BitBtn1->Click();
    ASSERT_EQ(Boxes().Count(), 2);
    for (const ui::ModalRequest& box : Boxes().Requests()) {
        EXPECT_EQ(box.kind, ui::ModalKind::MessageBox);
        EXPECT_EQ(box.caption, ui::Application->Title());
        EXPECT_EQ(box.icon, ui::ModalIcon::None);
        EXPECT_EQ(box.buttons, std::vector<int>{ui::IDOK});
        EXPECT_EQ(box.text, std::string("0 = ") + kAccessDenied);
    }
    EXPECT_TRUE(device->Written().empty());
}

// The platform's text in a write error is in the language of the user's locale, English
// where the locale's language has none; the rest of the text is the same in every locale.
TEST_F(ProtocolTest, WriteErrorTextFollowsTheUsersLocale) {
    struct Case {
        const char* lang;
        const char* messages;
        const char* text;
    };
    const Case cases[] = {
        {"ru_RU.UTF-8", nullptr, kAccessDenied},
        {"C.UTF-8", nullptr, "WRITE ERROR: Access denied (5)"},
        {"de_DE.UTF-8", nullptr, "WRITE ERROR: Access denied (5)"},
        {"ru_RU.UTF-8", "en_US.UTF-8", "WRITE ERROR: Access denied (5)"},
        {"en_US.UTF-8", "ru_RU.UTF-8", kAccessDenied},
    };
    auto info = DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
    info.openMode = sim::OpenMode::QueryOnly;
    Bound(info);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.lang << " / " << (c.messages ? c.messages : "-"));
        const platform_test::MessageLocale locale(c.lang, c.messages);
        Boxes().Clear();
        form_->BitBtn2->Click();
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().text, std::string("0 = ") + c.text);
        EXPECT_TRUE(form_->Timer1->Tick());
        EXPECT_EQ(Panel(0), c.text);
    }
}

TEST_F(ProtocolTest, UnsupportedReportLengthWritesNothing) {
    for (std::uint16_t length : {std::uint16_t{0}, std::uint16_t{66}, std::uint16_t{200}}) {
        SCOPED_TRACE(length);
        auto info = DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
        info.outputReportLength = length;
        auto device = Bound(info);
        Boxes().Clear();
        form_->BitBtn2->Click();
        ASSERT_EQ(Boxes().Count(), 1);
        const std::string text =
            "Длина выходного отчета " + std::to_string(length) + " не поддерживается";
        EXPECT_EQ(Boxes().Last().text, "0 = " + text);
        EXPECT_TRUE(form_->Timer1->Tick());
        EXPECT_EQ(Panel(0), text);
        EXPECT_FALSE(form_->Timer2->Enabled());
        EXPECT_TRUE(device->Written().empty());
        DestroyWindow();
        sim::VirtualBus::Instance().Reset();
    }
}

TEST_F(ProtocolTest, Timer2StaysOffWhileEveryPollFails) {
    const platform_test::MessageLocale russian("ru_RU.UTF-8");
    auto info = DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
    info.openMode = sim::OpenMode::QueryOnly;
    Bound(info);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(form_->Timer1->Tick());
        EXPECT_FALSE(form_->Timer2->Enabled());
        EXPECT_EQ(Panel(0), kAccessDenied);
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(ProtocolTest, Timer2StaysOnOnceAPollSucceeded) {
    auto device = Bound();
    EXPECT_TRUE(form_->Timer1->Tick());
    EXPECT_TRUE(form_->Timer2->Enabled());
    EXPECT_EQ(Panel(0), "");

    // Unplugged: the window keeps the old object, and the polls fail.
    sim::VirtualBus::Instance().Unplug(device);
    Drain();
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(form_->Timer1->Tick());
        EXPECT_EQ(Panel(0).rfind("WRITE ERROR: ", 0), 0u) << Panel(0);
        EXPECT_TRUE(form_->Timer2->Enabled());
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

// After the pull the write fails without reaching the device; the reason shown is that the
// device is not connected, not what the enumeration of the pull left behind.
TEST_F(ProtocolTest, WritesAfterThePullSayTheDeviceIsNotConnected) {
    const platform_test::MessageLocale russian("ru_RU.UTF-8");
    auto device = Bound();
    ASSERT_TRUE(form_->Timer1->Tick());
    sim::VirtualBus::Instance().Unplug(device);
    Drain();
    ASSERT_FALSE(form_->FCurrentDevice->PluggedIn());
    const std::string text = "WRITE ERROR: Устройство не подключено (48F)";
    EXPECT_TRUE(form_->Timer1->Tick());
    EXPECT_EQ(Panel(0), text);
    form_->BitBtn2->Click();
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text, "0 = " + text);
}

// An analyzer that takes no report holds the window only for a small bound: the poll shows
// the time-out, the next poll is not queued behind the one in flight, commands fail the same
// way, and once the analyzer takes reports again the polls go through.
TEST_F(ProtocolTest, AnalyzerThatTakesNoReportsHoldsTheWindowOnlyBriefly) {
    using namespace std::chrono_literals;
    const platform_test::MessageLocale russian("ru_RU.UTF-8");
    auto device = Bound();
    const std::string text = "WRITE ERROR: Время ожидания операции истекло (5B4)";
    {
        silent::SilentFor silence(device);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const auto start = std::chrono::steady_clock::now();
            EXPECT_TRUE(form_->Timer1->Tick());
            EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
            EXPECT_EQ(Panel(0), text);
            EXPECT_FALSE(form_->Timer2->Enabled());
            ASSERT_TRUE(silent::Eventually([&] { return device->WaitingWrites() == 1; }));
        }
        form_->BitBtn2->Click();
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().text, "0 = " + text);
        EXPECT_TRUE(device->Written().empty());
        EXPECT_FALSE(silence.Hung());
    }
    ASSERT_TRUE(silent::Eventually([&] { return device->Written().size() == 1; }));
    EXPECT_EQ(device->Written()[0], Bytes(65, 0)) << "the first poll, taken late";
    ASSERT_TRUE(silent::Eventually([&] {
        form_->Timer1->Tick();
        return form_->Timer2->Enabled();
    }));
    EXPECT_EQ(device->Written().size(), 2u);
}

TEST_F(ProtocolTest, PollsGoOnBehindAFailureBox) {
    auto info = DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
    info.openMode = sim::OpenMode::QueryOnly;
    Bound(info);
    int ticksInside = 0;
    Boxes().SetWhileOpen([&](const ui::ModalRequest&) {
        if (form_->Timer1->Tick())
            ++ticksInside;
    });
    form_->BitBtn2->Click();
    EXPECT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(ticksInside, 1);
    EXPECT_EQ(Panel(0).rfind("WRITE ERROR: ", 0), 0u);
}

} // namespace
