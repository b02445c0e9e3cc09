// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/LanHosts.h"

#include <fstream>
#include <sstream>

namespace halvo::devsim {

LanLayout ReadLanLayout(const std::string& hostsFile) {
    LanLayout layout;
    std::ifstream in(hostsFile);
    if (!in) {
        layout.error = "cannot read " + hostsFile;
        return layout;
    }
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        LanHost host;
        if (!(fields >> host.index >> host.address >> host.instance) ||
            !std::getline(fields >> std::ws, host.config) || host.config.empty()) {
            layout.error = hostsFile + ":" + std::to_string(lineNo) + ": malformed line";
            return layout;
        }
        const ConfigResult parsed = LoadConfigFile(host.config);
        if (parsed.error) {
            layout.error = host.config + ":" + std::to_string(parsed.error->line) + ": " +
                           parsed.error->message;
            return layout;
        }
        for (auto& d : ExpandDevices(parsed.devices, host.address, host.instance)) {
            layout.devices.push_back({std::move(d), host.index, host.address});
        }
        layout.hosts.push_back(std::move(host));
    }
    if (layout.hosts.empty()) {
        layout.error = hostsFile + ": no hosts";
    }
    return layout;
}

}  // namespace halvo::devsim
