#pragma once
// The twelve parameter groups of the tab "Коррекции", each written once: its group box and
// buttons, its edits, where its values live in the external and the controller EEPROM, the
// selector of its read and how its values are converted. The window's design rows, the reply
// selectors and the controller-dump offsets are all derived from this one table.
//
// The table names the window's fields by member pointer: ParameterTable<TForm1>() holds
// &TForm1::Edit1 and so on, so that a wrong field fails to compile. ParameterTable<void>()
// is the same table without the fields, for the code that has no window.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <type_traits>

namespace core {

enum class TParameterType : std::uint8_t { Single, Word16 };

// Where a write goes while "EEPROM 18f4550" is checked.
enum class TControllerRule : std::uint8_t {
    ControllerPlace, // to the value's controller address
    NoPlace,         // nowhere: the write does nothing
    AlwaysExternal,  // the box is not consulted
};

// The field types of a window W; none for void.
template <class W>
struct TWindowFields {
    using Box = decltype(&W::GroupBox10);
    using Button = decltype(&W::Button3);
    using Label = decltype(&W::Label10);
    using Edit = decltype(&W::Edit1);
};
template <>
struct TWindowFields<void> {
    using Box = std::nullptr_t;
    using Button = std::nullptr_t;
    using Label = std::nullptr_t;
    using Edit = std::nullptr_t;
};

// A field of the window and its component name.
template <class F>
struct TNamedField {
    F Field{};
    const char* Name = nullptr;
};

// Picks W's field, or nothing for void (the pick is then never instantiated).
template <class W, class Pick>
constexpr auto PickField(Pick pick) {
    if constexpr (std::is_void_v<W>)
        return nullptr;
    else
        return pick(static_cast<W*>(nullptr));
}

template <class W>
struct TParameterValue {
    TNamedField<typename TWindowFields<W>::Edit> Edit;
    const char* Text = nullptr; // the edit's design text
    TNamedField<typename TWindowFields<W>::Label> Label{};
    const char* LabelText = nullptr;
    std::uint8_t External = 0;   // first byte in the external EEPROM
    std::uint8_t Controller = 0; // first byte in the controller EEPROM (ControllerPlace)
};

template <class W>
struct TParameterGroup {
    const char* Caption = nullptr;
    TNamedField<typename TWindowFields<W>::Box> Box;
    TNamedField<typename TWindowFields<W>::Button> Read;
    TNamedField<typename TWindowFields<W>::Button> Write;
    const char* WriteText = "Записать";
    TParameterType Type = TParameterType::Single;
    TControllerRule Rule = TControllerRule::ControllerPlace;
    std::uint8_t Selector = 0; // of the read and of its reply
    bool PidTerms = false;     // the PID terms (the English parser leaves their reply alone)
    std::array<TParameterValue<W>, 3> Values{};
    std::size_t Count = 0; // values in use, written in this order
    // A label of the group that belongs to no value, and its design text.
    TNamedField<typename TWindowFields<W>::Label> OtherLabel{};
    const char* OtherLabelText = nullptr;

    // The read names the external EEPROM at the first value.
    constexpr std::uint8_t ReadAddress() const { return Values[0].External; }
};

inline constexpr std::size_t kParameterGroupCount = 12;

// The field named, with its name.
#define COLDPOINT_FIELD(name)                                                                    \
    {                                                                                            \
        ::core::PickField<W>([](auto* w) { return &std::remove_pointer_t<decltype(w)>::name; }), \
            #name                                                                                \
    }

template <class W>
constexpr std::array<TParameterGroup<W>, kParameterGroupCount> ParameterTable() {
    using enum TParameterType;
    using enum TControllerRule;
    return {{
        {.Caption = "Коррекция цируса",
         .Box = COLDPOINT_FIELD(GroupBox10),
         .Read = COLDPOINT_FIELD(Button3),
         .Write = COLDPOINT_FIELD(Button4),
         .Selector = 10,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit1),
                      .Text = "Edit1",
                      .Label = COLDPOINT_FIELD(Label10),
                      .LabelText = "К=",
                      .External = 14,
                      .Controller = 24},
                     {.Edit = COLDPOINT_FIELD(Edit2),
                      .Text = "Edit2",
                      .Label = COLDPOINT_FIELD(Label11),
                      .LabelText = "B=",
                      .External = 18,
                      .Controller = 28}}},
         .Count = 2},
        {.Caption = "Коррекция термопары",
         .Box = COLDPOINT_FIELD(GroupBox11),
         .Read = COLDPOINT_FIELD(Button5),
         .Write = COLDPOINT_FIELD(Button6),
         .Selector = 11,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit3),
                      .Text = "Edit3",
                      .Label = COLDPOINT_FIELD(Label12),
                      .LabelText = "К=",
                      .External = 22,
                      .Controller = 32},
                     {.Edit = COLDPOINT_FIELD(Edit4),
                      .Text = "Edit4",
                      .Label = COLDPOINT_FIELD(Label13),
                      .LabelText = "B=",
                      .External = 26,
                      .Controller = 36}}},
         .Count = 2},
        {.Caption = "Коррекция гр. застывания",
         .Box = COLDPOINT_FIELD(GroupBox12),
         .Read = COLDPOINT_FIELD(Button7),
         .Write = COLDPOINT_FIELD(Button8),
         .Selector = 12,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit5),
                      .Text = "Edit5",
                      .External = 46,
                      .Controller = 12}}},
         .Count = 1},
        {.Caption = "Реверс",
         .Box = COLDPOINT_FIELD(GroupBox13),
         .Read = COLDPOINT_FIELD(Button2),
         .Write = COLDPOINT_FIELD(Button9),
         .Selector = 13,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit6),
                      .Text = "Edit6",
                      .External = 38,
                      .Controller = 16}}},
         .Count = 1},
        {.Caption = "Время открытия клапана",
         .Box = COLDPOINT_FIELD(GroupBox14),
         .Read = COLDPOINT_FIELD(Button14),
         .Write = COLDPOINT_FIELD(Button11),
         .Type = Word16,
         .Selector = 14,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit8),
                      .Text = "Edit8",
                      .External = 54,
                      .Controller = 40}}},
         .Count = 1},
        {.Caption = "Скорость охлаждения",
         .Box = COLDPOINT_FIELD(GroupBox15),
         .Read = COLDPOINT_FIELD(Button15),
         .Write = COLDPOINT_FIELD(Button10),
         .Selector = 15,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit7),
                      .Text = "Edit7",
                      .External = 42,
                      .Controller = 20}}},
         .Count = 1},
        {.Caption = "Граница помутнения",
         .Box = COLDPOINT_FIELD(GroupBox16),
         .Read = COLDPOINT_FIELD(Button16),
         .Write = COLDPOINT_FIELD(Button12),
         .Selector = 16,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit9),
                      .Text = "Edit9",
                      .External = 50,
                      .Controller = 42}}},
         .Count = 1},
        {.Caption = "Граница Dф. застывания по  клапану ",
         .Box = COLDPOINT_FIELD(GroupBox17),
         .Read = COLDPOINT_FIELD(Button19),
         .Write = COLDPOINT_FIELD(Button26),
         .Selector = 17,
         .Values = {{{.Edit = COLDPOINT_FIELD(gr_df),
                      .Text = "gr_df",
                      .External = 56,
                      .Controller = 46}}},
         .Count = 1},
        {.Caption = "Минимальная скорость",
         .Box = COLDPOINT_FIELD(GroupBox18),
         .Read = COLDPOINT_FIELD(Button29),
         .Write = COLDPOINT_FIELD(Button30),
         .WriteText = "Button30",
         .Rule = NoPlace,
         .Selector = 18,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit11), .Text = "Edit11", .External = 60}}},
         .Count = 1},
        {.Caption = "Температура конденсатора",
         .Box = COLDPOINT_FIELD(GroupBox19),
         .Read = COLDPOINT_FIELD(Button31),
         .Write = COLDPOINT_FIELD(Button32),
         .Rule = NoPlace,
         .Selector = 19,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit12), .Text = "Edit11", .External = 71}}},
         .Count = 1},
        {.Caption = "температура нагрева исп. или ячейки",
         .Box = COLDPOINT_FIELD(GroupBox20),
         .Read = COLDPOINT_FIELD(Button33),
         .Write = COLDPOINT_FIELD(Button34),
         .Rule = NoPlace,
         .Selector = 20,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit13), .Text = "Edit11", .External = 66}}},
         .Count = 1},
        {.Caption = "ПИД",
         .Box = COLDPOINT_FIELD(GroupBox21),
         .Read = COLDPOINT_FIELD(Button35),
         .Write = COLDPOINT_FIELD(Button36),
         .Rule = AlwaysExternal,
         .Selector = 21,
         .PidTerms = true,
         .Values = {{{.Edit = COLDPOINT_FIELD(Edit17),
                      .Text = "Edit17",
                      .Label = COLDPOINT_FIELD(Label24),
                      .LabelText = "Label24",
                      .External = 75},
                     {.Edit = COLDPOINT_FIELD(Edit18),
                      .Text = "Edit18",
                      .Label = COLDPOINT_FIELD(Label25),
                      .LabelText = "Label25",
                      .External = 79},
                     {.Edit = COLDPOINT_FIELD(Edit19),
                      .Text = "Edit19",
                      .Label = COLDPOINT_FIELD(Label26),
                      .LabelText = "Label26",
                      .External = 83}}},
         .Count = 3,
         .OtherLabel = COLDPOINT_FIELD(Label27),
         .OtherLabelText = "Label27"},
    }};
}

#undef COLDPOINT_FIELD

// The groups in the order of the tab (index of ParameterTable).
enum TGroup : std::size_t {
    grCirrus,         // "Коррекция цируса"
    grThermocouple,   // "Коррекция термопары"
    grPourCorrection, // "Коррекция гр. застывания"
    grReverse,        // "Реверс"
    grValveTime,      // "Время открытия клапана"
    grCoolingSpeed,   // "Скорость охлаждения"
    grCloudThreshold, // "Граница помутнения"
    grDfThreshold,    // "Граница Dф. застывания по  клапану "
    grMinimumSpeed,   // "Минимальная скорость"
    grCondenser,      // "Температура конденсатора"
    grHeating,        // "температура нагрева исп. или ячейки"
    grPid,            // "ПИД"
};

// The table without the window's fields.
using TPlainGroup = TParameterGroup<void>;
std::span<const TPlainGroup> ParameterGroups();

// One value of the table: its group and its place in the group.
struct TParameterRef {
    std::uint8_t Group = 0;
    std::uint8_t Value = 0;
    bool operator==(const TParameterRef&) const = default;
};
const TParameterValue<void>& ParameterValue(TParameterRef ref);

// The group whose read carries this selector, if any.
std::optional<std::size_t> GroupOfSelector(std::uint8_t selector);
// The payload bytes a group's value takes in a reply: 4 a float, 2 a 16-bit integer.
std::size_t ValueBytes(const TPlainGroup& group);

// The values that the controller EEPROM holds, by ascending controller address (the order of
// the controller-dump reply).
struct TDumpValue {
    TParameterRef Ref;
    std::size_t Offset; // the value's first byte in the dump reply's payload
};
std::span<const TDumpValue> ControllerDumpValues();

// Whether a write of the group goes to the controller EEPROM, or (skipped) nowhere.
template <class W>
constexpr bool WritesToController(const TParameterGroup<W>& group, bool controllerChecked) {
    return controllerChecked && group.Rule == TControllerRule::ControllerPlace;
}
template <class W>
constexpr bool WriteSkipped(const TParameterGroup<W>& group, bool controllerChecked) {
    return controllerChecked && group.Rule == TControllerRule::NoPlace;
}

} // namespace core
