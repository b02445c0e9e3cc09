// SPDX-License-Identifier: GPL-3.0-or-later
// Network drives on the Windows network-drive calls: real drive letters, as Explorer shows them.
// No letter table of ours: Windows keeps the connections.
#pragma once

#include "platform/NetworkDrives.h"

namespace halvo::platform {

class Win32NetworkDrives final : public NetworkDrives {
  public:
    std::uint32_t GetLogicalDrives() override;
    unsigned GetDriveType(std::string_view localName) override;
    std::string GetConnection(std::string_view localName) override;
    // WNetAddConnection2W for this logon session only (not restored at the next logon). An empty
    // user name is the logged-on user's; the password's UTF-16 copy is wiped after the call.
    int AddConnection(std::string_view localName, std::string_view remoteName,
                      std::string_view userName, std::string_view password) override;
    int CancelConnection(std::string_view localName) override;
};

}  // namespace halvo::platform
