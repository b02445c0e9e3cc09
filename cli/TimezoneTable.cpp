// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TimezoneTable.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace halvo::cli {

// The system page's template, embedded at build time (EmbedFile.cmake).
extern const unsigned char kSystemPageTemplate[];
extern const std::size_t kSystemPageTemplateSize;

std::vector<std::string> ReadComboItems(std::string_view templateJson, int controlId) {
    const nlohmann::json dialog = nlohmann::json::parse(templateJson, nullptr, false);
    if (dialog.is_discarded() || !dialog.is_object() || !dialog.contains("controls") ||
        !dialog["controls"].is_array()) {
        throw std::runtime_error("the dialog template is not readable");
    }
    for (const nlohmann::json& control : dialog["controls"]) {
        if (!control.is_object() || control.value("id", -1) != controlId) {
            continue;
        }
        if (!control.contains("items") || !control["items"].is_array()) {
            break;
        }
        std::vector<std::string> rows;
        for (const nlohmann::json& item : control["items"]) {
            if (!item.is_string()) {
                throw std::runtime_error("a combo box item is not a text");
            }
            rows.push_back(item.get<std::string>());
        }
        return rows;
    }
    throw std::runtime_error("the dialog template has no combo box " + std::to_string(controlId) +
                             " with items");
}

const std::vector<std::string>& TimezoneRows() {
    static const std::vector<std::string> rows =
        ReadComboItems(std::string_view(reinterpret_cast<const char*>(kSystemPageTemplate),
                                        kSystemPageTemplateSize),
                       TIMEZONE_COMBO_ID);
    return rows;
}

std::string_view TimezoneText(int index) {
    const auto& rows = TimezoneRows();
    if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) {
        return {};
    }
    return rows[static_cast<std::size_t>(index)];
}

}  // namespace halvo::cli
