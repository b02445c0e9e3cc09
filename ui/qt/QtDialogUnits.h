// SPDX-License-Identifier: GPL-3.0-or-later
// The font of a template on Qt and the base units it gives (ui/DialogUnits.h maps with them).
#pragma once

#include <QFont>

#include "ui/DialogTemplate.h"
#include "ui/DialogUnits.h"

namespace halvo::ui::qt {

// The template's font at its point size, with installed fallbacks of the same metrics:
// "宋体" 9 pt -> AR PL UMing CN, WenQuanYi Zen Hei; "MS Sans Serif" 8 pt -> DejaVu Sans Condensed,
// DejaVu Sans. Each face is asked for by its own name first, so an installed original wins. The
// pixel size is the point size at `dpiY`, rounded.
QFont DialogFont(const FontSpec& spec, int dpiY);

// baseX = (width("A..Za..z") / 26 + 1) / 2, baseY = line height.
BaseUnits MeasureBaseUnits(const QFont& font);

}  // namespace halvo::ui::qt
