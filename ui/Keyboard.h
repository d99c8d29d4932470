#pragma once

#include <QList>

class QAbstractButton;
class QApplication;
class QWidget;

namespace ui {

// Enter on a focused button presses that button, in every window (so Enter on "Отмена" cancels,
// and Enter works on the menu buttons of windows that are not dialogs; Enter on a radio button
// chooses it). Installed once on the application.
void installKeyboardRules(QApplication& app);

// A row of entry boxes typed one after another: Enter in a box goes on to the next visible one,
// and in the last visible one presses `done`.
void enterGoesOn(const QList<QWidget*>& boxes, QAbstractButton* done);

// Enter on a choice button (a radio button) chooses it and then presses `button` as well.
void enterAlsoPresses(QAbstractButton* choice, QAbstractButton* button);

}  // namespace ui
