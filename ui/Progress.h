#pragma once

#include <QString>
#include <functional>

class QWidget;

// Long work (an upgrade, a backup) on a worker thread under a modal window that shows what is being
// done and how far; the window thread only shows it, never waits for the database itself.
namespace ui {

// What the work tells the window: the phase (shown as it is) and its steps done of all, which the bar
// shows (0 of 0: not known).
using Tell = std::function<void(const QString& phase, int done, int total)>;

// Runs `work` on a thread of its own (it must use database connections of its own) while a modal
// window titled `title` follows it; returns when it has ended. An exception it threw is thrown
// again here.
void withProgress(QWidget* parent, const QString& title, const std::function<void(const Tell&)>& work);

}  // namespace ui
