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

QPixmap LoadBitmap(const ResourceStore& store, int id, qreal devicePixelRatio, int logicalDpi) {
    const qreal logical = logicalDpi > 0 ? static_cast<qreal>(logicalDpi) / kDesignDpi : 1.0;
    // A file drawn at `factor` times the design's size shows at the design's size times the
    // logical share with this ratio of its own.
    const auto shown = [logical](QPixmap pixmap, qreal factor) {
        pixmap.setDevicePixelRatio(factor / logical);
        return pixmap;
    };
    if (devicePixelRatio * logical > 1.0) {
        const QPixmap twice = Decode(store.Bitmap(id, 2));
        if (!twice.isNull()) {
            return shown(twice, 2.0);
        }
    }
    const QPixmap once = Decode(store.Bitmap(id));
    return once.isNull() ? once : shown(once, 1.0);
}

}  // namespace halvo::ui::qt
