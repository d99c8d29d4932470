#include "Keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QAbstractButton>
#include <QVariant>

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
        if (auto* then = qobject_cast<QAbstractButton*>(button->property(kThen).value<QObject*>());
            then && then->isEnabled())
            then->click();
        return true;
    }

public:
    static constexpr const char* kThen = "tavrinEnterAlsoPresses";
};

bool isEnter(QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Enter in one box of a row: the next visible box, or the button after the last.
class EnterGoesOn : public QObject {
public:
    EnterGoesOn(const QList<QWidget*>& boxes, QAbstractButton* done) : QObject(done), m_boxes(boxes), m_done(done) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!isEnter(e)) return false;
        const auto at = m_boxes.indexOf(static_cast<QWidget*>(watched));
        if (at < 0) return false;
        for (qsizetype i = at + 1; i < m_boxes.size(); ++i)
            if (m_boxes[i]->isVisible() && m_boxes[i]->isEnabled()) {
                m_boxes[i]->setFocus(Qt::TabFocusReason);
                return true;
            }
        if (m_done->isEnabled()) m_done->click();
        return true;
    }

private:
    QList<QWidget*> m_boxes;
    QAbstractButton* m_done;
};

}  // namespace

void installKeyboardRules(QApplication& app) { app.installEventFilter(new EnterPressesFocusedButton(&app)); }

void enterGoesOn(const QList<QWidget*>& boxes, QAbstractButton* done) {
    auto* rule = new EnterGoesOn(boxes, done);
    for (QWidget* box : boxes) box->installEventFilter(rule);
}

void enterAlsoPresses(QAbstractButton* choice, QAbstractButton* button) {
    choice->setProperty(EnterPressesFocusedButton::kThen, QVariant::fromValue<QObject*>(button));
}

}  // namespace ui
