// The service tabs: the analyzer's parameters ("Коррекции"), direct access to the external
// EEPROM ("eeprom"), the service charts' clear buttons ("Системная") and the key sequence
// that shows the three tabs. Every tool only sends commands; the replies are parsed by
// ParseDeviceReport.
#include "app/Unit1Service.h"

#include "app/Unit1.h"
#include "runtime/MainThread.h"
#include "runtime/SysUtils.h"

#include <chrono>
#include <limits>
#include <utility>

namespace app {

std::int32_t NextServiceKeyCount(std::int32_t count, char16_t key) {
    if (key == kServiceKey1)
        return count < std::numeric_limits<std::int32_t>::max() ? count + 1 : count;
    if ((key == kServiceKey2 && count == 1) || (key == kServiceKey3 && count == 2))
        return count + 1;
    return 0;
}

} // namespace app

namespace {

// The table with the window's fields.
constexpr auto kGroups = core::ParameterTable<TForm1>();
using TGroup = core::TParameterGroup<TForm1>;

void ReadGroup(TForm1& f, core::TGroup g) {
    const TGroup& group = kGroups[g];
    f.WriteReport(
        core::ReadEepromReport(group.ReadAddress(), core::kParameterControlByte, group.Selector));
}

// The value's bytes, lowest address first. An invalid text raises before anything is sent.
std::array<std::uint8_t, 4> ValueBytes(const TGroup& group, const std::string& text,
                                       std::size_t& count) {
    if (group.Type == core::TParameterType::Word16) {
        const auto word = core::Word16Bytes(core::LowWord(rt::StrToInt(text)));
        count = word.size();
        return {word[0], word[1], 0, 0};
    }
    count = 4;
    return core::SingleBytes(rt::StrToSingle(text));
}

void WriteGroup(TForm1& f, core::TGroup g) {
    const TGroup& group = kGroups[g];
    const bool checked = f.pic18f4550->Checked();
    if (core::WriteSkipped(group, checked))
        return;
    const bool toController = core::WritesToController(group, checked);
    for (std::size_t v = 0; v < group.Count; ++v) {
        const core::TParameterValue<TForm1>& value = group.Values[v];
        const ui::TEdit* edit = f.*value.Edit.Field;
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

ui::TEdit* TForm1::ParameterEdit(core::TParameterRef Ref) const {
    return this->*kGroups.at(Ref.Group).Values.at(Ref.Value).Edit.Field;
}

void TForm1::WriteControllerByte(std::uint8_t Address, std::uint8_t Value) {
    WriteReport(core::WriteControllerByteReport(Address, Value));
}

void TForm1::WriteEepromByte(std::uint8_t Address, std::uint8_t Value) {
    WriteReport(core::WriteEepromByteReport(core::kParameterControlByte, Address, Value));
}

void TForm1::Button3Click(ui::TObject*) { ReadGroup(*this, core::grCirrus); }
void TForm1::Button5Click(ui::TObject*) { ReadGroup(*this, core::grThermocouple); }
void TForm1::Button7Click(ui::TObject*) { ReadGroup(*this, core::grPourCorrection); }
void TForm1::Button2Click(ui::TObject*) { ReadGroup(*this, core::grReverse); }
void TForm1::Button14Click(ui::TObject*) { ReadGroup(*this, core::grValveTime); }
void TForm1::Button15Click(ui::TObject*) { ReadGroup(*this, core::grCoolingSpeed); }
void TForm1::Button16Click(ui::TObject*) { ReadGroup(*this, core::grCloudThreshold); }
void TForm1::Button19Click(ui::TObject*) { ReadGroup(*this, core::grDfThreshold); }
void TForm1::Button29Click(ui::TObject*) { ReadGroup(*this, core::grMinimumSpeed); }
void TForm1::Button31Click(ui::TObject*) { ReadGroup(*this, core::grCondenser); }
void TForm1::Button33Click(ui::TObject*) { ReadGroup(*this, core::grHeating); }
void TForm1::Button35Click(ui::TObject*) { ReadGroup(*this, core::grPid); }

void TForm1::Button4Click(ui::TObject*) { WriteGroup(*this, core::grCirrus); }
void TForm1::Button6Click(ui::TObject*) { WriteGroup(*this, core::grThermocouple); }
void TForm1::Button8Click(ui::TObject*) { WriteGroup(*this, core::grPourCorrection); }
void TForm1::Button9Click(ui::TObject*) { WriteGroup(*this, core::grReverse); }
void TForm1::Button11Click(ui::TObject*) { WriteGroup(*this, core::grValveTime); }
void TForm1::Button10Click(ui::TObject*) { WriteGroup(*this, core::grCoolingSpeed); }
void TForm1::Button12Click(ui::TObject*) { WriteGroup(*this, core::grCloudThreshold); }
void TForm1::Button26Click(ui::TObject*) { WriteGroup(*this, core::grDfThreshold); }
void TForm1::Button30Click(ui::TObject*) { WriteGroup(*this, core::grMinimumSpeed); }
void TForm1::Button32Click(ui::TObject*) { WriteGroup(*this, core::grCondenser); }
void TForm1::Button34Click(ui::TObject*) { WriteGroup(*this, core::grHeating); }
void TForm1::Button36Click(ui::TObject*) { WriteGroup(*this, core::grPid); }

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
