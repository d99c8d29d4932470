#pragma once

#include "Query.h"
#include "ui/Window.h"

class TComboBox;
class TDBGrid;
class TDBNavigator;

// Corrections of stored ciphers: the participants of a subject and grade, and the cipher rows of
// the selected one. Each edit in place and each delete is stored at once as one action.
class TFormEditShifr : public TForm {
    Q_OBJECT
public:
    explicit TFormEditShifr(QWidget* owner);

    TComboBox* ComboBox1;  // subject
    TComboBox* ComboBox2;  // grade
    TDBGrid* DBGrid1;      // participants
    TDBNavigator* DBNavigator1;
    TDBGrid* DBGrid2;      // his ciphers: "Шифр", "Тур"
    TDBNavigator* DBNavigator2;

public Q_SLOTS:
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void DBGrid1CellClick();
    void DBNavigator2Delete(int row);

private:
    bool storeEdit(int row, const QString& field, const QString& text, QString& stored);

    Query IBQuery1;  // participants of the subject and grade
    Query IBQuery2;  // cipher rows of one participant
    int m_idPredmet = 0;
    int m_idKlass = 0;
};

extern QPointer<TFormEditShifr> FormEditShifr;
