#pragma once
// The English main window under test: the window fixture of the window tests, with the
// English texts and HID variant chosen and the window made as the English program makes it.
#include "tests/app/AppFixture.h"

#include "app/Texts.h"
#include "app/english/EnglishTexts.h"
#include "app/english/EnglishWindow.h"
#include "app/english/hid/EnglishHid.h"
#include "hid/Hid.h"

namespace entest {

class EnglishFixture : public apptest::AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        app::UseTexts(english::EnglishTexts);
        hid::UseHidVariant(hid::english::EnglishHid);
    }
    void TearDown() override {
        AppFixture::TearDown();
        app::UseTexts(app::RussianTexts);
        hid::UseHidVariant(hid::RussianHid);
    }

    // The English window, FormCreate run; its timers never tick by themselves.
    TForm1* CreateEnglishWindow() {
        form_ = english::CreateMainWindow(nullptr);
        QuietTimers();
        return form_;
    }

    // The English window, waiting for the first arrival to list count devices.
    TForm1* CreateEnglishWindowWithDevices(std::size_t count) {
        CreateEnglishWindow();
        EXPECT_TRUE(WaitUntil([&] { return form_->FDeviceList.size() == count; }));
        return form_;
    }
};

} // namespace entest
