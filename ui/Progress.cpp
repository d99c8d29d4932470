#include "ui/Progress.h"

#include "DbError.h"
#include "ui/GuardedWrite.h"
#include "ui/Messages.h"
#include "xlsx/FileError.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <exception>

namespace ui {

namespace {

const QString kStopping = QStringLiteral("Прерывается…");

// The window: heading, phase, counts, bar and "Прервать". It is closed only by the work's end; Esc
// and "Прервать" ask the work to stop.
class ProgressWindow : public QDialog {
public:
    ProgressWindow(QWidget* parent, const QString& title, bool stoppable) : QDialog(parent), m_stoppable(stoppable) {
        setObjectName(QStringLiteral("FormProgress"));
        setWindowTitle(msg::kTitle);
        setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint & ~Qt::WindowContextHelpButtonHint);
        setModal(true);
        auto* lay = new QVBoxLayout(this);
        auto* heading = new QLabel(title, this);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        phase = new QLabel(this);
        phase->setObjectName(QStringLiteral("LabelPhase"));
        counts = new QLabel(this);
        counts->setObjectName(QStringLiteral("LabelCounts"));
        bar = new QProgressBar(this);
        bar->setObjectName(QStringLiteral("ProgressBar1"));
        bar->setRange(0, 0);
        bar->setMinimumWidth(360);
        stop = new QPushButton(QStringLiteral("Прервать"), this);
        stop->setObjectName(QStringLiteral("ButtonStop"));
        stop->setAutoDefault(false);
        stop->setVisible(stoppable);
        QObject::connect(stop, &QPushButton::clicked, this, [this] { reject(); });
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(stop);
        lay->addWidget(heading);
        lay->addWidget(phase);
        lay->addWidget(counts);
        lay->addWidget(bar);
        lay->addLayout(buttons);
    }

    // Esc, the button: the work is asked to stop, and the window stays until it has.
    void reject() override {
        if (!m_stoppable || !stop->isEnabled()) return;
        cancel->store(true);
        stop->setEnabled(false);
        phase->setText(kStopping);
    }

    void show(const QString& text, int done, int total) {
        if (!cancel->load()) phase->setText(text);
        counts->setText(total > 0 ? QStringLiteral("%1 из %2").arg(done).arg(total) : QString());
        bar->setRange(0, qMax(total, 0));
        bar->setValue(total > 0 ? done : 0);
    }

    std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
    QLabel* phase;
    QLabel* counts;
    QProgressBar* bar;
    QPushButton* stop;

private:
    bool m_stoppable;
};

}  // namespace

// Builds the Work a run gives (its constructor is private to here).
struct WorkRun {
    static Work make(ProgressWindow* window) {
        QPointer<QDialog> shown(window);
        auto onWindow = [shown](auto f) {
            QMetaObject::invokeMethod(shown.data(), [shown, f] { if (shown) f(static_cast<ProgressWindow*>(shown.data())); },
                                      Qt::QueuedConnection);
        };
        return Work(
            [onWindow](const QString& text, int done, int total) {
                onWindow([text, done, total](ProgressWindow* w) { w->show(text, done, total); });
            },
            window->cancel,
            [onWindow] { onWindow([](ProgressWindow* w) { w->stop->setEnabled(false); }); });
    }
};

namespace {

void runUnder(QWidget* parent, const QString& title, bool stoppable, const std::function<void(Work&)>& work) {
    ProgressWindow window(parent, title, stoppable);
    Work given = WorkRun::make(&window);
    std::exception_ptr failure;
    QThread* thread = QThread::create([&] {
        try {
            work(given);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QObject::connect(thread, &QThread::finished, &window, &QDialog::accept, Qt::QueuedConnection);
    thread->start();
    // The window's loop ends when the work has ended, or when the program's loops are told to end
    // (a signal, "Выход"): then the work is asked to stop and waited for, and the program ends.
    while (!thread->isFinished() && window.exec() != QDialog::Accepted) {
        if (thread->isFinished()) break;
        window.cancel->store(true);
        thread->wait();
    }
    thread->wait();
    delete thread;
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

void withProgress(QWidget* parent, const QString& title, const std::function<void(const Tell&)>& work) {
    runUnder(parent, title, false, [&](Work& w) { work(w.teller()); });
}

void withProgress(QWidget* parent, const QString& title, const std::function<void(Work&)>& work) {
    runUnder(parent, title, true, work);
}

bool finished(QWidget* parent, const QString& title, const QString& stopped, const QString& notDone,
              const std::function<void(Work&)>& work) {
    try {
        withProgress(parent, title, work);
        return true;
    } catch (const Cancelled&) {
        msg::info(stopped);
    } catch (const FileError& e) {
        msg::error(notDone, e.text());
    } catch (const DbError& e) {
        showRefusal(notDone, e);
    }
    return false;
}

}  // namespace ui
