#pragma once

class QApplication;

namespace ui {

// Enter on a focused button presses that button, in every window (so Enter on "Отмена" cancels,
// and Enter works on the menu buttons of windows that are not dialogs; Enter on a radio button
// chooses it). Installed once on the application.
void installKeyboardRules(QApplication& app);

}  // namespace ui
