#include "participants/UImport.h"

#include "Atomic.h"
#include "Query.h"
#include "participants/ListFile.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "ui/Handler.h"
#include "ui/Messages.h"
#include "ui/Progress.h"
#include "ui/Station.h"
#include "xlsx/FileError.h"
#include "xlsx/XlsxParts.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

QPointer<TFormImport> FormImport;

namespace {


const QColor kRefused(255, 215, 215), kAlready(235, 235, 235);

}  // namespace

TFormImport::TFormImport(QWidget* owner, const QString& path, const listimport::List& list,
                         const listimport::Defaults& defaults)
    : TForm(owner), m_path(path), m_defaults(defaults), m_book(list.book), m_sheet(list.sheet), m_rows(list.rows) {
    setObjectName(QStringLiteral("FormImport"));
    setWindowTitle(QStringLiteral("Импорт участников"));
    resize(900, 600);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(fileRow(path));
    lay->addLayout(teamAndSubject());
    fillChoosers();
    lay->addWidget(new QLabel(QStringLiteral("Что в столбцах файла:"), this));
    lay->addWidget(columnsPanel());
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
    lay->addLayout(missingRow());
    lay->addLayout(buttonRow());
    connectHandlers();
    // Of several sheets, the list is the one read (the others may say how to fill it).
    ComboSheet->setCurrentIndex(m_sheet);
    showRows();
    if (m_defaults.komand.isEmpty() && ComboKomand->isVisibleTo(this)) ComboKomand->setFocus();
}

// The file's name, its sheet (of several) and the heading's row.
QHBoxLayout* TFormImport::fileRow(const QString& path) {
    const QStringList& sheets = m_book->sheets();
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
    SpinHeader = new QSpinBox(this);
    SpinHeader->setObjectName(QStringLiteral("SpinHeader"));
    SpinHeader->setSpecialValueText(QStringLiteral("нет"));
    SpinHeader->setToolTip(QStringLiteral("Строка файла с названиями столбцов; строки под ней — участники"));
    top->addWidget(labelFor(this, QStringLiteral("Заголовок в строке"), SpinHeader));
    top->addWidget(SpinHeader);
    return top;
}

// What a file without a team or subject column is registered under.
QHBoxLayout* TFormImport::teamAndSubject() {
    auto* choices = new QHBoxLayout;
    ComboKomand = newChooser(this, "ComboKomand");
    ComboPredmet = newChooser(this, "ComboPredmet");
    m_komandLabel = labelFor(this, QStringLiteral("Команда"), ComboKomand);
    m_predmetLabel = labelFor(this, QStringLiteral("Предмет"), ComboPredmet);
    for (QWidget* w : std::initializer_list<QWidget*>{m_komandLabel, ComboKomand, m_predmetLabel, ComboPredmet}) choices->addWidget(w);
    choices->addStretch();
    return choices;
}

// What each column of the file holds, a chooser per column, filled by buildColumns().
QScrollArea* TFormImport::columnsPanel() {
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumHeight(70);
    scroll->setMaximumHeight(90);
    m_columnsPanel = new QWidget(scroll);
    m_columnsLayout = new QGridLayout(m_columnsPanel);
    m_columnsLayout->setContentsMargins(2, 2, 2, 2);
    scroll->setWidget(m_columnsPanel);
    return scroll;
}

// What the dictionaries lack, and the button that adds it.
QHBoxLayout* TFormImport::missingRow() {
    auto* missing = new QHBoxLayout;
    LabelMissing = new QLabel(this);
    LabelMissing->setObjectName(QStringLiteral("LabelMissing"));
    LabelMissing->setWordWrap(true);
    ButtonAddMissing = new QPushButton(QStringLiteral("&Добавить в справочники"), this);
    ButtonAddMissing->setObjectName(QStringLiteral("ButtonAddMissing"));
    missing->addWidget(LabelMissing, 1);
    missing->addWidget(ButtonAddMissing);
    return missing;
}

QHBoxLayout* TFormImport::buttonRow() {
    auto* buttons = new QHBoxLayout;
    ButtonSaveRefused = new QPushButton(QStringLiteral("&Сохранить отклонённые…"), this);
    ButtonSaveRefused->setObjectName(QStringLiteral("ButtonSaveRefused"));
    ButtonImport = new QPushButton(QStringLiteral("&Импортировать"), this);
    ButtonImport->setObjectName(QStringLiteral("ButtonImport"));
    ButtonCancel = new QPushButton(QStringLiteral("Отмена"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    // Enter presses only the button that has the focus.
    for (QPushButton* b : {ButtonAddMissing, ButtonSaveRefused, ButtonImport, ButtonCancel}) b->setAutoDefault(false);
    buttons->addWidget(ButtonSaveRefused);
    buttons->addStretch();
    buttons->addWidget(ButtonImport);
    buttons->addWidget(ButtonCancel);
    return buttons;
}

void TFormImport::connectHandlers() {
    ui::connect(ComboSheet, &QComboBox::activated, this, &TFormImport::ComboSheetChange);
    ui::connect(ComboKomand, &TComboBox::chosen, this, &TFormImport::ComboKomandChange);
    ui::connect(ComboKomand, &TComboBox::refused, this, &TFormImport::ComboKomandChange);
    ui::connect(ComboPredmet, &TComboBox::chosen, this, &TFormImport::ComboPredmetChange);
    ui::connect(ComboPredmet, &TComboBox::refused, this, &TFormImport::ComboPredmetChange);
    connect(SpinHeader, &QSpinBox::valueChanged, this, [this] { ui::run([&] { SpinHeaderChange(); }); });
    ui::connect(ButtonAddMissing, &QPushButton::clicked, this, &TFormImport::ButtonAddMissingClick);
    ui::connect(ButtonImport, &QPushButton::clicked, this, &TFormImport::ButtonImportClick);
    ui::connect(ButtonSaveRefused, &QPushButton::clicked, this, &TFormImport::ButtonSaveRefusedClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormImport::fillChoosers() {
    for (auto [box, sql, field, text] : {std::tuple{ComboKomand, "SELECT KOMAND FROM S_KOMAND ORDER BY ID_KOMAND", "KOMAND", m_defaults.komand},
                                         {ComboPredmet, "SELECT PREDMET FROM S_PREDMET ORDER BY ID_PREDMET", "PREDMET", m_defaults.predmet}}) {
        Query q(DM->IBDatabase1, DM->IBTransaction1, {sql});
        combo::fillFrom(box, q, QString::fromLatin1(field));
        combo::setText(box, text);
    }
}

// A text that names no team (or subject) is no choice: the rows then have none.
void TFormImport::ComboKomandChange() {
    m_defaults.komand = ComboKomand->itemNamed(ComboKomand->currentText()) >= 0 ? ComboKomand->currentText().trimmed() : QString();
    recheck();
}

void TFormImport::ComboPredmetChange() {
    m_defaults.predmet =
        ComboPredmet->itemNamed(ComboPredmet->currentText()) >= 0 ? ComboPredmet->currentText().trimmed() : QString();
    recheck();
}

// Another sheet: its rows, or the one message of why it cannot be, the sheet shown staying.
void TFormImport::ComboSheetChange() {
    QList<QStringList> rows;
    try {
        rows = m_book->rows(ComboSheet->currentText());
        if (!listimport::anyFilled(rows)) throw FileError(listimport::kNoRows);
    } catch (const FileError& e) {
        const QSignalBlocker quiet(ComboSheet);
        ComboSheet->setCurrentIndex(m_sheet);
        msg::error(e.text());
        return;
    }
    m_sheet = ComboSheet->currentIndex();
    m_rows = rows;
    showRows();
}

void TFormImport::showRows() {
    m_layout = listimport::guess(m_rows);
    {
        const QSignalBlocker quiet(SpinHeader);
        SpinHeader->setRange(0, int(qMin<qsizetype>(m_rows.size(), 30)));
        SpinHeader->setValue(m_layout.headerRow + 1);
    }
    buildColumns();
    recheck();
}

void TFormImport::SpinHeaderChange() {
    m_layout.headerRow = SpinHeader->value() - 1;
    const QList<listimport::Field> named = listimport::mapColumns(m_rows, m_layout.headerRow);
    // The row's words name the columns when they name any; otherwise the choices made stay.
    if (std::any_of(named.begin(), named.end(), [](listimport::Field f) { return f != listimport::Field::None; }))
        m_layout.columns = named;
    buildColumns();
    recheck();
}

void TFormImport::buildColumns() {
    ColumnBoxes.clear();
    while (QLayoutItem* item = m_columnsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<listimport::Field> fields = listimport::allFields();
    QStringList captions;
    for (listimport::Field f : fields) captions << listimport::caption(f);
    for (int c = 0; c < m_layout.columns.size(); ++c) {
        TComboBox* box = newChooser(m_columnsPanel, "", 40, 150);
        box->setObjectName(QStringLiteral("ColumnBox%1").arg(c + 1));
        combo::setItems(box, captions);
        combo::setText(box, listimport::caption(m_layout.columns[c]));
        const QString heading = m_layout.headerRow >= 0 ? m_rows[m_layout.headerRow].value(c) : QString();
        auto* label = new QLabel(heading.isEmpty() ? xlsx::columnName(c + 1) : xlsx::columnName(c + 1) + QStringLiteral(": ") + heading,
                                 m_columnsPanel);
        label->setBuddy(box);
        label->setToolTip(heading);
        label->setMaximumWidth(180);
        m_columnsLayout->addWidget(label, 0, c);
        m_columnsLayout->addWidget(box, 1, c);
        connect(box, &TComboBox::chosen, this, [this, c] { ui::run([&] { ColumnChange(c); }); });
        connect(box, &TComboBox::refused, this, [this, box, c] {
            combo::setText(box, listimport::caption(m_layout.columns[c]));  // not a choice: the column keeps its own
        });
        ColumnBoxes.append(box);
    }
    QWidget* previous = ComboPredmet;
    setTabOrder(ComboSheet, SpinHeader);
    setTabOrder(SpinHeader, ComboKomand);
    setTabOrder(ComboKomand, ComboPredmet);
    for (TComboBox* b : std::as_const(ColumnBoxes)) {
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
    const QList<listimport::Field> fields = listimport::allFields();
    const int chosen = ColumnBoxes[column]->itemNamed(ColumnBoxes[column]->currentText());
    if (chosen < 0) return;
    const listimport::Field field = fields[chosen];
    // A field is in one column only: the column that held it before is cleared.
    for (int c = 0; c < m_layout.columns.size(); ++c)
        if (c != column && field != listimport::Field::None && m_layout.columns[c] == field) {
            m_layout.columns[c] = listimport::Field::None;
            combo::setText(ColumnBoxes[c], listimport::caption(listimport::Field::None));
        }
    m_layout.columns[column] = field;
    recheck();
}

void TFormImport::recheck() {
    // The choosers stand for the columns the file lacks.
    const bool komand = m_layout.columns.contains(listimport::Field::Komand);
    const bool predmet = m_layout.columns.contains(listimport::Field::Predmet);
    for (QWidget* w : {static_cast<QWidget*>(m_komandLabel), static_cast<QWidget*>(ComboKomand)}) w->setVisible(!komand);
    for (QWidget* w : {static_cast<QWidget*>(m_predmetLabel), static_cast<QWidget*>(ComboPredmet)}) w->setVisible(!predmet);
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
        headings << (h.isEmpty() ? xlsx::columnName(c + 1) : h);
    }
    GridRows->setHorizontalHeaderLabels(headings);
    GridRows->setRowCount(int(m_check.lines.size()));
    for (int i = 0; i < int(m_check.lines.size()); ++i) {
        const listimport::Line& l = m_check.lines[size_t(i)];
        const QStringList& row = m_rows[l.row];
        QString verdict = l.status != listimport::Line::Good ? l.reason
                          : written                          ? QStringLiteral("Записан")
                                                             : QStringLiteral("Будет записан");
        if (l.newSchool) verdict += QStringLiteral("; новое учреждение «%1»").arg(l.reg.school);
        GridRows->setItem(i, 0, new QTableWidgetItem(QString::number(l.row + 1)));
        auto* verdictItem = new QTableWidgetItem(verdict);
        verdictItem->setToolTip(verdict);
        GridRows->setItem(i, 1, verdictItem);
        for (int c = 0; c < width; ++c) GridRows->setItem(i, c + 2, new QTableWidgetItem(row.value(c)));
        if (l.status != listimport::Line::Good)
            for (int c = 0; c < width + 2; ++c)
                GridRows->item(i, c)->setBackground(l.status == listimport::Line::Refused ? kRefused : kAlready);
    }
    GridRows->resizeColumnsToContents();
    for (int c = 1; c < width + 2; ++c) GridRows->setColumnWidth(c, qMin(GridRows->columnWidth(c), 260));
    const int good = m_check.count(listimport::Line::Good), already = m_check.count(listimport::Line::Already),
              refused = m_check.count(listimport::Line::Refused);
    LabelSummary->setText((written ? QStringLiteral("Строк: %1; записаны: %2; уже были в базе: %3; с ошибками: %4.")
                                   : QStringLiteral("Строк: %1; будут записаны: %2; уже есть в базе: %3; с ошибками: %4."))
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
    fillChoosers();
    recheck();
    (ButtonImport->isEnabled() ? static_cast<QWidget*>(ButtonImport) : GridRows)->setFocus();
}

void TFormImport::ButtonImportClick() {
    listimport::Result result;
    // On a worker thread with a connection of its own, under a window with "Прервать"; the rows
    // and the choices are this window's, which waits meanwhile.
    const bool written = ui::finished(
        this, QStringLiteral("Импорт списка"), QStringLiteral("Импорт прерван, ничего не записано."), kNotDone,
        [&](ui::Work& work) {
            TWorkConnection into(DM->IBDatabase1);
            atomically(into.tr, [&] {
                result = listimport::write(into.db, into.tr, m_rows, m_layout, m_defaults, [&](int done, int total) {
                    work.stopIfCancelled();
                    work.tell(QStringLiteral("Запись участников"), done, total);
                });
                work.stopIfCancelled();  // the last moment at which nothing is written
            });
        });
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
    // The window stays with each row's outcome until it is closed.
    ButtonCancel->setText(QStringLiteral("Закрыть"));
    ButtonCancel->setFocus();
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
