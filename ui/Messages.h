#pragma once

#include <QList>
#include <QString>

class QWidget;

// Every message box and file choice of the program goes through here, so that tests can answer
// them beforehand and read what was shown.
namespace msg {

enum class Kind { Information, Error, Confirmation, GeneralError, FileChoice };

struct Shown {
    Kind kind;
    QString text;
    QString detail;     // shown under the text: what happened, in Russian
    QString technical;  // behind "Show details": the database client's own words
};

// Every box has the program's title.
inline const QString kTitle = QStringLiteral("Таврин");
// The refusal of windows that act on the participant selected in their list.
inline const QString kChooseParticipant = QStringLiteral("Выберите участника");

void info(const QString& text, const QString& detail = QString());
// The detail, when given, is shown under the text (the reason of a refusal); the technical text,
// when given, can be unfolded below it.
void error(const QString& text, const QString& detail = QString(), const QString& technical = QString());
// Yes/No; true for Yes.
bool confirm(const QString& text);
// Да/Нет/Отмена, Да the default; Esc or the close box is Отмена.
enum class Answer { Yes, No, Cancel };
Answer ask(const QString& text);
// The application's general error box (an exception that escaped a handler, a failed connection).
void generalError(const QString& text, const QString& detail = QString());
// A file-open dialog; empty when cancelled.
QString chooseFile(QWidget* parent, const QString& filter);
// A file-save dialog starting at `suggested`; empty when cancelled.
QString chooseSaveFile(QWidget* parent, const QString& filter, const QString& suggested);

// While one of these lives, message boxes (not questions) are shown only after it goes, once the
// program is back in its event loop: a cell's editor that hands over a refused value must be
// closed before a box can run its own event loop.
class DeferBoxes {
public:
    DeferBoxes();
    ~DeferBoxes();
    DeferBoxes(const DeferBoxes&) = delete;
    DeferBoxes& operator=(const DeferBoxes&) = delete;
};

// Test mode: nothing is shown; each box is recorded and answered from the queue
// (questions: Yes unless told otherwise; file choices: empty unless told).
void setTestMode(bool on);
void setNextAnswer(bool yes);
void setNextAnswer(Answer answer);
void setNextFile(const QString& path);
const QList<Shown>& shown();
QStringList shownTexts();
void clearShown();

}  // namespace msg
