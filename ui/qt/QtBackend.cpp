// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/QtBackend.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "ui/AccessibleNames.h"
#include "ui/ControlRules.h"
#include "ui/qt/ControlFactory.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/QtDialogUnits.h"
#include "ui/qt/QtResources.h"

namespace halvo::ui::qt {

namespace {

bool IsEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool IsEscape(const QKeyEvent* event) {
    return event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
}

bool IsMenuKey(const QKeyEvent* event) {
    return event->key() == Qt::Key_Menu ||
           (event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier) != 0);
}

Key RuleKey(const QKeyEvent* event) {
    if (IsEnter(event)) {
        return Key::enter;
    }
    if (IsEscape(event)) {
        return Key::escape;
    }
    if (IsMenuKey(event)) {
        return Key::menu;
    }
    return Key::other;
}

QRect ToQRect(const Rect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

}  // namespace

std::unique_ptr<Window> QtBackend::CreateDialogWindow(const DialogTemplate& dialogTemplate,
                                                      const ResourceStore& store,
                                                      WindowEvents& events, Window* parent,
                                                      bool child) {
    return std::make_unique<QtWindow>(dialogTemplate, store, events,
                                      dynamic_cast<QtWindow*>(parent), child);
}

QtWindow::QtWindow(const DialogTemplate& t, const ResourceStore& store, WindowEvents& events,
                   QtWindow* parent, bool child)
    : QDialog(parent), template_(t), store_(store), events_(events) {
    if (child) {
        setWindowFlags(Qt::Widget);
        hide();
    } else {
        Qt::WindowFlags flags =
            Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
        // A window of its own (task-bar entry) for appWindow, a dialog otherwise.
        flags |= t.Has(styleAppWindow) ? Qt::Window : Qt::Dialog;
        if (t.Has(styleSysMenu)) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        }
        if (t.Has(styleMinimizeBox)) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        setWindowFlags(flags);
        setWindowTitle(ToQt(t.title));
        setModal(true);
    }

    const QFont font = DialogFont(t.font, logicalDpiY());
    setFont(font);
    base_ = MeasureBaseUnits(font);
    contentOffset_ = t.Has(styleClientEdge) ? ScaleForDpi(2, logicalDpiX()) : 0;
    const Rect client = halvo::ui::MapDialogRect(Rect{0, 0, t.size.width, t.size.height}, base_);
    const QSize size(client.width + 2 * contentOffset_, client.height + 2 * contentOffset_);
    if (child) {
        resize(size);  // the parent places and sizes its pages
    } else {
        setFixedSize(size);
    }

    const ControlFactory factory(this, store_, [this](int id) { events_.OnNotify(id); });
    for (const ControlTemplate& control : t.controls) {
        const MadeControl made = factory.Create(control, ToQRect(MapDialogRect(control.rect)),
                                                static_cast<int>(widgets_.size()));
        widgets_.push_back(made.widget);
        controls_.push_back(made.control);
        Watch(made.widget);
    }
    Name(t);
    // Frames are drawn under the controls they surround and never take the mouse.
    for (std::size_t i = 0; i < widgets_.size(); ++i) {
        if (TraitsOf(t.controls[i].kind).drawnBehind) {
            widgets_[i]->lower();
            widgets_[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    }
}

void QtWindow::Name(const DialogTemplate& t) {
    for (int i = 0; i < static_cast<int>(widgets_.size()); ++i) {
        const ControlTemplate& control = t.controls[static_cast<std::size_t>(i)];
        QWidget* widget = widgets_[static_cast<std::size_t>(i)];
        if (TraitsOf(control.kind).takesTemplateName) {
            widget->setAccessibleName(ToQt(AccessibleName(t, i)));
        }
        if (const int label = LabelIndex(t, i); label >= 0) {
            auto* text = qobject_cast<QLabel*>(widgets_[static_cast<std::size_t>(label)]);
            const ControlTemplate& labelTemplate = t.controls[static_cast<std::size_t>(label)];
            if (text != nullptr) {
                // With a buddy the label shows its mnemonic and Alt+letter focuses the control.
                if (!labelTemplate.Has(styleNoPrefix)) {
                    text->setText(ToQt(labelTemplate.text));
                }
                text->setBuddy(widget);
            }
        }
    }
}

QtWindow::~QtWindow() {
    // The controls go before the window's own destruction reaches them, so that nothing they
    // send on the way out reaches a dialog that is itself going away.
    for (QWidget* widget : widgets_) {
        widget->removeEventFilter(this);
        QObject::disconnect(widget, nullptr, this, nullptr);
        delete widget;
    }
}

void QtWindow::Watch(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* inner : widget->findChildren<QWidget*>()) {
        inner->installEventFilter(this);
    }
}

Control* QtWindow::ControlAt(int index) const {
    return index >= 0 && index < static_cast<int>(controls_.size())
               ? controls_[static_cast<std::size_t>(index)]
               : nullptr;
}

QWidget* QtWindow::WidgetAt(int index) const {
    return index >= 0 && index < static_cast<int>(widgets_.size())
               ? widgets_[static_cast<std::size_t>(index)]
               : nullptr;
}

int QtWindow::IndexOf(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr && w != this; w = w->parentWidget()) {
        for (std::size_t i = 0; i < widgets_.size(); ++i) {
            if (widgets_[i] == w) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

int QtWindow::FocusedIndex() const {
    return IndexOf(QApplication::focusWidget());
}

void QtWindow::SetFocus(int index) {
    QWidget* control = WidgetAt(index);
    if (control == nullptr) {
        return;
    }
    if (isVisible()) {
        control->setFocus(Qt::OtherFocusReason);
    } else {
        pendingFocus_ = control;
    }
}

Rect QtWindow::ControlRect(int index) const {
    const QWidget* widget = WidgetAt(index);
    if (widget == nullptr) {
        return {};
    }
    const QRect g = widget->geometry();
    return Rect{g.x(), g.y(), g.width(), g.height()};
}

Rect QtWindow::MapDialogRect(const Rect& dialogUnits) const {
    Rect r = halvo::ui::MapDialogRect(dialogUnits, base_);
    r.x += contentOffset_;
    r.y += contentOffset_;
    return r;
}

void QtWindow::Move(const Rect& pixels) {
    setGeometry(ToQRect(pixels));
}

void QtWindow::SetIcon(int iconId) {
    setWindowIcon(LoadIcon(store_, iconId));
}

int QtWindow::TrackMenu(const std::vector<MenuItem>& items, std::optional<Point> screen) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("windowMenu"));
    for (const MenuItem& item : items) {
        if (item.id == 0 && item.text.empty()) {
            menu.addSeparator();
        } else {
            menu.addAction(ToQt(item.text))->setData(item.id);
        }
    }
    QPoint at;
    if (screen) {
        at = QPoint(screen->x, screen->y);
    } else {
        const QWidget* focus = QApplication::focusWidget();
        const QWidget* anchor = focus != nullptr && isAncestorOf(focus) ? focus : this;
        at = anchor->mapToGlobal(anchor->rect().center());
    }
    const QAction* chosen = menu.exec(at);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

void QtWindow::Update() {
    // Lists lay their rows out lazily, in the event loop that the handler keeps from running.
    for (QWidget* widget : widgets_) {
        if (auto* list = qobject_cast<QListWidget*>(widget)) {
            list->doItemsLayout();
        }
    }
    repaint();
}

void QtWindow::done(int result) {
    events_.OnEnded(result);
    QDialog::done(result);
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget() &&
        QApplication::activePopupWidget() == nullptr) {
        if (events_.OnKey(RuleKey(static_cast<QKeyEvent*>(event)))) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QtWindow::keyPressEvent(QKeyEvent* event) {
    // eventFilter has seen the keys of the focused control, and has taken Enter, Esc and the
    // menu keys there. So a key arrives here unseen when the window itself has the focus, or
    // when it is one of those keys and came from elsewhere (a control without the focus).
    const Key key = RuleKey(event);
    const QWidget* focus = QApplication::focusWidget();
    const bool unseen =
        key != Key::other || focus == this || focus == nullptr || !isAncestorOf(focus);
    if (unseen && events_.OnKey(key)) {
        return;
    }
    event->ignore();
}

void QtWindow::closeEvent(QCloseEvent* event) {
    if (events_.OnClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void QtWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (pendingFocus_) {
        pendingFocus_->setFocus(Qt::OtherFocusReason);
        pendingFocus_.clear();
    }
}

void QtWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (contentOffset_ > 0) {
        QPainter painter(this);
        QStyleOptionFrame option;
        option.initFrom(this);
        option.rect = rect();
        option.lineWidth = contentOffset_;
        option.midLineWidth = 0;
        option.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, this);
    }
}

void QtWindow::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at = event->globalPos();
    if (events_.OnContextMenu(Point{at.x(), at.y()})) {
        event->accept();
    } else {
        event->ignore();
    }
}

QtWindow* WindowOf(const Dialog& dialog) {
    return dynamic_cast<QtWindow*>(dialog.GetWindow());
}

QWidget* WidgetOf(const Control* control) {
    return dynamic_cast<QWidget*>(const_cast<Control*>(control));
}

}  // namespace halvo::ui::qt
