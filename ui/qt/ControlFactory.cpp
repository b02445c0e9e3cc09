// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/ControlFactory.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "ui/ControlRules.h"
#include "ui/DialogUnits.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/QtResources.h"

namespace halvo::ui::qt {

namespace {

Qt::Alignment TextAlignment(const ControlTemplate& control) {
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (control.Has(styleCenter)) {
        horizontal = Qt::AlignHCenter;
    } else if (control.Has(styleRight)) {
        horizontal = Qt::AlignRight;
    }
    return horizontal | Qt::AlignTop;
}

}  // namespace

ControlFactory::ControlFactory(QWidget* parent, const ResourceStore& store, Notify notify)
    : parent_(parent), store_(store), notify_(std::move(notify)) {}

MadeControl ControlFactory::Create(const ControlTemplate& control, QRect geometry,
                                   int index) const {
    QWidget* widget = nullptr;
    Control* made = nullptr;
    const int id = control.id;

    switch (control.kind) {
        case ControlKind::pushButton:
        case ControlKind::defPushButton: {
            auto* button = new QtPushButton(control, parent_);
            // Enter is the dialog's business (DefaultKeyProcessing), not the button's.
            button->setAutoDefault(false);
            button->setDefault(control.kind == ControlKind::defPushButton);
            if (id != 0) {
                QObject::connect(button, &QPushButton::clicked, parent_,
                                 [notify = notify_, id] { notify(id); });
            }
            widget = button;
            made = button;
            break;
        }
        case ControlKind::checkBox: {
            auto* box = new QtCheckBox(control, parent_);
            const bool automatic = control.Has(styleAuto);
            QObject::connect(box, &QCheckBox::clicked, parent_,
                             [notify = notify_, box, id, automatic](bool checked) {
                                 if (!automatic) {
                                     // A plain check box leaves its state to the dialog.
                                     const QSignalBlocker block(box);
                                     box->setChecked(!checked);
                                 }
                                 if (id != 0) {
                                     notify(id);
                                 }
                             });
            widget = box;
            made = box;
            break;
        }
        case ControlKind::groupBox: {
            auto* box = new QtGroupBox(control, parent_);
            widget = box;
            made = box;
            break;
        }
        case ControlKind::label:
        case ControlKind::valueField: {
            auto* label = new QtStaticText(control, parent_);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(TextAlignment(control));
            label->setText(ToQt(ShownText(control)));
            if (control.kind == ControlKind::valueField) {
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setLineWidth(1);
                // Qt indents a framed label's text by half an "x" on every side its alignment
                // names, and the platform's sunken field starts its text at the top of the
                // frame, with no room below for an indent: named without a vertical side, the
                // text still starts at the top, indented only across.
                label->setAlignment(TextAlignment(control) & Qt::AlignHorizontal_Mask);
            }
            widget = label;
            made = label;
            break;
        }
        case ControlKind::etchedLine: {
            auto* line = new QtFrame(control, parent_);
            line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            geometry.setHeight(std::max(geometry.height(), 2));
            widget = line;
            made = line;
            break;
        }
        case ControlKind::etchedFrame: {
            auto* frame = new QtFrame(control, parent_);
            frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            widget = frame;
            made = frame;
            break;
        }
        case ControlKind::listBox: {
            auto* list = new QtListBox(control, parent_);
            list->setFrameStyle(control.Has(styleBorder) ? (QFrame::StyledPanel | QFrame::Sunken)
                                                         : QFrame::NoFrame);
            list->setVerticalScrollBarPolicy(control.Has(styleVScroll) ? Qt::ScrollBarAsNeeded
                                                                       : Qt::ScrollBarAlwaysOff);
            list->setHorizontalScrollBarPolicy(control.Has(styleHScroll) ? Qt::ScrollBarAsNeeded
                                                                         : Qt::ScrollBarAlwaysOff);
            if (control.Has(styleNotify) && id != 0) {
                QObject::connect(list, &QtListBox::SelectionChangedByUser, parent_,
                                 [notify = notify_, id] { notify(id); });
            }
            widget = list;
            made = list;
            break;
        }
        case ControlKind::listView: {
            auto* view = new QtListView(control, parent_);
            view->setFrameStyle(control.Has(styleBorder) ? (QFrame::StyledPanel | QFrame::Sunken)
                                                         : QFrame::NoFrame);
            view->setSelectionMode(control.Has(styleSingleSel)
                                       ? QAbstractItemView::SingleSelection
                                       : QAbstractItemView::ExtendedSelection);
            widget = view;
            made = view;
            break;
        }
        case ControlKind::comboBox: {
            // The template's height includes the dropped-down list; the field takes the height
            // the font needs, the rest is the list.
            auto* probe = new QtComboBox(control, 0, parent_);
            const int field = std::min(geometry.height(), probe->sizeHint().height());
            delete probe;
            auto* combo = new QtComboBox(control, geometry.height() - field, parent_);
            for (const std::string& item : control.items) {
                combo->AddString(item);
            }
            const int rowHeight = std::max(1, combo->fontMetrics().height() + 2);
            combo->setMaxVisibleItems(std::max(1, (geometry.height() - field) / rowHeight));
            geometry.setHeight(field);
            if (id != 0) {
                QObject::connect(combo, &QtComboBox::SelectionChangedByUser, parent_,
                                 [notify = notify_, id] { notify(id); });
            }
            widget = combo;
            made = combo;
            break;
        }
        case ControlKind::edit: {
            auto* edit = new QtEdit(control, parent_);
            edit->setFrame(control.Has(styleBorder));
            if (control.Has(stylePassword)) {
                edit->setEchoMode(QLineEdit::Password);
            }
            widget = edit;
            made = edit;
            break;
        }
        case ControlKind::datePicker: {
            auto* picker = new QtDatePicker(control, parent_);
            widget = picker;
            made = picker;
            break;
        }
        case ControlKind::timePicker: {
            auto* picker = new QtTimePicker(control, parent_);
            widget = picker;
            made = picker;
            break;
        }
        case ControlKind::ipAddress: {
            auto* address = new QtIpAddressControl(control, parent_);
            widget = address;
            made = address;
            break;
        }
        case ControlKind::picture:
        case ControlKind::icon: {
            // Like the platform's image statics, the control takes the image's own size; an
            // icon's is 32 pixels at 96 dpi.
            auto* picture = new QtPicture(control, parent_);
            const int iconSize = ScaleForDpi(32, parent_->logicalDpiX());
            const QPixmap pixmap =
                control.kind == ControlKind::picture
                    ? LoadBitmap(store_, control.image, parent_->devicePixelRatioF(),
                                 parent_->logicalDpiX())
                    : LoadIcon(store_, control.image).pixmap(iconSize, iconSize);
            picture->setPixmap(pixmap);
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            int frame = 0;
            if (control.Has(styleSunken)) {
                picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                picture->setLineWidth(1);
                frame = 1;
            }
            if (!pixmap.isNull()) {
                geometry.setSize(pixmap.deviceIndependentSize().toSize() +
                                 QSize(2 * frame, 2 * frame));
            }
            widget = picture;
            made = picture;
            break;
        }
    }

    widget->setObjectName(id != 0 ? QStringLiteral("control%1").arg(id)
                                  : QStringLiteral("static%1").arg(index));
    widget->setGeometry(geometry);

    // Tab stops take the focus by Tab and click; other interactive controls only by click.
    const bool interactive = TraitsOf(control.kind).interactive;
    if (interactive) {
        widget->setFocusPolicy(control.Has(styleTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    } else {
        widget->setFocusPolicy(Qt::NoFocus);
    }
    widget->setEnabled(!control.Has(styleDisabled));
    widget->show();
    return {widget, made};
}

}  // namespace halvo::ui::qt
