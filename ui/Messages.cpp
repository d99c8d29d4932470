#include "Messages.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QQueue>

namespace msg {

namespace {
bool g_test = false;
QList<Shown> g_shown;
QQueue<bool> g_answers;
QQueue<QString> g_files;

QWidget* parentWindow() {
    QWidget* w = QApplication::activeModalWidget();
    return w ? w : QApplication::activeWindow();
}

void record(Kind k, const QString& text, const QString& detail = QString()) { g_shown.append({k, text, detail}); }
}  // namespace

void info(const QString& text) {
    record(Kind::Information, text);
    if (!g_test) QMessageBox::information(parentWindow(), QApplication::applicationDisplayName(), text);
}

void error(const QString& text, const QString& detail) {
    record(Kind::Error, text, detail);
    if (g_test) return;
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    parentWindow());
    if (!detail.isEmpty()) box.setInformativeText(detail);
    box.exec();
}

void generalError(const QString& text) {
    record(Kind::GeneralError, text);
    if (!g_test) QMessageBox::critical(parentWindow(), QStringLiteral("Ошибка"), text);
}

bool confirm(const QString& text) {
    record(Kind::Confirmation, text);
    if (g_test) return g_answers.isEmpty() ? true : g_answers.dequeue();
    return QMessageBox::question(parentWindow(), QStringLiteral("Подтверждение"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

QString chooseFile(QWidget* parent, const QString& filter) {
    record(Kind::FileChoice, filter);
    if (g_test) return g_files.isEmpty() ? QString() : g_files.dequeue();
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

void setTestMode(bool on) { g_test = on; }
void setNextAnswer(bool yes) { g_answers.enqueue(yes); }
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
