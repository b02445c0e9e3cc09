// SPDX-License-Identifier: GPL-3.0-or-later
// The resource store's images as Qt decodes them.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "ui/DialogUnits.h"
#include "ui/ResourceStore.h"

namespace halvo::ui::qt {

// Every size of the icon, so that each scale draws from its own pixels; null icon when missing.
QIcon LoadIcon(const ResourceStore& store, int id);
// The bitmap for a window of `devicePixelRatio` and `logicalDpi`: on screen the design's size
// grown by the logical dpi as the dialog units grow, drawn from the design's own file where that
// has the pixels, else from the file drawn at 2x, so that it is never scaled up; null pixmap
// when missing.
QPixmap LoadBitmap(const ResourceStore& store, int id, qreal devicePixelRatio = 1.0,
                   int logicalDpi = kDesignDpi);

}  // namespace halvo::ui::qt
