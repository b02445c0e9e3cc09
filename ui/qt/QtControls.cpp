// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/QtControls.h"

#include "ui/AccessibleNames.h"
#include "ui/ControlRules.h"
#include "ui/DialogUnits.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QValidator>
#include <cstring>

#include "ui/qt/AccessibleCalendar.h"
#include "ui/qt/AccessibleComboBox.h"

namespace halvo::ui::qt {

namespace {

// Sets a flag for the duration of a programmatic change, so that no user notification goes out.
class Quiet {
  public:
    explicit Quiet(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~Quiet() { flag_ = saved_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

  private:
    bool& flag_;
    bool saved_;
};

// Refuses an edit whose text takes more than `limit` bytes in the code page. The encoded copy
// is zeroed: the edit may hold a password.
class ByteLimitValidator : public QValidator {
  public:
    ByteLimitValidator(const platform::TextCodec& codec, int limit, QObject* parent)
        : QValidator(parent), codec_(codec), limit_(static_cast<std::size_t>(limit)) {}

    State validate(QString& input, int& /*position*/) const override {
        QByteArray utf8 = input.toUtf8();
        const bool fits = FitsByteLimit(
            codec_, limit_,
            std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
        volatile char* bytes = utf8.data();
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            bytes[i] = '\0';
        }
        return fits ? Acceptable : Invalid;
    }

  private:
    const platform::TextCodec& codec_;
    std::size_t limit_;
};

}  // namespace

// ---------------------------------------------------------------- ListBox

QtListBox::QtListBox(const ControlTemplate& control, QWidget* parent)
    : QListWidget(parent), QtControl(control, this) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!programmatic_) {
            emit SelectionChangedByUser();
        }
    });
}

void QtListBox::mousePressEvent(QMouseEvent* event) {
    const int before = GetCurSel();
    const QModelIndex at = indexAt(event->position().toPoint());
    QListWidget::mousePressEvent(event);
    // The selection did not change, so no selection signal went out; report the click anyway.
    if (event->button() == Qt::LeftButton && at.isValid() && before >= 0 && at.row() == before &&
        GetCurSel() == before && !programmatic_) {
        emit SelectionChangedByUser();
    }
}

int QtListBox::AddString(std::string_view text) {
    Quiet quiet(programmatic_);
    addItem(ToQt(text));
    return count() - 1;
}

int QtListBox::GetCurSel() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void QtListBox::SetCurSel(int index) {
    Quiet quiet(programmatic_);
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
}

int QtListBox::DeleteString(int index) {
    if (index < 0 || index >= count()) {
        return -1;
    }
    Quiet quiet(programmatic_);
    delete takeItem(index);
    return count();
}

std::string QtListBox::GetText(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry ? FromQt(entry->text()) : std::string();
}

void QtListBox::ResetContent() {
    Quiet quiet(programmatic_);
    clear();
}

// ---------------------------------------------------------------- ListView

QtListView::QtListView(const ControlTemplate& control, QWidget* parent)
    : QTreeWidget(parent), QtControl(control, this) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

int QtListView::InsertColumn(int column, std::string_view heading, Align align, int widthPx) {
    const Qt::Alignment alignment = align == Align::center  ? Qt::AlignHCenter
                                    : align == Align::right ? Qt::AlignRight
                                                            : Qt::AlignLeft;
    const int count = columnCount();
    column = std::clamp(column, 0, count);
    std::vector<int> shown;  // the widths on screen, which move right with their columns
    for (int c = 0; c < count; ++c) {
        shown.push_back(columnWidth(c));
    }
    shown.insert(shown.begin() + column, ScaleForDpi(widthPx, logicalDpiX()));
    setColumnCount(count + 1);
    QTreeWidgetItem* head = headerItem();
    const Qt::Alignment cell = alignment | Qt::AlignVCenter;
    alignments_.insert(alignments_.begin() + column, cell);
    // Existing cells move one column to the right.
    auto shift = [&](QTreeWidgetItem* item) {
        for (int c = count; c > column; --c) {
            item->setText(c, item->text(c - 1));
            item->setTextAlignment(c, Qt::Alignment(item->textAlignment(c - 1)));
        }
        item->setText(column, QString());
        item->setTextAlignment(column, cell);
    };
    shift(head);
    for (int row = 0; row < topLevelItemCount(); ++row) {
        shift(topLevelItem(row));
    }
    head->setText(column, ToQt(heading));
    widthsAt96_.insert(widthsAt96_.begin() + column, widthPx);
    for (int c = 0; c <= count; ++c) {
        setColumnWidth(c, shown[static_cast<std::size_t>(c)]);
    }
    return column;
}

int QtListView::GetColumnWidth(int column) const {
    if (column < 0 || column >= static_cast<int>(widthsAt96_.size())) {
        return 0;
    }
    const int inserted = widthsAt96_[static_cast<std::size_t>(column)];
    const int shown = columnWidth(column);
    const int dpi = logicalDpiX();
    // Scaling back is exact from 96 dpi up; below, only the inserted width is sure.
    return shown == ScaleForDpi(inserted, dpi) ? inserted : MulDiv(shown, kDesignDpi, dpi);
}

std::string QtListView::GetColumnHeading(int column) const {
    return column >= 0 && column < columnCount() ? FromQt(headerItem()->text(column))
                                                 : std::string();
}

Align QtListView::GetColumnAlignment(int column) const {
    const Qt::Alignment a = ColumnAlignment(column);
    return (a & Qt::AlignHCenter) != 0 ? Align::center
           : (a & Qt::AlignRight) != 0 ? Align::right
                                       : Align::left;
}

Qt::Alignment QtListView::ColumnAlignment(int column) const {
    if (column < 0 || column >= static_cast<int>(alignments_.size())) {
        return {};
    }
    return alignments_[static_cast<std::size_t>(column)] & Qt::AlignHorizontal_Mask;
}

void QtListView::SetFullRowSelect(bool fullRow) {
    setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

int QtListView::InsertItem(int row, std::string_view text) {
    row = std::clamp(row, 0, topLevelItemCount());
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < columnCount(); ++c) {
        item->setTextAlignment(c, alignments_[static_cast<std::size_t>(c)]);
    }
    item->setText(0, ToQt(text));
    insertTopLevelItem(row, item);
    return row;
}

bool QtListView::SetItemText(int row, int column, std::string_view text) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr || column < 0 || column >= columnCount()) {
        return false;
    }
    item->setText(column, ToQt(text));
    return true;
}

std::string QtListView::GetItemText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item && column >= 0 && column < columnCount() ? FromQt(item->text(column))
                                                         : std::string();
}

bool QtListView::DeleteItem(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) {
        return false;
    }
    // The rows that stay keep their selection; the view must not pass the deleted row's on.
    QList<QTreeWidgetItem*> selected = selectedItems();
    selected.removeAll(item);
    delete item;
    clearSelection();
    for (QTreeWidgetItem* keep : selected) {
        keep->setSelected(true);
    }
    return true;
}

void QtListView::DeleteAllItems() {
    while (topLevelItemCount() > 0) {
        delete takeTopLevelItem(topLevelItemCount() - 1);
    }
}

int QtListView::GetSelectedRow() const {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->isSelected()) {
            return row;
        }
    }
    return -1;
}

void QtListView::SetSelectedRow(int row) {
    clearSelection();
    if (QTreeWidgetItem* item = topLevelItem(row)) {
        setCurrentItem(
            item, 0,
            QItemSelectionModel::ClearAndSelect |
                (IsFullRowSelect() ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
        item->setSelected(true);
    }
}

// ---------------------------------------------------------------- ComboBox

QtComboBox::QtComboBox(const ControlTemplate& control, int listHeightPx, QWidget* parent)
    : QComboBox(parent), QtControl(control, this), listHeightPx_(listHeightPx) {
    InstallAccessibleComboBox();
    const bool editableField = control.Has(styleDropDown);
    setEditable(editableField);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(1);
    if (editableField) {
        // The original field neither completes nor picks a row while the user types.
        setCompleter(nullptr);
        connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& typed) {
            if (currentIndex() == -1) {
                return;
            }
            const QSignalBlocker block(this);
            const int cursor = lineEdit()->cursorPosition();
            setCurrentIndex(-1);
            lineEdit()->setText(typed);
            lineEdit()->setCursorPosition(cursor);
        });
    }
    setCurrentIndex(-1);
    connect(this, &QComboBox::activated, this, [this] { emit SelectionChangedByUser(); });
}

int QtComboBox::AddString(std::string_view text) {
    const QString field = isEditable() ? lineEdit()->text() : QString();
    const int selected = currentIndex();
    addItem(ToQt(text));
    // Adding to an empty combo must not select the new row.
    if (selected == -1) {
        setCurrentIndex(-1);
        if (isEditable()) {
            lineEdit()->setText(field);
        }
    }
    return count() - 1;
}

void QtComboBox::SetCurSel(int index) {
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    if (currentIndex() == -1 && isEditable()) {
        lineEdit()->clear();
    }
}

int QtComboBox::DeleteString(int index) {
    if (index < 0 || index >= count()) {
        return -1;
    }
    const bool wasSelected = index == currentIndex();
    removeItem(index);
    if (wasSelected) {
        SetCurSel(-1);
    }
    return count();
}

void QtComboBox::ResetContent() {
    clear();
    SetCurSel(-1);
}

std::string QtComboBox::GetWindowText() const {
    return FromQt(isEditable() ? lineEdit()->text() : currentText());
}

void QtComboBox::SetWindowText(std::string_view text) {
    if (isEditable()) {
        lineEdit()->setText(ToQt(text));
    }
}

// ---------------------------------------------------------------- Edit

QtEdit::QtEdit(const ControlTemplate& control, QWidget* parent)
    : QLineEdit(parent), QtControl(control, this) {}

void QtEdit::WipeText() {
    // Once the edit has let go of its buffer, the copy taken just before is its only owner, so
    // writing to it does not detach. Setting the text also drops the edit's undo history.
    QString held = text();
    setText(QString());
    if (!held.isEmpty()) {
        volatile char16_t* chars = reinterpret_cast<char16_t*>(held.data());
        for (qsizetype i = 0; i < held.size(); ++i) {
            chars[i] = 0;
        }
    }
}

void QtCheckBox::SetCheck(bool checked) {
    setChecked(checked);
}

void QtEdit::LimitText(int characters) {
    setMaxLength(characters > 0 ? characters : 32767);
}

void QtEdit::LimitBytes(const platform::TextCodec& codec, int bytes) {
    // Every character takes at least one byte.
    LimitText(bytes);
    setValidator(new ByteLimitValidator(codec, bytes, this));
}

// ---------------------------------------------------------------- IpAddressControl

void PaintEmptyListFocus(QAbstractItemView& list, bool empty) {
    if (!empty || !list.hasFocus()) {
        return;
    }
    QPainter painter(list.viewport());
    QStyleOptionFocusRect option;
    option.initFrom(&list);
    option.rect = list.viewport()->rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = list.palette().color(QPalette::Base);
    list.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, &list);
}

void QtListBox::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    PaintEmptyListFocus(*this, count() == 0);
}

void QtListView::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    PaintEmptyListFocus(*this, topLevelItemCount() == 0);
}

QtIpAddressControl::QtIpAddressControl(const ControlTemplate& control, QWidget* parent)
    : QFrame(parent), QtControl(control, this) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    auto* layout = new QHBoxLayout(this);
    // Margins in pixels at 96 dpi.
    const int across = ScaleForDpi(2, logicalDpiX());
    const int down = ScaleForDpi(1, logicalDpiY());
    layout->setContentsMargins(across, down, across, down);
    layout->setSpacing(0);
    static const QRegularExpression byte(
        QStringLiteral("^(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9][0-9]|[0-9])$"));
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(new QRegularExpressionValidator(byte, field));
        // Tab leaves the control; the fields after the first are reached by '.' and arrows.
        field->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        field->installEventFilter(this);
        fields_[i] = field;
        layout->addWidget(field, 1);
        if (i + 1 < fields_.size()) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setBackgroundRole(QPalette::Base);
            layout->addWidget(dot, 0);
        }
        // Assistive technology hears the frame's name (the label's) and then the part.
        field->setAccessibleName(
            ToQt(AddressPartName(static_cast<int>(i), static_cast<int>(fields_.size()))));
        connect(field, &QLineEdit::textChanged, this,
                [this] { setAccessibleDescription(ToQt(GetAddress())); });
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (text.size() == 3 && i + 1 < fields_.size()) {
                fields_[i + 1]->setFocus();
                fields_[i + 1]->selectAll();
            }
        });
    }
    setFocusProxy(fields_[0]);
    setFocusPolicy(Qt::StrongFocus);
}

bool QtIpAddressControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QFrame::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    std::size_t i = 0;
    while (i < fields_.size() && fields_[i] != watched) {
        ++i;
    }
    if (i == fields_.size()) {
        return false;
    }
    QLineEdit* field = fields_[i];
    auto go = [&](std::size_t to, bool atEnd) {
        fields_[to]->setFocus();
        fields_[to]->setCursorPosition(atEnd ? static_cast<int>(fields_[to]->text().size()) : 0);
        return true;
    };
    switch (key->key()) {
        case Qt::Key_Period:
            if (i + 1 < fields_.size() && !field->text().isEmpty()) {
                fields_[i + 1]->setFocus();
                fields_[i + 1]->selectAll();
            }
            return true;  // a dot is never part of a field
        case Qt::Key_Right:
            if (i + 1 < fields_.size() && field->cursorPosition() == field->text().size()) {
                return go(i + 1, false);
            }
            break;
        case Qt::Key_Left:
        case Qt::Key_Backspace:
            if (i > 0 && field->cursorPosition() == 0 && !field->hasSelectedText()) {
                return go(i - 1, true);
            }
            break;
        default:
            break;
    }
    return false;
}

std::array<int, 4> QtIpAddressControl::Fields() const {
    std::array<int, 4> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = fields_[i]->text().toInt();
    }
    return values;
}

void QtIpAddressControl::ShowFields(const std::array<int, 4>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields_[i]->setText(QString::number(fields[i]));
    }
}

void QtIpAddressControl::ClearAddress() {
    for (QLineEdit* field : fields_) {
        field->clear();
    }
}

bool QtIpAddressControl::IsBlank() const {
    for (const QLineEdit* field : fields_) {
        if (!field->text().isEmpty()) {
            return false;
        }
    }
    return true;
}

bool QtIpAddressControl::IsComplete() const {
    for (const QLineEdit* field : fields_) {
        if (field->text().isEmpty()) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- pickers

namespace {

// The locale's short date, always with a four-digit year so that no century is guessed.
QString ShortDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy"))) {
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    }
    return format;
}

}  // namespace

QtDatePicker::QtDatePicker(const ControlTemplate& control, QWidget* parent)
    : QDateEdit(QDate::currentDate(), parent), QtControl(control, this) {
    InstallAccessibleCalendar();
    setCalendarPopup(true);
    setDisplayFormat(ShortDateFormat());
}

Date QtDatePicker::GetDate() const {
    const QDate value = date();
    return {value.year(), value.month(), value.day()};
}

void QtDatePicker::SetDate(const Date& value) {
    setDate(QDate(value.year, value.month, value.day));
}

void QtDatePicker::SetRange(const Date& first, const Date& last) {
    setDateRange(QDate(first.year, first.month, first.day), QDate(last.year, last.month, last.day));
}

void QtDatePicker::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool opens = (event->key() == Qt::Key_F4 && mods == Qt::NoModifier) ||
                       (event->key() == Qt::Key_Down && mods == Qt::AltModifier);
    if (!opens || !calendarPopup() || isReadOnly()) {
        QDateEdit::keyPressEvent(event);
        return;
    }
    // The editor opens its calendar only on a press on its arrow; give it one there.
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    const QPoint arrow =
        style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this)
            .center();
    QMouseEvent press(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QDateEdit::mousePressEvent(&press);
    QMouseEvent release(QEvent::MouseButtonRelease, arrow, mapToGlobal(arrow), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QDateEdit::mouseReleaseEvent(&release);
    event->accept();
}

bool QtDatePicker::focusNextPrevChild(bool next) {
    // The edit would step through its sections first.
    return QWidget::focusNextPrevChild(next);
}

QtTimePicker::QtTimePicker(const ControlTemplate& control, QWidget* parent)
    : QTimeEdit(QTime::currentTime(), parent), QtControl(control, this) {
    setDisplayFormat(QStringLiteral("H:mm:ss"));
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
}

TimeOfDay QtTimePicker::GetTime() const {
    const QTime value = time();
    return {value.hour(), value.minute(), value.second()};
}

void QtTimePicker::SetTime(const TimeOfDay& value) {
    setTime(QTime(value.hour, value.minute, value.second));
}

bool QtTimePicker::focusNextPrevChild(bool next) {
    return QWidget::focusNextPrevChild(next);
}

}  // namespace halvo::ui::qt
