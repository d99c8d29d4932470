#include "UMain.h"

#include "UDM.h"
#include "UEnter.h"
#include "UView.h"
#include "Atomic.h"
#include "Backup.h"
#include "Check.h"
#include "DbError.h"
#include "merge/Merge.h"
#include "reports/ReportFiles.h"
#include "reports/UPrint.h"
#include "ui/GuardedWrite.h"
#include "ui/Messages.h"
#include "ui/Progress.h"
#include "ui/Station.h"
#include "ui/Handler.h"
#include "ui/Window.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

QPointer<TMainForm> MainForm;


TMainForm::TMainForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("MainForm"));

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(24, 18, 24, 18);
    lay->setSpacing(8);

    LabelAuthority = new QLabel(QStringLiteral("Оргкомитет предметной олимпиады школьников"), this);
    LabelAuthority->setObjectName(QStringLiteral("LabelAuthority"));
    LabelAuthority->setAlignment(Qt::AlignCenter);
    QFont big = font();
    big.setPointSizeF(font().pointSizeF() * 2.0);
    big.setBold(true);
    LabelTitle1 = new QLabel(QStringLiteral("Таврин"), this);
    LabelTitle1->setObjectName(QStringLiteral("LabelTitle1"));
    LabelTitle2 = new QLabel(QStringLiteral("Учёт олимпиады"), this);
    LabelTitle2->setObjectName(QStringLiteral("LabelTitle2"));
    for (QLabel* l : {LabelTitle1, LabelTitle2}) {
        l->setFont(big);
        l->setAlignment(Qt::AlignCenter);
    }
    LabelContacts = new QLabel(QStringLiteral("Разработчики программы «Таврин»\n"
                                              "Вопросы и предложения передавайте через оргкомитет олимпиады"),
                               this);
    LabelContacts->setObjectName(QStringLiteral("LabelContacts"));
    LabelContacts->setAlignment(Qt::AlignCenter);
    LabelContacts->setStyleSheet(QStringLiteral("color: #555;"));

    lay->addWidget(LabelAuthority);
    lay->addWidget(LabelTitle1);
    lay->addWidget(LabelTitle2);
    lay->addSpacing(12);

    Button1 = addMenuButton(this, lay, "Button1", QStringLiteral("Ввод данных"));
    Button2 = addMenuButton(this, lay, "Button2", QStringLiteral("Просмотр данных"));
    Button3 = addMenuButton(this, lay, "Button3", QStringLiteral("Печать"));
    Button5 = addMenuButton(this, lay, "Button5", QStringLiteral("Объединение"));
    Button6 = addMenuButton(this, lay, "Button6", QStringLiteral("Резервная копия"));
    Button4 = addMenuButton(this, lay, "Button4", QStringLiteral("Выход"));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setVisible(false);
    // Its place is kept while it is hidden, so the window keeps its size before, during and after a merge.
    QSizePolicy keep = ProgressBar1->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    ProgressBar1->setSizePolicy(keep);
    lay->addWidget(ProgressBar1);
    lay->addSpacing(12);
    lay->addWidget(LabelContacts);

    ui::connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);
    ui::connect(Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
    ui::connect(Button3, &QPushButton::clicked, this, &TMainForm::Button3Click);
    ui::connect(Button4, &QPushButton::clicked, this, &TMainForm::Button4Click);
    ui::connect(Button5, &QPushButton::clicked, this, &TMainForm::Button5Click);
    ui::connect(Button6, &QPushButton::clicked, this, &TMainForm::Button6Click);
}

void TMainForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!m_placed && screen()) {
        adjustSize();
        move(screen()->availableGeometry().center() - rect().center());
        m_placed = true;
    }
}

void TMainForm::Button1Click() { openWindow(FormEnter, this); }
void TMainForm::Button2Click() { openWindow(FormView, this); }
void TMainForm::Button3Click() { openWindow(FormPrint, this); }
void TMainForm::Button4Click() { close(); }

namespace {

const QString kBackupPhase = QStringLiteral("Резервная копия");

// The backup before a merge could not be made: the merge is not begun.
struct BackupFailed {
    DbError error;
};

// The engine's backup of the working database into `file`, as a phase of long work.
void saveBackup(ui::Work& work, const QString& file) {
    backup::save(DM->IBDatabase1, file, [&](int done, int total) { work.tell(kBackupPhase, done, total); }, work.asked());
}

// The merge of the database `file` names into the working one, on the worker thread: the source is
// read through the station's merge connection, the working database written through a connection
// of the work's own, as one action; then the record is checked.
merge::Result mergeFrom(ui::Work& work, const QString& file, check::Findings& found) {
    Database& source = DM->IBDatabase2;
    Transaction& sourceTr = DM->IBTransaction2;
    const auto close = qScopeGuard([&] {
        try {
            source.disconnect();
        } catch (const DbError&) {
        }
    });
    work.tell(QStringLiteral("Чтение баз данных"), 0, 0);
    try {
        source.databaseName = file;
        source.connect();
        sourceTr.start();
    } catch (const DbError& e) {
        throw merge::SourceError(e);
    }
    TWorkConnection into(DM->IBDatabase1);
    merge::Result result;
    atomically(into.tr, [&] {
        result = merge::run(into.db, into.tr, source, sourceTr, [&](int done, int total) {
            work.stopIfCancelled();
            work.tell(QStringLiteral("Запись участников"), done, total);
        });
        work.stopIfCancelled();  // the last moment at which nothing is written
    }, merge::worthRetrying);
    work.pastUndoing();
    work.tell(QStringLiteral("Проверка базы данных"), 0, 0);
    found = check::run(into.db, into.tr);
    return result;
}

}  // namespace

QString TMainForm::backupFile(const QString& failText) {
    const QString file = reportfiles::newBackupFile(DM->IBDatabase1.databaseName);
    if (file.isEmpty())
        msg::error(failText, QStringLiteral("Не удалось создать папку %1.")
                                 .arg(QDir::toNativeSeparators(QDir(reportfiles::folderName()).filePath(QStringLiteral("Резервные копии")))));
    return file;
}

void TMainForm::Button6Click() {
    const QString failText = QStringLiteral("Резервная копия не сделана.");
    const QString file = backupFile(failText);
    if (file.isEmpty()) return;
    if (!ui::finished(this, kBackupPhase, QStringLiteral("Резервное копирование прервано, файл не записан."), failText,
                      [&](ui::Work& work) { saveBackup(work, file); }))
        return;
    msg::info(QStringLiteral("Резервная копия сохранена в файл %1").arg(QDir::toNativeSeparators(file)));
}

void TMainForm::Button5Click() {
    const QString file = msg::chooseFile(this, OpenDialog1Filter);
    if (file.isEmpty()) return;
    // The merge rewrites the whole olympiad in one action: the database as it was is kept first.
    const QString notBegun = QStringLiteral("Резервная копия не сделана, объединение не начато.");
    const QString saved = backupFile(notBegun);
    if (saved.isEmpty()) return;
    merge::Result result;
    check::Findings found;
    try {
        // The bar of the window is busy while the merge runs and hidden on every way out, before
        // anything is said; the merge's own window shows how far it is.
        ProgressBar1->setRange(0, 0);
        ProgressBar1->setVisible(true);
        const auto hide = qScopeGuard([&] { ProgressBar1->setVisible(false); });
        ui::withProgress(this, QStringLiteral("Объединение"), [&](ui::Work& work) {
            try {
                saveBackup(work, saved);
            } catch (const DbError& e) {
                throw BackupFailed{e};
            }
            result = mergeFrom(work, file, found);
        });
    } catch (const BackupFailed& f) {
        showRefusal(notBegun, f.error);
        return;
    } catch (const Cancelled&) {
        msg::info(QStringLiteral("Объединение прервано, ничего не изменено."));
        return;
    } catch (const merge::Refusal& r) {
        msg::error(r.text(), r.detail());
        return;
    } catch (const merge::SourceError&) {
        ui::showException(std::current_exception());  // the client's own words
        return;
    } catch (const DbError& e) {
        showRefusal(kNotDone, e);
        return;
    }
    msg::info(QStringLiteral("Объединение прошло успешно!"),
              merge::summary(result) +
                  QStringLiteral("\nПеред объединением сделана резервная копия: %1").arg(QDir::toNativeSeparators(saved)));
    TDM::showFindings(found);
}
