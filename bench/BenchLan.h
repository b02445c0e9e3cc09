// SPDX-License-Identifier: GPL-3.0-or-later
// The namespace LAN a Linux benchmark runs on (scripts/bench.sh brings it up and runs the
// benchmark on its workstation host): refused anywhere else, since the benchmarks broadcast.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/devsim/LanHosts.h"
#include "tools/devsim/NamespaceGuard.h"

namespace halvo::bench {

// A benchmark's start: its arguments `parsed` (or else its usage, `arguments`, goes to stderr),
// then the LAN's layout read into `layout`. 0, or the exit code after saying on stderr why not.
inline int StartLanBench(const char* program, const char* arguments, bool parsed,
                         devsim::LanLayout& layout) {
    if (!parsed) {
        std::fprintf(stderr,
                     "usage: %s %s\n"
                     "Run through scripts/bench.sh, on the workstation host of a test LAN.\n",
                     program, arguments);
        return 2;
    }
    if (devsim::OwnLanNamespace().empty()) {
        std::fprintf(stderr,
                     "%s: refusing to run outside a test LAN namespace (use scripts/bench.sh)\n",
                     program);
        return 3;
    }
    const char* hosts = std::getenv("HALVO_LAN_HOSTS");
    if (hosts == nullptr) {
        std::fprintf(stderr, "%s: HALVO_LAN_HOSTS is not set (use scripts/bench.sh)\n", program);
        return 2;
    }
    layout = devsim::ReadLanLayout(hosts);
    if (!layout.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", program, layout.error.c_str());
        return 2;
    }
    return 0;
}

// The devices with 45 shares, the boxes the benchmarks measure.
inline std::vector<const devsim::LanDevice*> BoxesOf(const devsim::LanLayout& layout) {
    std::vector<const devsim::LanDevice*> boxes;
    for (const auto& d : layout.devices) {
        if (d.config.shares.size() == 45) {
            boxes.push_back(&d);
        }
    }
    return boxes;
}

}  // namespace halvo::bench
