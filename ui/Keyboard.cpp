#include "Keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QAbstractButton>

namespace ui {

namespace {

class EnterPressesFocusedButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);  // push, tool, radio and check buttons
        if (!button || button != QApplication::focusWidget() || !button->isEnabled() || !button->isVisible())
            return false;
        button->click();
        return true;
    }
};

}  // namespace

void installKeyboardRules(QApplication& app) { app.installEventFilter(new EnterPressesFocusedButton(&app)); }

}  // namespace ui
