#pragma once

#include "participants/Import.h"
#include "ui/Window.h"

#include <QList>
#include <QStringList>

class QComboBox;
class QSpinBox;
class TComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QGridLayout;
class QHBoxLayout;
class QScrollArea;

// The preview of a list file before it is registered: the rows as read, what each column holds
// (guessed from the heading, changeable), the team (and subject) of a file without such a column,
// and every row checked with the reason it would be refused or the new school it would add.
// "Импортировать" registers the good rows as one action.
class TFormImport : public TForm {
    Q_OBJECT
public:
    // `list`: the file as read, its sheet and rows (listimport::openList).
    TFormImport(QWidget* owner, const QString& path, const listimport::List& list, const listimport::Defaults& defaults);

    QComboBox* ComboSheet;  // the sheet of a workbook with several
    QSpinBox* SpinHeader;   // the heading's row (0: none)
    TComboBox* ComboKomand;   // the team, shown when no column holds it
    TComboBox* ComboPredmet;  // the subject, shown when no column holds it
    QList<TComboBox*> ColumnBoxes;  // what each column of the file holds
    QTableWidget* GridRows;
    QLabel* LabelSummary;
    QLabel* LabelMissing;
    QPushButton* ButtonAddMissing;
    QPushButton* ButtonImport;
    QPushButton* ButtonSaveRefused;
    QPushButton* ButtonCancel;

    const listimport::Check& checked() const { return m_check; }
    // Participants registered by this window (0 until "Импортировать" succeeds).
    int registered() const { return m_registered; }

public Q_SLOTS:
    void ComboSheetChange();
    void SpinHeaderChange();
    void ComboKomandChange();
    void ComboPredmetChange();
    void ColumnChange(int column);
    void ButtonAddMissingClick();
    void ButtonImportClick();
    void ButtonSaveRefusedClick();

private:
    QHBoxLayout* fileRow(const QString& path);
    QHBoxLayout* teamAndSubject();
    QScrollArea* columnsPanel();
    QHBoxLayout* missingRow();
    QHBoxLayout* buttonRow();
    void connectHandlers();
    // Shows the rows of the sheet read: the heading guessed, the columns, the check.
    void showRows();
    void fillChoosers();
    void buildColumns();
    void recheck();
    // Shows the rows with what the check says of each; `written`: the good ones are registered.
    void showCheck(bool written);
    void saveRefused();

    QString m_path;
    listimport::Defaults m_defaults;
    std::shared_ptr<const listfile::Book> m_book;
    int m_sheet = 0;
    QList<QStringList> m_rows;
    listimport::Layout m_layout;
    listimport::Check m_check;
    QGridLayout* m_columnsLayout = nullptr;
    QWidget* m_columnsPanel = nullptr;
    QLabel* m_komandLabel = nullptr;
    QLabel* m_predmetLabel = nullptr;
    int m_registered = 0;
};

extern QPointer<TFormImport> FormImport;
