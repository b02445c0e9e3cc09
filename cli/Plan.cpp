// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Plan.h"

#include <nlohmann/json.hpp>
#include <set>

#include "cli/Values.h"

namespace halvo::cli {

namespace {

using nlohmann::json;

// Thrown inside the reader only, caught by ReadPlan.
struct PlanError {
    std::string problem;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw PlanError{where + ": " + what};
}

void OnlyKeys(const json& object, const std::string& where, std::set<std::string> allowed) {
    if (!object.is_object()) {
        Fail(where, "must be an object");
    }
    for (const auto& [key, value] : object.items()) {
        if (key.find("assword") != std::string::npos && key != "passwordRequired") {
            Fail(where + "." + key, "passwords are never read from a file");
        }
        if (allowed.count(key) == 0) {
            Fail(where + "." + key, "unknown field");
        }
    }
}

std::optional<std::string> Text(const json& object, const char* key, const std::string& where) {
    if (!object.contains(key)) {
        return std::nullopt;
    }
    if (!object[key].is_string()) {
        Fail(where + "." + key, "must be a text");
    }
    return object[key].get<std::string>();
}

SystemChanges ReadSystem(const json& object, const std::string& where) {
    OnlyKeys(object, where, {"description", "date", "time", "timezoneIndex", "passwordRequired"});
    SystemChanges changes;
    changes.description = Text(object, "description", where);
    if (const auto date = Text(object, "date", where)) {
        changes.date = ParseDate(*date);
        if (!changes.date) {
            Fail(where + ".date", "'" + *date + "' is no date YYYY-MM-DD from 1970 on");
        }
    }
    if (const auto time = Text(object, "time", where)) {
        changes.time = ParseTime(*time);
        if (!changes.time) {
            Fail(where + ".time", "'" + *time + "' is no time HH:MM:SS");
        }
    }
    if (object.contains("timezoneIndex")) {
        if (!object["timezoneIndex"].is_number_integer()) {
            Fail(where + ".timezoneIndex", "must be a whole number");
        }
        const auto index = object["timezoneIndex"].get<long long>();
        if (index < 0 || index > 255) {
            Fail(where + ".timezoneIndex", "must be a row of the timezone table");
        }
        changes.timezone = static_cast<int>(index);
    }
    if (object.contains("passwordRequired")) {
        if (!object["passwordRequired"].is_boolean()) {
            Fail(where + ".passwordRequired", "must be true or false");
        }
        changes.askPassword = object["passwordRequired"].get<bool>();
    }
    if (const std::string problem = CheckSystemChanges(changes); !problem.empty()) {
        Fail(where, problem);
    }
    return changes;
}

NetworkChanges ReadNetwork(const json& object, const std::string& where) {
    OnlyKeys(object, where,
             {"ipMode", "ipAddress", "subnetMask", "gateway", "primaryDns", "secondaryDns"});
    NetworkChanges changes;
    if (const auto mode = Text(object, "ipMode", where)) {
        if (*mode == "static") {
            changes.mode = IpMode::Static;
        } else if (*mode == "dhcp") {
            changes.mode = IpMode::Dhcp;
        } else {
            Fail(where + ".ipMode", "must be \"static\" or \"dhcp\"");
        }
    }
    changes.ipAddress = Text(object, "ipAddress", where);
    changes.subnetMask = Text(object, "subnetMask", where);
    changes.gateway = Text(object, "gateway", where);
    changes.primaryDns = Text(object, "primaryDns", where);
    changes.secondaryDns = Text(object, "secondaryDns", where);
    if (const std::string problem = CheckNetworkChanges(changes); !problem.empty()) {
        Fail(where, problem);
    }
    return changes;
}

}  // namespace

std::optional<Plan> ReadPlan(std::string_view text, std::string& problem) {
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        problem = "the plan is not valid JSON";
        return std::nullopt;
    }
    try {
        OnlyKeys(document, "plan", {"admin", "boxes"});
        const std::optional<std::string> admin = Text(document, "admin", "plan");
        if (!document.contains("boxes") || !document["boxes"].is_array()) {
            Fail("plan.boxes", "must be a list of boxes");
        }
        Plan plan;
        std::set<protocol::MacAddress> seen;
        for (std::size_t i = 0; i < document["boxes"].size(); ++i) {
            const json& box = document["boxes"][i];
            const std::string where = "boxes[" + std::to_string(i) + "]";
            OnlyKeys(box, where, {"macAddress", "admin", "system", "network"});
            const auto mac = Text(box, "macAddress", where);
            if (!mac) {
                Fail(where, "needs a macAddress");
            }
            PlanBox entry;
            const auto parsed = ParseMac(*mac);
            if (!parsed) {
                Fail(where + ".macAddress", "'" + *mac + "' is no MAC address");
            }
            if (!seen.insert(*parsed).second) {
                Fail(where + ".macAddress", *mac + " is planned twice");
            }
            entry.macAddress = *parsed;
            entry.admin = Text(box, "admin", where);
            if (!entry.admin) {
                entry.admin = admin;
            }
            if (box.contains("system")) {
                entry.system = ReadSystem(box["system"], where + ".system");
            }
            if (box.contains("network")) {
                entry.network = ReadNetwork(box["network"], where + ".network");
            }
            if (!entry.system && !entry.network) {
                Fail(where, "has neither system nor network settings");
            }
            plan.boxes.push_back(std::move(entry));
        }
        return plan;
    } catch (const PlanError& error) {
        problem = error.problem;
        return std::nullopt;
    }
}

}  // namespace halvo::cli
