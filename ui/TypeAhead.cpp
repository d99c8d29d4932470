#include "TypeAhead.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace ui {

namespace {

class TypeAheadGuard : public QObject {
public:
    static constexpr const char* kName = "tavrinTypeAheadGuard";
    explicit TypeAheadGuard(QWidget* window) : QObject(window), m_window(window) {
        setObjectName(QString::fromLatin1(kName));
        window->installEventFilter(this);
        qApp->installEventFilter(this);
    }
    bool settled() const { return !m_guarding; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_window && e->type() == QEvent::Show) start();
        if (watched == m_window && e->type() == QEvent::Hide) m_guarding = false;
        if (!m_guarding || !isKey(e)) return false;
        if (m_running && m_clock.elapsed() >= kSettleMs) {
            m_guarding = false;
            return false;
        }
        return true;  // typed before the window could be seen
    }

private:
    static bool isKey(const QEvent* e) {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod: return true;
        default: return false;
        }
    }
    void start() {
        m_guarding = true;
        m_running = false;
        // The clock starts once the event loop runs with the window shown: a slow start does not
        // shorten the time the keys queued meanwhile are dropped in.
        QTimer::singleShot(0, this, [this] {
            m_clock.start();
            m_running = true;
            QTimer::singleShot(kSettleMs, this, [this] {
                if (m_running && m_clock.elapsed() >= kSettleMs) m_guarding = false;
            });
        });
    }

    QPointer<QWidget> m_window;
    QElapsedTimer m_clock;
    bool m_guarding = false;
    bool m_running = false;
};

}  // namespace

namespace {
// The guard of a window (a plain QObject by name: the class has no meta-object of its own).
TypeAheadGuard* guardOf(const QWidget* window) {
    return static_cast<TypeAheadGuard*>(
        window->findChild<QObject*>(QString::fromLatin1(TypeAheadGuard::kName), Qt::FindDirectChildrenOnly));
}
}  // namespace

void guardTypeAhead(QWidget* window) {
    if (!guardOf(window)) new TypeAheadGuard(window);
}

bool takesKeys(const QWidget* window) {
    const TypeAheadGuard* guard = guardOf(window);
    return !guard || guard->settled();
}

}  // namespace ui
