#pragma once

#include "Cancel.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QWidget;

// Long work (an upgrade, a backup, a merge, an import) on a worker thread under a modal window that
// shows what is being done and how far, with "Прервать"; the window thread only shows it, never
// waits for the database itself.
namespace ui {

// What the work tells the window: the phase (shown as it is) and its steps done of all, which the bar
// and the counts show (0 of 0: not known).
using Tell = std::function<void(const QString& phase, int done, int total)>;

// What stoppable work is given. Its calls may come from the worker thread at any rate.
class Work {
public:
    // The phase and its counts, as Tell.
    void tell(const QString& phase, int done, int total) const { m_tell(phase, done, total); }
    const Tell& teller() const { return m_tell; }
    // True once "Прервать" (or Esc) was pressed, or the program is ending (SIGTERM, SIGINT).
    bool cancelled() const { return m_cancel->load(); }
    // Throws Cancelled once cancelled(): the work calls it between its batches and phases.
    void stopIfCancelled() const {
        if (cancelled()) throw Cancelled();
    }
    // The question as the database routines take it (a backup's service is detached on it).
    CancelAsked asked() const {
        return [c = m_cancel] { return c->load(); };
    }
    // From here on the work cannot be undone (its action is committed): "Прервать" is withdrawn.
    void pastUndoing() const { m_pastUndoing(); }

private:
    friend struct WorkRun;
    Work(Tell tell, std::shared_ptr<std::atomic<bool>> cancel, std::function<void()> pastUndoing)
        : m_tell(std::move(tell)), m_cancel(std::move(cancel)), m_pastUndoing(std::move(pastUndoing)) {}
    Tell m_tell;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::function<void()> m_pastUndoing;
};

// Runs `work` on a thread of its own (it must use database connections of its own) while a modal
// window titled `title` follows it; returns when it has ended. An exception it threw is thrown
// again here. This one cannot be stopped: the window has no "Прервать", and a program told to end
// waits for it.
void withProgress(QWidget* parent, const QString& title, const std::function<void(const Tell&)>& work);

// The same with "Прервать" (Esc asks the same): the work is asked to stop, the window says so until
// it has, and the Cancelled it throws is thrown again here. A program told to end (SIGTERM, SIGINT)
// asks the work to stop the same way, waits for it, and then ends.
void withProgress(QWidget* parent, const QString& title, const std::function<void(Work&)>& work);

// The same, its ends said: a stop with `stopped` (information), a database or file failure under
// `notDone` with its reason. True when the work finished.
bool finished(QWidget* parent, const QString& title, const QString& stopped, const QString& notDone,
              const std::function<void(Work&)>& work);

}  // namespace ui
