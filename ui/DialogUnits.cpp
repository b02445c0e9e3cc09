#include "ui/DialogUnits.h"

#include <QFontMetrics>

namespace halvo::ui {

namespace {

// a * b / c rounded to nearest, halves away from zero (b, c > 0).
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c));
}

}  // namespace

QFont DialogFont(const FontSpec& spec, int dpiY) {
    QStringList families{spec.face};
    if (spec.face == QStringLiteral("宋体")) {
        families << QStringLiteral("AR PL UMing CN") << QStringLiteral("WenQuanYi Zen Hei");
    } else if (spec.face == QStringLiteral("MS Sans Serif")) {
        // DejaVu Sans Condensed at 11 px has the same base units (6 x 13) as the original.
        families << QStringLiteral("DejaVu Sans Condensed") << QStringLiteral("DejaVu Sans");
    }
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(MulDiv(spec.pointSize, dpiY > 0 ? dpiY : 96, 72));
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

BaseUnits MeasureBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const QRect& du, BaseUnits base) {
    const int left = MulDiv(du.x(), base.x, 4);
    const int top = MulDiv(du.y(), base.y, 8);
    const int right = MulDiv(du.x() + du.width(), base.x, 4);
    const int bottom = MulDiv(du.y() + du.height(), base.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace halvo::ui
