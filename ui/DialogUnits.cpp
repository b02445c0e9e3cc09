// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DialogUnits.h"

namespace halvo::ui {

int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c));
}

int BaseUnitX(int alphabetWidth) {
    return (alphabetWidth / 26 + 1) / 2;
}

int ScaleForDpi(int pixelsAt96, int dpi) {
    return dpi > 0 ? MulDiv(pixelsAt96, dpi, kDesignDpi) : pixelsAt96;
}

Rect MapDialogRect(const Rect& du, BaseUnits base) {
    const int left = MulDiv(du.x, base.x, 4);
    const int top = MulDiv(du.y, base.y, 8);
    const int right = MulDiv(du.x + du.width, base.x, 4);
    const int bottom = MulDiv(du.y + du.height, base.y, 8);
    return Rect{left, top, right - left, bottom - top};
}

}  // namespace halvo::ui
