#include "Application.h"

#include "Database.h"
#include "Handler.h"
#include "Keyboard.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

// The offscreen platform (tests, the benchmark) says what it cannot do on every window shown; that
// is not news.
QtMessageHandler g_standardMessages = nullptr;
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.startsWith(QLatin1String("This plugin does not support"))) g_standardMessages(type, context, text);
}

// In a signal handler, or in a thread of the database client: only write a byte.
void requestEnd() {
    const char byte = 1;
    if (g_signalPipe[1] < 0) return;
    const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    (void)n;  // a full pipe already holds a request
}

void onSignal(int) { requestEnd(); }

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv), m_qtTexts(new QTranslator(this)) {
    if (m_qtTexts->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(m_qtTexts);
    ui::installKeyboardRules(*this);
    installShutdownSignals();
    if (platformName() == u"offscreen" && !g_standardMessages) g_standardMessages = qInstallMessageHandler(quietOffscreen);
}

void TApplication::installShutdownSignals() {
    if (g_signalPipe[0] < 0) {
        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction sa = {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        // The database client installs its own handlers when it starts; it passes the signal on
        // to these, and its shutdown of the attachments is refused.
        Database::onShutdownSignal(requestEnd);
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        char buf[16];
        while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
        }
        // Every window's loop ends; main then destroys the windows and the connections.
        QCoreApplication::exit(0);
    });
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ui::showException(std::current_exception());
    }
    return false;
}
