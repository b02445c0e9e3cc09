// SPDX-License-Identifier: GPL-3.0-or-later
// The resources compiled into the binary: manifest.json, the dialog templates and the images,
// each under its path relative to the resource folder. The dialog layer (ui/ResourceStore.h)
// reads them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace halvo::resources {

struct BuiltInFile {
    std::string_view path;  // "manifest.json", "dialogs/102.json", "images/bitmap136.bmp"
    std::span<const std::uint8_t> bytes;
};

std::span<const BuiltInFile> BuiltInFiles();

}  // namespace halvo::resources
