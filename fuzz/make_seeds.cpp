// Writes the seed inputs of every harness: valid files, reports and records made by the
// tree's own writers and by the stand-in analyzer, one file each under <dir>/<harness>/.
#include "analyzer/AnalyzerModel.h"
#include "app/core/CurveFile.h"
#include "app/core/Journal.h"
#include "runtime/CodePage.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path root;

void Write(const std::string& harness, const std::string& name, const std::string& bytes) {
    const fs::path dir = root / harness;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + (dir / name).string());
}

std::string Bytes(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

// ---- curve files ----------------------------------------------------------------------------

core::TCurveSeries Ramp(int count, double x0, double dx, double y0, double dy) {
    core::TCurveSeries s;
    for (int i = 0; i < count; ++i)
        s.push_back({x0 + i * dx, y0 + i * dy});
    return s;
}

void CurveFiles() {
    Write("curve_file", "empty-array", core::EncodeCurveFile(" ", {}));
    Write("curve_file", "empty-series", core::EncodeCurveFile(" ", {{}, {}}));
    Write("curve_file", "run-chart",
          core::EncodeCurveFile(" ", {Ramp(12, 0, 1, 20, -0.5), Ramp(12, 0, 1, 100, -2)}));
    Write("curve_file", "gap-between",
          core::EncodeCurveFile(" ",
                                {Ramp(3, -5, 0.1, 1, 1), {}, Ramp(2, 1e300, 1e299, -0.0, 5e-324)}));
    Write("curve_file", "long-comment",
          core::EncodeCurveFile(rt::Utf8ToCp1251("Кривые помутнения"), {Ramp(1, 1, 1, 1, 1)}));
    Write("curve_file", "many-series",
          core::EncodeCurveFile(" ", std::vector<core::TCurveSeries>(9, Ramp(2, 0, 2, 0, 3))));
}

// ---- journal --------------------------------------------------------------------------------

void Journals() {
    Write("journal", "one-blank-row", core::SerializeJournal({core::TJournalRow{}}));
    Write("journal", "records",
          core::SerializeJournal({
              core::FillRow({"1", "10.12.2026  10:15:00", "-5,3", "-25", "-15,2", "Присадка."}),
              core::FillRow({"2", "10.12.2026  12:40:07", "-4,9", "?", "?", ""}),
              core::FillRow({"9223372036854775807", "x", "77", "", "", "Комментарий"}),
          }));
    Write("journal", "lf-and-zero",
          "1\n2\n3\n4\n5\n6\n\n7\r8\r9\r1\r2\r3\r\r" + std::string(1, '\0') + "4\r\n");
    // Out of step: line ends doubled (CR CR LF), a seventh line holding text.
    Write("journal", "cr-cr-lf", "1\r\r\nd\r\r\n-1\r\r\n-2\r\r\n-3\r\r\n \r\r\n\r\r\n");
    Write("journal", "seventh-line-text", "1\r\nd\r\n-1\r\n-2\r\n-3\r\n \r\nx\r\n");
}

// ---- input reports --------------------------------------------------------------------------

using Report = std::array<std::uint8_t, 65>;

// The payload of an input report: the bytes after the report ID.
std::string Payload(const analyzer::InputReport& r) {
    return std::string(reinterpret_cast<const char*>(r.data()) + 1, r.size() - 1);
}

std::vector<analyzer::InputReport> Send(analyzer::AnalyzerModel& m,
                                        std::vector<std::uint8_t> args) {
    Report out{};
    for (std::size_t i = 0; i < args.size() && 2 + i < out.size(); ++i)
        out[2 + i] = args[i];
    return m.HandleOutputReport(out.data(), out.size());
}

void InputReports() {
    for (std::uint16_t version : {1, 3}) {
        analyzer::AnalyzerModel m(version);
        const std::string v = "v" + std::to_string(version);
        for (const auto& r : Send(m, {Byte(analyzer::Command::Poll)}))
            Write("input_report", v + "-status-rest", Payload(r));
        Send(m, {Byte(analyzer::Command::PreStart), 1});
        Send(m, {Byte(analyzer::Command::RunControl), Byte(analyzer::RunControl::Start)});
        m.Advance(900);
        for (const auto& r : Send(m, {Byte(analyzer::Command::Poll)}))
            Write("input_report", v + "-status-running", Payload(r));
        m.SetByte39(2);
        for (const auto& r : Send(m, {Byte(analyzer::Command::Poll)}))
            Write("input_report", v + "-status-byte39", Payload(r));
    }
    analyzer::AnalyzerModel m;
    for (const auto& r : Send(m, {Byte(analyzer::Command::DumpController)}))
        Write("input_report", "controller-dump", Payload(r));
    for (int selector : {0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 99})
        for (const auto& r : Send(m, {Byte(analyzer::Command::ReadEeprom), 0x12, 0x40, 160,
                                      static_cast<std::uint8_t>(selector)}))
            Write("input_report", "eeprom-read-" + std::to_string(selector), Payload(r));
    for (const auto& r : Send(m, {Byte(analyzer::Command::ReadEeprom), 0xFF, 0xE0, 160, 0}))
        Write("input_report", "eeprom-read-last", Payload(r));
    for (const auto& r : Send(m, {Byte(analyzer::Command::ReadEepromByte), 160, 0x00, 0x10, 0}))
        Write("input_report", "eeprom-byte", Payload(r));
    Write("input_report", "empty", "");
}

// ---- report descriptors and udev records ----------------------------------------------------

// The analyzer: vendor page, 64-byte input and output reports without report IDs.
const std::vector<std::uint8_t> kAnalyzer = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                                             0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01,
                                             0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0};
// Numbered reports of two sizes, a feature report, Push/Pop and a long item.
const std::vector<std::uint8_t> kNumbered = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x01, 0x95, 0x08, 0x05, 0x07, 0x19,
    0xE0, 0x29, 0xE7, 0x81, 0x02, 0xA4, 0x85, 0x02, 0x75, 0x08, 0x95, 0x20, 0x91, 0x02, 0xB4,
    0x95, 0x03, 0xB1, 0x02, 0xA1, 0x00, 0xC0, 0xFE, 0x02, 0x10, 0xAA, 0xBB, 0xC0};
// A four-byte usage carrying its page.
const std::vector<std::uint8_t> kExtendedUsage = {0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0x75,
                                                  0x10, 0x96, 0x00, 0x01, 0x81, 0x00, 0xC0};

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    char b[3];
    for (auto v : bytes) {
        std::snprintf(b, sizeof b, "%02x", v);
        s += b;
    }
    return s;
}

void Descriptors() {
    Write("report_descriptor", "analyzer", Bytes(kAnalyzer));
    Write("report_descriptor", "numbered", Bytes(kNumbered));
    Write("report_descriptor", "extended-usage", Bytes(kExtendedUsage));
}

std::string AnalyzerNode(const std::string& node, const std::string& seq) {
    return "devNode=/dev/" + node +
           "\n"
           "sysPath=/sys/devices/pci0000:00/usb1/1-2/1-2:1.0/0003:0925:1299." +
           seq + "/hidraw/" + node +
           "\n"
           "hidraw.name=" +
           node +
           "\n"
           "hidraw.p.DEVPATH=/devices/pci0000:00/usb1/1-2/1-2:1.0/0003:0925:1299." +
           seq + "/hidraw/" + node +
           "\n"
           "hidraw.p.USEC_INITIALIZED=123456789\n"
           "hid.name=0003:0925:1299." +
           seq +
           "\n"
           "hid.p.HID_ID=0003:00000925:00001299\n"
           "hid.p.HID_NAME=Orvane Kelvane A\n"
           "hid.p.HID_PHYS=usb-0000:00:14.0-2/input0\n"
           "hid.p.HID_UNIQ=0001\n"
           "hid.p.DRIVER=hid-generic\n"
           "transport.name=1-2:1.0\n"
           "transport.p.DRIVER=usbhid\n"
           "transport.a.bInterfaceNumber=00\n"
           "usb.name=1-2\n"
           "usb.p.ID_VENDOR_FROM_DATABASE=Lakeview Research\n"
           "usb.a.idVendor=0925\n"
           "usb.a.idProduct=1299\n"
           "usb.a.bcdDevice=0003\n"
           "usb.a.bNumInterfaces= 1\n"
           "usb.a.manufacturer=Orvane\n"
           "usb.a.product=Kelvane A\n"
           "usb.a.serial=Ж-0001\n"
           "descriptor=" +
           Hex(kAnalyzer) + "\n";
}

void UdevRecords() {
    Write("udev_record", "analyzer", AnalyzerNode("hidraw0", "000A"));
    Write("udev_record", "two-nodes",
          AnalyzerNode("hidraw0", "000A") + "--\n" + AnalyzerNode("hidraw1", "000B"));
    Write("udev_record", "bluetooth",
          "devNode=/dev/hidraw2\nsysPath=/sys/devices/virtual/misc/uhid/0005:046D:B023.0003/hidraw/"
          "hidraw2\n"
          "hid.name=0005:046D:B023.0003\nhid.p.HID_ID=0005:0000046D:0000B023\n"
          "hid.p.HID_NAME=MX Master\nhid.p.HID_UNIQ=aa:bb:cc:dd:ee:ff\n"
          "descriptor=" +
              Hex(kNumbered) + "\n");
    Write("udev_record", "composite",
          AnalyzerNode("hidraw3", "0010") +
              "usb.a.bNumInterfaces= 2\ntransport.a.bInterfaceNumber=01\n");
    Write("udev_record", "no-hid-parent",
          "devNode=/dev/hidraw4\nsysPath=/sys/x/hidraw4\n"
          "hidraw.p.USEC_INITIALIZED=42\n");
}

// ---- texts ----------------------------------------------------------------------------------

void Texts() {
    Write("code_page", "ascii", "data2.tab\r\n");
    Write("code_page", "cp1251",
          rt::Utf8ToCp1251("Анализатор помутнения и застывния Kelvane А, KelvaneИ, Dovrel"));
    Write("code_page", "utf8", "Присадка. ПТФ №");
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    Write("code_page", "every-byte", all);

    // Byte 0 picks the separator: odd a comma, even a point.
    const std::pair<const char*, std::string> numbers[] = {
        {"comma", "1-12,3"},
        {"point", "0-12.3"},
        {"exponent", "1 1,5E20 "},
        {"negative-exponent", "01e-5"},
        {"integer", "0  -2147483648"},
        {"wide", "09223372036854775807"},
        {"tiny", "04.94065645841247E-324"},
        {"huge", "01.79769313486231E308"},
    };
    for (const auto& [name, text] : numbers)
        Write("number_text", name, text);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed directory>\n", argv[0]);
        return 2;
    }
    root = argv[1];
    try {
        CurveFiles();
        Journals();
        InputReports();
        Descriptors();
        UdevRecords();
        Texts();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
