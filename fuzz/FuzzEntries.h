// SPDX-License-Identifier: GPL-3.0-or-later
// Entry points of the fuzz targets: one per reply decoder, each feeding one datagram, exactly as
// long as received, to the decoder and checking what came out against the layout; and one that
// runs the whole detail query against a device answering with the input's datagrams. A broken
// rule aborts. The libFuzzer executables and the corpus replay test call the same entries.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace halvo::fuzz {

using Entry = void (*)(std::span<const std::uint8_t> datagram);

struct Target {
    std::string_view name;  // the executable is fuzz_<name>, its seeds fuzz/corpus/<name>/
    Entry entry;
};

std::span<const Target> Targets();
const Target* FindTarget(std::string_view name);

}  // namespace halvo::fuzz
