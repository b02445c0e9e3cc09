// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/AccessibleCalendar.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QLocale>
#include <QPointer>
#include <QTableView>
#include <QWindow>
#include <map>

#include "ui/qt/QtControls.h"

namespace halvo::ui::qt {

namespace {

// One cell of the grid: a day, or a heading when its row or column is -1. The focused day says
// its date in full; the others say what they show.
class AccessibleDay final : public QAccessibleInterface {
  public:
    AccessibleDay(QAbstractItemView* grid, QCalendarWidget* calendar, int row, int column)
        : grid_(grid), calendar_(calendar), row_(row), column_(column) {}

    bool isValid() const override { return !grid_.isNull() && !calendar_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return isValid() ? Grid()->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(grid_.data());
    }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QAccessible::Role role() const override {
        return row_ < 0      ? QAccessible::ColumnHeader
               : column_ < 0 ? QAccessible::RowHeader
                             : QAccessible::Cell;
    }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}

    QString text(QAccessible::Text t) const override {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value)) {
            return QString();
        }
        if (IsCurrent()) {
            return calendar_->locale().toString(calendar_->selectedDate(), QLocale::LongFormat);
        }
        if (t == QAccessible::Value) {
            return QString();
        }
        const QAbstractItemModel* model = Grid()->model();
        return row_ < 0      ? model->headerData(column_, Qt::Horizontal).toString()
               : column_ < 0 ? model->headerData(row_, Qt::Vertical).toString()
                             : Index().data(Qt::DisplayRole).toString();
    }

    QRect rect() const override {
        if (!isValid()) {
            return {};
        }
        if (row_ < 0 || column_ < 0) {
            return {};
        }
        const QRect cell = Grid()->visualRect(Index());
        return QRect(Grid()->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (isValid()) {
            s.focusable = true;
            s.selectable = true;
            s.focused = IsCurrent() && Grid()->hasFocus();
            s.selected = IsCurrent();
        }
        return s;
    }

  private:
    QAbstractItemView* Grid() const { return grid_.data(); }
    QModelIndex Index() const { return Grid()->model()->index(row_, column_); }
    bool IsCurrent() const {
        return row_ >= 0 && column_ >= 0 && Grid()->currentIndex() == Index();
    }

    QPointer<QAbstractItemView> grid_;
    QPointer<QCalendarWidget> calendar_;
    int row_;
    int column_;
};

// The grid of the calendar that `picker` drops down. Its children are its cells, numbered as
// Qt's table numbers them (row by row, after a row and a column for the headings),
// so the focus event that Qt sends for the focused cell on every move reaches the day.
class AccessibleCalendar final : public QAccessibleWidget {
  public:
    AccessibleCalendar(QTableView* grid, QCalendarWidget* calendar, QtDatePicker* picker)
        : QAccessibleWidget(grid, QAccessible::Table), calendar_(calendar), picker_(picker) {}
    ~AccessibleCalendar() override {
        for (const auto& [index, id] : days_) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }
    AccessibleCalendar(const AccessibleCalendar&) = delete;
    AccessibleCalendar& operator=(const AccessibleCalendar&) = delete;

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            // The picker's name: the one the dialog gave it, else its label's.
            QAccessibleInterface* named = QAccessible::queryAccessibleInterface(picker_);
            return named != nullptr ? named->text(QAccessible::Name) : QString();
        }
        if (t == QAccessible::Value) {
            return calendar_->locale().toString(calendar_->selectedDate(), QLocale::LongFormat);
        }
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return Rows() * Columns(); }

    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        auto known = days_.find(index);
        if (known == days_.end()) {
            auto* day =
                new AccessibleDay(Grid(), calendar_, index / Columns() - Heading(Qt::Horizontal),
                                  index % Columns() - Heading(Qt::Vertical));
            known = days_.emplace(index, QAccessible::registerAccessibleInterface(day)).first;
        }
        return QAccessible::accessibleInterface(known->second);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [index, id] : days_) {
            if (QAccessible::accessibleInterface(id) == child) {
                return index;
            }
        }
        return -1;
    }

    QAccessibleInterface* focusChild() const override {
        const QModelIndex current = Grid()->currentIndex();
        return current.isValid() ? child((current.row() + Heading(Qt::Horizontal)) * Columns() +
                                         current.column() + Heading(Qt::Vertical))
                                 : nullptr;
    }

  private:
    QTableView* Grid() const { return static_cast<QTableView*>(widget()); }
    // 1 when the table has headings of that orientation: Qt's table numbers a row and a column
    // for them, shown or hidden.
    int Heading(Qt::Orientation o) const {
        const QHeaderView* header =
            o == Qt::Horizontal ? Grid()->horizontalHeader() : Grid()->verticalHeader();
        return header != nullptr ? 1 : 0;
    }
    int Rows() const {
        return Grid()->model() != nullptr ? Grid()->model()->rowCount() + Heading(Qt::Horizontal)
                                          : 0;
    }
    int Columns() const {
        return Grid()->model() != nullptr ? Grid()->model()->columnCount() + Heading(Qt::Vertical)
                                          : 0;
    }

    QCalendarWidget* calendar_;
    QtDatePicker* picker_;
    mutable std::map<int, QAccessible::Id> days_;
};

QAccessibleInterface* Create(const QString& className, QObject* object) {
    if (className != QStringLiteral("QCalendarView")) {
        return nullptr;
    }
    auto* grid = qobject_cast<QTableView*>(object);
    if (grid == nullptr) {
        return nullptr;
    }
    auto* calendar = qobject_cast<QCalendarWidget*>(grid->parentWidget());
    if (calendar == nullptr || calendar->window() == nullptr) {
        return nullptr;
    }
    // The open calendar is a popup window of the picker's own.
    auto* picker = qobject_cast<QtDatePicker*>(calendar->window()->parentWidget());
    return picker != nullptr ? new AccessibleCalendar(grid, calendar, picker) : nullptr;
}

}  // namespace

void InstallAccessibleCalendar() {
    static const bool installed = [] {
        QAccessible::installFactory(&Create);
        return true;
    }();
    (void)installed;
}

}  // namespace halvo::ui::qt
