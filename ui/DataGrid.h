#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class Query;
class QPushButton;

// A column of a data grid: the query field it shows, its title, whether it is visible, and
// whether the operator may edit it in place. Hidden columns keep values (keys) that the window
// reads for the selected row.
struct GridColumn {
    QString field;
    QString title;
    bool visible = true;
    bool editable = false;
    // An editable column whose value is chosen, not typed: the choices for a row (the cell's own
    // value is offered too).
    std::function<QStringList(int row)> choices = {};
};

// Stores an edit of one cell as one guarded action: the row, the column's field and the text as
// typed. True when it was stored (the cell then shows `stored`, the value as it is now kept); false
// when it was refused, after its message, and the cell shows the stored value again.
using CellStore = std::function<bool(int row, const QString& field, const QString& text, QString& stored)>;

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void load(const std::vector<GridColumn>& columns, const Query& q);
    void load(const std::vector<GridColumn>& columns, std::vector<QStringList> rows, std::vector<bool> marked);
    void clear();
    int rowCount(const QModelIndex& = {}) const override { return int(m_rows.size()); }
    int columnCount(const QModelIndex& = {}) const override { return int(m_columns.size()); }
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    QString value(int row, const QString& field) const;
    const std::vector<GridColumn>& columns() const { return m_columns; }
    void setStore(CellStore store) { m_store = std::move(store); }
    // Whether the last edit handed over was refused; asking forgets it.
    bool takeRefused() { return std::exchange(m_refused, false); }

private:
    bool m_refused = false;
    std::vector<GridColumn> m_columns;
    std::vector<QStringList> m_rows;
    std::vector<bool> m_marked;  // rows that stand out
    CellStore m_store;
};

// The rows of a query in a table, read-only unless columns are marked editable (there Enter stores
// the cell and goes down a row, or stays; in a read-only grid it goes on to the next field). Reports
// selectedRowChanged after a click, a key that moves to another row, and a navigator button, so
// that a window refreshes what it shows for the row.
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    void setColumns(std::vector<GridColumn> columns);
    // Editable columns hand each edit to `store`.
    void setStore(CellStore store) { m_model.setStore(std::move(store)); }
    // Enter that stores a cell leaves the cursor on its row (a list corrected a row at a time),
    // rather than going down a row as a column of values is typed.
    void setStaysAfterEdit(bool stays) { m_staysAfterEdit = stays; }
    // Shows the rows of the opened query; the first row becomes current.
    void load(const Query& q);
    // Shows rows the window computed, one text per column in the columns' order; the rows marked
    // stand out (bold on a light background).
    void load(std::vector<QStringList> rows, std::vector<bool> marked = {});
    // No rows (the list is closed).
    void clear();
    int rowCount() const { return m_model.rowCount(); }
    int currentRow() const;
    // Moves to a row without reporting it: the window that moves knows.
    void setCurrentRow(int row);
    // The selected row's value of a field (visible or hidden); empty when there is no row.
    QString value(const QString& field) const;
    QString value(int row, const QString& field) const { return m_model.value(row, field); }
    // The column that shows a field; -1 when none does.
    int column(const QString& field) const;
    // A value still in a cell's editor is stored now (a button was pressed while editing).
    void commitPendingEdit();
    bool editing() const { return state() == QAbstractItemView::EditingState; }

Q_SIGNALS:
    void selectedRowChanged(int row);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class TDBNavigator;
    void showLoaded();
    void notify();
    void notifyIfMoved();
    bool hasEditableColumns() const;
    std::vector<GridColumn> m_columnsSpec;
    GridModel m_model;
    int m_reported = -1;
    bool m_staysAfterEdit = false;
};

// First, Prior, Next, Last and optionally Delete for one grid. Delete asks "Вы уверены, что
// хотите удалить запись ?" first and does nothing without a selected row.
class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Delete };
    TDBNavigator(TDBGrid* grid, bool withDelete, QWidget* parent = nullptr);
    QPushButton* button(Button b) const { return m_buttons[b]; }
    void press(Button b);

Q_SIGNALS:
    // Delete confirmed on a row; the window deletes it.
    void deleteRequested(int row);
    void clicked(Button b);

private:
    TDBGrid* m_grid;
    QPushButton* m_buttons[5] = {};
};

// The columns of a list of participants: the hidden key and the full name, then `more`, then the
// school, so that namesakes can be told apart; or, where the participants are known only by
// their codes, the key and the code.
std::vector<GridColumn> participantColumns(std::initializer_list<GridColumn> more = {});
std::vector<GridColumn> cipherColumns();

inline const QString kSureDelete = QStringLiteral("Вы уверены, что хотите удалить запись ?");
