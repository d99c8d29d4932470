#pragma once

class QWidget;

// Keys typed before a window appeared were meant for the window the operator saw then: they never
// land in a window that opened by itself (one a choice opens, a question). From the moment the
// guarded window is shown, key events are dropped until the program has run its event loop with
// the window on screen and kSettleMs more have passed; keys queued while it was appearing are
// delivered in that time. Every showing of the window is guarded anew.
namespace ui {

constexpr int kSettleMs = 300;

// Guards the window for as long as it exists.
void guardTypeAhead(QWidget* window);
// Whether the window takes keys now (it is visible and settled, or not guarded).
bool takesKeys(const QWidget* window);

}  // namespace ui
