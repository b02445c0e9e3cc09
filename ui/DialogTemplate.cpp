// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DialogTemplate.h"

#include <cmath>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>

#include "ui/ControlRules.h"

namespace halvo::ui {

namespace {

using Json = nlohmann::json;

struct NamedStyle {
    const char* name;
    Style style;
};

constexpr NamedStyle kControlStyles[] = {
    {"tabStop", styleTabStop},
    {"group", styleGroup},
    {"disabled", styleDisabled},
    {"border", styleBorder},
    {"vScroll", styleVScroll},
    {"hScroll", styleHScroll},
    {"autoHScroll", styleAutoHScroll},
    {"password", stylePassword},
    {"noPrefix", styleNoPrefix},
    {"center", styleCenter},
    {"right", styleRight},
    {"sunken", styleSunken},
    {"notify", styleNotify},
    {"noIntegralHeight", styleNoIntegralHeight},
    {"dropDown", styleDropDown},
    {"dropDownList", styleDropDownList},
    {"report", styleReport},
    {"singleSel", styleSingleSel},
    {"showSelAlways", styleShowSelAlways},
    {"shortDate", styleShortDate},
    {"upDown", styleUpDown},
    {"auto", styleAuto},
};

constexpr NamedStyle kDialogStyles[] = {
    {"sysMenu", styleSysMenu},
    {"minimizeBox", styleMinimizeBox},
    {"appWindow", styleAppWindow},
    {"clientEdge", styleClientEdge},
    {"controlParent", styleControlParent},
};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Collects the first error; every reader returns false once one is recorded.
class Reader {
  public:
    explicit Reader(std::string origin) : origin_(std::move(origin)) {}

    bool Fail(const std::string& where, const std::string& what) {
        if (error_.empty()) {
            error_ = where.empty() ? origin_ + ": " + what : origin_ + ": " + where + ": " + what;
        }
        return false;
    }
    const std::string& Error() const { return error_; }

    bool OnlyKeys(const Json& object, std::initializer_list<const char*> allowed,
                  const std::string& where) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool known = false;
            for (const char* key : allowed) {
                known = known || it.key() == key;
            }
            if (!known) {
                return Fail(where, "unknown field " + Quoted(it.key()));
            }
        }
        return true;
    }

    static const Json* Field(const Json& object, const std::string& key) {
        const auto it = object.find(key);
        return it == object.end() ? nullptr : &*it;
    }

    bool Int(const Json& object, const std::string& key, const std::string& where, int low,
             int high, int* out) {
        const Json* value = Field(object, key);
        if (value == nullptr || !value->is_number()) {
            return Fail(where, Quoted(key) + " must be a number");
        }
        const double d = value->get<double>();
        if (d != std::floor(d) || d < low || d > high) {
            return Fail(where, Quoted(key) + " must be a whole number from " + std::to_string(low) +
                                   " to " + std::to_string(high));
        }
        *out = static_cast<int>(d);
        return true;
    }

    bool IntArray(const Json& object, const std::string& key, const std::string& where,
                  std::size_t count, std::vector<int>* out) {
        const Json* value = Field(object, key);
        if (value == nullptr || !value->is_array() || value->size() != count) {
            return Fail(where,
                        Quoted(key) + " must be an array of " + std::to_string(count) + " numbers");
        }
        out->clear();
        for (const Json& v : *value) {
            const double d = v.is_number() ? v.get<double>() : -1;
            if (d != std::floor(d) || d < 0 || d > 32767) {
                return Fail(where, Quoted(key) + " must hold whole numbers from 0 to 32767");
            }
            out->push_back(static_cast<int>(d));
        }
        return true;
    }

    bool String(const Json& object, const std::string& key, const std::string& where, bool required,
                std::string* out) {
        const Json* value = Field(object, key);
        if (value == nullptr && !required) {
            return true;
        }
        if (value == nullptr || !value->is_string()) {
            return Fail(where, Quoted(key) + " must be a string");
        }
        *out = value->get<std::string>();
        return true;
    }

    template <std::size_t N>
    bool Styles(const Json& object, const NamedStyle (&table)[N], const std::string& where,
                std::uint32_t* out) {
        const Json* value = Field(object, "styles");
        if (value == nullptr) {
            return true;
        }
        if (!value->is_array()) {
            return Fail(where, "\"styles\" must be an array of names");
        }
        for (const Json& v : *value) {
            const std::string name = v.is_string() ? v.get<std::string>() : v.dump();
            bool known = false;
            for (const NamedStyle& s : table) {
                if (v.is_string() && name == s.name) {
                    *out |= s.style;
                    known = true;
                }
            }
            if (!known) {
                return Fail(where, "unknown style " + Quoted(name));
            }
        }
        return true;
    }

  private:
    std::string origin_;
    std::string error_;
};

bool ReadControl(Reader& r, const Json& value, int index, ControlTemplate* out) {
    std::string where = "control " + std::to_string(index);
    if (!value.is_object()) {
        return r.Fail(where, "must be an object");
    }
    if (value.contains("id")) {
        if (!r.Int(value, "id", where, 0, 65535, &out->id)) {
            return false;
        }
        where += " (id " + std::to_string(out->id) + ")";
    }
    if (!r.OnlyKeys(value, {"id", "kind", "text", "styles", "rect", "image", "items", "name"},
                    where)) {
        return false;
    }
    std::string kind;
    if (!r.String(value, "kind", where, true, &kind)) {
        return false;
    }
    const std::optional<ControlKind> named = KindNamed(kind);
    if (!named) {
        return r.Fail(where, "unknown kind " + Quoted(kind));
    }
    out->kind = *named;
    std::vector<int> rect;
    if (!r.String(value, "text", where, false, &out->text) ||
        !r.String(value, "name", where, false, &out->name) ||
        !r.Styles(value, kControlStyles, where, &out->styles) ||
        !r.IntArray(value, "rect", where, 4, &rect)) {
        return false;
    }
    out->rect = Rect{rect[0], rect[1], rect[2], rect[3]};

    const bool hasImage = value.contains("image");
    const bool wantsImage = TraitsOf(out->kind).hasImage;
    if (wantsImage != hasImage) {
        return r.Fail(where,
                      wantsImage ? "needs \"image\"" : "\"image\" is only for pictures and icons");
    }
    if (hasImage && !r.Int(value, "image", where, 1, 65535, &out->image)) {
        return false;
    }
    if (value.contains("items")) {
        if (!TraitsOf(out->kind).hasItems) {
            return r.Fail(where, "\"items\" is only for combo boxes");
        }
        const Json& items = value.at("items");
        if (!items.is_array()) {
            return r.Fail(where, "\"items\" must be an array of strings");
        }
        for (const Json& item : items) {
            if (!item.is_string()) {
                return r.Fail(where, "\"items\" must be an array of strings");
            }
            out->items.push_back(item.get<std::string>());
        }
    }
    if (out->kind == ControlKind::comboBox &&
        out->Has(styleDropDown) == out->Has(styleDropDownList)) {
        return r.Fail(where,
                      "a combo box needs exactly one of the styles \"dropDown\" and "
                      "\"dropDownList\"");
    }
    return true;
}

}  // namespace

const char* ControlKindName(ControlKind kind) {
    return TraitsOf(kind).name;
}

const ControlTemplate* DialogTemplate::Find(int controlId) const {
    if (controlId == 0) {
        return nullptr;
    }
    for (const ControlTemplate& c : controls) {
        if (c.id == controlId) {
            return &c;
        }
    }
    return nullptr;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::string_view json, const std::string& origin,
                                                  std::string* error) {
    Reader r(origin);
    auto failed = [&]() -> std::optional<DialogTemplate> {
        if (error) {
            *error = r.Error();
        }
        return std::nullopt;
    };

    Json doc;
    try {
        doc = Json::parse(json.begin(), json.end());
    } catch (const Json::parse_error& e) {
        r.Fail({}, "not valid JSON at offset " + std::to_string(e.byte) + " (" + e.what() + ")");
        return failed();
    }
    if (!doc.is_object()) {
        r.Fail({}, "a dialog template must be a JSON object");
        return failed();
    }
    DialogTemplate t;
    std::vector<int> size;
    std::string frame;
    if (!r.OnlyKeys(doc, {"id", "title", "size", "font", "frame", "styles", "controls"}, {}) ||
        !r.Int(doc, "id", {}, 1, 65535, &t.id) || !r.String(doc, "title", {}, true, &t.title) ||
        !r.IntArray(doc, "size", {}, 2, &size) || !r.String(doc, "frame", {}, true, &frame) ||
        !r.Styles(doc, kDialogStyles, {}, &t.styles)) {
        return failed();
    }
    t.size = Size{size[0], size[1]};
    if (frame == "modal") {
        t.frame = FrameKind::modal;
    } else if (frame == "child") {
        t.frame = FrameKind::child;
    } else {
        r.Fail({}, "\"frame\" must be \"modal\" or \"child\"");
        return failed();
    }
    const Json* font = Reader::Field(doc, "font");
    if (font == nullptr || !font->is_object() ||
        !r.OnlyKeys(*font, {"face", "pointSize"}, "font") ||
        !r.String(*font, "face", "font", true, &t.font.face) ||
        !r.Int(*font, "pointSize", "font", 1, 72, &t.font.pointSize)) {
        r.Fail({}, "\"font\" must be {\"face\": text, \"pointSize\": number}");
        return failed();
    }
    const Json* controls = Reader::Field(doc, "controls");
    if (controls == nullptr || !controls->is_array()) {
        r.Fail({}, "\"controls\" must be an array");
        return failed();
    }
    std::set<int> ids;
    int index = 0;
    for (const Json& value : *controls) {
        ControlTemplate control;
        if (!ReadControl(r, value, index, &control)) {
            return failed();
        }
        if (control.id != 0 && ids.count(control.id) != 0) {
            r.Fail("control " + std::to_string(index),
                   "id " + std::to_string(control.id) + " is used twice");
            return failed();
        }
        ids.insert(control.id);
        t.controls.push_back(std::move(control));
        ++index;
    }
    return t;
}

}  // namespace halvo::ui
