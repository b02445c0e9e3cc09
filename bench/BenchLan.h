// SPDX-License-Identifier: GPL-3.0-or-later
// The namespace LAN a Linux benchmark runs on (scripts/bench.sh brings it up and runs the
// benchmark on its workstation host): refused anywhere else, since the benchmarks broadcast.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "tools/devsim/LanHosts.h"
#include "tools/devsim/NamespaceGuard.h"

namespace halvo::bench {

// Reads the LAN's layout into `layout`: 0, or the exit code after saying on stderr why not.
inline int ReadBenchLan(const char* program, devsim::LanLayout& layout) {
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

}  // namespace halvo::bench
