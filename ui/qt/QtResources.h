// SPDX-License-Identifier: GPL-3.0-or-later
// The resource store's images as Qt decodes them.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "ui/ResourceStore.h"

namespace halvo::ui::qt {

// Every size of the icon, so that each scale draws from its own pixels; null icon when missing.
QIcon LoadIcon(const ResourceStore& store, int id);
// The bitmap from its sharpest file: one drawn at 2x comes with device pixel ratio 2 (the same
// size on screen, never scaled up at 200 %); null pixmap when missing.
QPixmap LoadBitmap(const ResourceStore& store, int id);

}  // namespace halvo::ui::qt
