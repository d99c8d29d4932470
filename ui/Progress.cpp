#include "ui/Progress.h"

#include "ui/Messages.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>
#include <exception>

namespace ui {

void withProgress(QWidget* parent, const QString& title, const std::function<void(const Tell&)>& work) {
    QDialog window(parent);
    window.setObjectName(QStringLiteral("FormProgress"));
    window.setWindowTitle(msg::kTitle);
    window.setWindowFlags(window.windowFlags() & ~Qt::WindowCloseButtonHint & ~Qt::WindowContextHelpButtonHint);
    auto* lay = new QVBoxLayout(&window);
    auto* heading = new QLabel(title, &window);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* phase = new QLabel(&window);
    phase->setObjectName(QStringLiteral("LabelPhase"));
    auto* bar = new QProgressBar(&window);
    bar->setObjectName(QStringLiteral("ProgressBar1"));
    bar->setRange(0, 0);
    bar->setMinimumWidth(360);
    lay->addWidget(heading);
    lay->addWidget(phase);
    lay->addWidget(bar);

    std::exception_ptr failure;
    QPointer<QDialog> shown(&window);
    const Tell tell = [shown, phase, bar](const QString& text, int done, int total) {
        QMetaObject::invokeMethod(
            shown.data(),
            [shown, phase, bar, text, done, total] {
                if (!shown) return;
                phase->setText(text);
                bar->setRange(0, qMax(total, 0));
                bar->setValue(total > 0 ? done : 0);
            },
            Qt::QueuedConnection);
    };
    QThread* thread = QThread::create([&] {
        try {
            work(tell);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QObject::connect(thread, &QThread::finished, &window, &QDialog::accept, Qt::QueuedConnection);
    // Esc waits like every other key: the work ends by itself.
    window.setModal(true);
    thread->start();
    while (!thread->isFinished() && window.exec() != QDialog::Accepted && !thread->isFinished()) {
    }
    thread->wait();
    delete thread;
    if (failure) std::rethrow_exception(failure);
}

}  // namespace ui
