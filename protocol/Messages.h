// SPDX-License-Identifier: GPL-3.0-or-later
// The exchange's message texts, exactly as the user sees them, and the %d formatter.
#pragma once

#include <string>
#include <string_view>

namespace halvo::protocol {

inline constexpr std::string_view MSG_NETWORK_FAILED =
    "Network communication failed with error %d\n";
inline constexpr std::string_view MSG_CLEANUP_FAILED = "WSACleanup failed with error %d\n";
inline constexpr std::string_view MSG_SERVER_SOCKET_FAILED = "Creating Server socket failed!\n";

inline constexpr std::string_view MSG_TIMEOUT_SYSTEM_INFO = "Time out:get system info!";
inline constexpr std::string_view MSG_TIMEOUT_NETWORK_INFO = "Time out:get network info!";
inline constexpr std::string_view MSG_TIMEOUT_SHARE_COUNT = "Time out:get share number!";
inline constexpr std::string_view MSG_TIMEOUT_SHARE_LIST = "Time out:get share list!";
// The volume step reports its timeout with the share-count text.
inline constexpr std::string_view MSG_TIMEOUT_VOLUME_INFO = MSG_TIMEOUT_SHARE_COUNT;

inline constexpr std::string_view MSG_TIMEOUT_VERIFY = "Time out:Verify name & password!";
inline constexpr std::string_view MSG_VERIFY_FAILED = "Verify failed!";
inline constexpr std::string_view MSG_TIMEOUT_SET_SYSTEM = "Time out:Set system info!";
inline constexpr std::string_view MSG_SET_SYSTEM_FAILED = "Set system info failed!";
inline constexpr std::string_view MSG_TIMEOUT_SET_NETWORK = "Time out:Set network info!";
inline constexpr std::string_view MSG_SET_NETWORK_FAILED = "Set network info failed!";

// `pattern` with its first "%d" replaced by `value` in decimal; other text unchanged.
inline std::string FormatMessage(std::string_view pattern, int value) {
    std::string text(pattern);
    const auto at = text.find("%d");
    if (at != std::string::npos) {
        text.replace(at, 2, std::to_string(value));
    }
    return text;
}

}  // namespace halvo::protocol
