// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/QtDialogUnits.h"

#include <QFontMetrics>
#include <QStringList>

namespace halvo::ui::qt {

QFont DialogFont(const FontSpec& spec, int dpiY) {
    const QString face = QString::fromStdString(spec.face);
    QStringList families{face};
    if (face == QStringLiteral("宋体")) {
        families << QStringLiteral("AR PL UMing CN") << QStringLiteral("WenQuanYi Zen Hei");
    } else if (face == QStringLiteral("MS Sans Serif")) {
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
    return BaseUnits{BaseUnitX(width), metrics.height()};
}

}  // namespace halvo::ui::qt
