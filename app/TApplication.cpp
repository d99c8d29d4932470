#include "TApplication.h"

#include "DbError.h"
#include "ui/Messages.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const DbError& e) {
        msg::generalError(e.text());
    } catch (const ConversionError& e) {
        msg::generalError(e.text());
    } catch (const std::exception& e) {
        msg::generalError(QString::fromUtf8(e.what()));
    } catch (...) {
        msg::generalError(QStringLiteral("Неизвестная ошибка"));
    }
    return false;
}
