#include "Handler.h"

#include "DbError.h"
#include "Messages.h"

namespace ui {

void showException(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const DbError& err) {
        msg::generalError(err.text(), dberror::explain(err));
    } catch (const ConversionError& err) {
        msg::generalError(err.text());
    } catch (const std::exception& err) {
        msg::generalError(QString::fromUtf8(err.what()));
    } catch (...) {
        msg::generalError(QStringLiteral("Неизвестная ошибка"));
    }
}

void run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        showException(std::current_exception());
    }
}

}  // namespace ui
