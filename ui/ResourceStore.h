// Dialog templates, strings and images, read from data files (the compiled-in ones by default).
// The templates' form and parser are in DialogTemplate.h.
#pragma once

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <map>

#include "ui/DialogTemplate.h"

namespace halvo::ui {

class ResourceStore {
  public:
    ResourceStore() = default;

    // Reads the resources compiled into the binary (halvo_resources).
    bool LoadBuiltIn(QString* error);
    // Reads `root`/manifest.json and every file it names (paths relative to `root`). On failure
    // the store keeps what it held before and `error` says which file and what is wrong.
    bool Load(const QString& root, QString* error);

    const DialogTemplate* FindTemplate(int id) const;
    // Like FindTemplate, but a missing template is a programming error: throws std::logic_error.
    const DialogTemplate& Template(int id) const;
    // The string resource, or an empty string when there is none (as a string table lookup).
    QString String(int id) const;
    QIcon Icon(int id) const;      // null icon when missing
    QPixmap Bitmap(int id) const;  // null pixmap when missing

  private:
    std::map<int, DialogTemplate> templates_;
    QHash<int, QString> strings_;
    QHash<int, QStringList> iconFiles_;
    QHash<int, QString> bitmapFiles_;
};

}  // namespace halvo::ui
