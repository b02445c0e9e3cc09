// Base class of every window of the program: a dialog built from its template.
//
// Declaring a dialog:
//
//   class VerifyDialog : public halvo::ui::Dialog {
//   public:
//       explicit VerifyDialog(const ResourceStore& store) : Dialog(store, 141) {}
//   protected:
//       void BindControls() override {          // members by control identifier
//           Bind(1065, nameEdit);                // throws std::logic_error on a wrong id/kind
//           Bind(1069, okButton);
//       }
//       bool OnInitDialog() override {          // once, after binding, before the first show
//           nameEdit->LimitText(16);
//           return true;                         // true: focus goes to the first tab stop
//       }
//       void OnCommand(int id) override {       // clicks, list/combo selection changes
//           if (id == 1069) { Verify(); return; }
//           Dialog::OnCommand(id);               // 1 -> OnOK, 2 -> OnCancel
//       }
//       bool PreTranslateKey(QKeyEvent* key) override;  // optional: take keys first
//   private:
//       Edit* nameEdit = nullptr;
//       QPushButton* okButton = nullptr;
//   };
//
//   VerifyDialog dialog(store);
//   if (dialog.RunModal() == 2) return;  // 1 OK, 2 Cancel
//
// Keys, unless PreTranslateKey takes them: Enter on a push button clicks that button; Enter
// anywhere else is the command of the default push button (1 when the template has none) and
// does nothing while that button is disabled; Esc and the close box are command 2. Tab order is
// template order among the tab stops; the initial focus is the first enabled tab stop.
//
// Window menu: desktops here give a dialog no system menu of its own, so a dialog with the
// sysMenu style shows its window menu as a context menu (right click on the window, Shift+F10,
// the Menu key). It holds "Minimize" (with the minimizeBox style) and "Close"; AppendMenuItem adds
// to it and OnSysCommand receives the chosen item.
//
// Child dialogs (wizard pages): CreateChild(parent) builds the window inside `parent`, hidden,
// without title or border, and gives none of its controls the focus; MoveWindow places it. A
// child forwards Enter and Esc to the dialog whose window contains it, after giving its own
// PreTranslateKey the first look. A parent dialog never owns a child dialog object: destroying
// it only destroys the child's window. (A parent that is a plain QWidget would delete the child
// with itself, so it must be the longer-lived.)
#pragma once

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QString>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/Controls.h"
#include "ui/DialogUnits.h"
#include "ui/ResourceStore.h"

class QKeyEvent;

namespace halvo::ui {

// Modal results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Window menu commands of the platform.
inline constexpr int SC_MINIMIZE = 0xF020;
inline constexpr int SC_CLOSE = 0xF060;

struct MenuItem {
    int id = 0;  // 0 with an empty text: a separator
    QString text;
};

class Dialog : public QDialog {
    Q_OBJECT
  public:
    // `store` must outlive the dialog. Nothing is created until Create, RunModal or CreateChild.
    // Throws std::logic_error when the store has no template `templateId`.
    Dialog(const ResourceStore& store, int templateId, QWidget* parent = nullptr);
    ~Dialog() override;

    // Builds the top-level window without showing it: controls, BindControls, OnInitDialog.
    // False if the window exists already.
    bool Create();
    // Creates the window if needed, shows it modally and returns the value given to EndDialog.
    // The window and its controls stay after the run, so the caller may read them; OnInitDialog
    // is not run again by a second RunModal.
    int RunModal();
    // Ends the modal run with `result`. Called before the run starts (from OnInitDialog), the run
    // returns `result` without showing the window.
    void EndDialog(int result);
    bool IsRunning() const { return running_; }
    // Runs the command handler as if control `id` had notified (a click, a selection change).
    void SendCommand(int id) { OnCommand(id); }

    // Child mode: builds the window inside `parent`, hidden. False if it exists already.
    bool CreateChild(QWidget* parent);
    // Moves and sizes the window to `pixels`, in its parent's coordinates.
    void MoveWindow(const QRect& pixels) { setGeometry(pixels); }
    // Destroys the window and its controls (bound members dangle until the next creation). A
    // child leaves its parent, so that the parent's destruction never deletes the object.
    void DestroyWindow();
    bool IsCreated() const { return created_; }
    bool IsChild() const { return child_; }

    // Asks the dialog to take over its controls' values; false refuses (the caller stays put).
    virtual bool CommitData() { return true; }

    int TemplateId() const { return templateId_; }
    const DialogTemplate& Template() const { return *template_; }
    const ResourceStore& Resources() const { return store_; }

    // The control with identifier `id`, or null (no such control, or no window yet).
    QWidget* Control(int id) const;
    template <class T>
    T* ControlAs(int id) const {
        return qobject_cast<T*>(Control(id));
    }
    // The control at `index` in template order (controls without identifier included).
    QWidget* ControlAt(int index) const;
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    // Identifier of the control that is or contains `widget`; 0 for none.
    int ControlId(const QWidget* widget) const;
    // Identifier of the control holding the keyboard focus; 0 for none.
    int FocusedControlId() const;
    // The control's rectangle in this dialog's pixels; empty for an unknown id.
    QRect ControlRect(int id) const;

    BaseUnits GetBaseUnits() const { return base_; }
    QRect MapDialogRect(const QRect& dialogUnits) const {
        return halvo::ui::MapDialogRect(dialogUnits, base_)
            .translated(contentOffset_, contentOffset_);
    }

    // Focus to `control` now, or when the window is first shown.
    void GotoDlgCtrl(QWidget* control);
    // The next (or previous) enabled tab stop after `from` in template order, wrapping around.
    QWidget* NextTabStop(QWidget* from, bool backwards = false) const;

    // The window menu's items, in order.
    const std::vector<MenuItem>& MenuItems() const { return menu_; }
    // Appends an item (id 0 and an empty text append a separator).
    void AppendMenuItem(int id, const QString& text);
    // Shows the window menu at `globalPos` and runs the chosen item through OnSysCommand.
    void ShowWindowMenu(const QPoint& globalPos);
    // Runs a window menu command as if it had been chosen.
    void SendSysCommand(int id) { OnSysCommand(id); }

    // QDialog's accept/reject (used by generic Qt code) become commands 1 and 2.
    void accept() override { OnCommand(IDOK); }
    void reject() override { OnCommand(IDCANCEL); }

  protected:
    // Binds members to controls with Bind. Runs once per window, before OnInitDialog.
    virtual void BindControls() {}
    // Runs once per window, after BindControls and before the first show. Return true to let the
    // dialog put the focus on the first tab stop, false when the dialog has set it itself.
    virtual bool OnInitDialog() { return true; }
    // A control notified: a button or check box was clicked, the user changed the selection of a
    // list box (with the "notify" style) or of a combo box. Default: 1 -> OnOK, 2 -> OnCancel.
    virtual void OnCommand(int id);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A window menu item was chosen. Default: SC_MINIMIZE minimises, SC_CLOSE closes as the
    // close box does; other ids do nothing.
    virtual void OnSysCommand(int id);
    // Sees every key press in the dialog (and its child dialogs) before default processing.
    // Return true to consume the key. Default: false.
    virtual bool PreTranslateKey(QKeyEvent* event);

    // Binds `member` to control `id`. Throws std::logic_error when there is no such control or
    // it is not a T (for instance binding a label as ComboBox).
    template <class T>
    void Bind(int id, T*& member) {
        QWidget* widget = Control(id);
        T* typed = qobject_cast<T*>(widget);
        if (typed == nullptr) {
            FailBind(id, widget, T::staticMetaObject.className());
        }
        member = typed;
    }

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Build(bool child);
    void Watch(QWidget* widget);
    QWidget* FirstTabStop() const;
    bool HandleKey(QKeyEvent* event);
    bool DefaultKeyProcessing(QKeyEvent* event);
    Dialog* OwnerDialog() const;
    [[noreturn]] void FailBind(int id, QWidget* widget, const char* wanted) const;

    const ResourceStore& store_;
    int templateId_;
    const DialogTemplate* template_;
    BaseUnits base_;
    int contentOffset_ = 0;  // width of a sunken client edge
    bool created_ = false;
    bool child_ = false;
    bool running_ = false;
    bool endPending_ = false;
    int result_ = 0;
    std::vector<QWidget*> controls_;  // template order
    std::unordered_map<int, QWidget*> byId_;
    std::vector<MenuItem> menu_;
    QPointer<QWidget> pendingFocus_;
};

}  // namespace halvo::ui
