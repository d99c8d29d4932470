#pragma once

#include <QDialog>
#include <QPointer>

class QBoxLayout;
class QPushButton;

// Base of the program's windows: a modal dialog, centred on the desktop when it is shown unless
// it keeps its designed position. Closing hides it; it is destroyed with its owner.
class TForm : public QDialog {
    Q_OBJECT
public:
    explicit TForm(QWidget* owner, bool centreOnDesktop = true);

protected:
    void showEvent(QShowEvent* e) override;

private:
    bool m_centre;
    bool m_placed = false;
};

// Creates the window owned by its opener, stores it in its global reference and shows it modally.
template <class T, class... Args>
T* openWindow(QPointer<T>& ref, QWidget* owner, Args&&... args) {
    T* w = new T(owner, std::forward<Args>(args)...);
    ref = w;
    w->exec();
    return w;
}

// A wide button of a menu window, added to the layout under its name.
QPushButton* addMenuButton(QWidget* parent, QBoxLayout* layout, const char* name, const QString& text);
