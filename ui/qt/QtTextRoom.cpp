// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt backend's answer to MeasureTexts: each text measured with QFontMetrics of the widget's
// own font, the room being what the style leaves inside the widget for the text.
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QStyleOptionHeader>
#include <QTreeWidget>

#include "ui/ControlRules.h"
#include "ui/qt/QtBackend.h"

namespace halvo::ui::qt {

namespace {

Size ToSize(const QSize& s) {
    return Size{s.width(), s.height()};
}

TextRoom Measured(std::string part, const QString& text, QSize need, QSize room) {
    return TextRoom{std::move(part), StripMnemonics(text.toStdString()), ToSize(need),
                    ToSize(room)};
}

// What QLabel lays its text out in: the contents rectangle less the margin and, on a framed
// label, the indent of half an "x" on the aligned sides.
QRect LabelTextRect(const QLabel& label) {
    const int margin = label.margin();
    QRect r = label.contentsRect().adjusted(margin, margin, -margin, -margin);
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0) {
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin;
    }
    if (indent > 0) {
        const Qt::Alignment align = label.alignment();
        if (align & Qt::AlignLeft) {
            r.setLeft(r.left() + indent);
        }
        if (align & Qt::AlignRight) {
            r.setRight(r.right() - indent);
        }
        if (align & Qt::AlignTop) {
            r.setTop(r.top() + indent);
        }
        if (align & Qt::AlignBottom) {
            r.setBottom(r.bottom() - indent);
        }
    }
    return r;
}

TextRoom MeasureLabel(const QLabel& label) {
    const QRect room = LabelTextRect(label);
    const QFontMetrics metrics = label.fontMetrics();
    QSize need = metrics.size(0, label.text());
    if (label.wordWrap()) {
        need =
            metrics
                .boundingRect(QRect(0, 0, room.width(), 1 << 20),
                              static_cast<int>(label.alignment()) | Qt::TextWordWrap, label.text())
                .size();
    }
    if (label.text().isEmpty()) {
        need = QSize(0, 0);
    }
    return Measured({}, label.text(), need, room.size());
}

// Caption of a push button or a check box: the style's contents rectangle for it.
TextRoom MeasureButton(const QAbstractButton& button, QStyle::SubElement contents) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect room = button.style()->subElementRect(contents, &option, &button);
    const QSize need = button.fontMetrics().size(Qt::TextShowMnemonic, button.text());
    return Measured({}, button.text(), need, room.size());
}

// A group box's title runs from the style's label offset to the same distance from the right.
TextRoom MeasureGroupBox(const QGroupBox& box) {
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.textAlignment = box.alignment();
    option.lineWidth = 1;
    const QFontMetrics metrics = box.fontMetrics();
    const QSize need = metrics.size(Qt::TextShowMnemonic, box.title());
    // On a box wide enough for any title, what the style adds around the label and where it
    // puts it.
    option.rect = QRect(0, 0, need.width() * 4 + 400, box.height());
    const QRect label =
        box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    const int around = label.width() - need.width();
    const QSize room(box.width() - 2 * label.left() - around, label.height());
    return Measured({}, box.title(), need, room);
}

std::vector<TextRoom> MeasureHeadings(const QTreeWidget& view) {
    std::vector<TextRoom> headings;
    const QHeaderView* header = view.header();
    const QFontMetrics metrics = header->fontMetrics();
    for (int c = 0; c < view.columnCount(); ++c) {
        const QString text = view.headerItem()->text(c);
        QStyleOptionHeader option;
        option.initFrom(header);
        option.section = c;
        option.text = text;
        option.rect = QRect(0, 0, header->sectionSize(c), header->height());
        const QRect room = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
        headings.push_back(Measured("heading " + std::to_string(c), text,
                                    metrics.size(Qt::TextSingleLine, text), room.size()));
    }
    return headings;
}

}  // namespace

std::vector<TextRoom> QtWindow::MeasureTexts(int index) const {
    const QWidget* widget = WidgetAt(index);
    const Control* control = ControlAt(index);
    if (widget == nullptr || control == nullptr || !TraitsOf(control->Kind()).wholeText) {
        return {};
    }
    if (const auto* view = qobject_cast<const QTreeWidget*>(widget)) {
        return MeasureHeadings(*view);
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return {MeasureLabel(*label)};
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
        return {MeasureButton(*box, QStyle::SE_CheckBoxContents)};
    }
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        return {MeasureButton(*button, QStyle::SE_PushButtonContents)};
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return {MeasureGroupBox(*group)};
    }
    return {};
}

}  // namespace halvo::ui::qt
