#pragma once

#include "publish/Results.h"
#include "ui/Window.h"

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TComboBox;

// "Публикация результатов": writes the results of the chosen subjects and grades as a small site
// (publish/Site) into a new folder of the reports folder and opens its index.html in the browser.
// By default every subject and grade by cipher: Enter alone publishes them. The names form is
// refused while any of the chosen results is preliminary.
class TFormPublish : public TForm {
    Q_OBJECT
public:
    explicit TFormPublish(QWidget* owner);

    QLabel* Label1;             // "Предмет"
    TComboBox* ComboBox1;       // "Все" or a subject
    QLabel* Label2;             // "Класс"
    TComboBox* ComboBox2;       // "Все" or a grade
    QRadioButton* RadioButton1;  // "По шифрам"
    QRadioButton* RadioButton2;  // "С фамилиями"
    QLabel* Label3;             // "Олимпиада (название и год)"
    QLineEdit* Edit1;
    QPushButton* Button1;       // "Опубликовать"
    QPushButton* Button2;       // "Отмена"

    // The folder written last (empty: none).
    QString written() const { return m_written; }

public Q_SLOTS:
    void Button1Click();

private:
    std::optional<publish::Choice> read();
    // Reads and writes the site on a worker thread; false where nothing was published.
    bool publishSite(const publish::Choice& choice, const QString& olympiad);
    QString m_written;
};

extern QPointer<TFormPublish> FormPublish;
