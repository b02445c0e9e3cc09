// Dialog units: template coordinates scaled by the base units of the template's font, so that one
// unit comes out as on the original platform (a quarter of the average character width across,
// an eighth of the character height down).
#pragma once

#include <QFont>
#include <QRect>

#include "ui/DialogTemplate.h"

namespace halvo::ui {

struct BaseUnits {
    int x = 0;  // average character width, rounded as the original platform does
    int y = 0;  // character height
};

// The template's font at its point size, with installed fallbacks of the same metrics:
// "宋体" 9 pt -> AR PL UMing CN, WenQuanYi Zen Hei; "MS Sans Serif" 8 pt -> DejaVu Sans Condensed,
// DejaVu Sans. Each face is asked for by its own name first, so an installed original wins. The
// pixel size is the point size at `dpiY`, rounded.
QFont DialogFont(const FontSpec& spec, int dpiY);

// baseX = (width("A..Za..z") / 26 + 1) / 2, baseY = line height.
BaseUnits MeasureBaseUnits(const QFont& font);

// Maps each edge, rounding to nearest like the platform's MulDiv: x * baseX / 4, y * baseY / 8.
QRect MapDialogRect(const QRect& dialogUnits, BaseUnits base);

}  // namespace halvo::ui
