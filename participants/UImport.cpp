#include "participants/UImport.h"

#include "app/UDM.h"
#include "participants/ListFile.h"
#include "reports/Workbook.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QScopeGuard>
#include <QVBoxLayout>

QPointer<TFormImport> FormImport;

namespace {

QString columnLetter(int col) {
    QString s;
    for (int c = col + 1; c > 0; c = (c - 1) / 26) s.prepend(QChar(u'A' + (c - 1) % 26));
    return s;
}

const QColor kRefused(255, 215, 215), kAlready(235, 235, 235);

}  // namespace

TFormImport::TFormImport(QWidget* owner, const QString& path, const QStringList& sheets,
                         const listimport::Defaults& defaults)
    : TForm(owner), m_path(path), m_defaults(defaults) {
    setObjectName(QStringLiteral("FormImport"));
    setWindowTitle(QStringLiteral("Импорт участников"));
    resize(900, 600);
    auto* lay = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Файл: %1").arg(QFileInfo(path).fileName()), this), 1);
    ComboSheet = new QComboBox(this);
    ComboSheet->setObjectName(QStringLiteral("ComboSheet"));
    ComboSheet->addItems(sheets);
    QLabel* sheetLabel = labelFor(this, QStringLiteral("Лист"), ComboSheet);
    top->addWidget(sheetLabel);
    top->addWidget(ComboSheet);
    sheetLabel->setVisible(sheets.size() > 1);
    ComboSheet->setVisible(sheets.size() > 1);
    lay->addLayout(top);

    lay->addWidget(new QLabel(QStringLiteral("Что в столбцах файла:"), this));
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumHeight(70);
    scroll->setMaximumHeight(90);
    m_columnsPanel = new QWidget(scroll);
    m_columnsLayout = new QGridLayout(m_columnsPanel);
    m_columnsLayout->setContentsMargins(2, 2, 2, 2);
    scroll->setWidget(m_columnsPanel);
    lay->addWidget(scroll);

    GridRows = new QTableWidget(this);
    GridRows->setObjectName(QStringLiteral("GridRows"));
    GridRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridRows->setTabKeyNavigation(false);
    GridRows->verticalHeader()->setVisible(false);
    lay->addWidget(GridRows, 1);

    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
    lay->addWidget(LabelSummary);

    auto* missing = new QHBoxLayout;
    LabelMissing = new QLabel(this);
    LabelMissing->setObjectName(QStringLiteral("LabelMissing"));
    LabelMissing->setWordWrap(true);
    ButtonAddMissing = new QPushButton(QStringLiteral("Добавить в справочники"), this);
    ButtonAddMissing->setObjectName(QStringLiteral("ButtonAddMissing"));
    missing->addWidget(LabelMissing, 1);
    missing->addWidget(ButtonAddMissing);
    lay->addLayout(missing);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setVisible(false);
    lay->addWidget(ProgressBar1);

    auto* buttons = new QHBoxLayout;
    ButtonSaveRefused = new QPushButton(QStringLiteral("Сохранить отклонённые…"), this);
    ButtonSaveRefused->setObjectName(QStringLiteral("ButtonSaveRefused"));
    ButtonImport = new QPushButton(QStringLiteral("Импортировать"), this);
    ButtonImport->setObjectName(QStringLiteral("ButtonImport"));
    ButtonCancel = new QPushButton(QStringLiteral("Отмена"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    buttons->addWidget(ButtonSaveRefused);
    buttons->addStretch();
    buttons->addWidget(ButtonImport);
    buttons->addWidget(ButtonCancel);
    lay->addLayout(buttons);

    ui::connect(ComboSheet, &QComboBox::activated, this, &TFormImport::ComboSheetChange);
    ui::connect(ButtonAddMissing, &QPushButton::clicked, this, &TFormImport::ButtonAddMissingClick);
    ui::connect(ButtonImport, &QPushButton::clicked, this, &TFormImport::ButtonImportClick);
    ui::connect(ButtonSaveRefused, &QPushButton::clicked, this, &TFormImport::ButtonSaveRefusedClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    readSheet();
}

void TFormImport::ComboSheetChange() { readSheet(); }

void TFormImport::readSheet() {
    try {
        m_rows = listfile::read(m_path, ComboSheet->currentText());
    } catch (const ReportError& e) {
        m_rows.clear();
        msg::error(e.text());
    }
    m_layout = listimport::guess(m_rows);
    buildColumns();
    recheck();
}

void TFormImport::buildColumns() {
    for (QComboBox* b : std::as_const(ColumnBoxes)) delete b;
    ColumnBoxes.clear();
    while (QLayoutItem* item = m_columnsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<listimport::Field> fields = listimport::allFields();
    for (int c = 0; c < m_layout.columns.size(); ++c) {
        auto* box = new QComboBox(m_columnsPanel);
        box->setObjectName(QStringLiteral("ColumnBox%1").arg(c + 1));
        for (listimport::Field f : fields) box->addItem(listimport::caption(f), int(f));
        box->setCurrentIndex(int(fields.indexOf(m_layout.columns[c])));
        const QString heading = m_layout.headerRow >= 0 ? m_rows[m_layout.headerRow].value(c) : QString();
        auto* label = new QLabel(heading.isEmpty() ? columnLetter(c) : columnLetter(c) + QStringLiteral(": ") + heading,
                                 m_columnsPanel);
        label->setBuddy(box);
        label->setToolTip(heading);
        label->setMaximumWidth(180);
        m_columnsLayout->addWidget(label, 0, c);
        m_columnsLayout->addWidget(box, 1, c);
        connect(box, &QComboBox::activated, this, [this, c] { ui::run([&] { ColumnChange(c); }); });
        ColumnBoxes.append(box);
    }
    QWidget* previous = ComboSheet;
    for (QComboBox* b : std::as_const(ColumnBoxes)) {
        setTabOrder(previous, b);
        previous = b;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{GridRows, ButtonAddMissing, ButtonSaveRefused, ButtonImport, ButtonCancel}) {
        setTabOrder(previous, w);
        previous = w;
    }
    if (!ColumnBoxes.isEmpty()) ColumnBoxes.first()->setFocus();
}

void TFormImport::ColumnChange(int column) {
    const auto field = listimport::Field(ColumnBoxes[column]->currentData().toInt());
    // A field is in one column only: the column that held it before is cleared.
    for (int c = 0; c < m_layout.columns.size(); ++c)
        if (c != column && field != listimport::Field::None && m_layout.columns[c] == field) {
            m_layout.columns[c] = listimport::Field::None;
            ColumnBoxes[c]->setCurrentIndex(0);
        }
    m_layout.columns[column] = field;
    recheck();
}

void TFormImport::recheck() {
    m_check = listimport::check(DM->IBDatabase1, DM->IBTransaction1, m_rows, m_layout, m_defaults);
    showCheck(false);
}

void TFormImport::showCheck(bool written) {
    const int width = int(m_layout.columns.size());
    GridRows->clear();
    GridRows->setColumnCount(width + 2);
    QStringList headings{QStringLiteral("Строка"), QStringLiteral("Проверка")};
    for (int c = 0; c < width; ++c) {
        const QString h = m_layout.headerRow >= 0 ? m_rows[m_layout.headerRow].value(c) : QString();
        headings << (h.isEmpty() ? columnLetter(c) : h);
    }
    GridRows->setHorizontalHeaderLabels(headings);
    GridRows->setRowCount(int(m_check.lines.size()));
    for (int i = 0; i < int(m_check.lines.size()); ++i) {
        const listimport::Line& l = m_check.lines[size_t(i)];
        const QStringList& row = m_rows[l.row];
        const QString verdict = l.status != listimport::Line::Good ? l.reason
                                : written                          ? QStringLiteral("Записан")
                                                                   : QStringLiteral("Будет записан");
        GridRows->setItem(i, 0, new QTableWidgetItem(QString::number(l.row + 1)));
        GridRows->setItem(i, 1, new QTableWidgetItem(verdict));
        for (int c = 0; c < width; ++c) GridRows->setItem(i, c + 2, new QTableWidgetItem(row.value(c)));
        if (l.status != listimport::Line::Good)
            for (int c = 0; c < width + 2; ++c)
                GridRows->item(i, c)->setBackground(l.status == listimport::Line::Refused ? kRefused : kAlready);
    }
    GridRows->resizeColumnsToContents();
    for (int c = 1; c < width + 2; ++c) GridRows->setColumnWidth(c, qMin(GridRows->columnWidth(c), 260));
    const int good = m_check.count(listimport::Line::Good), already = m_check.count(listimport::Line::Already),
              refused = m_check.count(listimport::Line::Refused);
    LabelSummary->setText(QStringLiteral("Строк: %1; будут записаны: %2; уже есть в базе: %3; с ошибками: %4.")
                              .arg(m_check.lines.size())
                              .arg(good)
                              .arg(already)
                              .arg(refused));
    const bool missing = !m_check.missing.isEmpty();
    LabelMissing->setText(missing ? QStringLiteral("Нет в справочниках — %1").arg(m_check.missing.describe().replace(u'\n', QStringLiteral("; ")))
                                  : QString());
    LabelMissing->setVisible(missing);
    ButtonAddMissing->setVisible(missing);
    ButtonImport->setEnabled(good > 0 && !written);
    ButtonSaveRefused->setEnabled(refused > 0);
}

void TFormImport::ButtonAddMissingClick() {
    if (m_check.missing.isEmpty()) return;
    if (!msg::confirm(QStringLiteral("Добавить в справочники?\n%1").arg(m_check.missing.describe()))) return;
    const listimport::Missing missing = m_check.missing;
    guardedWrite(DM->IBTransaction1, kNotDone,
                 [&] { listimport::addMissing(DM->IBDatabase1, DM->IBTransaction1, missing); });
    recheck();
    (ButtonImport->isEnabled() ? static_cast<QWidget*>(ButtonImport) : GridRows)->setFocus();
}

void TFormImport::ButtonImportClick() {
    listimport::Result result;
    bool written = false;
    {
        ProgressBar1->setRange(0, int(m_check.lines.size()));
        ProgressBar1->setValue(0);
        ProgressBar1->setVisible(true);
        const auto hide = qScopeGuard([&] { ProgressBar1->setVisible(false); });
        setEnabled(false);
        const auto enable = qScopeGuard([&] { setEnabled(true); });
        written = guardedWrite(DM->IBTransaction1, kNotDone, [&] {
            result = listimport::write(DM->IBDatabase1, DM->IBTransaction1, m_rows, m_layout, m_defaults, [&](int n, int total) {
                ProgressBar1->setRange(0, total);
                ProgressBar1->setValue(n);
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
        });
    }
    if (!written) return recheck();
    m_check = result.checked;
    showCheck(true);
    m_registered = result.registered;
    const QString counts = QStringLiteral("Зарегистрировано: %1; уже были в базе: %2; отклонено: %3.")
                               .arg(result.registered)
                               .arg(result.already)
                               .arg(result.refused);
    if (result.refused > 0) {
        if (msg::confirm(QStringLiteral("Импорт выполнен.\n%1\nСохранить отклонённые строки в файл, чтобы исправить их и "
                                        "импортировать снова?")
                             .arg(counts)))
            saveRefused();
    } else {
        msg::info(QStringLiteral("Импорт выполнен."), counts);
    }
    accept();
}

void TFormImport::ButtonSaveRefusedClick() { saveRefused(); }

void TFormImport::saveRefused() {
    const QFileInfo source(m_path);
    const QString suggested = source.dir().filePath(source.completeBaseName() + QStringLiteral(" — отклонённые.csv"));
    const QString path = msg::chooseSaveFile(this, QStringLiteral("Файлы CSV (*.csv)"), suggested);
    if (path.isEmpty()) return;
    QFile f(path);
    const QByteArray bytes = listfile::writeCsv(listimport::refusedRows(m_rows, m_layout, m_check));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush()) {
        msg::error(QStringLiteral("Не удалось записать файл %1").arg(path), f.errorString());
        return;
    }
}
