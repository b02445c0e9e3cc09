// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResourceStore.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "resources/Resources.h"

namespace halvo::ui {

namespace {

using Json = nlohmann::json;

std::string Joined(const std::string& root, const std::string& relative) {
    if (root.empty()) {
        return relative;
    }
    return root.back() == '/' ? root + relative : root + "/" + relative;
}

std::string_view Text(const Bytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

bool ResourceStore::LoadBuiltIn(std::string* error) {
    const Reader read = [](const std::string& path, std::string* why) -> std::optional<Bytes> {
        for (const resources::BuiltInFile& file : resources::BuiltInFiles()) {
            if (file.path == path) {
                return Bytes(file.bytes.begin(), file.bytes.end());
            }
        }
        *why = "not among the built-in resources";
        return std::nullopt;
    };
    return LoadWith(read, "builtin:", error);
}

bool ResourceStore::Load(const std::string& root, std::string* error) {
    const Reader read = [&root](const std::string& path, std::string* why) -> std::optional<Bytes> {
        std::ifstream file(Joined(root, path), std::ios::binary);
        if (!file) {
            *why = std::strerror(errno);
            return std::nullopt;
        }
        Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (file.bad()) {
            *why = "read error";
            return std::nullopt;
        }
        return bytes;
    };
    return LoadWith(read, root, error);
}

bool ResourceStore::LoadWith(const Reader& read, const std::string& root, std::string* error) {
    auto fail = [&](const std::string& message) {
        if (error) {
            *error = message;
        }
        return false;
    };
    auto file = [&](const std::string& relative, std::string* message) -> std::optional<Bytes> {
        std::string why;
        auto bytes = read(relative, &why);
        if (!bytes) {
            *message = Joined(root, relative) + ": cannot be read (" + why + ")";
        }
        return bytes;
    };

    std::string message;
    const std::string manifestName = "manifest.json";
    const std::string manifestPath = Joined(root, manifestName);
    const auto manifestData = file(manifestName, &message);
    if (!manifestData) {
        return fail(message);
    }
    Json m;
    try {
        m = Json::parse(Text(*manifestData));
    } catch (const Json::parse_error& e) {
        return fail(manifestPath + ": not a valid JSON object (" + e.what() + ")");
    }
    if (!m.is_object()) {
        return fail(manifestPath + ": not a valid JSON object (not an object)");
    }

    std::map<int, DialogTemplate> templates;
    const Json dialogs = m.value("dialogs", Json::array());
    for (const Json& v : dialogs.is_array() ? dialogs : Json::array()) {
        const std::string name = v.is_string() ? v.get<std::string>() : std::string();
        const auto data = file(name, &message);
        if (!data) {
            return fail(message);
        }
        auto t = ParseDialogTemplate(Text(*data), Joined(root, name), &message);
        if (!t) {
            return fail(message);
        }
        if (templates.count(t->id) != 0) {
            return fail(Joined(root, name) + ": dialog " + std::to_string(t->id) +
                        " is defined twice");
        }
        const int id = t->id;
        templates.emplace(id, std::move(*t));
    }

    auto numericKeys = [&](const std::string& section, auto&& take) {
        const Json object = m.value(section, Json::object());
        if (!object.is_object()) {
            return true;  // as a missing section
        }
        for (auto it = object.begin(); it != object.end(); ++it) {
            int id = 0;
            std::size_t used = 0;
            try {
                id = std::stoi(it.key(), &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != it.key().size() || id <= 0 || id > 65535) {
                message = manifestPath + ": \"" + section + "\" key \"" + it.key() +
                          "\" is not a resource number";
                return false;
            }
            if (!take(id, it.value())) {
                if (message.empty()) {
                    message = manifestPath + ": \"" + section + "\" entry " + it.key() +
                              " has the wrong form";
                }
                return false;
            }
        }
        return true;
    };

    // A list of image files, all read: false on a wrong form (or `message` set).
    auto files = [&](const Json& list, std::vector<Bytes>& out) {
        if (!list.is_array() || list.empty()) {
            return false;
        }
        for (const Json& f : list) {
            if (!f.is_string()) {
                return false;
            }
            auto data = file(f.get<std::string>(), &message);
            if (!data) {
                return false;
            }
            out.push_back(std::move(*data));
        }
        return true;
    };

    std::map<int, std::string> strings;
    std::map<int, std::vector<Bytes>> icons;
    std::map<int, std::vector<Bytes>> bitmaps;
    message.clear();
    const bool ok =
        numericKeys("strings",
                    [&](int id, const Json& v) {
                        if (!v.is_string()) {
                            return false;
                        }
                        strings[id] = v.get<std::string>();
                        return true;
                    }) &&
        numericKeys("icons", [&](int id, const Json& v) { return files(v, icons[id]); }) &&
        // A bitmap is one file, or one for each scale from 1 up.
        numericKeys("bitmaps", [&](int id, const Json& v) {
            return files(v.is_string() ? Json::array({v}) : v, bitmaps[id]);
        });
    if (!ok) {
        return fail(message);
    }

    templates_ = std::move(templates);
    strings_ = std::move(strings);
    icons_ = std::move(icons);
    bitmaps_ = std::move(bitmaps);
    return true;
}

const DialogTemplate* ResourceStore::FindTemplate(int id) const {
    const auto it = templates_.find(id);
    return it == templates_.end() ? nullptr : &it->second;
}

const DialogTemplate& ResourceStore::Template(int id) const {
    const DialogTemplate* t = FindTemplate(id);
    if (t == nullptr) {
        throw std::logic_error("no dialog template " + std::to_string(id) +
                               " in the resource store");
    }
    return *t;
}

std::string ResourceStore::String(int id) const {
    const auto it = strings_.find(id);
    return it == strings_.end() ? std::string() : it->second;
}

std::vector<Bytes> ResourceStore::Icon(int id) const {
    const auto it = icons_.find(id);
    return it == icons_.end() ? std::vector<Bytes>() : it->second;
}

Bytes ResourceStore::Bitmap(int id, int scale) const {
    const auto it = bitmaps_.find(id);
    if (it == bitmaps_.end() || scale < 1 || scale > static_cast<int>(it->second.size())) {
        return {};
    }
    return it->second[static_cast<std::size_t>(scale - 1)];
}

}  // namespace halvo::ui
