#include "ui/ResourceStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <stdexcept>

#include "resources/Resources.h"

namespace halvo::ui {

bool ResourceStore::LoadBuiltIn(QString* error) {
    return Load(QString::fromLatin1(halvo::resources::BuiltInRoot()), error);
}

bool ResourceStore::Load(const QString& root, QString* error) {
    auto fail = [&](const QString& message) {
        if (error) {
            *error = message;
        }
        return false;
    };
    const QDir dir(root);
    auto read = [&](const QString& relative, QByteArray* out, QString* message) {
        QFile file(dir.filePath(relative));
        if (!file.open(QIODevice::ReadOnly)) {
            *message =
                QStringLiteral("%1: cannot be read (%2)").arg(file.fileName(), file.errorString());
            return false;
        }
        *out = file.readAll();
        return true;
    };

    QString message;
    QByteArray manifestData;
    const QString manifestName = QStringLiteral("manifest.json");
    if (!read(manifestName, &manifestData, &message)) {
        return fail(message);
    }
    QJsonParseError parseError;
    const QJsonDocument manifest = QJsonDocument::fromJson(manifestData, &parseError);
    if (parseError.error != QJsonParseError::NoError || !manifest.isObject()) {
        return fail(QStringLiteral("%1: not a valid JSON object (%2)")
                        .arg(dir.filePath(manifestName), parseError.errorString()));
    }
    const QJsonObject m = manifest.object();

    std::map<int, DialogTemplate> templates;
    for (const QJsonValue& v : m.value(QStringLiteral("dialogs")).toArray()) {
        QByteArray data;
        if (!read(v.toString(), &data, &message)) {
            return fail(message);
        }
        auto t = ParseDialogTemplate(data, dir.filePath(v.toString()), &message);
        if (!t) {
            return fail(message);
        }
        if (templates.count(t->id) != 0) {
            return fail(QStringLiteral("%1: dialog %2 is defined twice")
                            .arg(dir.filePath(v.toString()))
                            .arg(t->id));
        }
        const int id = t->id;
        templates.emplace(id, std::move(*t));
    }

    auto numericKeys = [&](const QString& section, auto&& take) {
        const QJsonObject object = m.value(section).toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool ok = false;
            const int id = it.key().toInt(&ok);
            if (!ok || id <= 0 || id > 65535) {
                message = QStringLiteral("%1: \"%2\" key \"%3\" is not a resource number")
                              .arg(dir.filePath(manifestName), section, it.key());
                return false;
            }
            if (!take(id, it.value())) {
                message = QStringLiteral("%1: \"%2\" entry %3 has the wrong form")
                              .arg(dir.filePath(manifestName), section, it.key());
                return false;
            }
        }
        return true;
    };

    QHash<int, QString> strings;
    QHash<int, QStringList> icons;
    QHash<int, QString> bitmaps;
    const bool ok = numericKeys(QStringLiteral("strings"),
                                [&](int id, const QJsonValue& v) {
                                    strings.insert(id, v.toString());
                                    return v.isString();
                                }) &&
                    numericKeys(QStringLiteral("icons"),
                                [&](int id, const QJsonValue& v) {
                                    QStringList files;
                                    for (const QJsonValue& f : v.toArray()) {
                                        files.append(dir.filePath(f.toString()));
                                    }
                                    icons.insert(id, files);
                                    return v.isArray() && !files.isEmpty();
                                }) &&
                    numericKeys(QStringLiteral("bitmaps"), [&](int id, const QJsonValue& v) {
                        bitmaps.insert(id, dir.filePath(v.toString()));
                        return v.isString();
                    });
    if (!ok) {
        return fail(message);
    }

    templates_ = std::move(templates);
    strings_ = std::move(strings);
    iconFiles_ = std::move(icons);
    bitmapFiles_ = std::move(bitmaps);
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

QString ResourceStore::String(int id) const {
    return strings_.value(id);
}

QIcon ResourceStore::Icon(int id) const {
    QIcon icon;
    for (const QString& file : iconFiles_.value(id)) {
        icon.addFile(file);
    }
    return icon;
}

QPixmap ResourceStore::Bitmap(int id) const {
    const auto it = bitmapFiles_.find(id);
    return it == bitmapFiles_.end() ? QPixmap() : QPixmap(*it);
}

}  // namespace halvo::ui
