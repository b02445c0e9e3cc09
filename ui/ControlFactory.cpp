#include "ui/ControlFactory.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "ui/Controls.h"

namespace halvo::ui {

namespace {

// A static text shows "&x" as an underlined x and "&&" as "&" unless it has the noPrefix style.
QString StripMnemonics(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
        }
        out.append(text[i]);
    }
    return out;
}

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

QWidget* ControlFactory::Create(const ControlTemplate& control, QRect geometry, int index) const {
    QWidget* widget = nullptr;
    const int id = control.id;

    switch (control.kind) {
        case ControlKind::pushButton:
        case ControlKind::defPushButton: {
            auto* button = new QPushButton(control.text, parent_);
            // Enter is the dialog's business (DefaultKeyProcessing), not the button's.
            button->setAutoDefault(false);
            button->setDefault(control.kind == ControlKind::defPushButton);
            if (id != 0) {
                QObject::connect(button, &QPushButton::clicked, parent_,
                                 [notify = notify_, id] { notify(id); });
            }
            widget = button;
            break;
        }
        case ControlKind::checkBox: {
            auto* box = new QCheckBox(control.text, parent_);
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
            break;
        }
        case ControlKind::groupBox:
            widget = new QGroupBox(control.text, parent_);
            break;
        case ControlKind::label:
        case ControlKind::valueField: {
            auto* label = new QLabel(parent_);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(TextAlignment(control));
            label->setText(control.Has(styleNoPrefix) ? control.text
                                                      : StripMnemonics(control.text));
            if (control.kind == ControlKind::valueField) {
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setLineWidth(1);
            }
            widget = label;
            break;
        }
        case ControlKind::etchedLine: {
            auto* line = new QFrame(parent_);
            line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            geometry.setHeight(std::max(geometry.height(), 2));
            widget = line;
            break;
        }
        case ControlKind::etchedFrame: {
            auto* frame = new QFrame(parent_);
            frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            widget = frame;
            break;
        }
        case ControlKind::listBox: {
            auto* list = new ListBox(parent_);
            list->setFrameStyle(control.Has(styleBorder) ? (QFrame::StyledPanel | QFrame::Sunken)
                                                         : QFrame::NoFrame);
            list->setVerticalScrollBarPolicy(control.Has(styleVScroll) ? Qt::ScrollBarAsNeeded
                                                                       : Qt::ScrollBarAlwaysOff);
            list->setHorizontalScrollBarPolicy(control.Has(styleHScroll) ? Qt::ScrollBarAsNeeded
                                                                         : Qt::ScrollBarAlwaysOff);
            if (control.Has(styleNotify) && id != 0) {
                QObject::connect(list, &ListBox::SelectionChangedByUser, parent_,
                                 [notify = notify_, id] { notify(id); });
            }
            widget = list;
            break;
        }
        case ControlKind::listView: {
            auto* view = new ListView(parent_);
            view->setFrameStyle(control.Has(styleBorder) ? (QFrame::StyledPanel | QFrame::Sunken)
                                                         : QFrame::NoFrame);
            view->setSelectionMode(control.Has(styleSingleSel)
                                       ? QAbstractItemView::SingleSelection
                                       : QAbstractItemView::ExtendedSelection);
            widget = view;
            break;
        }
        case ControlKind::comboBox: {
            // The template's height includes the dropped-down list; the field takes the height
            // the font needs, the rest is the list.
            auto* probe = new ComboBox(control.Has(styleDropDown), 0, parent_);
            const int field = std::min(geometry.height(), probe->sizeHint().height());
            delete probe;
            auto* combo =
                new ComboBox(control.Has(styleDropDown), geometry.height() - field, parent_);
            for (const QString& item : control.items) {
                combo->AddString(item);
            }
            const int rowHeight = std::max(1, combo->fontMetrics().height() + 2);
            combo->setMaxVisibleItems(std::max(1, (geometry.height() - field) / rowHeight));
            geometry.setHeight(field);
            if (id != 0) {
                QObject::connect(combo, &ComboBox::SelectionChangedByUser, parent_,
                                 [notify = notify_, id] { notify(id); });
            }
            widget = combo;
            break;
        }
        case ControlKind::edit: {
            auto* edit = new Edit(parent_);
            edit->setFrame(control.Has(styleBorder));
            if (control.Has(stylePassword)) {
                edit->setEchoMode(QLineEdit::Password);
            }
            widget = edit;
            break;
        }
        case ControlKind::datePicker:
            widget = new DatePicker(parent_);
            break;
        case ControlKind::timePicker:
            widget = new TimePicker(parent_);
            break;
        case ControlKind::ipAddress:
            widget = new IpAddressControl(parent_);
            break;
        case ControlKind::picture:
        case ControlKind::icon: {
            // Like the platform's image statics, the control takes the image's own size.
            auto* picture = new QLabel(parent_);
            const QPixmap pixmap = control.kind == ControlKind::picture
                                       ? store_.Bitmap(control.image)
                                       : store_.Icon(control.image).pixmap(32, 32);
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
            break;
        }
    }

    widget->setObjectName(id != 0 ? QStringLiteral("control%1").arg(id)
                                  : QStringLiteral("static%1").arg(index));
    widget->setGeometry(geometry);

    // Tab stops take the focus by Tab and click; other interactive controls only by click.
    const bool interactive =
        control.kind != ControlKind::label && control.kind != ControlKind::valueField &&
        control.kind != ControlKind::groupBox && control.kind != ControlKind::etchedLine &&
        control.kind != ControlKind::etchedFrame && control.kind != ControlKind::picture &&
        control.kind != ControlKind::icon;
    if (interactive) {
        widget->setFocusPolicy(control.Has(styleTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    } else {
        widget->setFocusPolicy(Qt::NoFocus);
    }
    widget->setEnabled(!control.Has(styleDisabled));
    widget->show();
    return widget;
}

}  // namespace halvo::ui
