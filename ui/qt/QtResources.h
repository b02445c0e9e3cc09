// SPDX-License-Identifier: GPL-3.0-or-later
// The resource store's images as Qt decodes them.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "ui/ResourceStore.h"

namespace halvo::ui::qt {

QIcon LoadIcon(const ResourceStore& store, int id);      // null icon when missing
QPixmap LoadBitmap(const ResourceStore& store, int id);  // null pixmap when missing

}  // namespace halvo::ui::qt
