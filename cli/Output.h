// SPDX-License-Identifier: GPL-3.0-or-later
// What halvoctl prints on standard output: one JSON document per run with --json (fields named
// as in the device record), aligned text otherwise.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "cli/DeviceSession.h"
#include "protocol/Discovery.h"
#include "protocol/Protocol.h"

namespace halvo::cli {

// Writes the document. The box's texts come decoded from its code page; anything still not
// UTF-8 is replaced, never a reason to fail.
void EmitJson(std::ostream& out, const nlohmann::json& document);

// Columns padded to their widest cell (in terminal columns: an East Asian character takes two),
// two spaces apart; no padding after the last.
void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

// The way to the box: the interface its answer came in on, "unicast" for a box asked at its
// address, "default" when the interfaces could not be listed and the system's routing picked one.
std::string RouteText(const protocol::DeviceRoute& route);

// name, macAddress, ipAddress, webPort, route: what discovery learns.
nlohmann::json DiscoveredJson(const CliContext& context, const protocol::DeviceRecord& record);

// Where one discovery asked: {"adapters": [{"name", "ipAddress"}], "addresses": [...],
// "routedBroadcast"}, the last true when the adapters could not be listed.
nlohmann::json AskedJson(const protocol::DiscoveryResult& result);

// Every field of the record after the detail query, with the texts the window shows beside
// them: firmware ("V12R03"), ipStatus, timezone text, and the volumes' rows.
nlohmann::json DetailsJson(const CliContext& context, const protocol::DeviceRecord& record,
                           const CapturedDetails& details);

// The show command's text on context.out: one "field  value" line each, then shares and volumes.
void PrintDetails(const CliContext& context, const protocol::DeviceRecord& record,
                  const CapturedDetails& details);

// "YYYYMMDD" as "YYYY-MM-DD" and "HHMMSS" as "HH:MM:SS"; other texts as they are.
std::string DisplayDate(std::string_view date);
std::string DisplayTime(std::string_view time);

}  // namespace halvo::cli
