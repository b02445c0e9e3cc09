#include "ui/Dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtGlobal>

#include "ui/ControlFactory.h"

namespace halvo::ui {

namespace {

bool IsEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool IsMenuKey(const QKeyEvent* event) {
    return event->key() == Qt::Key_Menu ||
           (event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier) != 0);
}

}  // namespace

Dialog::Dialog(const ResourceStore& store, int templateId, QWidget* parent)
    : QDialog(parent),
      store_(store),
      templateId_(templateId),
      template_(&store.Template(templateId)) {}

Dialog::~Dialog() {
    // Child dialogs are separate objects owned elsewhere: only their windows end here.
    for (Dialog* page : findChildren<Dialog*>(Qt::FindDirectChildrenOnly)) {
        if (page->IsChild()) {
            page->DestroyWindow();
        }
    }
}

bool Dialog::Create() {
    if (created_) {
        return false;
    }
    Build(false);
    return true;
}

bool Dialog::CreateChild(QWidget* parent) {
    if (created_) {
        return false;
    }
    setParent(parent, Qt::Widget);
    Build(true);
    return true;
}

void Dialog::Build(bool child) {
    child_ = child;
    const DialogTemplate& t = *template_;

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
        setWindowTitle(t.title);
        setModal(true);
        menu_.clear();
        if (t.Has(styleSysMenu)) {
            if (t.Has(styleMinimizeBox)) {
                menu_.push_back({SC_MINIMIZE, QStringLiteral("Minimize")});
            }
            menu_.push_back({SC_CLOSE, QStringLiteral("Close")});
        }
    }

    const QFont font = DialogFont(t.font, logicalDpiY());
    setFont(font);
    base_ = MeasureBaseUnits(font);
    contentOffset_ = t.Has(styleClientEdge) ? 2 : 0;
    const QRect client = halvo::ui::MapDialogRect(QRect(QPoint(0, 0), t.size), base_);
    const QSize size(client.width() + 2 * contentOffset_, client.height() + 2 * contentOffset_);
    if (child) {
        resize(size);  // the parent places and sizes its pages
    } else {
        setFixedSize(size);
    }

    controls_.clear();
    byId_.clear();
    const ControlFactory factory(this, store_, [this](int id) { OnCommand(id); });
    for (const ControlTemplate& control : t.controls) {
        QWidget* widget = factory.Create(control, MapDialogRect(control.rect),
                                         static_cast<int>(controls_.size()));
        controls_.push_back(widget);
        if (control.id != 0) {
            byId_.emplace(control.id, widget);
        }
        Watch(widget);
    }
    // Frames are drawn under the controls they surround and never take the mouse.
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const ControlKind kind = t.controls[i].kind;
        if (kind == ControlKind::groupBox || kind == ControlKind::etchedFrame) {
            controls_[i]->lower();
            controls_[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    }
    created_ = true;
    endPending_ = false;

    BindControls();
    // A child is created hidden and takes no focus of its own: showing it later must leave the
    // focus where the user has it (on the wizard's Next button, say).
    if (OnInitDialog() && !child) {
        GotoDlgCtrl(FirstTabStop());
    }
}

void Dialog::Watch(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* inner : widget->findChildren<QWidget*>()) {
        inner->installEventFilter(this);
    }
}

void Dialog::DestroyWindow() {
    if (!created_) {
        return;
    }
    for (QWidget* widget : controls_) {
        delete widget;
    }
    controls_.clear();
    byId_.clear();
    pendingFocus_.clear();
    created_ = false;
    if (child_) {
        hide();
        setParent(nullptr);
        child_ = false;
    }
}

int Dialog::RunModal() {
    if (!created_) {
        Build(false);
    }
    if (endPending_) {
        endPending_ = false;
        return result_;
    }
    running_ = true;
    result_ = 0;
    const int result = exec();
    running_ = false;
    return result;
}

void Dialog::EndDialog(int result) {
    result_ = result;
    if (running_) {
        done(result);
    } else {
        endPending_ = true;
    }
}

void Dialog::OnCommand(int id) {
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}

void Dialog::OnSysCommand(int id) {
    if (id == SC_MINIMIZE) {
        showMinimized();
    } else if (id == SC_CLOSE) {
        close();
    }
}

bool Dialog::PreTranslateKey(QKeyEvent*) {
    return false;
}

QWidget* Dialog::Control(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

QWidget* Dialog::ControlAt(int index) const {
    return index >= 0 && index < ControlCount() ? controls_[static_cast<std::size_t>(index)]
                                                : nullptr;
}

int Dialog::ControlId(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr && w != this; w = w->parentWidget()) {
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            if (controls_[i] == w) {
                return template_->controls[i].id;
            }
        }
    }
    return 0;
}

int Dialog::FocusedControlId() const {
    return ControlId(QApplication::focusWidget());
}

QRect Dialog::ControlRect(int id) const {
    const QWidget* widget = Control(id);
    return widget ? widget->geometry() : QRect();
}

void Dialog::GotoDlgCtrl(QWidget* control) {
    if (control == nullptr) {
        return;
    }
    if (isVisible()) {
        control->setFocus(Qt::OtherFocusReason);
    } else {
        pendingFocus_ = control;
    }
}

QWidget* Dialog::FirstTabStop() const {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (template_->controls[i].Has(styleTabStop) && controls_[i]->isEnabled()) {
            return controls_[i];
        }
    }
    return nullptr;
}

QWidget* Dialog::NextTabStop(QWidget* from, bool backwards) const {
    const int count = ControlCount();
    if (count == 0) {
        return nullptr;
    }
    int start = -1;
    for (int i = 0; i < count; ++i) {
        const QWidget* c = controls_[static_cast<std::size_t>(i)];
        if (c == from || (from != nullptr && c->isAncestorOf(from))) {
            start = i;
            break;
        }
    }
    const int step = backwards ? count - 1 : 1;
    int i = start < 0 ? (backwards ? 0 : count - 1) : start;
    for (int n = 0; n < count; ++n) {
        i = (i + step) % count;
        const auto index = static_cast<std::size_t>(i);
        if (template_->controls[index].Has(styleTabStop) && controls_[index]->isEnabled() &&
            controls_[index]->isVisibleTo(const_cast<Dialog*>(this))) {
            return controls_[index];
        }
    }
    return nullptr;
}

void Dialog::AppendMenuItem(int id, const QString& text) {
    menu_.push_back({id, text});
}

void Dialog::ShowWindowMenu(const QPoint& globalPos) {
    if (menu_.empty()) {
        return;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("windowMenu"));
    for (const MenuItem& item : menu_) {
        if (item.id == 0 && item.text.isEmpty()) {
            menu.addSeparator();
        } else {
            menu.addAction(item.text)->setData(item.id);
        }
    }
    if (const QAction* chosen = menu.exec(globalPos)) {
        OnSysCommand(chosen->data().toInt());
    }
}

Dialog* Dialog::OwnerDialog() const {
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* dialog = qobject_cast<Dialog*>(w)) {
            return dialog;
        }
    }
    return nullptr;
}

bool Dialog::HandleKey(QKeyEvent* event) {
    if (PreTranslateKey(event)) {
        return true;
    }
    if (child_) {
        Dialog* owner = OwnerDialog();
        return owner != nullptr && owner->HandleKey(event);
    }
    return DefaultKeyProcessing(event);
}

bool Dialog::DefaultKeyProcessing(QKeyEvent* event) {
    if (IsEnter(event)) {
        QWidget* focus = QApplication::focusWidget();
        if (auto* button = qobject_cast<QPushButton*>(focus);
            button != nullptr && isAncestorOf(button)) {
            if (button->isEnabled()) {
                button->click();
            }
            return true;
        }
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            const ControlTemplate& control = template_->controls[i];
            if (control.kind == ControlKind::defPushButton) {
                if (controls_[i]->isEnabled()) {
                    OnCommand(control.id);
                }
                return true;
            }
        }
        OnCommand(IDOK);
        return true;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        const QWidget* cancel = Control(IDCANCEL);
        if (cancel == nullptr || cancel->isEnabled()) {
            OnCommand(IDCANCEL);
        }
        return true;
    }
    if (IsMenuKey(event) && !menu_.empty()) {
        const QWidget* focus = QApplication::focusWidget();
        const QWidget* anchor = focus != nullptr && isAncestorOf(focus) ? focus : this;
        ShowWindowMenu(anchor->mapToGlobal(anchor->rect().center()));
        return true;
    }
    return false;
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget() &&
        QApplication::activePopupWidget() == nullptr) {
        if (HandleKey(static_cast<QKeyEvent*>(event))) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Dialog::keyPressEvent(QKeyEvent* event) {
    // eventFilter has seen the keys of the focused control, and has taken Enter, Esc and the
    // menu keys there. So a key arrives here unseen when the window itself has the focus, or
    // when it is one of those keys and came from elsewhere (a control without the focus).
    const QWidget* focus = QApplication::focusWidget();
    const bool unseen = focus == this || focus == nullptr || !isAncestorOf(focus) ||
                        IsEnter(event) || event->key() == Qt::Key_Escape ||
                        (IsMenuKey(event) && !menu_.empty());
    if (unseen && HandleKey(event)) {
        return;
    }
    event->ignore();
}

void Dialog::closeEvent(QCloseEvent* event) {
    if (!running_ || child_) {
        event->accept();
        return;
    }
    // The close box is the cancel command; the run ends only if the dialog ends it.
    event->ignore();
    const QWidget* cancel = Control(IDCANCEL);
    if (cancel == nullptr || cancel->isEnabled()) {
        OnCommand(IDCANCEL);
    }
}

void Dialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (pendingFocus_) {
        pendingFocus_->setFocus(Qt::OtherFocusReason);
        pendingFocus_.clear();
    }
}

void Dialog::paintEvent(QPaintEvent* event) {
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

void Dialog::contextMenuEvent(QContextMenuEvent* event) {
    if (menu_.empty()) {
        event->ignore();
        return;
    }
    event->accept();
    ShowWindowMenu(event->globalPos());
}

void Dialog::FailBind(int id, QWidget* widget, const char* wanted) const {
    std::string message =
        "dialog " + std::to_string(templateId_) + ": control " + std::to_string(id);
    if (widget == nullptr) {
        message += " does not exist";
    } else {
        message += " is a " + std::string(widget->metaObject()->className()) + ", not a " + wanted;
    }
    throw std::logic_error(message);
}

}  // namespace halvo::ui
