// SPDX-License-Identifier: GPL-3.0-or-later
// Dialog templates, strings and images, read from data files (the compiled-in ones by default).
// The templates' form and parser are in DialogTemplate.h. Images stay bytes here: each backend
// decodes them its own way.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/DialogTemplate.h"

namespace halvo::ui {

using Bytes = std::vector<std::uint8_t>;

class ResourceStore {
  public:
    ResourceStore() = default;

    // Reads the resources compiled into the binary (halvo_resources).
    bool LoadBuiltIn(std::string* error);
    // Reads `root`/manifest.json and every file it names (paths relative to `root`). On failure
    // the store keeps what it held before and `error` says which file and what is wrong.
    bool Load(const std::string& root, std::string* error);

    const DialogTemplate* FindTemplate(int id) const;
    // Like FindTemplate, but a missing template is a programming error: throws std::logic_error.
    const DialogTemplate& Template(int id) const;
    // The string resource (UTF-8), or an empty string when there is none (as a string table
    // lookup).
    std::string String(int id) const;
    // The image files of icon `id`, one per size, in the manifest's order; empty when missing.
    std::vector<Bytes> Icon(int id) const;
    // The bitmap file `id` (BMP) drawn for `scale` (1, or 2 for twice the pixels each way);
    // empty when missing.
    Bytes Bitmap(int id, int scale = 1) const;

  private:
    // Reads a file by its path relative to the root, or says why it cannot.
    using Reader = std::function<std::optional<Bytes>(const std::string& path, std::string* why)>;
    bool LoadWith(const Reader& read, const std::string& root, std::string* error);

    std::map<int, DialogTemplate> templates_;
    std::map<int, std::string> strings_;
    std::map<int, std::vector<Bytes>> icons_;
    std::map<int, std::vector<Bytes>> bitmaps_;  // by scale, from 1
};

}  // namespace halvo::ui
