// The receiving side: what every kind of input report changes in the window.
#include "AppFixture.h"

namespace {

using apptest::AppFixture;
using apptest::PutBytes;
using apptest::PutFloat;
using Bytes = std::vector<std::uint8_t>;

// A status report of 64 payload bytes in layout B.
Bytes Status(std::uint8_t state, float t, float th, float f, float cloud, float pour,
             float filter) {
    Bytes p(64, 0);
    p[0] = state;
    PutFloat(p, 1, t);
    PutFloat(p, 5, th);
    PutFloat(p, 9, f);
    PutFloat(p, 13, cloud);
    PutFloat(p, 17, pour);
    PutFloat(p, 21, filter);
    return p;
}

Bytes Reply82(std::uint16_t address, std::uint8_t selector, const Bytes& data = {}) {
    Bytes p(64, 0);
    p[0] = 0x82;
    p[1] = static_cast<std::uint8_t>(address >> 8);
    p[2] = static_cast<std::uint8_t>(address);
    p[4] = selector;
    for (std::size_t i = 0; i < data.size(); ++i)
        p.at(6 + i) = data[i];
    return p;
}

class ParseTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindow();
    }
};

TEST_F(ParseTest, StatusReportFillsFieldsAndDisplays) {
    Bytes p = Status(40, -12.34f, 5.55f, 1234.5678f, -8.26f, 77.0f, -15.0f);
    p[25] = 3; // mode
    p[30] = 1; // additive
    PutFloat(p, 31, 0.456f);
    PutFloat(p, 35, -2.3456f);
    p[40] = 17; // aux byte
    Parse(p);

    TForm1* f = form_;
    EXPECT_EQ(f->FState, 40);
    EXPECT_EQ(f->FModeByte, 3);
    EXPECT_FLOAT_EQ(f->FTemperature, -12.34f);
    EXPECT_FLOAT_EQ(f->FTh, 5.55f);
    EXPECT_FLOAT_EQ(f->FSignal, 1234.5678f);
    EXPECT_FLOAT_EQ(f->FCloudPoint, -8.26f);
    EXPECT_EQ(f->FPourPoint, 77.0f);
    EXPECT_FLOAT_EQ(f->FFilterPoint, -15.0f);
    EXPECT_EQ(f->FAdditive, 1.0f);
    EXPECT_FLOAT_EQ(f->FDt, 0.456f);
    EXPECT_FLOAT_EQ(f->FDf, -2.3456f);
    EXPECT_EQ(f->FAuxByte, 17);

    EXPECT_EQ(f->Label1->Caption(), "-12.3");
    EXPECT_EQ(f->Label2->Caption(), "-8.3");
    EXPECT_EQ(f->Label3->Caption(), "?");
    EXPECT_EQ(f->Label6->Caption(), "-15");
    EXPECT_EQ(Panel(3), "1");
    EXPECT_EQ(Panel(2), "17");
    EXPECT_EQ(Panel(0), "Th=5.6 f=1234.568 df=-2.346 dt=0.46");

    ASSERT_EQ(MemoLines(), 3);
    EXPECT_EQ(MemoLine(0), core::HexLogLine(p.data(), p.size()));
    EXPECT_EQ(MemoLine(1), "t=-12.3 f=1234.568");
    EXPECT_EQ(MemoLine(2), "t=-12.3 f=1234.568");
}

TEST_F(ParseTest, NotDeterminedResultsShowQuestionMarks) {
    Parse(Status(20, 77.0f, 0, 0, 77.0f, 77.0f, 77.0f));
    EXPECT_EQ(form_->FCloudPoint, 77.0f);
    EXPECT_EQ(form_->Label1->Caption(), "?");
    EXPECT_EQ(form_->Label2->Caption(), "?");
    EXPECT_EQ(form_->Label3->Caption(), "?");
    EXPECT_EQ(form_->Label6->Caption(), "?");
    // A value near 77 is a value.
    Parse(Status(20, 0, 0, 0, 77.01f, 0, 0));
    EXPECT_EQ(form_->Label2->Caption(), "77");
}

TEST_F(ParseTest, FloatDecodingAsTheFieldsStoreIt) {
    struct Case {
        Bytes bytes;
        float expected;
    };
    auto single = [](float v) {
        Bytes b(4);
        PutFloat(b, 0, v);
        return b;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x9A, 0x42}, 77.0f},
        {{0xFF, 0xFF, 0xFF, 0x00}, 0.0f},
        {{0xFF, 0xFF, 0xFF, 0x7F}, 0.0f},
        {{0xFF, 0xFF, 0xFF, 0xC2}, 0.0f},
        {{0x00, 0x00, 0x80, 0x7F}, 0.0f},
        {{0x00, 0x00, 0x80, 0x3F}, 1.0f},
        {{0x00, 0x00, 0x20, 0xC0}, -2.5f},
        {single(1.23456f), 1.2346f},
        {single(1e15f), 0.0f},
        {single(9e14f), static_cast<float>(static_cast<double>(9e14f))},
    };
    for (const Case& c : cases) {
        Bytes p(64, 0);
        p[0] = 20;
        PutBytes(p, 1, {c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3]});
        Parse(p);
        EXPECT_FLOAT_EQ(form_->FTemperature, c.expected)
            << std::hex << int(c.bytes[0]) << ' ' << int(c.bytes[1]) << ' ' << int(c.bytes[2])
            << ' ' << int(c.bytes[3]);
    }
}

TEST_F(ParseTest, LayoutAByByte39TakesIntegers) {
    Bytes p = Status(20, 0, 0, 0, 0, 0, 0);
    PutBytes(p, 9, {0x10, 0x00, 0x00, 0x00});
    PutBytes(p, 35, {0xFE, 0xFF, 0xFF, 0xFF});
    p[39] = 2;
    Parse(p);
    EXPECT_EQ(form_->FSignal, 16.0f);
    EXPECT_EQ(form_->FDf, -2.0f);

    // Layout B reads the same bytes as floats (tiny values, 0 at 4 decimals).
    p[39] = 0;
    Parse(p);
    EXPECT_EQ(form_->FSignal, 0.0f);
    EXPECT_EQ(form_->FDf, 0.0f);
}

TEST_F(ParseTest, LargeUnsignedSignalInLayoutA) {
    Bytes p = Status(20, 0, 0, 0, 0, 0, 0);
    PutBytes(p, 9, {0xFF, 0xFF, 0xFF, 0xFF});
    p[39] = 2;
    Parse(p);
    EXPECT_EQ(form_->FSignal, static_cast<float>(4294967295.0));
}

TEST_F(ParseTest, PreviousTemperatureAndSignal) {
    Parse(Status(20, -1.5f, 0, 100.0f, 0, 0, 0));
    Parse(Status(20, -2.5f, 0, 90.0f, 0, 0, 0));
    EXPECT_EQ(form_->FPrevTemperature, -1.5f);
    EXPECT_EQ(form_->FTemperature, -2.5f);
    EXPECT_EQ(form_->FPrevSignal, 100.0f);
    EXPECT_EQ(form_->FSignal, 90.0f);
}

TEST_F(ParseTest, ControllerDumpFillsTheTenEdits) {
    Bytes p(64, 0);
    p[0] = 0x55;
    PutFloat(p, 13, 1.5f);                     // Edit5
    PutFloat(p, 17, -2.25f);                   // Edit6
    PutFloat(p, 21, 3.0f);                     // Edit7
    PutFloat(p, 25, 1.23456f);                 // Edit1
    PutFloat(p, 29, 0.5f);                     // Edit2
    PutFloat(p, 33, 7.0f);                     // Edit3
    PutFloat(p, 37, -7.0f);                    // Edit4
    PutBytes(p, 41, {0x2C, 0x01});             // Edit8
    PutFloat(p, 43, 12.5f);                    // Edit9
    PutBytes(p, 47, {0xFF, 0xFF, 0xFF, 0xFF}); // gr_df: erased
    Parse(p);
    const std::pair<ui::TEdit*, const char*> expected[] = {
        {form_->Edit5, "1.5"},    {form_->Edit6, "-2.25"}, {form_->Edit7, "3"},
        {form_->Edit1, "1.2346"}, {form_->Edit2, "0.5"},   {form_->Edit3, "7"},
        {form_->Edit4, "-7"},     {form_->Edit8, "300"},   {form_->Edit9, "12.5"},
        {form_->gr_df, "0"},
    };
    for (const auto& [edit, text] : expected)
        EXPECT_EQ(edit->Text(), text) << edit->Name();
    // Not part of the dump.
    EXPECT_EQ(form_->Edit11->Text(), "Edit11");
    EXPECT_EQ(form_->Edit17->Text(), "Edit17");
    ASSERT_EQ(MemoLines(), 2);
    EXPECT_EQ(MemoLine(0), MemoLine(1));
    // Replies leave the measurement fields alone.
    EXPECT_EQ(form_->FState, 0);
    EXPECT_EQ(form_->Label1->Caption(), "0");
}

TEST_F(ParseTest, EepromReplySelectorsFillTheirEdits) {
    Bytes floats(12);
    PutFloat(floats, 0, 1.25f);
    PutFloat(floats, 4, -0.5f);
    PutFloat(floats, 8, 42.0f);
    struct Case {
        std::uint8_t selector;
        std::vector<std::pair<ui::TEdit*, std::string>> edits;
    };
    TForm1* f = form_;
    const Case cases[] = {
        {10, {{f->Edit1, "1.25"}, {f->Edit2, "-0.5"}}},
        {11, {{f->Edit3, "1.25"}, {f->Edit4, "-0.5"}}},
        {12, {{f->Edit5, "1.25"}}},
        {13, {{f->Edit6, "1.25"}}},
        {15, {{f->Edit7, "1.25"}}},
        {16, {{f->Edit9, "1.25"}}},
        {17, {{f->gr_df, "1.25"}}},
        {18, {{f->Edit11, "1.25"}}},
        {19, {{f->Edit12, "1.25"}}},
        {20, {{f->Edit13, "1.25"}}},
        {21, {{f->Edit17, "1.25"}, {f->Edit18, "-0.5"}, {f->Edit19, "42"}}},
    };
    for (const Case& c : cases) {
        Parse(Reply82(0, c.selector, floats));
        for (const auto& [edit, text] : c.edits)
            EXPECT_EQ(edit->Text(), text) << "selector " << int(c.selector) << " " << edit->Name();
    }
}

TEST_F(ParseTest, SelectorFourteenIsAnUnsignedCount) {
    Parse(Reply82(54, 14, {0x2C, 0x01}));
    EXPECT_EQ(form_->Edit8->Text(), "300");
    Parse(Reply82(54, 14, {0xFF, 0xFF}));
    EXPECT_EQ(form_->Edit8->Text(), "65535");
    ASSERT_EQ(MemoLines(), 4);
}

TEST_F(ParseTest, SelectorOutsideTheTableChangesNothing) {
    for (std::uint8_t selector : {1, 9, 22, 255}) {
        Parse(Reply82(0, selector, {1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(form_->Edit1->Text(), "Edit1");
        EXPECT_EQ(form_->Edit8->Text(), "Edit8");
        EXPECT_EQ(form_->StringGrid2->Cells(1, 1), "");
    }
    EXPECT_EQ(MemoLines(), 8);
}

TEST_F(ParseTest, DumpRowsByAddress) {
    Bytes data(32);
    for (int i = 0; i < 32; ++i)
        data[i] = static_cast<std::uint8_t>(0xA0 + i);
    Parse(Reply82(0x1240, 0, data));
    ui::TStringGrid* g = form_->StringGrid2;
    EXPECT_EQ(g->Cells(0, 293), "1240 ");
    EXPECT_EQ(g->Cells(0, 294), "1250 ");
    EXPECT_EQ(g->Cells(1, 293), "A0 ");
    EXPECT_EQ(g->Cells(16, 293), "AF ");
    EXPECT_EQ(g->Cells(1, 294), "B0 ");
    EXPECT_EQ(g->Cells(16, 294), "BF ");
    EXPECT_EQ(g->Cells(0, 292), "");
    EXPECT_EQ(g->Cells(0, 295), "");

    Parse(Reply82(0, 0, data));
    EXPECT_EQ(g->Cells(0, 1), "00 ");
    EXPECT_EQ(g->Cells(0, 2), "10 ");
    EXPECT_EQ(g->Cells(0, 293), "1240 ");
    EXPECT_EQ(MemoLines(), 4);
}

TEST_F(ParseTest, DumpOfTheLastBlockStaysInTheGrid) {
    Bytes data(32, 0x11);
    Parse(Reply82(65504, 0, data));
    EXPECT_EQ(form_->StringGrid2->Cells(0, 4095), "FFE0 ");
    EXPECT_EQ(form_->StringGrid2->Cells(0, 4096), "FFF0 ");
    // An address that is no multiple of 32 would reach past the grid: that row is left out.
    Parse(Reply82(65520, 0, Bytes(32, 0x22)));
    EXPECT_EQ(form_->StringGrid2->Cells(0, 4096), "FFF0 ");
    EXPECT_EQ(form_->StringGrid2->Cells(1, 4096), "22 ");
    EXPECT_EQ(form_->StringGrid2->RowCount(), 4097);
}

TEST_F(ParseTest, OneByteReply) {
    Bytes p(64, 0);
    p[0] = 0x84;
    p[4] = 0;
    p[5] = 0xAB;
    Parse(p);
    EXPECT_EQ(form_->data_one_byte->Text(), "171");
    EXPECT_EQ(MemoLines(), 1);

    p[4] = 1;
    p[5] = 0x01;
    Parse(p);
    EXPECT_EQ(form_->data_one_byte->Text(), "171");
    EXPECT_EQ(MemoLines(), 2);
}

// The hex log keeps a working day of status reports (one a second for 8 hours, three lines
// each), then drops its oldest lines instead of growing for as long as the program runs.
TEST_F(ParseTest, MemoKeepsAWorkingDayOfStatusReports) {
    EXPECT_GE(form_->Memo1->MaxLines(), 8 * 3600 * 3);
}

TEST_F(ParseTest, ShortReportsAreOnlyLogged) {
    const Bytes reports[] = {
        Bytes{0x14, 0x00, 0x00, 0x80, 0x3F},       // status, 5 bytes
        Bytes(40, 0x14),                           // status without byte 40
        Bytes{0x55, 1, 2, 3},                      // controller dump
        Bytes(50, 0x55),                           // dump without its last byte
        Bytes{0x82, 0, 14, 0xA0, 10, 0, 0, 0},     // K/B reply with one byte of K
        Bytes{0x82, 0x12, 0x40, 0xA0, 0, 0, 1, 2}, // dump reply with 2 of its 32 bytes
        Bytes{0x82, 0, 54, 0xA0, 14, 0, 0x2C},     // count reply without its high byte
        Bytes{0x84, 0, 0, 55, 0},                  // one-byte reply without the byte
    };
    for (const Bytes& p : reports) {
        const int before = MemoLines();
        Parse(p);
        ASSERT_EQ(MemoLines(), before + 1);
        EXPECT_EQ(MemoLine(before), core::HexLogLine(p.data(), p.size()));
    }
    TForm1* f = form_;
    EXPECT_EQ(f->FState, 0);
    EXPECT_EQ(f->FTemperature, 0);
    EXPECT_EQ(f->Label1->Caption(), "0");
    EXPECT_EQ(f->Label2->Caption(), "?");
    EXPECT_EQ(Panel(0), "");
    EXPECT_EQ(Panel(2), "");
    EXPECT_EQ(Panel(3), "");
    EXPECT_EQ(f->Edit1->Text(), "Edit1");
    EXPECT_EQ(f->Edit5->Text(), "Edit5");
    EXPECT_EQ(f->Edit8->Text(), "Edit8");
    EXPECT_EQ(f->data_one_byte->Text(), "55");
    EXPECT_EQ(f->StringGrid2->Cells(0, 293), "");
}

TEST_F(ParseTest, EmptyReportAddsAnEmptyLine) {
    form_->ParseDeviceReport(nullptr, 0, nullptr, 0);
    ASSERT_EQ(MemoLines(), 1);
    EXPECT_EQ(MemoLine(0), "");
    EXPECT_EQ(form_->FState, 0);
}

TEST_F(ParseTest, LayoutAByDeviceVersion) {
    DestroyWindow();
    auto device = std::make_shared<sim::RecordingDevice>(
        apptest::DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid, u"", u"", 3));
    sim::VirtualBus::Instance().Plug(device);
    CreateWindowWithDevices(1);
    ASSERT_NE(form_->FCurrentDevice, nullptr);
    Bytes p = Status(20, 0, 0, 0, 0, 0, 0);
    PutBytes(p, 9, {0x10, 0x00, 0x00, 0x00});
    Parse(p);
    EXPECT_EQ(form_->FSignal, 16.0f);

    // A report handed over while the analyzer is being given back (no current device any
    // more) is read by the delivering device's version.
    hid::THidDevice* delivering = form_->FCurrentDevice;
    form_->FCurrentDevice = nullptr;
    PutBytes(p, 9, {0x20, 0x00, 0x00, 0x00});
    form_->ParseDeviceReport(delivering, 0, p.data(), static_cast<std::uint16_t>(p.size()));
    EXPECT_EQ(form_->FSignal, 32.0f);
    form_->FCurrentDevice = delivering;
}

} // namespace
