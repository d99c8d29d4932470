#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <QWidget>
#include <vector>

class Query;
class QPushButton;

// A column of a data grid: the query field it shows, its title, and whether it is visible.
// Hidden columns keep values (keys) that the window reads for the selected row.
struct GridColumn {
    QString field;
    QString title;
    bool visible = true;
};

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void load(const std::vector<GridColumn>& columns, const Query& q);
    int rowCount(const QModelIndex& = {}) const override { return int(m_rows.size()); }
    int columnCount(const QModelIndex& = {}) const override { return int(m_columns.size()); }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    QString value(int row, const QString& field) const;
    const std::vector<GridColumn>& columns() const { return m_columns; }

private:
    std::vector<GridColumn> m_columns;
    std::vector<QStringList> m_rows;
};

// The rows of a query in a read-only table. Reports selectedRowChanged after a click, a key
// press or release, and a navigator button, so that a window refreshes what it shows for the row.
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    void setColumns(std::vector<GridColumn> columns);
    // Shows the rows of the opened query; the first row becomes current.
    void load(const Query& q);
    int rowCount() const { return m_model.rowCount(); }
    int currentRow() const;
    void setCurrentRow(int row);
    // The selected row's value of a field (visible or hidden); empty when there is no row.
    QString value(const QString& field) const;
    QString value(int row, const QString& field) const { return m_model.value(row, field); }

Q_SIGNALS:
    void selectedRowChanged(int row);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    friend class TDBNavigator;
    void notify();
    std::vector<GridColumn> m_columnsSpec;
    GridModel m_model;
};

// First, Prior, Next, Last and optionally Delete for one grid.
class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Delete };
    TDBNavigator(TDBGrid* grid, bool withDelete, QWidget* parent = nullptr);
    QPushButton* button(Button b) const { return m_buttons[b]; }
    void press(Button b);

Q_SIGNALS:
    // Delete pressed on a row; the window asks and deletes.
    void deleteRequested(int row);
    void clicked(Button b);

private:
    TDBGrid* m_grid;
    QPushButton* m_buttons[5] = {};
};
