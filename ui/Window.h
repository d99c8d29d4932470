#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

#include <initializer_list>
#include <memory>
#include <utility>

class QAbstractButton;
class QBoxLayout;
class QGridLayout;
class QKeySequence;
class QLabel;
class QLineEdit;
class QPushButton;

// Base of the program's windows: a modal dialog, centred on the desktop when it is shown unless
// it keeps its designed position. Closing hides it; it is destroyed with its owner.

inline const QString kUnsaved = QStringLiteral("Введённые данные не сохранены. Закрыть окно?");
class TForm : public QDialog {
    Q_OBJECT
public:
    explicit TForm(QWidget* owner, bool centreOnDesktop = true);

    // Closing (Esc, "Отмена", the close box) asks first while typed work is not stored.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    // Whether the operator typed something the window has not stored yet.
    virtual bool unsavedWork() const { return false; }

private:
    bool m_centre;
    bool m_placed = false;
};

// Creates the window owned by its opener, stores it in its global reference and shows it modally.
// The window is destroyed when the returned holder goes, at once where the opener keeps nothing of
// it: what is read of a window after it closed is read from the holder.
template <class T, class... Args>
std::unique_ptr<T> openWindow(QPointer<T>& ref, QWidget* owner, Args&&... args) {
    std::unique_ptr<T> w(new T(owner, std::forward<Args>(args)...));
    ref = w.get();
    w->exec();
    return w;
}

// The buttons at the lower right of a dialog: "Button1" does what the dialog is for (its default)
// and "Button2", "Отмена", closes it without doing it.
std::pair<QPushButton*, QPushButton*> addDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& doText);

// A wide button of a menu window, added to the layout under its name.
QPushButton* addMenuButton(QWidget* parent, QBoxLayout* layout, const char* name, const QString& text);

// Puts a stored text into an edit with its start in view (a long name shows its beginning).
void showText(QLineEdit* edit, const QString& text);

// Gives a button a key that presses it while one of the fields has the focus, and names the key in
// the button's tool tip ("Добавить (Ins)").
void pressedByKey(QAbstractButton* button, const QString& hint, const QKeySequence& key,
                  std::initializer_list<QWidget*> fields);

// The label of a field (its buddy).
QLabel* labelFor(QWidget* parent, const QString& text, QWidget* field);
// The choosers at the top of a window, "по" before the first, each under its label, from column 1
// of the grid's rows 0 and 1. The labels, in the choosers' order.
QList<QLabel*> placeChoosers(QWidget* parent, QGridLayout* top, std::initializer_list<std::pair<QString, QWidget*>> choosers);
// A read-only field that shows a value the window computed.
QLineEdit* shownValue(QWidget* parent, const char* name);
