// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry of one target, chosen at build time by HALVO_FUZZ_TARGET.
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const halvo::fuzz::Target* const target = halvo::fuzz::FindTarget(HALVO_FUZZ_TARGET);
    if (target == nullptr) {
        std::abort();
    }
    target->entry({data, size});
    return 0;
}
