#include "ui/DialogTemplate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

namespace halvo::ui {

namespace {

struct NamedKind {
    const char* name;
    ControlKind kind;
};

constexpr NamedKind kKinds[] = {
    {"pushButton", ControlKind::pushButton},
    {"defPushButton", ControlKind::defPushButton},
    {"checkBox", ControlKind::checkBox},
    {"groupBox", ControlKind::groupBox},
    {"label", ControlKind::label},
    {"valueField", ControlKind::valueField},
    {"etchedLine", ControlKind::etchedLine},
    {"etchedFrame", ControlKind::etchedFrame},
    {"listBox", ControlKind::listBox},
    {"listView", ControlKind::listView},
    {"comboBox", ControlKind::comboBox},
    {"edit", ControlKind::edit},
    {"datePicker", ControlKind::datePicker},
    {"timePicker", ControlKind::timePicker},
    {"ipAddress", ControlKind::ipAddress},
    {"picture", ControlKind::picture},
    {"icon", ControlKind::icon},
};

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

// Collects the first error; every reader returns false once one is recorded.
class Reader {
  public:
    explicit Reader(QString origin) : origin_(std::move(origin)) {}

    bool Fail(const QString& where, const QString& what) {
        if (error_.isEmpty()) {
            error_ = where.isEmpty() ? QStringLiteral("%1: %2").arg(origin_, what)
                                     : QStringLiteral("%1: %2: %3").arg(origin_, where, what);
        }
        return false;
    }
    const QString& Error() const { return error_; }

    bool OnlyKeys(const QJsonObject& object, const QSet<QString>& allowed, const QString& where) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!allowed.contains(it.key())) {
                return Fail(where, QStringLiteral("unknown field \"%1\"").arg(it.key()));
            }
        }
        return true;
    }

    bool Int(const QJsonObject& object, const QString& key, const QString& where, int low, int high,
             int* out) {
        const QJsonValue value = object.value(key);
        if (!value.isDouble()) {
            return Fail(where, QStringLiteral("\"%1\" must be a number").arg(key));
        }
        const double d = value.toDouble();
        if (d != static_cast<double>(static_cast<long long>(d)) || d < low || d > high) {
            return Fail(where, QStringLiteral("\"%1\" must be a whole number from %2 to %3")
                                   .arg(key)
                                   .arg(low)
                                   .arg(high));
        }
        *out = static_cast<int>(d);
        return true;
    }

    bool IntArray(const QJsonObject& object, const QString& key, const QString& where, int count,
                  std::vector<int>* out) {
        const QJsonValue value = object.value(key);
        const QJsonArray array = value.toArray();
        if (!value.isArray() || array.size() != count) {
            return Fail(
                where, QStringLiteral("\"%1\" must be an array of %2 numbers").arg(key).arg(count));
        }
        out->clear();
        for (const QJsonValue& v : array) {
            const double d = v.toDouble(-1);
            if (!v.isDouble() || d != static_cast<double>(static_cast<int>(d)) || d < 0 ||
                d > 32767) {
                return Fail(
                    where,
                    QStringLiteral("\"%1\" must hold whole numbers from 0 to 32767").arg(key));
            }
            out->push_back(static_cast<int>(d));
        }
        return true;
    }

    bool String(const QJsonObject& object, const QString& key, const QString& where, bool required,
                QString* out) {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() && !required) {
            return true;
        }
        if (!value.isString()) {
            return Fail(where, QStringLiteral("\"%1\" must be a string").arg(key));
        }
        *out = value.toString();
        return true;
    }

    template <std::size_t N>
    bool Styles(const QJsonObject& object, const NamedStyle (&table)[N], const QString& where,
                std::uint32_t* out) {
        const QJsonValue value = object.value(QStringLiteral("styles"));
        if (value.isUndefined()) {
            return true;
        }
        if (!value.isArray()) {
            return Fail(where, QStringLiteral("\"styles\" must be an array of names"));
        }
        for (const QJsonValue& v : value.toArray()) {
            bool known = false;
            for (const NamedStyle& s : table) {
                if (v.toString() == QLatin1String(s.name)) {
                    *out |= s.style;
                    known = true;
                }
            }
            if (!known) {
                return Fail(where, QStringLiteral("unknown style \"%1\"").arg(v.toString()));
            }
        }
        return true;
    }

  private:
    QString origin_;
    QString error_;
};

bool ReadControl(Reader& r, const QJsonValue& value, int index, ControlTemplate* out) {
    QString where = QStringLiteral("control %1").arg(index);
    if (!value.isObject()) {
        return r.Fail(where, QStringLiteral("must be an object"));
    }
    const QJsonObject object = value.toObject();
    if (object.contains(QStringLiteral("id"))) {
        if (!r.Int(object, QStringLiteral("id"), where, 0, 65535, &out->id)) {
            return false;
        }
        where = QStringLiteral("control %1 (id %2)").arg(index).arg(out->id);
    }
    if (!r.OnlyKeys(object, {"id", "kind", "text", "styles", "rect", "image", "items"}, where)) {
        return false;
    }
    QString kind;
    if (!r.String(object, QStringLiteral("kind"), where, true, &kind)) {
        return false;
    }
    bool known = false;
    for (const NamedKind& k : kKinds) {
        if (kind == QLatin1String(k.name)) {
            out->kind = k.kind;
            known = true;
        }
    }
    if (!known) {
        return r.Fail(where, QStringLiteral("unknown kind \"%1\"").arg(kind));
    }
    std::vector<int> rect;
    if (!r.String(object, QStringLiteral("text"), where, false, &out->text) ||
        !r.Styles(object, kControlStyles, where, &out->styles) ||
        !r.IntArray(object, QStringLiteral("rect"), where, 4, &rect)) {
        return false;
    }
    out->rect = QRect(rect[0], rect[1], rect[2], rect[3]);

    const bool hasImage = object.contains(QStringLiteral("image"));
    const bool wantsImage = out->kind == ControlKind::picture || out->kind == ControlKind::icon;
    if (wantsImage != hasImage) {
        return r.Fail(where, wantsImage
                                 ? QStringLiteral("needs \"image\"")
                                 : QStringLiteral("\"image\" is only for pictures and icons"));
    }
    if (hasImage && !r.Int(object, QStringLiteral("image"), where, 1, 65535, &out->image)) {
        return false;
    }
    if (object.contains(QStringLiteral("items"))) {
        if (out->kind != ControlKind::comboBox) {
            return r.Fail(where, QStringLiteral("\"items\" is only for combo boxes"));
        }
        const QJsonValue items = object.value(QStringLiteral("items"));
        if (!items.isArray()) {
            return r.Fail(where, QStringLiteral("\"items\" must be an array of strings"));
        }
        for (const QJsonValue& item : items.toArray()) {
            if (!item.isString()) {
                return r.Fail(where, QStringLiteral("\"items\" must be an array of strings"));
            }
            out->items.append(item.toString());
        }
    }
    if (out->kind == ControlKind::comboBox &&
        out->Has(styleDropDown) == out->Has(styleDropDownList)) {
        return r.Fail(where, QStringLiteral("a combo box needs exactly one of the styles "
                                            "\"dropDown\" and \"dropDownList\""));
    }
    return true;
}

}  // namespace

const char* ControlKindName(ControlKind kind) {
    for (const NamedKind& k : kKinds) {
        if (k.kind == kind) {
            return k.name;
        }
    }
    return "?";
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

std::optional<DialogTemplate> ParseDialogTemplate(const QByteArray& json, const QString& origin,
                                                  QString* error) {
    Reader r(origin);
    auto failed = [&]() -> std::optional<DialogTemplate> {
        if (error) {
            *error = r.Error();
        }
        return std::nullopt;
    };

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        r.Fail(QString(), QStringLiteral("not valid JSON at offset %1 (%2)")
                              .arg(parseError.offset)
                              .arg(parseError.errorString()));
        return failed();
    }
    if (!doc.isObject()) {
        r.Fail(QString(), QStringLiteral("a dialog template must be a JSON object"));
        return failed();
    }
    const QJsonObject object = doc.object();
    DialogTemplate t;
    std::vector<int> size;
    QString frame;
    if (!r.OnlyKeys(object, {"id", "title", "size", "font", "frame", "styles", "controls"},
                    QString()) ||
        !r.Int(object, QStringLiteral("id"), QString(), 1, 65535, &t.id) ||
        !r.String(object, QStringLiteral("title"), QString(), true, &t.title) ||
        !r.IntArray(object, QStringLiteral("size"), QString(), 2, &size) ||
        !r.String(object, QStringLiteral("frame"), QString(), true, &frame) ||
        !r.Styles(object, kDialogStyles, QString(), &t.styles)) {
        return failed();
    }
    t.size = QSize(size[0], size[1]);
    if (frame == QLatin1String("modal")) {
        t.frame = FrameKind::modal;
    } else if (frame == QLatin1String("child")) {
        t.frame = FrameKind::child;
    } else {
        r.Fail(QString(), QStringLiteral("\"frame\" must be \"modal\" or \"child\""));
        return failed();
    }
    const QJsonObject font = object.value(QStringLiteral("font")).toObject();
    if (!object.value(QStringLiteral("font")).isObject() ||
        !r.OnlyKeys(font, {"face", "pointSize"}, QStringLiteral("font")) ||
        !r.String(font, QStringLiteral("face"), QStringLiteral("font"), true, &t.font.face) ||
        !r.Int(font, QStringLiteral("pointSize"), QStringLiteral("font"), 1, 72,
               &t.font.pointSize)) {
        r.Fail(QString(),
               QStringLiteral("\"font\" must be {\"face\": text, \"pointSize\": number}"));
        return failed();
    }
    const QJsonValue controls = object.value(QStringLiteral("controls"));
    if (!controls.isArray()) {
        r.Fail(QString(), QStringLiteral("\"controls\" must be an array"));
        return failed();
    }
    QSet<int> ids;
    int index = 0;
    for (const QJsonValue& value : controls.toArray()) {
        ControlTemplate control;
        if (!ReadControl(r, value, index, &control)) {
            return failed();
        }
        if (control.id != 0 && ids.contains(control.id)) {
            r.Fail(QStringLiteral("control %1").arg(index),
                   QStringLiteral("id %1 is used twice").arg(control.id));
            return failed();
        }
        ids.insert(control.id);
        t.controls.push_back(std::move(control));
        ++index;
    }
    return t;
}

}  // namespace halvo::ui
