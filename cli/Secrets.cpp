// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Secrets.h"

#include <span>

#include "protocol/WireFormat.h"

namespace halvo::cli {

Secret::Secret(Secret&& other) noexcept {
    *this = std::move(other);
}

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        Wipe();
        bytes_ = other.bytes_;
        length_ = other.length_;
        other.Wipe();
    }
    return *this;
}

bool Secret::Assign(std::string_view text) {
    Wipe();
    for (const char c : text) {
        if (!Append(c)) {
            Wipe();
            return false;
        }
    }
    return true;
}

bool Secret::Append(char c) {
    if (length_ >= bytes_.size()) {
        return false;
    }
    bytes_[length_++] = c;
    return true;
}

void Secret::Wipe() {
    protocol::SecureZero(std::span<char>(bytes_.data(), bytes_.size()));
    length_ = 0;
}

}  // namespace halvo::cli
