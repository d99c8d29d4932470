#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The main window: a header and the buttons to the menus, the merge, the backup and exit.
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
    QPushButton* Button6;  // "Резервная копия"
    QPushButton* Button4;  // "Выход"
    QProgressBar* ProgressBar1;
    // The filter of the file-open dialog that picks a database to merge.
    const QString OpenDialog1Filter = QStringLiteral("InterBase (*.GDB *.gdb *.fdb *.FDB);;Все файлы (*)");

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    // Merges another station's database into the working one, as one action, after a backup; both
    // on a worker thread under a window with "Прервать".
    void Button5Click();
    // Writes a backup of the working database (on a worker thread, under a window with
    // "Прервать") and says where it is.
    void Button6Click();

protected:
    void showEvent(QShowEvent* e) override;

private:
    // A new file of the backups folder for a backup of the working database; empty after saying
    // `failText` and why.
    QString backupFile(const QString& failText);
    bool m_placed = false;
};

extern QPointer<TMainForm> MainForm;
