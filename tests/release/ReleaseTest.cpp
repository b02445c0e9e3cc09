// SPDX-License-Identifier: GPL-3.0-or-later
// The About box shows its own text ("Halvo Version 0.9"); it must name the release the project
// builds, or the box and the package disagree about what is installed.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<std::string> VersionTexts(const nlohmann::json& dialog) {
    std::vector<std::string> found;
    for (const auto& control : dialog.at("controls")) {
        const std::string text = control.value("text", "");
        if (text.find("Version") != std::string::npos) {
            found.push_back(text);
        }
    }
    return found;
}

TEST(Release, AboutBoxNamesTheProjectsMajorAndMinorVersion) {
    std::ifstream file(HALVO_ABOUT_TEMPLATE);
    ASSERT_TRUE(file) << HALVO_ABOUT_TEMPLATE;
    const auto texts = VersionTexts(nlohmann::json::parse(file));
    ASSERT_EQ(texts.size(), 1u) << "the About box should show its version once";

    std::smatch parts;
    ASSERT_TRUE(std::regex_match(texts[0], parts, std::regex(R"(Halvo Version (\d+)\.(\d+))")))
        << texts[0];
    EXPECT_EQ(std::stoi(parts[1]), HALVO_VERSION_MAJOR) << texts[0];
    EXPECT_EQ(std::stoi(parts[2]), HALVO_VERSION_MINOR) << texts[0];
}

}  // namespace
