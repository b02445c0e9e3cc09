// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt backend: each dialog's window is a QDialog holding the widgets of ui/qt/QtControls.h,
// laid out from the template's dialog units with the template's font, with the dialog rules'
// keys (Enter, Esc, the menu keys) and the close box passed to the dialog.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>
#include <vector>

#include "ui/Backend.h"
#include "ui/Dialog.h"
#include "ui/qt/QtEventWait.h"

namespace halvo::ui::qt {

class QtBackend final : public Backend {
  public:
    std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialogTemplate,
                                               const ResourceStore& store, WindowEvents& events,
                                               Window* parent, bool child) override;

    // The live wait in a local event loop of this application.
    EventWait& eventWait() { return wait_; }

  private:
    QtEventWait wait_;
};

// A dialog's window on Qt.
class QtWindow final : public QDialog, public Window {
    Q_OBJECT
  public:
    QtWindow(const DialogTemplate& dialogTemplate, const ResourceStore& store, WindowEvents& events,
             QtWindow* parent, bool child);
    ~QtWindow() override;

    Control* ControlAt(int index) const override;
    int FocusedIndex() const override;
    void SetFocus(int index) override;
    Rect ControlRect(int index) const override;
    BaseUnits GetBaseUnits() const override { return base_; }
    Rect MapDialogRect(const Rect& dialogUnits) const override;
    std::vector<TextRoom> MeasureTexts(int index) const override;  // QtTextRoom.cpp
    int RunModal() override { return exec(); }
    void EndModal(int result) override { done(result); }
    bool IsVisible() const override { return isVisible(); }
    void Show(bool visible) override { setVisible(visible); }
    void Move(const Rect& pixels) override;
    void Minimize() override { showMinimized(); }
    void Close() override { close(); }
    std::string Title() const override { return windowTitle().toStdString(); }
    void SetIcon(int iconId) override;
    int TrackMenu(const std::vector<MenuItem>& items, std::optional<Point> screen) override;
    void Update() override;
    platform::WindowHandle Handle() const override {
        return static_cast<QWidget*>(const_cast<QtWindow*>(this));
    }

    // The dialog this window reports to.
    WindowEvents& Events() const { return events_; }
    // The widget of the control at `index`.
    QWidget* WidgetAt(int index) const;
    // Index of the control that is or contains `widget`; -1 for none.
    int IndexOf(const QWidget* widget) const;

    // QDialog's accept/reject (used by generic Qt code) become commands 1 and 2.
    void accept() override { events_.OnNotify(IDOK); }
    void reject() override { events_.OnNotify(IDCANCEL); }
    void done(int result) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Watch(QWidget* widget);
    // Accessible names from the template, and each label's buddy.
    void Name(const DialogTemplate& t);
    bool IsMenuShown() const;

    const DialogTemplate& template_;
    const ResourceStore& store_;
    WindowEvents& events_;
    BaseUnits base_;
    int contentOffset_ = 0;          // width of a sunken client edge: 2 pixels at 96 dpi
    std::vector<QWidget*> widgets_;  // template order
    std::vector<Control*> controls_;
    QPointer<QWidget> pendingFocus_;
};

// The Qt window of a dialog created on the Qt backend; null otherwise or before creation.
QtWindow* WindowOf(const Dialog& dialog);
// The widget of a control on the Qt backend; null otherwise.
QWidget* WidgetOf(const Control* control);
// The widget of control `id` of a dialog on the Qt backend, as a T; null otherwise.
template <class T = QWidget>
T* Widget(const Dialog& dialog, int id) {
    return qobject_cast<T*>(WidgetOf(dialog.GetDlgItem(id)));
}

}  // namespace halvo::ui::qt
