#pragma once

#include <QApplication>

// The application object. An exception that escapes an event handler (a typed text that is not a
// number, a database error in a window that catches nothing) ends up here and is shown in the
// general error box; the application goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
