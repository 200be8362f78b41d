// The udev rule in the tree: it must match the analyzer's hidraw node and come before the
// seat rules that act on "uaccess".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kRule =
    std::filesystem::path(COLDPOINT_SOURCE_DIR) / "udev/70-coldpoint-analyzer.rules";

std::vector<std::string> ActiveLines() {
    std::ifstream in(kRule);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    return lines;
}

TEST(UdevRule, TagsTheAnalyzersHidrawNodeForTheSeatUser) {
    ASSERT_TRUE(std::filesystem::exists(kRule)) << kRule;
    const auto lines = ActiveLines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string& rule = lines[0];
    EXPECT_NE(rule.find("SUBSYSTEM==\"hidraw\""), std::string::npos);
    EXPECT_NE(rule.find("ATTRS{idVendor}==\"0925\""), std::string::npos);
    EXPECT_NE(rule.find("ATTRS{idProduct}==\"1299\""), std::string::npos);
    EXPECT_NE(rule.find("TAG+=\"uaccess\""), std::string::npos);
    // Every key is either a match (==) or an assignment (+=); a single '=' on a match key
    // would turn it into an assignment that matches everything.
    const std::regex key(R"re(([A-Z]+(\{[A-Za-z]+\})?)(==|\+=|=)"[^"]*")re");
    for (auto it = std::sregex_iterator(rule.begin(), rule.end(), key);
         it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1], op = (*it)[3];
        if (name == "TAG")
            EXPECT_EQ(op, "+=");
        else
            EXPECT_EQ(op, "==") << name;
    }
}

TEST(UdevRule, ComesBeforeTheSeatRules) {
    const std::string name = kRule.filename().string();
    EXPECT_LT(std::stoi(name.substr(0, 2)), 73);
}

} // namespace
