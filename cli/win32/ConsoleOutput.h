// SPDX-License-Identifier: GPL-3.0-or-later
// Standard output and error as halvoctl writes them on every system.
#pragma once

namespace halvo::cli {

// The same bytes as on Linux: lines end in LF, not CR LF, for the scripts that read them; texts
// are UTF-8, and a console shows them as such.
void UseUtf8Output();

}  // namespace halvo::cli
