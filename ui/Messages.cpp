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

void record(Kind k, const QString& text, const QString& detail = QString(), const QString& technical = QString()) {
    g_shown.append({k, text, detail, technical});
}

void showBox(QMessageBox::Icon icon, const QString& text, const QString& detail, const QString& technical) {
    QMessageBox box(icon, kTitle, text, QMessageBox::Ok, parentWindow());
    if (!detail.isEmpty()) box.setInformativeText(detail);
    if (!technical.isEmpty()) box.setDetailedText(technical);
    box.exec();
}
}  // namespace

void info(const QString& text) {
    record(Kind::Information, text);
    if (!g_test) showBox(QMessageBox::Information, text, QString(), QString());
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
    if (g_test) return g_answers.isEmpty() ? true : g_answers.dequeue();
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No, parentWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
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
