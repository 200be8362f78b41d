// The parameter table against the analyzer's parameter map, the read replies' selectors and
// the controller EEPROM dump, each written out here as the instrument defines it.
#include "app/core/ParameterTable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace core;

struct MapValue {
    const char* edit;
    const char* text;
    int external; // first byte
    std::optional<int> controller;
};

struct MapRow {
    const char* caption;
    const char* box;
    const char* read;
    const char* write;
    const char* writeText;
    TParameterType type;
    TControllerRule rule;
    int readAddress;
    int selector;
    std::vector<MapValue> values;
};

constexpr auto S = TParameterType::Single;
constexpr auto W = TParameterType::Word16;
constexpr auto Place = TControllerRule::ControllerPlace;
constexpr auto None = TControllerRule::NoPlace;
constexpr auto External = TControllerRule::AlwaysExternal;

const MapRow kMap[] = {
    {"Коррекция цируса",
     "GroupBox10",
     "Button3",
     "Button4",
     "Записать",
     S,
     Place,
     14,
     10,
     {{"Edit1", "Edit1", 14, 24}, {"Edit2", "Edit2", 18, 28}}},
    {"Коррекция термопары",
     "GroupBox11",
     "Button5",
     "Button6",
     "Записать",
     S,
     Place,
     22,
     11,
     {{"Edit3", "Edit3", 22, 32}, {"Edit4", "Edit4", 26, 36}}},
    {"Коррекция гр. застывания",
     "GroupBox12",
     "Button7",
     "Button8",
     "Записать",
     S,
     Place,
     46,
     12,
     {{"Edit5", "Edit5", 46, 12}}},
    {"Реверс",
     "GroupBox13",
     "Button2",
     "Button9",
     "Записать",
     S,
     Place,
     38,
     13,
     {{"Edit6", "Edit6", 38, 16}}},
    {"Время открытия клапана",
     "GroupBox14",
     "Button14",
     "Button11",
     "Записать",
     W,
     Place,
     54,
     14,
     {{"Edit8", "Edit8", 54, 40}}},
    {"Скорость охлаждения",
     "GroupBox15",
     "Button15",
     "Button10",
     "Записать",
     S,
     Place,
     42,
     15,
     {{"Edit7", "Edit7", 42, 20}}},
    {"Граница помутнения",
     "GroupBox16",
     "Button16",
     "Button12",
     "Записать",
     S,
     Place,
     50,
     16,
     {{"Edit9", "Edit9", 50, 42}}},
    {"Граница Dф. застывания по  клапану ",
     "GroupBox17",
     "Button19",
     "Button26",
     "Записать",
     S,
     Place,
     56,
     17,
     {{"gr_df", "gr_df", 56, 46}}},
    {"Минимальная скорость",
     "GroupBox18",
     "Button29",
     "Button30",
     "Button30",
     S,
     None,
     60,
     18,
     {{"Edit11", "Edit11", 60, std::nullopt}}},
    {"Температура конденсатора",
     "GroupBox19",
     "Button31",
     "Button32",
     "Записать",
     S,
     None,
     71,
     19,
     {{"Edit12", "Edit11", 71, std::nullopt}}},
    {"температура нагрева исп. или ячейки",
     "GroupBox20",
     "Button33",
     "Button34",
     "Записать",
     S,
     None,
     66,
     20,
     {{"Edit13", "Edit11", 66, std::nullopt}}},
    {"ПИД",
     "GroupBox21",
     "Button35",
     "Button36",
     "Записать",
     S,
     External,
     75,
     21,
     {{"Edit17", "Edit17", 75, std::nullopt},
      {"Edit18", "Edit18", 79, std::nullopt},
      {"Edit19", "Edit19", 83, std::nullopt}}},
};

TEST(ParameterTable, IsTheAnalyzersParameterMap) {
    const auto groups = ParameterGroups();
    ASSERT_EQ(groups.size(), std::size(kMap));
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const TPlainGroup& group = groups[g];
        const MapRow& row = kMap[g];
        SCOPED_TRACE(row.caption);
        EXPECT_STREQ(group.Caption, row.caption);
        EXPECT_STREQ(group.Box.Name, row.box);
        EXPECT_STREQ(group.Read.Name, row.read);
        EXPECT_STREQ(group.Write.Name, row.write);
        EXPECT_STREQ(group.WriteText, row.writeText);
        EXPECT_EQ(group.Type, row.type);
        EXPECT_EQ(group.Rule, row.rule);
        EXPECT_EQ(group.ReadAddress(), row.readAddress);
        EXPECT_EQ(group.Selector, row.selector);
        EXPECT_EQ(group.PidTerms, std::string(row.caption) == "ПИД");
        ASSERT_EQ(group.Count, row.values.size());
        for (std::size_t v = 0; v < group.Count; ++v) {
            const TParameterValue<void>& value = group.Values[v];
            EXPECT_STREQ(value.Edit.Name, row.values[v].edit);
            EXPECT_STREQ(value.Text, row.values[v].text);
            EXPECT_EQ(value.External, row.values[v].external);
            if (row.values[v].controller) {
                EXPECT_EQ(value.Controller, *row.values[v].controller) << value.Edit.Name;
            }
        }
    }
}

TEST(ParameterTable, TheGroupsLabelsAreTheDesigns) {
    const auto groups = ParameterGroups();
    const std::vector<std::pair<const char*, const char*>> cirrus = {{"Label10", "К="},
                                                                     {"Label11", "B="}};
    const std::vector<std::pair<const char*, const char*>> pid = {
        {"Label24", "Label24"}, {"Label25", "Label25"}, {"Label26", "Label26"}};
    for (std::size_t v = 0; v < 2; ++v) {
        EXPECT_STREQ(groups[grCirrus].Values[v].Label.Name, cirrus[v].first);
        EXPECT_STREQ(groups[grCirrus].Values[v].LabelText, cirrus[v].second);
        EXPECT_STREQ(groups[grThermocouple].Values[v].LabelText, cirrus[v].second);
    }
    EXPECT_STREQ(groups[grThermocouple].Values[0].Label.Name, "Label12");
    EXPECT_STREQ(groups[grThermocouple].Values[1].Label.Name, "Label13");
    for (std::size_t v = 0; v < 3; ++v) {
        EXPECT_STREQ(groups[grPid].Values[v].Label.Name, pid[v].first);
        EXPECT_STREQ(groups[grPid].Values[v].LabelText, pid[v].second);
    }
}

// The external EEPROM read reply: the selector and the edits it fills, in data order.
TEST(ParameterTable, SelectorsFillTheReplysEdits) {
    const std::pair<int, std::vector<std::string>> replies[] = {
        {10, {"Edit1", "Edit2"}}, {11, {"Edit3", "Edit4"}}, {12, {"Edit5"}},
        {13, {"Edit6"}},          {14, {"Edit8"}},          {15, {"Edit7"}},
        {16, {"Edit9"}},          {17, {"gr_df"}},          {18, {"Edit11"}},
        {19, {"Edit12"}},         {20, {"Edit13"}},         {21, {"Edit17", "Edit18", "Edit19"}},
    };
    for (const auto& [selector, edits] : replies) {
        SCOPED_TRACE(selector);
        const auto g = GroupOfSelector(static_cast<std::uint8_t>(selector));
        ASSERT_TRUE(g);
        const TPlainGroup& group = ParameterGroups()[*g];
        std::vector<std::string> names;
        for (std::size_t v = 0; v < group.Count; ++v)
            names.push_back(group.Values[v].Edit.Name);
        EXPECT_EQ(names, edits);
        EXPECT_EQ(ValueBytes(group), selector == 14 ? 2u : 4u);
    }
    for (int selector : {0, 1, 9, 22, 255})
        EXPECT_FALSE(GroupOfSelector(static_cast<std::uint8_t>(selector))) << selector;
}

// The controller EEPROM dump reply: the edits and their first payload bytes.
TEST(ParameterTable, ControllerDumpOffsets) {
    const std::pair<std::string, std::size_t> dump[] = {
        {"Edit5", 13}, {"Edit6", 17}, {"Edit7", 21}, {"Edit1", 25}, {"Edit2", 29},
        {"Edit3", 33}, {"Edit4", 37}, {"Edit8", 41}, {"Edit9", 43}, {"gr_df", 47},
    };
    const auto values = ControllerDumpValues();
    ASSERT_EQ(values.size(), std::size(dump));
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(ParameterValue(values[i].Ref).Edit.Name, dump[i].first);
        EXPECT_EQ(values[i].Offset, dump[i].second) << dump[i].first;
    }
}

TEST(ParameterTable, WritesGoWhereTheRuleSays) {
    const auto groups = ParameterGroups();
    for (bool checked : {false, true}) {
        EXPECT_EQ(WritesToController(groups[grReverse], checked), checked);
        EXPECT_FALSE(WriteSkipped(groups[grReverse], checked));
        EXPECT_FALSE(WritesToController(groups[grHeating], checked));
        EXPECT_EQ(WriteSkipped(groups[grHeating], checked), checked);
        EXPECT_FALSE(WritesToController(groups[grPid], checked));
        EXPECT_FALSE(WriteSkipped(groups[grPid], checked));
    }
}

} // namespace
