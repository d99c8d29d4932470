#include "UMain.h"

#include "UDM.h"
#include "UEnter.h"
#include "UView.h"
#include "Atomic.h"
#include "Backup.h"
#include "DbError.h"
#include "merge/Merge.h"
#include "reports/ReportFiles.h"
#include "reports/UPrint.h"
#include "ui/GuardedWrite.h"
#include "ui/Messages.h"
#include "ui/Handler.h"
#include "ui/Window.h"

#include <QCoreApplication>
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

QString TMainForm::makeBackup(const QString& failText) {
    Database& work = DM->IBDatabase1;
    const QString file = reportfiles::newBackupFile(work.databaseName);
    if (file.isEmpty()) {
        msg::error(failText, QStringLiteral("Не удалось создать папку %1.")
                                 .arg(QDir::toNativeSeparators(QDir(reportfiles::folderName()).filePath(QStringLiteral("Резервные копии")))));
        return QString();
    }
    try {
        ProgressBar1->setRange(0, 0);
        ProgressBar1->setValue(0);
        ProgressBar1->setVisible(true);
        const auto hide = qScopeGuard([&] { ProgressBar1->setVisible(false); });  // before anything is said
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        backup::save(work, file, [&](int done, int total) {
            ProgressBar1->setRange(0, total);
            ProgressBar1->setValue(done);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    } catch (const DbError& e) {
        showRefusal(failText, e);
        return QString();
    }
    return file;
}

void TMainForm::Button6Click() {
    const QString file = makeBackup(QStringLiteral("Резервная копия не сделана."));
    if (!file.isEmpty())
        msg::info(QStringLiteral("Резервная копия сохранена в файл %1").arg(QDir::toNativeSeparators(file)));
}

void TMainForm::Button5Click() {
    const QString file = msg::chooseFile(this, OpenDialog1Filter);
    if (file.isEmpty()) return;
    // The merge rewrites the whole olympiad in one action: the database as it was is kept first.
    const QString saved = makeBackup(QStringLiteral("Резервная копия не сделана, объединение не начато."));
    if (saved.isEmpty()) return;
    Database& source = DM->IBDatabase2;
    Transaction& sourceTr = DM->IBTransaction2;
    merge::Result result;
    std::exception_ptr failure;
    {
        // The bar is shown while the merge runs; it is hidden and the source closed on every way out,
        // before anything is said.
        ProgressBar1->setRange(0, 0);
        ProgressBar1->setValue(0);
        ProgressBar1->setVisible(true);
        const auto done = qScopeGuard([&] {
            ProgressBar1->setVisible(false);
            try {
                source.disconnect();
            } catch (const DbError&) {
            }
        });
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        try {
            try {
                source.databaseName = file;
                source.connect();
                sourceTr.start();
            } catch (const DbError& e) {
                throw merge::SourceError(e);
            }
            atomically(DM->IBTransaction1, [&] {
                result = merge::run(DM->IBDatabase1, DM->IBTransaction1, source, sourceTr, [&](int n, int total) {
                    ProgressBar1->setRange(0, total);
                    ProgressBar1->setValue(n);
                    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                });
            }, merge::worthRetrying);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const merge::Refusal& r) {
            msg::error(r.text(), r.detail());
        } catch (const merge::SourceError&) {
            ui::showException(failure);  // the client's own words
        } catch (const DbError& e) {
            showRefusal(kNotDone, e);
        }
        return;
    }
    msg::info(QStringLiteral("Объединение прошло успешно!"),
              merge::summary(result) +
                  QStringLiteral("\nПеред объединением сделана резервная копия: %1").arg(QDir::toNativeSeparators(saved)));
    TDM::checkRecord(*DM);
}
