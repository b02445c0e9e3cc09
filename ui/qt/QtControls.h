// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt backend's controls: the Qt widgets that template controls become, each implementing its
// interface of ui/Controls.h. Plain Qt behaviour where it fits; where the original platform
// differs (selection notifications, the address control, the pickers' Tab) the widget is shaped
// to it. Changes made through the interfaces never notify the dialog; only the user's do, through
// Notify.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QTimeEdit>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Controls.h"

namespace halvo::ui::qt {

// UTF-8 at the interfaces, QString inside.
inline QString ToQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string FromQt(const QString& text) {
    return text.toStdString();
}

// What every control shares: its template, enabled and shown state of its widget.
template <class Interface>
class QtControl : public Interface {
  public:
    QtControl(const ControlTemplate& control, QWidget* widget)
        : template_(control), widget_(widget) {}
    const ControlTemplate& Template() const override { return template_; }
    bool IsEnabled() const override { return widget_->isEnabled(); }
    void EnableWindow(bool enabled) override { widget_->setEnabled(enabled); }
    bool IsVisible() const override { return !widget_->isHidden(); }
    void ShowWindow(bool visible) override { widget_->setVisible(visible); }

  private:
    ControlTemplate template_;
    QWidget* widget_;
};

class QtStaticText : public QLabel, public QtControl<StaticText> {
  public:
    QtStaticText(const ControlTemplate& control, QWidget* parent)
        : QLabel(parent), QtControl(control, this) {}
    std::string GetWindowText() const override { return FromQt(text()); }
    void SetWindowText(std::string_view value) override {
        setText(ToQt(value));
        if (Kind() == ControlKind::valueField) {
            // Named by its caption, a value field's text is what it reads out after the name.
            setAccessibleDescription(text());
        }
    }
};

class QtPushButton : public QPushButton, public QtControl<PushButton> {
  public:
    QtPushButton(const ControlTemplate& control, QWidget* parent)
        : QPushButton(ToQt(control.text), parent), QtControl(control, this) {}
    std::string GetWindowText() const override { return FromQt(text()); }
    void SetWindowText(std::string_view value) override { setText(ToQt(value)); }
};

class QtCheckBox : public QCheckBox, public QtControl<CheckBox> {
  public:
    QtCheckBox(const ControlTemplate& control, QWidget* parent)
        : QCheckBox(ToQt(control.text), parent), QtControl(control, this) {}
    bool GetCheck() const override { return isChecked(); }
    void SetCheck(bool checked) override;
};

class QtGroupBox : public QGroupBox, public QtControl<GroupBox> {
  public:
    QtGroupBox(const ControlTemplate& control, QWidget* parent)
        : QGroupBox(ToQt(control.text), parent), QtControl(control, this) {}
};

class QtFrame : public QFrame, public QtControl<Frame> {
  public:
    QtFrame(const ControlTemplate& control, QWidget* parent)
        : QFrame(parent), QtControl(control, this) {}
};

class QtPicture : public QLabel, public QtControl<Picture> {
  public:
    QtPicture(const ControlTemplate& control, QWidget* parent)
        : QLabel(parent), QtControl(control, this) {}
};

// Single-line edit.
class QtEdit : public QLineEdit, public QtControl<Edit> {
  public:
    QtEdit(const ControlTemplate& control, QWidget* parent);
    void LimitText(int characters) override;
    int GetLimitText() const override { return maxLength(); }
    void LimitBytes(const platform::TextCodec& codec, int bytes) override;
    bool IsMasked() const override { return echoMode() == QLineEdit::Password; }
    std::string GetWindowText() const override { return FromQt(text()); }
    void SetWindowText(std::string_view value) override { setText(ToQt(value)); }
    void WipeText() override;
};

// An empty list has no row to draw its focus on: it shows a focus frame inside its border.
void PaintEmptyListFocus(QAbstractItemView& list, bool empty);

// Unsorted single-selection list box.
class QtListBox : public QListWidget, public QtControl<ListBox> {
    Q_OBJECT
  public:
    QtListBox(const ControlTemplate& control, QWidget* parent);

    int AddString(std::string_view text) override;
    int GetCount() const override { return count(); }
    int GetCurSel() const override;
    void SetCurSel(int index) override;
    int DeleteString(int index) override;
    std::string GetText(int index) const override;
    void ResetContent() override;

  signals:
    // The user selected an entry: the selection moved, or a click landed on the entry that was
    // already selected (every click on an entry counts as a selection; keys that leave the
    // selection where it was do not).
    void SelectionChangedByUser();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool programmatic_ = false;
};

// List view in report mode: columns with headings, rows of cell texts. Column widths are given
// and answered at 96 dpi and shown at the window's logical dpi (ScaleForDpi), as the dialog's
// font and dialog units are.
class QtListView : public QTreeWidget, public QtControl<ListView> {
    Q_OBJECT
  public:
    QtListView(const ControlTemplate& control, QWidget* parent);

    int InsertColumn(int column, std::string_view heading, Align align, int widthPx) override;
    int GetColumnCount() const override { return columnCount(); }
    std::string GetColumnHeading(int column) const override;
    // The width at 96 dpi: the inserted width while the column keeps it, else the shown width
    // scaled back.
    int GetColumnWidth(int column) const override;
    Align GetColumnAlignment(int column) const override;
    void SetFullRowSelect(bool fullRow) override;
    bool IsFullRowSelect() const override {
        return selectionBehavior() == QAbstractItemView::SelectRows;
    }
    int InsertItem(int row, std::string_view text) override;
    bool SetItemText(int row, int column, std::string_view text) override;
    std::string GetItemText(int row, int column) const override;
    bool DeleteItem(int row) override;
    void DeleteAllItems() override;
    int GetItemCount() const override { return topLevelItemCount(); }
    int GetSelectedRow() const override;
    void SetSelectedRow(int row) override;

    // The Qt alignment of a column's cells.
    Qt::Alignment ColumnAlignment(int column) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<Qt::Alignment> alignments_;
    std::vector<int> widthsAt96_;  // as inserted
};

// Drop-down combo box: a list of rows shown literally (no mnemonic processing) with either an
// editable field (style dropDown) or a plain selection field (style dropDownList).
class QtComboBox : public QComboBox, public QtControl<ComboBox> {
    Q_OBJECT
  public:
    QtComboBox(const ControlTemplate& control, int listHeightPx, QWidget* parent);

    int AddString(std::string_view text) override;
    int GetCount() const override { return count(); }
    int GetCurSel() const override { return currentIndex(); }
    void SetCurSel(int index) override;
    int DeleteString(int index) override;
    void ResetContent() override;
    std::string GetLBText(int index) const override { return FromQt(itemText(index)); }
    std::string GetWindowText() const override;
    void SetWindowText(std::string_view text) override;
    bool HasEditableField() const override { return isEditable(); }
    int ListHeightPx() const { return listHeightPx_; }

  signals:
    void SelectionChangedByUser();

  private:
    int listHeightPx_;
};

// Four fields of 0..255 separated by dots. Typing a fourth digit, a value above 255 or a leading
// zero is refused by each field; '.' and a full field move on to the next field.
class QtIpAddressControl : public QFrame, public QtControl<IpAddressControl> {
    Q_OBJECT
  public:
    QtIpAddressControl(const ControlTemplate& control, QWidget* parent);

    void ClearAddress() override;
    bool IsBlank() const override;
    bool IsComplete() const override;
    QLineEdit* Field(int index) const { return fields_.at(static_cast<std::size_t>(index)); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    std::array<int, 4> Fields() const override;
    void ShowFields(const std::array<int, 4>& fields) override;

  private:
    std::array<QLineEdit*, 4> fields_{};
};

// Date picker: short date format, drop-down calendar. Starts at the workstation's current date.
// Tab leaves the picker, as it leaves every other control; the arrows move between its fields.
class QtDatePicker : public QDateEdit, public QtControl<DatePicker> {
    Q_OBJECT
  public:
    QtDatePicker(const ControlTemplate& control, QWidget* parent);
    Date GetDate() const override;
    void SetDate(const Date& value) override;
    void SetRange(const Date& first, const Date& last) override;

  protected:
    bool focusNextPrevChild(bool next) override;
    // F4 and Alt+Down open the calendar, as the arrow's click does.
    void keyPressEvent(QKeyEvent* event) override;
};

// Time picker with up/down arrows. Starts at the workstation's current time. Tab leaves it, as
// with the date picker.
class QtTimePicker : public QTimeEdit, public QtControl<TimePicker> {
    Q_OBJECT
  public:
    QtTimePicker(const ControlTemplate& control, QWidget* parent);
    TimeOfDay GetTime() const override;
    void SetTime(const TimeOfDay& value) override;

  protected:
    bool focusNextPrevChild(bool next) override;
};

}  // namespace halvo::ui::qt
