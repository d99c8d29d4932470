#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The main window: a header and the five buttons to the menus, the merge and exit.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);

    QLabel* LabelAuthority;
    QLabel* LabelTitle1;
    QLabel* LabelTitle2;
    QLabel* LabelContacts;
    QPushButton* Button1;  // "Ввод данных"
    QPushButton* Button2;  // "Просмотр данных"
    QPushButton* Button3;  // "Печать"
    QPushButton* Button5;  // "Объединение"
    QPushButton* Button4;  // "Выход"
    QProgressBar* ProgressBar1;
    // The filter of the file-open dialog that picks a database to merge.
    const QString OpenDialog1Filter = QStringLiteral("InterBase (*.GDB *.gdb *.fdb *.FDB);;Все файлы (*)");

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    // Merges another station's database into the working one, as one action.
    void Button5Click();

protected:
    void showEvent(QShowEvent* e) override;

private:
    bool m_placed = false;
};

extern QPointer<TMainForm> MainForm;
