// The parameter table's rules (each window field named once, no two values at one address,
// a group's values after its read address), its labels, the read replies' selectors and the
// controller EEPROM dump's offsets derived from it, written out here as the instrument
// defines them.
#include "app/core/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace core;

// Every field of the window that the table names, named once: boxes, buttons, labels, edits.
TEST(ParameterTable, EveryWindowFieldIsNamedOnce) {
    std::vector<std::string> names;
    for (const TPlainGroup& group : ParameterGroups()) {
        names.insert(names.end(), {group.Box.Name, group.Read.Name, group.Write.Name});
        if (group.OtherLabel.Name)
            names.push_back(group.OtherLabel.Name);
        for (std::size_t v = 0; v < group.Count; ++v) {
            names.push_back(group.Values[v].Edit.Name);
            if (group.Values[v].Label.Name)
                names.push_back(group.Values[v].Label.Name);
        }
    }
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end())
        << "a field is named twice";
}

// No two values share a byte of either memory, and no two reads a selector.
TEST(ParameterTable, NoTwoValuesAtOneAddress) {
    std::map<int, std::string> external, controller;
    std::set<int> selectors;
    for (const TPlainGroup& group : ParameterGroups()) {
        SCOPED_TRACE(group.Caption);
        EXPECT_TRUE(selectors.insert(group.Selector).second) << "selector " << int(group.Selector);
        for (std::size_t v = 0; v < group.Count; ++v) {
            const TParameterValue<void>& value = group.Values[v];
            for (std::size_t k = 0; k < ValueBytes(group); ++k) {
                EXPECT_TRUE(external.emplace(value.External + k, value.Edit.Name).second)
                    << value.Edit.Name << " and " << external[value.External + k]
                    << " share external byte " << value.External + k;
                if (group.Rule == TControllerRule::ControllerPlace) {
                    EXPECT_TRUE(controller.emplace(value.Controller + k, value.Edit.Name).second)
                        << value.Edit.Name << " and " << controller[value.Controller + k]
                        << " share controller byte " << value.Controller + k;
                }
            }
        }
    }
}

// A read names the first value's address and its reply fills the values from data byte 0
// on, so a group's values follow each other in the external EEPROM; a 32-byte reply holds
// them all.
TEST(ParameterTable, AGroupsValuesFollowItsReadAddress) {
    for (const TPlainGroup& group : ParameterGroups()) {
        SCOPED_TRACE(group.Caption);
        ASSERT_GE(group.Count, 1u);
        ASSERT_LE(group.Count, group.Values.size());
        for (std::size_t v = 0; v < group.Count; ++v)
            EXPECT_EQ(group.Values[v].External, group.ReadAddress() + v * ValueBytes(group))
                << group.Values[v].Edit.Name;
        EXPECT_LE(group.Count * ValueBytes(group), 32u);
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
    EXPECT_STREQ(groups[grPid].OtherLabel.Name, "Label27");
    EXPECT_STREQ(groups[grPid].OtherLabelText, "Label27");
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
