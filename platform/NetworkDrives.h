// SPDX-License-Identifier: GPL-3.0-or-later
// The workstation's network drives: drive letters connected to SMB shares. The five operations
// give exactly what the share mapping dialog relies on; see each one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace halvo::platform {

inline constexpr unsigned DRIVE_REMOTE = 4;
inline constexpr unsigned DRIVE_NO_ROOT_DIR = 1;  // a letter with nothing behind it
inline constexpr int NO_ERROR_RESULT = 0;

class NetworkDrives {
  public:
    virtual ~NetworkDrives() = default;
    // Bit i (0 = A … 25 = Z) set when that letter is in use.
    virtual std::uint32_t GetLogicalDrives() = 0;
    // DRIVE_REMOTE for a letter connected to a share; another value for every other letter.
    // `localName` is the letter and a colon, e.g. "Z:".
    virtual unsigned GetDriveType(std::string_view localName) = 0;
    // The remote name of a connected letter, "\\server\share"; empty when none can be read.
    virtual std::string GetConnection(std::string_view localName) = 0;
    // Connects `localName` to `remoteName` ("\\server\share"). 0 when the letter now refers to
    // the share; any other value is a failure. Texts may be empty, never absent.
    virtual int AddConnection(std::string_view localName, std::string_view remoteName,
                              std::string_view userName, std::string_view password) = 0;
    // Cancels the connection of `localName`. 0 when it is gone; any other value is a failure.
    virtual int CancelConnection(std::string_view localName) = 0;
};

}  // namespace halvo::platform
