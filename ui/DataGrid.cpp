#include "DataGrid.h"

#include "Handler.h"
#include "Messages.h"
#include "Query.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QComboBox>
#include <QStyledItemDelegate>
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
    m_marked.clear();
    endResetModel();
}

void GridModel::load(const std::vector<GridColumn>& columns, std::vector<QStringList> rows, std::vector<bool> marked) {
    beginResetModel();
    m_columns = columns;
    m_rows = std::move(rows);
    for (QStringList& row : m_rows)
        while (row.size() < qsizetype(m_columns.size())) row.append(QString());
    m_marked = std::move(marked);
    m_marked.resize(m_rows.size(), false);
    endResetModel();
}

void GridModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_marked.clear();
    endResetModel();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const bool marked = size_t(index.row()) < m_marked.size() && m_marked[size_t(index.row())];
    if (role == Qt::FontRole && marked) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::BackgroundRole && marked) return QColor(255, 244, 200);
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    return m_rows[size_t(index.row())][index.column()];
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_columns[size_t(index.column())].editable && m_store) f |= Qt::ItemIsEditable;
    return f;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !m_store) return false;
    m_refused = false;
    const QString text = value.toString();
    QString& cell = m_rows[size_t(index.row())][index.column()];
    if (text == cell) return false;
    bool stored = false;
    QString kept = text;
    {
        const msg::DeferBoxes later;  // the editor closes before any box of the store is shown
        ui::run([&] { stored = m_store(index.row(), m_columns[size_t(index.column())].field, text, kept); });
    }
    m_refused = !stored;
    if (!stored) return false;  // the cell keeps showing the stored value
    cell = kept;
    Q_EMIT dataChanged(index, index);
    return true;
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
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);  // Tab leaves the grid for the next field
    // A cut text keeps both ends: schools differ by their numbers ("МБОУ «Гим…№44»").
    setTextElideMode(Qt::ElideMiddle);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    connect(this, &QTableView::clicked, this, [this] { notify(); });
}

namespace {

// The editor of a column whose value is chosen from a list.
class ChoiceDelegate : public QStyledItemDelegate {
public:
    ChoiceDelegate(std::function<QStringList(int)> choices, QObject* parent)
        : QStyledItemDelegate(parent), m_choices(std::move(choices)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        auto* box = new QComboBox(parent);
        QStringList items = m_choices(index.row());
        const QString current = index.data(Qt::EditRole).toString();
        if (!items.contains(current)) items.prepend(current);
        box->addItems(items);
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QComboBox*>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
    }

private:
    std::function<QStringList(int)> m_choices;
};

}  // namespace

void TDBGrid::setColumns(std::vector<GridColumn> columns) {
    m_columnsSpec = std::move(columns);
    for (size_t c = 0; c < m_columnsSpec.size(); ++c)
        if (m_columnsSpec[c].choices) setItemDelegateForColumn(int(c), new ChoiceDelegate(m_columnsSpec[c].choices, this));
}

void TDBGrid::load(const Query& q) {
    m_model.load(m_columnsSpec, q);
    showLoaded();
}

void TDBGrid::load(std::vector<QStringList> rows, std::vector<bool> marked) {
    m_model.load(m_columnsSpec, std::move(rows), std::move(marked));
    showLoaded();
}

void TDBGrid::showLoaded() {
    int lastVisible = -1;
    for (size_t c = 0; c < m_columnsSpec.size(); ++c) {
        setColumnHidden(int(c), !m_columnsSpec[c].visible);
        horizontalHeader()->setSectionResizeMode(int(c), QHeaderView::Interactive);
        if (m_columnsSpec[c].visible) lastVisible = int(c);
    }
    resizeColumnsToContents();
    // The last visible column takes the rest of the width (hidden key columns may follow it).
    if (lastVisible >= 0) horizontalHeader()->setSectionResizeMode(lastVisible, QHeaderView::Stretch);
    m_reported = -1;
    if (m_model.rowCount() > 0) setCurrentRow(0);
}

void TDBGrid::clear() {
    m_model.clear();
    m_reported = -1;
}

int TDBGrid::currentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

void TDBGrid::setCurrentRow(int row) {
    if (row < 0 || row >= m_model.rowCount()) return;
    // The cursor stands in the first editable column, else in the first visible one.
    int col = -1;
    for (int c = 0; c < m_model.columnCount() && col < 0; ++c)
        if (!isColumnHidden(c) && m_model.columns()[size_t(c)].editable) col = c;
    for (int c = 0; c < m_model.columnCount() && col < 0; ++c)
        if (!isColumnHidden(c)) col = c;
    selectionModel()->setCurrentIndex(m_model.index(row, qMax(col, 0)),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_reported = row;  // the window moved there itself: nothing to report
}

QString TDBGrid::value(const QString& field) const { return m_model.value(currentRow(), field); }

int TDBGrid::column(const QString& field) const {
    for (size_t c = 0; c < m_columnsSpec.size(); ++c)
        if (m_columnsSpec[c].field.compare(field, Qt::CaseInsensitive) == 0) return int(c);
    return -1;
}

void TDBGrid::commitPendingEdit() {
    QWidget* editor = QApplication::focusWidget();
    if (!editing() || !editor || !viewport()->isAncestorOf(editor)) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Tab in a cell leaves the grid for the next field, as everywhere else in the window.
    const bool tab = hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem;
    QTableView::closeEditor(editor, tab ? QAbstractItemDelegate::NoHint : hint);
    if (tab) focusNextPrevChild(hint == QAbstractItemDelegate::EditNextItem);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current != previous) m_model.takeRefused();
    // In a grid the operator types into, the cursor stays in a column he can type into: the
    // nearest one on the side he moved to (so that the arrows step over a column he cannot
    // change), else the nearest on the other side.
    if (!current.isValid() || m_model.columns()[size_t(current.column())].editable || !hasEditableColumns()) return;
    const int step = previous.isValid() && current.column() < previous.column() ? -1 : 1;
    const auto typable = [this](int c) { return m_model.columns()[size_t(c)].editable && !isColumnHidden(c); };
    int target = -1;
    for (int c = current.column() + step; c >= 0 && c < m_model.columnCount() && target < 0; c += step)
        if (typable(c)) target = c;
    for (int c = current.column() - step; c >= 0 && c < m_model.columnCount() && target < 0; c -= step)
        if (typable(c)) target = c;
    if (target < 0) return;
    QMetaObject::invokeMethod(
        this, [this, row = current.row(), target] { setCurrentIndex(m_model.index(row, target)); }, Qt::QueuedConnection);
}

void TDBGrid::notify() {
    m_reported = currentRow();
    Q_EMIT selectedRowChanged(m_reported);
}

void TDBGrid::notifyIfMoved() {
    if (currentRow() != m_reported) notify();
}

bool TDBGrid::hasEditableColumns() const {
    for (const GridColumn& c : m_columnsSpec)
        if (c.editable) return true;
    return false;
}

void TDBGrid::keyPressEvent(QKeyEvent* e) {
    // In a grid the operator types into, Enter stores the cell and goes down a row, as in a
    // spreadsheet; it never reaches the window's default button.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && hasEditableColumns()) {
        e->accept();
        // The cell's editor has already asked to hand its value over; the move follows it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                // A refused edit keeps the cursor on its cell, so that the next edit is not
                // another row's.
                if (m_model.takeRefused() || m_staysAfterEdit) return;
                const QModelIndex next = m_model.index(currentRow() + 1, currentIndex().column());
                if (next.isValid())
                    selectionModel()->setCurrentIndex(next,
                                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                notifyIfMoved();
            },
            Qt::QueuedConnection);
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // In a list, Enter takes the operator on to the fields of the row; it never presses the
        // window's default button.
        e->accept();
        focusNextChild();
        return;
    }
    QTableView::keyPressEvent(e);
    notifyIfMoved();
}

void TDBGrid::keyReleaseEvent(QKeyEvent* e) {
    QTableView::keyReleaseEvent(e);
    notifyIfMoved();
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
        btn->setFocusPolicy(Qt::NoFocus);  // the arrow keys in the grid do the same
        lay->addWidget(btn);
        m_buttons[d.b] = btn;
        const Button which = d.b;
        ui::connect(btn, &QPushButton::clicked, this, [this, which] { press(which); });
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
        if (cur >= 0 && msg::confirm(kSureDelete)) Q_EMIT deleteRequested(cur);
        break;
    }
    Q_EMIT clicked(b);
    m_grid->notify();
}

std::vector<GridColumn> participantColumns(std::initializer_list<GridColumn> more) {
    std::vector<GridColumn> c{{"ID_CHILD", QString(), false},
                              {"SURNAME", QStringLiteral("Фамилия")},
                              {"NAME", QStringLiteral("Имя")},
                              {"SECONDNAME", QStringLiteral("Отчество")}};
    c.insert(c.end(), more.begin(), more.end());
    c.push_back({"SCHOOL", QStringLiteral("Учреждение")});  // tells namesakes apart
    return c;
}

std::vector<GridColumn> cipherColumns() { return {{"ID_CHILD", QString(), false}, {"SHIFR", QStringLiteral("        Шифр")}}; }
