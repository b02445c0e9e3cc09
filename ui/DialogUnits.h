// SPDX-License-Identifier: GPL-3.0-or-later
// Dialog units: template coordinates scaled by the base units of the template's font, so that one
// unit comes out as on the original platform (a quarter of the average character width across,
// an eighth of the character height down). The backend measures the font; the mapping is here.
#pragma once

#include "ui/Geometry.h"

namespace halvo::ui {

struct BaseUnits {
    int x = 0;  // average character width, rounded as the original platform does
    int y = 0;  // character height
    bool operator==(const BaseUnits&) const = default;
};

// baseX from the width in pixels of "A..Za..z": (width / 26 + 1) / 2.
int BaseUnitX(int alphabetWidth);

// Maps each edge, rounding to nearest like the platform's MulDiv: x * baseX / 4, y * baseY / 8.
Rect MapDialogRect(const Rect& dialogUnits, BaseUnits base);

// a * b / c rounded to nearest, halves away from zero (b, c > 0).
int MulDiv(int a, int b, int c);

// The dpi at which a length given in pixels is meant: list-view column widths, image and icon
// sizes are written for 96 dpi (100 %) and every backend scales them by its window's dpi.
inline constexpr int kDesignDpi = 96;

// `pixelsAt96` at `dpi` (a non-positive dpi counts as 96), rounded like MulDiv.
int ScaleForDpi(int pixelsAt96, int dpi);

}  // namespace halvo::ui
