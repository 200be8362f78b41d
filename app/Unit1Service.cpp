// The service tabs: the analyzer's parameters ("Коррекции"), direct access to the external
// EEPROM ("eeprom"), the service charts' clear buttons ("Системная") and the key sequence
// that shows the three tabs. Every tool only sends commands; the replies are parsed by
// ParseDeviceReport.
#include "app/Unit1Service.h"

#include "app/Unit1.h"
#include "runtime/MainThread.h"
#include "runtime/Math.h"
#include "runtime/SysUtils.h"

#include <chrono>
#include <limits>
#include <utility>

namespace app {

namespace {

using enum TParameterType;
using enum TControllerRule;

constexpr TParameterValue kNoValue{nullptr, 0, 0};

constexpr std::array<TParameterGroup, grCount> kGroups = {{
    {"Коррекция цируса",
     Single,
     ControllerPlace,
     14,
     10,
     {{{"Edit1", 14, 24}, {"Edit2", 18, 28}, kNoValue}},
     2},
    {"Коррекция термопары",
     Single,
     ControllerPlace,
     22,
     11,
     {{{"Edit3", 22, 32}, {"Edit4", 26, 36}, kNoValue}},
     2},
    {"Коррекция гр. застывания",
     Single,
     ControllerPlace,
     46,
     12,
     {{{"Edit5", 46, 12}, kNoValue, kNoValue}},
     1},
    {"Реверс", Single, ControllerPlace, 38, 13, {{{"Edit6", 38, 16}, kNoValue, kNoValue}}, 1},
    {"Время открытия клапана",
     Word16,
     ControllerPlace,
     54,
     14,
     {{{"Edit8", 54, 40}, kNoValue, kNoValue}},
     1},
    {"Скорость охлаждения",
     Single,
     ControllerPlace,
     42,
     15,
     {{{"Edit7", 42, 20}, kNoValue, kNoValue}},
     1},
    {"Граница помутнения",
     Single,
     ControllerPlace,
     50,
     16,
     {{{"Edit9", 50, 42}, kNoValue, kNoValue}},
     1},
    {"Граница Dф. застывания по  клапану ",
     Single,
     ControllerPlace,
     56,
     17,
     {{{"gr_df", 56, 46}, kNoValue, kNoValue}},
     1},
    {"Минимальная скорость", Single, NoPlace, 60, 18, {{{"Edit11", 60, 0}, kNoValue, kNoValue}}, 1},
    {"Температура конденсатора",
     Single,
     NoPlace,
     71,
     19,
     {{{"Edit12", 71, 0}, kNoValue, kNoValue}},
     1},
    {"температура нагрева исп. или ячейки",
     Single,
     NoPlace,
     66,
     20,
     {{{"Edit13", 66, 0}, kNoValue, kNoValue}},
     1},
    {"ПИД",
     Single,
     AlwaysExternal,
     75,
     21,
     {{{"Edit17", 75, 0}, {"Edit18", 79, 0}, {"Edit19", 83, 0}}},
     3},
}};

} // namespace

std::span<const TParameterGroup> ParameterGroups() { return kGroups; }

const TParameterGroup& ParameterGroup(TGroup group) { return kGroups.at(group); }

bool WritesToController(const TParameterGroup& group, bool controllerChecked) {
    return controllerChecked && group.Rule == ControllerPlace;
}

bool WriteSkipped(const TParameterGroup& group, bool controllerChecked) {
    return controllerChecked && group.Rule == NoPlace;
}

std::int32_t NextServiceKeyCount(std::int32_t count, char16_t key) {
    if (key == kServiceKey1)
        return count < std::numeric_limits<std::int32_t>::max() ? count + 1 : count;
    if ((key == kServiceKey2 && count == 1) || (key == kServiceKey3 && count == 2))
        return count + 1;
    return 0;
}

} // namespace app

namespace {

using app::TParameterGroup;

void ReadGroup(TForm1& f, app::TGroup g) {
    const TParameterGroup& group = app::ParameterGroup(g);
    f.WriteReport(
        core::ReadEepromReport(group.ReadAddress, core::kParameterControlByte, group.Selector));
}

// The value's bytes, lowest address first. An invalid text raises before anything is sent.
std::array<std::uint8_t, 4> ValueBytes(const TParameterGroup& group, const std::string& text,
                                       std::size_t& count) {
    if (group.Type == app::TParameterType::Word16) {
        const auto word = core::Word16Bytes(core::LowWord(rt::StrToInt(text)));
        count = word.size();
        return {word[0], word[1], 0, 0};
    }
    count = 4;
    return core::SingleBytes(rt::ToSingle(rt::StrToFloat(text)));
}

void WriteGroup(TForm1& f, app::TGroup g) {
    const TParameterGroup& group = app::ParameterGroup(g);
    const bool checked = f.pic18f4550->Checked();
    if (app::WriteSkipped(group, checked))
        return;
    const bool toController = app::WritesToController(group, checked);
    for (std::size_t v = 0; v < group.Count; ++v) {
        const app::TParameterValue& value = group.Values[v];
        const ui::TEdit* edit = f.EditByName(value.Edit);
        if (!edit) // a build without this group
            return;
        std::size_t count = 0;
        const auto bytes = ValueBytes(group, edit->Text(), count);
        for (std::size_t k = 0; k < count; ++k) {
            const auto offset = static_cast<std::uint8_t>(k);
            if (toController)
                f.WriteControllerByte(static_cast<std::uint8_t>(value.Controller + offset),
                                      bytes[k]);
            else
                f.WriteEepromByte(static_cast<std::uint8_t>(value.External + offset), bytes[k]);
        }
    }
}

std::uint8_t ByteOf(const ui::TEdit* edit) { return core::LowByte(rt::StrToInt(edit->Text())); }
std::uint16_t AddressOf(const ui::TEdit* edit) { return core::LowWord(rt::StrToInt(edit->Text())); }

// One of the two whole-memory loops runs. A click on either loop button meanwhile (the loop
// lets input through between its commands) does nothing, so loops never nest.
bool EepromLoopRunning = false;

class TEepromLoopScope {
public:
    TEepromLoopScope() { EepromLoopRunning = true; }
    ~TEepromLoopScope() { EepromLoopRunning = false; }
    TEepromLoopScope(const TEepromLoopScope&) = delete;
    TEepromLoopScope& operator=(const TEepromLoopScope&) = delete;
};

// After a round's messages have run: the loop ends when the program is ending, the window
// was closed, or there is no analyzer to talk to any more (none bound, or the bound one
// unplugged), rather than going on through the rounds left without sending anything.
bool LoopMustEnd(const TForm1& f, bool wasVisible) {
    if (ui::Application->Terminated() || (wasVisible && !f.Visible()))
        return true;
    return !f.FCurrentDevice || !f.FCurrentDevice->PluggedIn();
}

// How long a round of the read loop gives the read thread to hand a report over. Without
// it the loop outruns the replies, which pile up in the device's input buffers until the
// oldest are dropped and their grid rows never fill.
constexpr std::chrono::milliseconds kReplyWait{10};

// Runs the 2048 rounds: send the block's command, let pending messages run, show the
// address just requested. blockReport may raise, which ends the loop at that round.
template <class MakeReport>
void RunBlockLoop(TForm1& f, bool answered, MakeReport blockReport) {
    if (EepromLoopRunning)
        return;
    TEepromLoopScope running;
    const bool wasVisible = f.Visible();
    for (int i = 0; i < app::kEepromBlocks; ++i) {
        const auto address = static_cast<std::uint16_t>(app::kEepromBlockSize * i);
        f.WriteReport(blockReport(address));
        if (answered)
            rt::MainThread::WaitAndProcess(kReplyWait);
        ui::Application->ProcessMessages();
        if (LoopMustEnd(f, wasVisible))
            return;
        f.Progress->SetPosition(address);
    }
}

} // namespace

// ---- parameter groups ------------------------------------------------------------------------

void TForm1::WriteControllerByte(std::uint8_t Address, std::uint8_t Value) {
    WriteReport(core::WriteControllerByteReport(Address, Value));
}

void TForm1::WriteEepromByte(std::uint8_t Address, std::uint8_t Value) {
    WriteReport(core::WriteEepromByteReport(core::kParameterControlByte, Address, Value));
}

void TForm1::Button3Click(ui::TObject*) { ReadGroup(*this, app::grCirrus); }
void TForm1::Button5Click(ui::TObject*) { ReadGroup(*this, app::grThermocouple); }
void TForm1::Button7Click(ui::TObject*) { ReadGroup(*this, app::grPourCorrection); }
void TForm1::Button2Click(ui::TObject*) { ReadGroup(*this, app::grReverse); }
void TForm1::Button14Click(ui::TObject*) { ReadGroup(*this, app::grValveTime); }
void TForm1::Button15Click(ui::TObject*) { ReadGroup(*this, app::grCoolingSpeed); }
void TForm1::Button16Click(ui::TObject*) { ReadGroup(*this, app::grCloudThreshold); }
void TForm1::Button19Click(ui::TObject*) { ReadGroup(*this, app::grDfThreshold); }
void TForm1::Button29Click(ui::TObject*) { ReadGroup(*this, app::grMinimumSpeed); }
void TForm1::Button31Click(ui::TObject*) { ReadGroup(*this, app::grCondenser); }
void TForm1::Button33Click(ui::TObject*) { ReadGroup(*this, app::grHeating); }
void TForm1::Button35Click(ui::TObject*) { ReadGroup(*this, app::grPid); }

void TForm1::Button4Click(ui::TObject*) { WriteGroup(*this, app::grCirrus); }
void TForm1::Button6Click(ui::TObject*) { WriteGroup(*this, app::grThermocouple); }
void TForm1::Button8Click(ui::TObject*) { WriteGroup(*this, app::grPourCorrection); }
void TForm1::Button9Click(ui::TObject*) { WriteGroup(*this, app::grReverse); }
void TForm1::Button11Click(ui::TObject*) { WriteGroup(*this, app::grValveTime); }
void TForm1::Button10Click(ui::TObject*) { WriteGroup(*this, app::grCoolingSpeed); }
void TForm1::Button12Click(ui::TObject*) { WriteGroup(*this, app::grCloudThreshold); }
void TForm1::Button26Click(ui::TObject*) { WriteGroup(*this, app::grDfThreshold); }
void TForm1::Button30Click(ui::TObject*) { WriteGroup(*this, app::grMinimumSpeed); }
void TForm1::Button32Click(ui::TObject*) { WriteGroup(*this, app::grCondenser); }
void TForm1::Button34Click(ui::TObject*) { WriteGroup(*this, app::grHeating); }
void TForm1::Button36Click(ui::TObject*) { WriteGroup(*this, app::grPid); }

// "Применить"
void TForm1::Button1Click(ui::TObject*) { WriteReport(core::ApplyReport()); }

// "Сброс!"
void TForm1::Button17Click(ui::TObject*) { WriteReport(core::ResetReport()); }

// "CCPR1L"
void TForm1::Button18Click(ui::TObject*) { WriteReport(core::Ccpr1lReport(ByteOf(Edit10))); }

// ---- tab "eeprom" --------------------------------------------------------------------------

// "Читать": one byte.
void TForm1::Button22Click(ui::TObject*) {
    const std::uint8_t chip = ByteOf(control);
    const std::uint16_t address = AddressOf(adr_one_byte);
    WriteReport(core::ReadEepromByteReport(chip, address));
}

// "Записать": one byte.
void TForm1::Button21Click(ui::TObject*) {
    const std::uint8_t chip = ByteOf(control);
    const std::uint16_t address = AddressOf(adr_one_byte);
    const std::uint8_t value = ByteOf(data_one_byte);
    WriteReport(core::WriteEepromByteReport(chip, address, value));
}

// "читать 32 байта с адреса"
void TForm1::Button20Click(ui::TObject*) {
    const std::uint16_t address = AddressOf(start_adress_32);
    const std::uint8_t chip = ByteOf(control);
    WriteReport(core::ReadEepromReport(address, chip, 0));
}

// "Все читать": the chip's control byte is taken again in every round.
void TForm1::Button23Click(ui::TObject*) {
    RunBlockLoop(*this, true, [this](std::uint16_t address) {
        return core::ReadEepromReport(address, ByteOf(control), 0);
    });
}

// "Удалить все": every block written with 0xFF, without asking.
void TForm1::Button25Click(ui::TObject*) {
    if (EepromLoopRunning)
        return;
    const std::uint8_t chip = ByteOf(control);
    std::array<std::uint8_t, core::kEepromPageSize> erased;
    erased.fill(0xFF);
    RunBlockLoop(*this, false, [chip, &erased](std::uint16_t address) {
        return core::WriteEepromPageReport(chip, address, erased);
    });
}

// "Прочитать": the controller EEPROM image.
void TForm1::Button27Click(ui::TObject*) { WriteReport(core::DumpControllerReport()); }

// ---- tab "Системная" -----------------------------------------------------------------------

namespace {
void ClearFirstSeries(ui::TChart* chart) {
    if (chart && chart->SeriesCount() > 0)
        chart->Series(0)->Clear();
}
} // namespace

// "clear"
void TForm1::Button28Click(ui::TObject*) { ClearFirstSeries(Chart4); }

// "Очистить"
void TForm1::Button13Click(ui::TObject*) {
    ClearFirstSeries(Chart4);
    ClearFirstSeries(Chart5);
}

// ---- service sequence ------------------------------------------------------------------------

void TForm1::FormKeyPress(ui::TObject*, char16_t& Key) {
    FServiceKeyCount = app::NextServiceKeyCount(FServiceKeyCount, Key);
    if (FServiceKeyCount != app::kServiceKeysRevealing)
        return;
    for (ui::TTabSheet* sheet : {TabSheet4, TabSheet5, TabSheet6})
        sheet->SetTabVisible(true);
}
