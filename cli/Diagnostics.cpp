// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Diagnostics.h"

#include <array>

#include "protocol/DeviceRoutes.h"

namespace halvo::cli {

namespace {

// One error number of a mapping: what it means and what helps, per system where they differ.
struct MapFailureRow {
    int number;
    std::string_view onWindows;  // empty: no such failure there
    std::string_view onLinux;
};

// The numbers WNetAddConnection2 gives for the failures small boxes cause, and the ones the Linux
// drive table gives (it uses the same numbers for the same failures).
constexpr std::array MAP_FAILURES = {
    MapFailureRow{
        53,
        "the network path was not found: the box is unreachable, port 445 is blocked, or it "
        "speaks only SMB1, which Windows 11 lacks and Windows 10 removes when unused (turn SMB2 "
        "or later on in the box), or it allows guests only, which Windows blocks",
        "the box could not be reached over SMB in time: check its address and that port 445 is "
        "open between you"},
    MapFailureRow{67,
                  "the share name was not found, or the box refused a guest: check the share "
                  "name (halvoctl show lists them) or give a user of the box with --user",
                  "no such share on the box: check the share name (halvoctl show lists them)"},
    MapFailureRow{85, "the drive letter is already in use: choose another letter",
                  "the drive letter is already in use: choose another letter"},
    MapFailureRow{86, "the password was refused: give the box's user with --user and its password",
                  ""},
    MapFailureRow{1219,
                  "Windows is already connected to this box under another user name: remove "
                  "that connection first (net use \\\\ADDRESS /delete, or its letter with "
                  "halvoctl unmap), then map again",
                  ""},
    MapFailureRow{1231,
                  "the box cannot be reached from this PC (no route): check that it is on "
                  "your subnet, or its address",
                  ""},
    MapFailureRow{1272,
                  "Windows blocks guest logons (Windows 11 24H2 Pro, Enterprise and Education, "
                  "and by policy): create a user on the box and give it with --user; mapping as a "
                  "guest also fails where SMB signing is required",
                  ""},
    MapFailureRow{1326,
                  "the user name or password was refused: give the box's user with --user "
                  "and its password",
                  "the user name or password was refused: give the box's user with --user and "
                  "its password"},
    MapFailureRow{50, "",
                  "the box speaks only SMB1, which this system's SMB client does not: turn SMB2 "
                  "or later on in the box"},
    MapFailureRow{1200, "", "that is no drive letter A-Z"},
    MapFailureRow{29, "",
                  "the letter table could not be written: check $XDG_RUNTIME_DIR/halvo-drives"},
    MapFailureRow{1222, "no network is present, or the workstation service is not running", ""},
};

}  // namespace

std::string AskedText(const protocol::DiscoveryResult& result) {
    std::string text;
    if (result.askedDefault) {
        text =
            "asked by one broadcast that the system's routing sent out (the adapters could not "
            "be listed)";
    } else if (result.askedOn.empty()) {
        text = "asked on no adapter: none is up with an IPv4 address and able to broadcast";
    } else {
        text = "asked on " + std::to_string(result.askedOn.size()) +
               (result.askedOn.size() == 1 ? " adapter: " : " adapters: ");
        for (std::size_t i = 0; i < result.askedOn.size(); ++i) {
            text += (i == 0 ? "" : ", ") + result.askedOn[i].name + " " +
                    protocol::FormatIPv4(result.askedOn[i].address);
        }
    }
    for (std::size_t i = 0; i < result.askedAddresses.size(); ++i) {
        text += (i == 0 ? "; and at " : ", ") + protocol::FormatIPv4(result.askedAddresses[i]);
    }
    return text;
}

std::vector<std::string> NoAnswerCauses(HostSystem system) {
    std::vector<std::string> causes;
    if (system == HostSystem::Windows) {
        causes = {
            "Windows Defender Firewall lets the boxes' replies in for 3 seconds after the "
            "broadcast; the policy \"Prohibit unicast response to multicast or broadcast "
            "requests\" turns that off: allow inbound UDP from remote port 1638 for Halvo "
            "(README, \"Troubleshooting\")",
            "another firewall or security suite, or a block rule left by a cancelled firewall "
            "prompt, drops the replies",
        };
    } else {
        causes = {
            "a firewall drops the replies: allow inbound UDP from source port 1638 on your "
            "segment (README, \"If a firewall is on\")",
        };
    }
    causes.push_back(
        "the box is on another subnet or behind a router, which no broadcast crosses: ask it at "
        "its address with --address A");
    causes.push_back(
        "the box is on none of the adapters above: check its cable and power, and that the "
        "adapter it is on is up (a VPN or a virtual switch may be the only one asked)");
    return causes;
}

std::optional<std::string> MapFailureReason(int number, HostSystem system) {
    for (const MapFailureRow& row : MAP_FAILURES) {
        if (row.number != number) {
            continue;
        }
        const std::string_view text = system == HostSystem::Windows ? row.onWindows : row.onLinux;
        if (text.empty()) {
            break;
        }
        return std::string(text);
    }
    return std::nullopt;
}

}  // namespace halvo::cli
