#pragma once

#include <QApplication>

class QTranslator;

// The application object: Qt's own Russian texts ("Да", "Нет", "Отмена"), the keyboard rules of
// every window, and a clean end on SIGTERM and SIGINT, as "Выход" ends the program. An exception
// that escapes a handler is caught where the handler runs (ui::run); notify() is the last resort.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    void installShutdownSignals();
    QTranslator* m_qtTexts;
};
