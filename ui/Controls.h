// The controls that dialog templates create, as thin wrappers over Qt widgets with the
// operations the dialogs use. Kinds without a wrapper are plain Qt widgets:
//   pushButton, defPushButton  -> QPushButton ('&' marks the mnemonic, "&&" is a literal '&')
//   checkBox                   -> QCheckBox
//   groupBox                   -> QGroupBox (a frame drawn at its rectangle; never a parent)
//   label, valueField, picture, icon -> QLabel
//   etchedLine, etchedFrame    -> QFrame
//
// Changes made through these operations never notify the dialog; only the user's changes do
// (as list and combo selection notifications work on the original platform).
#pragma once

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QTimeEdit>
#include <QTreeWidget>
#include <array>
#include <vector>

#include "platform/TextCodec.h"

namespace halvo::ui {

// Unsorted single-selection list box.
class ListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit ListBox(QWidget* parent = nullptr);

    int AddString(const QString& text);  // appends; returns the new entry's index
    int GetCount() const;
    int GetCurSel() const;      // selected index, -1 for none
    void SetCurSel(int index);  // -1 clears the selection
    // Removes entry `index`; returns the number of entries left, or -1 for a bad index.
    int DeleteString(int index);
    QString GetText(int index) const;  // empty for a bad index
    void ResetContent();

  signals:
    // The user selected an entry: the selection moved, or a click landed on the entry that was
    // already selected (every click on an entry counts as a selection; keys that leave the
    // selection where it was do not).
    void SelectionChangedByUser();

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    bool programmatic_ = false;
};

// List view in report mode: columns with headings, rows of cell texts.
class ListView : public QTreeWidget {
    Q_OBJECT
  public:
    explicit ListView(QWidget* parent = nullptr);

    // Inserts a column at `column` (clamped to the end); width in pixels. Returns its index.
    int InsertColumn(int column, const QString& heading, Qt::Alignment alignment, int widthPx);
    int GetColumnCount() const { return columnCount(); }
    QString GetColumnHeading(int column) const;
    int GetColumnWidth(int column) const { return columnWidth(column); }
    Qt::Alignment GetColumnAlignment(int column) const;

    // Whole rows (true) or only the first cell (false) take the selection.
    void SetFullRowSelect(bool fullRow);
    bool IsFullRowSelect() const { return selectionBehavior() == QAbstractItemView::SelectRows; }

    // Inserts a row before `row` (clamped to the end) with `text` in column 0; returns its index.
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;  // empty for a bad cell
    bool DeleteItem(int row);
    void DeleteAllItems();
    int GetItemCount() const { return topLevelItemCount(); }
    int GetSelectedRow() const;    // first selected row, -1 for none
    void SetSelectedRow(int row);  // -1 clears the selection

  private:
    std::vector<Qt::Alignment> alignments_;
};

// Drop-down combo box: a list of rows shown literally (no mnemonic processing) with either an
// editable field (style dropDown) or a plain selection field (style dropDownList). Typing into the
// editable field leaves no row selected, as on the original platform: only a chosen row counts.
class ComboBox : public QComboBox {
    Q_OBJECT
  public:
    ComboBox(bool editableField, int listHeightPx, QWidget* parent = nullptr);

    int AddString(const QString& text);  // appends; returns the new row's index
    int GetCount() const { return count(); }
    int GetCurSel() const { return currentIndex(); }  // -1 for none
    // Selects `index` and shows it in the field; -1 clears the selection and the field.
    void SetCurSel(int index);
    int DeleteString(int index);  // rows left, or -1 for a bad index
    void ResetContent();
    QString GetLBText(int index) const { return itemText(index); }
    // The field: the typed text for an editable field, else the selected row's text.
    QString GetWindowText() const;
    void SetWindowText(const QString& text);  // editable field only
    int ListHeightPx() const { return listHeightPx_; }

  signals:
    void SelectionChangedByUser();

  private:
    int listHeightPx_;
};

// Single-line edit.
class Edit : public QLineEdit {
    Q_OBJECT
  public:
    explicit Edit(QWidget* parent = nullptr);
    // At most `characters` can be typed; 0 lifts the limit.
    void LimitText(int characters);
    // At most `bytes` in the device's code page: a character that would not fit whole is not
    // taken. A character the code page cannot hold is taken; the dialog says so when it reads it.
    void LimitBytes(const platform::TextCodec& codec, int bytes);
    QString GetWindowText() const { return text(); }
    void SetWindowText(const QString& value) { setText(value); }
};

// Four fields of 0..255 separated by dots. Typing a fourth digit, a value above 255 or a leading
// zero is refused by each field; '.' and a full field move on to the next field.
class IpAddressControl : public QFrame {
    Q_OBJECT
  public:
    explicit IpAddressControl(QWidget* parent = nullptr);

    // Dotted text; blank fields read as 0. Empty when every field is blank.
    QString GetAddress() const;
    // Takes "a.b.c.d" with each part 0..255 (leading zeros allowed); an empty text blanks the
    // control. Anything else leaves the control blank and returns false.
    bool SetAddress(const QString& dotted);
    void ClearAddress();
    bool IsBlank() const;
    QLineEdit* Field(int index) const { return fields_.at(static_cast<std::size_t>(index)); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::array<QLineEdit*, 4> fields_{};
};

// Date picker: short date format, drop-down calendar. Starts at the workstation's current date.
// Tab leaves the picker, as it leaves every other control; the arrows move between its fields.
class DatePicker : public QDateEdit {
    Q_OBJECT
  public:
    explicit DatePicker(QWidget* parent = nullptr);
    QDate GetDate() const { return date(); }
    void SetDate(const QDate& value) { setDate(value); }

  protected:
    bool focusNextPrevChild(bool next) override;
};

// Time picker with up/down arrows. Starts at the workstation's current time. Tab leaves it, as
// with the date picker.
class TimePicker : public QTimeEdit {
    Q_OBJECT
  public:
    explicit TimePicker(QWidget* parent = nullptr);
    QTime GetTime() const { return time(); }
    void SetTime(const QTime& value) { setTime(value); }

  protected:
    bool focusNextPrevChild(bool next) override;
};

}  // namespace halvo::ui
