#pragma once

#include "ui/Handler.h"

#include <QComboBox>
#include <optional>
#include <QString>
#include <QStringList>

class Query;

// A chooser: a drop-down list whose text can also be typed. A value is chosen when it is picked
// from the list, or when a typed text that names an item (capitals or not) is confirmed with Enter
// or by leaving the box; then `chosen` reports the item's text. Typing and browsing with the arrow
// keys or the wheel in a closed box only change the text. Enter in the box never presses the
// window's default button: a value it chooses takes the cursor on to the next field; a text that
// names nothing keeps it there.
class TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);
    // The shown text was set by code: there is nothing to confirm.
    void settle() { m_dirty = false; }
    // The index of the item the text names, exactly or but for capitals; -1 when none.
    int itemNamed(const QString& text) const;
    // Enter that chooses a value goes on to the next field, unless the box keeps the cursor (a box
    // typed into again and again, as a degree for participant after participant).
    void setKeepsFocusOnEnter(bool keeps) { m_keepsFocus = keeps; }

Q_SIGNALS:
    void chosen(const QString& text);
    // A typed text that names no item was confirmed (Enter, or leaving the box after typing).
    void refused(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void confirm();
    void choose(int index);
    bool m_browsing = false;  // an index change now comes from the arrow keys or the wheel
    bool m_leaving = false;   // the box is losing the focus
    bool m_dirty = false;     // the text changed since the last choice or since code set it
    bool m_keepsFocus = false;
};

// A chooser named for its window, its text at most `maxLength` characters.
TComboBox* newChooser(QWidget* parent, const char* name, int maxLength = 50, int minWidth = 160);

// Filling and clearing a chooser from code never runs its change handler.
namespace combo {

// Connects a chooser to the window's change handler, which runs for a chosen value and also for a
// confirmed text that names nothing: the lists that depend on the chooser then follow what it
// shows, and are emptied rather than left showing the last choice.
template <class Window>
void onChoice(TComboBox* box, Window* window, void (Window::*handler)()) {
    ui::connect(box, &TComboBox::chosen, window, handler);
    ui::connect(box, &TComboBox::refused, window, handler);
}
// Whether the chooser's text names one of its items (capitals or not).
bool namesItem(const TComboBox* box);

// Clears the items and the shown text, then adds the field of every row of the opened query.
void fill(QComboBox* box, Query& q, const QString& field);
// Runs the query, fills the box from it, closes the query.
void fillFrom(QComboBox* box, Query& q, const QString& field);
// Clears the items and the shown text, then adds the given items.
void setItems(QComboBox* box, const QStringList& items);
void clear(QComboBox* box);
// Empties the shown text and the choice; the items stay, and Down starts again at the first.
void clearChoice(QComboBox* box);
// Shows the text; the item it names, if any, becomes the current one.
void setText(QComboBox* box, const QString& text);

// A dialog's choice of "Все" or one subject (those with participants) and "Все" or one grade,
// "Все" shown in both.
inline const QString kAll = QStringLiteral("Все");
void fillAllOrOne(TComboBox* subject, TComboBox* grade);
// The item a chooser's text names, empty for "Все"; none (after saying what to choose, the focus
// on the chooser) when the text names nothing.
std::optional<QString> allOrOne(TComboBox* box, const QString& whatToChoose);

}  // namespace combo
