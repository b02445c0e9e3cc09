// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/QtResources.h"

namespace halvo::ui::qt {

namespace {

QPixmap Decode(const Bytes& bytes) {
    QPixmap pixmap;
    if (!bytes.empty()) {
        pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
    }
    return pixmap;
}

}  // namespace

QIcon LoadIcon(const ResourceStore& store, int id) {
    QIcon icon;
    for (const Bytes& image : store.Icon(id)) {
        const QPixmap pixmap = Decode(image);
        if (!pixmap.isNull()) {
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

QPixmap LoadBitmap(const ResourceStore& store, int id) {
    QPixmap twice = Decode(store.Bitmap(id, 2));
    if (!twice.isNull()) {
        twice.setDevicePixelRatio(2);
        return twice;
    }
    return Decode(store.Bitmap(id));
}

}  // namespace halvo::ui::qt
