#include "Messages.h"

#include "TypeAhead.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QQueue>
#include <QTimer>
#include <functional>
#include <utility>

namespace msg {

namespace {
bool g_test = false;
QList<Shown> g_shown;
QQueue<Answer> g_answers;
QQueue<QString> g_files;

QWidget* parentWindow() {
    QWidget* w = QApplication::activeModalWidget();
    return w ? w : QApplication::activeWindow();
}

void record(Kind k, const QString& text, const QString& detail = QString(), const QString& technical = QString()) {
    g_shown.append({k, text, detail, technical});
}

int g_deferDepth = 0;
QList<std::function<void()>> g_deferred;

// A box as wide as its title needs, however short its text ("не получилось"): a message box
// sizes itself to its text, so a spacer across its grid holds it open.
void wideEnough(QMessageBox& box) {
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(300, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

void showBoxNow(QMessageBox::Icon icon, const QString& text, const QString& detail, const QString& technical) {
    QMessageBox box(icon, kTitle, text, QMessageBox::Ok, parentWindow());
    if (!detail.isEmpty()) box.setInformativeText(detail);
    if (!technical.isEmpty()) box.setDetailedText(technical);
    wideEnough(box);
    ui::guardTypeAhead(&box);
    box.exec();
}

void showBox(QMessageBox::Icon icon, const QString& text, const QString& detail, const QString& technical) {
    // The system's two-line texts separate their lines with a line feed and a carriage return.
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    if (g_deferDepth > 0)
        g_deferred.append([=] { showBoxNow(icon, shown, detail, technical); });
    else
        showBoxNow(icon, shown, detail, technical);
}
}  // namespace

DeferBoxes::DeferBoxes() { ++g_deferDepth; }

DeferBoxes::~DeferBoxes() {
    if (--g_deferDepth > 0 || g_deferred.isEmpty()) return;
    QTimer::singleShot(0, qApp, [boxes = std::exchange(g_deferred, {})] {
        for (const auto& box : boxes) box();
    });
}

void info(const QString& text, const QString& detail) {
    record(Kind::Information, text, detail);
    if (!g_test) showBox(QMessageBox::Information, text, detail, QString());
}

void error(const QString& text, const QString& detail, const QString& technical) {
    record(Kind::Error, text, detail, technical);
    if (!g_test) showBox(QMessageBox::Critical, text, detail, technical);
}

void generalError(const QString& text, const QString& detail) {
    record(Kind::GeneralError, text, detail);
    if (!g_test) showBox(QMessageBox::Critical, text, detail, QString());
}

bool confirm(const QString& text) {
    record(Kind::Confirmation, text);
    if (g_test) return g_answers.isEmpty() || g_answers.dequeue() == Answer::Yes;
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No, parentWindow());
    box.setDefaultButton(QMessageBox::No);
    wideEnough(box);
    ui::guardTypeAhead(&box);
    return box.exec() == QMessageBox::Yes;
}

Answer ask(const QString& text) {
    record(Kind::Confirmation, text);
    if (g_test) return g_answers.isEmpty() ? Answer::Yes : g_answers.dequeue();
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    parentWindow());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    wideEnough(box);
    ui::guardTypeAhead(&box);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

QString chooseFile(QWidget* parent, const QString& filter) {
    record(Kind::FileChoice, filter);
    if (g_test) return g_files.isEmpty() ? QString() : g_files.dequeue();
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QString chooseSaveFile(QWidget* parent, const QString& filter, const QString& suggested) {
    record(Kind::FileChoice, filter);
    if (g_test) return g_files.isEmpty() ? QString() : g_files.dequeue();
    return QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
}

void setTestMode(bool on) { g_test = on; }
void setNextAnswer(bool yes) { g_answers.enqueue(yes ? Answer::Yes : Answer::No); }
void setNextAnswer(Answer answer) { g_answers.enqueue(answer); }
void setNextFile(const QString& path) { g_files.enqueue(path); }
const QList<Shown>& shown() { return g_shown; }

QStringList shownTexts() {
    QStringList l;
    for (const Shown& s : g_shown) l.append(s.text);
    return l;
}

void clearShown() {
    g_shown.clear();
    g_answers.clear();
    g_files.clear();
}

}  // namespace msg
