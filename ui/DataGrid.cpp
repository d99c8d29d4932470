#include "DataGrid.h"

#include "Query.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>

void GridModel::load(const std::vector<GridColumn>& columns, const Query& q) {
    beginResetModel();
    m_columns = columns;
    m_rows.clear();
    std::vector<int> index;
    for (const GridColumn& c : m_columns) index.push_back(int(q.fieldNames().indexOf(c.field.toUpper())));
    for (int r = 0; r < q.recordCount(); ++r) {
        QStringList row;
        for (int i : index) row.append(i < 0 ? QString() : q.textAt(r, i));
        m_rows.push_back(row);
    }
    endResetModel();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return m_rows[size_t(index.row())][index.column()];
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Vertical) return section + 1;
    return m_columns[size_t(section)].title;
}

QString GridModel::value(int row, const QString& field) const {
    if (row < 0 || row >= rowCount()) return {};
    for (size_t c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].field.compare(field, Qt::CaseInsensitive) == 0) return m_rows[size_t(row)][int(c)];
    return {};
}

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), m_model(this) {
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    connect(this, &QTableView::clicked, this, [this] { notify(); });
}

void TDBGrid::setColumns(std::vector<GridColumn> columns) { m_columnsSpec = std::move(columns); }

void TDBGrid::load(const Query& q) {
    m_model.load(m_columnsSpec, q);
    for (size_t c = 0; c < m_columnsSpec.size(); ++c) setColumnHidden(int(c), !m_columnsSpec[c].visible);
    resizeColumnsToContents();
    if (m_model.rowCount() > 0) setCurrentRow(0);
}

int TDBGrid::currentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

void TDBGrid::setCurrentRow(int row) {
    if (row < 0 || row >= m_model.rowCount()) return;
    int col = 0;
    while (col < m_model.columnCount() - 1 && isColumnHidden(col)) ++col;
    setCurrentIndex(m_model.index(row, col));
    selectRow(row);
}

QString TDBGrid::value(const QString& field) const { return m_model.value(currentRow(), field); }

void TDBGrid::notify() { Q_EMIT selectedRowChanged(currentRow()); }

void TDBGrid::keyPressEvent(QKeyEvent* e) {
    QTableView::keyPressEvent(e);
    notify();
}

void TDBGrid::keyReleaseEvent(QKeyEvent* e) {
    QTableView::keyReleaseEvent(e);
    notify();
}

TDBNavigator::TDBNavigator(TDBGrid* grid, bool withDelete, QWidget* parent) : QWidget(parent), m_grid(grid) {
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    const struct {
        Button b;
        const char* text;
        const char* hint;
    } defs[] = {{First, "|◀", "Первая запись"}, {Prior, "◀", "Предыдущая запись"}, {Next, "▶", "Следующая запись"},
                {Last, "▶|", "Последняя запись"}, {Delete, "✕", "Удалить запись"}};
    for (const auto& d : defs) {
        if (d.b == Delete && !withDelete) continue;
        auto* btn = new QPushButton(QString::fromUtf8(d.text), this);
        btn->setToolTip(QString::fromUtf8(d.hint));
        btn->setFixedWidth(36);
        btn->setAutoDefault(false);
        lay->addWidget(btn);
        m_buttons[d.b] = btn;
        const Button which = d.b;
        connect(btn, &QPushButton::clicked, this, [this, which] { press(which); });
    }
    lay->addStretch();
}

void TDBNavigator::press(Button b) {
    const int n = m_grid->rowCount();
    const int cur = m_grid->currentRow();
    switch (b) {
    case First: m_grid->setCurrentRow(0); break;
    case Prior: m_grid->setCurrentRow(qMax(0, cur - 1)); break;
    case Next: m_grid->setCurrentRow(qMin(n - 1, cur + 1)); break;
    case Last: m_grid->setCurrentRow(n - 1); break;
    case Delete:
        if (cur >= 0) Q_EMIT deleteRequested(cur);
        break;
    }
    Q_EMIT clicked(b);
    m_grid->notify();
}
