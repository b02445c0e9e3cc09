// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator answers broadcasts and must never do so on the machine's own network. It runs
// only in a namespace that our LAN script created: one bound under /run/netns with our prefix.
#pragma once

#include <string>

namespace halvo::devsim {

// Name of the namespace under `netnsDir` whose prefix is `prefix` and which is the calling
// process's own network namespace; empty when there is none.
std::string OwnLanNamespace(const std::string& netnsDir = "/run/netns",
                            const std::string& prefix = "halvo-");

}  // namespace halvo::devsim
