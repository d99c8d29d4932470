// Registering a team's list file: workbooks written by a spreadsheet library and CSV files as a
// Russian spreadsheet program saves them, checked and registered against a real database, and the
// preview window driven as the operator drives it.

#include "Atomic.h"
#include "Cancel.h"
#include "fixtures/FailingWrite.h"
#include "fixtures/Olympiad.h"
#include "fixtures/Thrown.h"
#include "participants/Import.h"
#include "participants/ListFile.h"
#include "participants/UEnterSpisok.h"
#include "participants/UImport.h"
#include "Text.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "xlsx/FileError.h"

#include <QFile>
#include <QTableWidget>
#include <xlsxwriter.h>

namespace {

using listimport::Field;
using listimport::Line;

class Import : public EnterSpisokTest {
protected:
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = s_dir->filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    listimport::Check check(const QList<QStringList>& rows, const listimport::Defaults& d = {}) {
        return listimport::check(db(), tr(), rows, listimport::guess(rows), d);
    }
    static QStringList reasons(const listimport::Check& c) {
        QStringList out;
        for (const Line& l : c.lines) out << l.reason;
        return out;
    }
};

// A team's list as a spreadsheet: a title over the heading, the teacher's heading merged over his
// three columns, a grade typed as a number and another computed by a formula.
QString writeWorkbook(const QString& path) {
    lxw_workbook* wb = workbook_new(path.toUtf8().constData());
    workbook_add_worksheet(wb, "Пояснения");
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Список");
    worksheet_write_string(ws, 0, 0, "Список команды Север", nullptr);
    // The child's headings merged down over two rows, the teacher's across his three columns with
    // the parts of his name under it.
    const char* heading[] = {"№ п/п", "ФАМИЛИЯ  участника", "Имя", "Отчёство", "Класс"};
    for (int c = 0; c < 5; ++c) worksheet_merge_range(ws, 1, lxw_col_t(c), 2, lxw_col_t(c), heading[c], nullptr);
    worksheet_merge_range(ws, 1, 8, 2, 8, "Образовательное учреждение", nullptr);
    worksheet_merge_range(ws, 1, 5, 1, 7, "Учитель (наставник)", nullptr);
    const char* parts[] = {"Фамилия", "Имя", "Отчество"};
    for (int c = 0; c < 3; ++c) worksheet_write_string(ws, 2, lxw_col_t(5 + c), parts[c], nullptr);
    const char* rows[2][9] = {{"", "Алексеев", "Артём", "Ильич", "", "Смирнова", "Анна", "Ивановна", "Лицей №2"},
                              {"", "Борисова", "Вера", "", "", "", "", "", "Гимназия №5"}};
    for (int r = 0; r < 2; ++r) {
        worksheet_write_number(ws, lxw_row_t(3 + r), 0, 1 + r, nullptr);
        for (int c = 1; c < 9; ++c)
            if (*rows[r][c]) worksheet_write_string(ws, lxw_row_t(3 + r), lxw_col_t(c), rows[r][c], nullptr);
    }
    worksheet_write_number(ws, 3, 4, 9, nullptr);
    worksheet_write_formula_num(ws, 4, 4, "=E4+1", nullptr, 10);
    EXPECT_EQ(workbook_close(wb), LXW_NO_ERROR);
    return path;
}

TEST_F(Import, AWorkbookIsReadAsItIsShownAndItsHeadingGuessed) {
    const QString path = writeWorkbook(s_dir->filePath("север.xlsx"));
    EXPECT_EQ(listfile::sheetNames(path), (QStringList{"Пояснения", "Список"}));
    const QList<QStringList> rows = listfile::read(path, "Список");
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[1].value(6), "Учитель (наставник)") << "a merged heading names every column it covers";
    EXPECT_EQ(rows[3].value(4), "9") << "a number is read as shown";
    EXPECT_EQ(rows[4].value(4), "10") << "a formula gives its cached value";

    const listimport::Layout layout = listimport::guess(rows);
    EXPECT_EQ(layout.headerRow, 2);
    EXPECT_EQ(layout.columns, (QList<Field>{Field::None, Field::Surname, Field::Name, Field::SecondName, Field::Klass,
                                            Field::Teacher1Surname, Field::Teacher1Name, Field::Teacher1SecondName,
                                            Field::School}));

    const listimport::Check c = check(rows, {"Север", "Физика", {}, {}});
    ASSERT_EQ(c.lines.size(), 2u) << reasons(c).join('|').toStdString();
    EXPECT_EQ(c.count(Line::Good), 2) << reasons(c).join('|').toStdString();
    const Registration& r = c.lines[0].reg;
    EXPECT_EQ(QList<int>({r.idKomand, r.idPredmet, r.idKlass, c.lines[1].reg.idKlass}), QList<int>({o.sever, o.fizika, o.k9, o.k10}));
    EXPECT_EQ(r.school, "Лицей №2");
    ASSERT_EQ(r.teachers.size(), 1);
    EXPECT_EQ(r.teachers[0].secondName, "Ивановна");
    EXPECT_TRUE(c.lines[1].reg.teachers.isEmpty());
}

TEST_F(Import, CsvFilesInEitherEncodingAndAnySeparatorReadAlike) {
    const QList<QStringList> expected{{"Фамилия", "Имя", "Класс", "Учитель", "Школа"},
                                      {"Ёлкина", "Алёна", "9", "Петров Пётр Петрович", "СОШ №1, корпус 2"},
                                      {"Жуков", "Олег \"Младший\"", "10", "", "СОШ №1"}};
    // The heading's commas do not make the comma the separator when the rows are split by ';'.
    EXPECT_EQ(listfile::parseCsv(text1251::encode("Фамилия, имя, отчество;Класс\r\nМухин Ян Ильич;9\r\n")),
              (QList<QStringList>{{"Фамилия, имя, отчество", "Класс"}, {"Мухин Ян Ильич", "9"}}));
    const QString utf8 = "Фамилия,Имя,Класс,Учитель,Школа\r\n"
                         "Ёлкина,Алёна,9,Петров Пётр Петрович,\"СОШ №1, корпус 2\"\r\n"
                         "Жуков,\"Олег \"\"Младший\"\"\",10,,СОШ №1\r\n";
    const QString semicolons = "Фамилия;Имя;Класс;Учитель;Школа\r\n"
                               "Ёлкина;Алёна;9;Петров Пётр Петрович;\"СОШ №1, корпус 2\"\r\n"
                               "Жуков;\"Олег \"\"Младший\"\"\";10;;СОШ №1\r\n";
    QString tabs = semicolons;
    tabs.replace(';', '\t');
    EXPECT_EQ(listfile::parseCsv(utf8.toUtf8()), expected);
    EXPECT_EQ(listfile::parseCsv("\xEF\xBB\xBF" + semicolons.toUtf8()), expected);
    EXPECT_EQ(listfile::parseCsv(text1251::encode(semicolons)), expected);
    EXPECT_EQ(listfile::parseCsv(text1251::encode(tabs)), expected);
    EXPECT_EQ(listfile::read(file("юг.csv", text1251::encode(semicolons)), {}), expected);

    // No team or subject column: the window's choices count. One teacher column is split.
    const listimport::Check c = check(expected, {"Юг", "Химия", {}, {}});
    ASSERT_EQ(c.count(Line::Good), 2) << reasons(c).join('|').toStdString();
    EXPECT_EQ(QList<int>({c.lines[0].reg.idKomand, c.lines[0].reg.idPredmet}), QList<int>({o.yug, o.khimiya}));
    ASSERT_EQ(c.lines[0].reg.teachers.size(), 1);
    EXPECT_EQ(c.lines[0].reg.teachers[0].surname + "|" + c.lines[0].reg.teachers[0].secondName, "Петров|Петрович");

    // Refused rows go back out as a file the same reader takes in again, commas and all.
    const QList<QStringList> commas{{"Фамилия, имя, отчество", "Класс"}, {"Мухин, Ян, Ильич", "9"}};
    EXPECT_EQ(listfile::parseCsv(listfile::writeCsv(expected)), expected);
    EXPECT_EQ(listfile::parseCsv(listfile::writeCsv(commas)), commas);

    // More columns than a list can have, a field longer than a cell may be, a control character:
    // the file is refused with the reason and the place; a line break inside quotes is text.
    const std::pair<QByteArray, QString> refused[] = {
        {QByteArray(1000, ';') + "x\r\n", "в строке 1 больше 1000 столбцов"},
        {"Фамилия;Имя\r\nЁлкин;" + QByteArray(1001, 'x') + "\r\n", "в строке 2, столбце 2 текст длиннее 1000 знаков"},
        {"Фамилия;Имя\r\nЁлкин;\"Ян\x01\"\r\n", "в строке 2, столбце 2 управляющий символ (код 1)"},
        {QByteArray("Фамилия\r\nЁл") + '\0' + "кин\r\n", "в строке 2, столбце 1 управляющий символ (код 0)"}};
    for (const auto& [bytes, why] : refused) {
        const QString bad = file("bad.csv", bytes);
        EXPECT_EQ(thrownText<FileError>([&] { listfile::read(bad, {}); }), "Не удалось прочитать файл " + bad + ": " + why);
    }
    EXPECT_EQ(listfile::parseCsv("\"Фамилия\nучастника\";Имя\r\n"), (QList<QStringList>{{"Фамилия\nучастника", "Имя"}}));
}

TEST_F(Import, EveryBadRowIsRefusedWithItsReasonBeforeAnythingIsWritten) {
    o.enrol(db(), tr(), o.fizika, o.k9, {"Зайцев"});
    const QList<QStringList> rows{
        {"Фамилия", "Имя", "Отчество", "Класс", "Команда", "Предмет", "Учитель 2 ФИО"},
        {"", "Без", "Фамилии", "9", "Север", "Физика"},
        {"Новиков", "Ян", "", "11", "Север", "Физика"},
        {"Орлова", "Ия", "", "9", "Запад", "Физика"},
        {"Павлов", "Лев", "", "9", "Север", "Астрономия"},
        {"Рыбинł", "Ян", "", "9", "Север", "Физика"},
        {QString(51, QChar(u'Щ')), "Ян", "", "9", "Север", "Физика"},
        {"Зайцев", "Имя", "Отчество", "9", "Север", "Физика"},
        {"Титов", "Ян", "", "9", "Север", "Физика", "Кузнецова Ольга Игоревна"},
        {"титов", "ян", "", "9", "север", "физика"},
        {"", "", "", "", "", ""},
        {"123", "4", "", "9 класс", "Север", "Физика"},
        {"Сидоров", "Пётр", "Ивaнович", "9", "Север", "Физика"},  // a Latin "a"
        {"O'Коннор", "Ян", "", "9", "Север", "Физика"},  // Latin and Russian words side by side are fine
    };
    const listimport::Check c = check(rows);
    ASSERT_EQ(c.lines.size(), 12u) << "an empty row is no participant";
    const QStringList r = reasons(c);
    EXPECT_EQ(r[0], "Нет фамилии");
    EXPECT_EQ(r[1], "Класса «11» нет в справочнике");
    EXPECT_EQ(r[2], "Команды «Запад» нет в справочнике");
    EXPECT_EQ(r[3], "Предмета «Астрономия» нет в справочнике");
    EXPECT_TRUE(r[4].startsWith("Фамилия: Символ «ł»")) << r[4].toStdString();
    EXPECT_EQ(r[5], "Фамилия длиннее 50 символов");
    EXPECT_EQ(c.lines[6].status, Line::Already);
    EXPECT_EQ(c.lines[7].status, Line::Good);
    EXPECT_EQ(c.lines[7].reg.teachers.value(0).name, "Ольга");
    EXPECT_EQ(r[8], "Повторяет строку 9") << "the same child again, whatever the case";
    EXPECT_EQ(r[9], "В фамилии нет ни одной буквы") << "a row of column numbers is no child; \"9 класс\" is grade 9";
    EXPECT_EQ(r[10], "В слове «Ивaнович» есть и русские, и латинские буквы");
    EXPECT_EQ(c.lines[11].status, Line::Good) << r[11].toStdString();
    EXPECT_EQ(c.count(Line::Refused), 9);
    EXPECT_EQ(c.missing.komands, QStringList{"Запад"});
    EXPECT_EQ(c.missing.predmets, QStringList{"Астрономия"});
    EXPECT_EQ(c.missing.klasses, QStringList{"11"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 1) << "checking writes nothing";

    listimport::addMissing(db(), tr(), c.missing);
    EXPECT_EQ(check(rows).count(Line::Good), 5) << "the names added, their rows can be registered";

    // Columns the file lacks and the window has not chosen either: nobody is registered without them.
    const QList<QStringList> bare{{"Фамилия", "Имя"}, {"Сомов", "Ян"}};
    EXPECT_EQ(reasons(check(bare)).value(0), "Нет команды; Нет предмета; Нет класса");
}

TEST_F(Import, TheGoodRowsAreRegisteredAsOneActionOrNotAtAll) {
    const QList<QStringList> rows{{"Фамилия", "Имя", "Класс", "Учреждение", "Учитель", "Учитель"},
                                  {"Андреев", "Ян", "9", "Школа №7", "Белова Нина Павловна", "Крылов Иван"},
                                  {"Власова", "Ия", "10", "СОШ №1", ""},
                                  {"", "Ия", "10", "", ""}};
    const listimport::Layout layout = listimport::guess(rows);
    EXPECT_EQ(layout.columns.mid(4), (QList<Field>{Field::Teacher1, Field::Teacher2}));
    const listimport::Defaults d{"Север", "Физика", {}, {}};
    const qint64 schools = scalar("SELECT COUNT(*) FROM S_SCHOOL");
    {
        FailingWrite fail(db(), tr(), "SPISOK", "INSERT", "NEW.SURNAME = 'Власова'");
        EXPECT_FALSE(guardedWrite(tr(), kNotDone, [&] { listimport::write(db(), tr(), rows, layout, d); }));
    }
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK"), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEACHERS"), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL"), schools) << "the new school went with the rest";
    msg::clearShown();
    // Stopped ("Прервать") when it tells how far it is, after its rows: none of them stays.
    EXPECT_THROW(atomically(tr(), [&] { listimport::write(db(), tr(), rows, layout, d, [](int, int) { throw Cancelled(); }); }),
                 Cancelled);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SPISOK") + scalar("SELECT COUNT(*) FROM TEACHERS"), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL"), schools);

    listimport::Result result;
    int reported = 0;
    ASSERT_TRUE(guardedWrite(tr(), kNotDone, [&] {
        result = listimport::write(db(), tr(), rows, layout, d, [&](int n, int total) { reported = n == total ? n : -1; });
    }));
    EXPECT_EQ(QList<int>({reported, result.registered, result.refused}), QList<int>({3, 2, 1}));
    EXPECT_EQ(text("SELECT CAST(LIST(N, ',') AS VARCHAR(200)) FROM (SELECT T.SURNAME || ' ' || T.NAME AS N "
                   "FROM TEACHERS T JOIN SPISOK S ON S.ID_CHILD = T.ID_CHILD WHERE S.SURNAME = 'Андреев' ORDER BY 1)"),
              "Белова Нина,Крылов Иван");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL WHERE SCHOOL = 'Школа №7' AND ID_KOMAND = " + QString::number(o.sever)), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_SCHOOL"), schools + 1) << "a school the team had is not added again";

    const listimport::Result again = listimport::write(db(), tr(), rows, layout, d);
    EXPECT_EQ(QList<int>({again.registered, again.already}), QList<int>({0, 2}));
}

// A school secretary's list: names typed in one case, grades with the word "класс", the team's
// school written its own way. A school the team lacks is added once, however its rows write it.
TEST_F(Import, ASecretarysListIsPutRightAndANewSchoolIsAddedOnce) {
    const QList<QStringList> rows{{"ФИО", "Класс", "Школа", "Учитель"},
                                  {"ёлкин пётр", "12 класс", "МБОУ «Лицей № 2»", "ИВАНОВА-ПЕТРОВА АННА"},
                                  {"ЖУКОВА ЯНА", "9", "Гимназия №5", ""},
                                  {"МакКей Ян", "9", "гимназия № 5", ""}};
    const listimport::Defaults d{"Север", "Физика", {}, {}};
    listimport::Check c = check(rows, d);
    EXPECT_EQ(c.missing.klasses, QStringList{"12"});
    listimport::addMissing(db(), tr(), c.missing);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM S_KLASS WHERE KLASS = '12'"), 1) << "the grade as the import matched it";
    c = check(rows, d);
    ASSERT_EQ(c.count(Line::Good), 3) << reasons(c).join('|').toStdString();
    const Registration& elkin = c.lines[0].reg;
    EXPECT_EQ(elkin.child.surname + " " + elkin.child.name, "Ёлкин Пётр");
    EXPECT_EQ(elkin.teachers.value(0).surname + " " + elkin.teachers.value(0).name, "Иванова-Петрова Анна");
    EXPECT_EQ(c.lines[1].reg.child.surname + "|" + c.lines[2].reg.child.surname, "Жукова|МакКей") << "mixed case stays as typed";
    EXPECT_EQ(elkin.school, "Лицей №2") << "the team's school, written another way";
    EXPECT_FALSE(c.lines[0].newSchool);
    EXPECT_TRUE(c.lines[1].newSchool);
    EXPECT_EQ(c.lines[2].reg.school, "Гимназия №5");
    EXPECT_FALSE(c.lines[2].newSchool) << "added by the row before";

    const QString schools = "SELECT COUNT(*) FROM S_SCHOOL WHERE ID_KOMAND = " + QString::number(o.sever);
    const qint64 before = scalar(schools);
    listimport::write(db(), tr(), rows, listimport::guess(rows), d);
    EXPECT_EQ(scalar(schools), before + 1);
    // The next list writes the new school yet another way: it is the same school.
    const QList<QStringList> next{{"Фамилия", "Имя", "Класс", "Учреждение"}, {"Орлов", "Ян", "9", "МБОУ \"Гимназия №5\""}};
    listimport::write(db(), tr(), next, listimport::guess(next), d);
    EXPECT_EQ(scalar(schools), before + 1);
    EXPECT_EQ(text("SELECT SCHOOL FROM SPISOK WHERE SURNAME = 'Орлов'"), "Гимназия №5");
}

// A file the reader refuses, one of another program's own format, or one without a filled row: said
// once, and no preview window opens. A list is previewed, a column mapped and imported from the window.
TEST_F(Import, TheOperatorPreviewsMapsAColumnAndImportsFromTheWindow) {
    const QString longCell = file("long.csv", "Фамилия;Имя\r\nЁлкин;" + QByteArray(1001, 'x') + "\r\n");
    const QByteArray ods = QByteArray("PK\x03\x04") + QByteArray(22, '\0') + QByteArray("\x08\0\0\0", 4) +
                           "mimetypeapplication/vnd.oasis.opendocument.spreadsheet";
    const std::pair<QString, QString> files[] = {
        {longCell, "Не удалось прочитать файл " + longCell + ": в строке 2, столбце 2 текст длиннее 1000 знаков"},
        {file("old.xls", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(600, '\0')), listfile::kSaveAsXlsx},
        {file("table.ods", ods), listfile::kSaveAsXlsx},
        {file("empty.csv", "\r\n;;\r\n"), listimport::kNoRows}};
    for (const auto& [path, said] : files) {
        msg::clearShown();
        msg::setNextFile(path);
        QTest::mouseClick(w->ButtonImport, Qt::LeftButton);
        EXPECT_EQ(msg::shownTexts().mid(1), QStringList{said}) << "after the file chosen, one message";
        EXPECT_EQ(QApplication::activeModalWidget(), w) << "no preview";
    }
    const QString path =
        file("list.csv", "Столбец;Имя;Класс;Предмет\r\nГромов;Ян;9;Химия\r\nДёмина;Ия;10;Химия\r\nГромов;Ян;9;Химия\r\n");
    const QString refusedPath = s_dir->filePath("refused.csv");
    msg::setNextFile(path);  // opened before a team was chosen
    expectModal([&] { QTest::mouseClick(w->ButtonImport, Qt::LeftButton); },
                [&](QWidget* m) {
                    auto* f = qobject_cast<TFormImport*>(m);
                    ASSERT_NE(f, nullptr);
                    EXPECT_FALSE(f->ComboSheet->isVisible()) << "a CSV file has one sheet";
                    EXPECT_FALSE(f->ComboPredmet->isVisible()) << "the file has a subject column";
                    EXPECT_EQ(f->GridRows->item(0, 1)->text(), "Нет фамилии; Нет команды");
                    pick(f->ComboKomand, "Юг");
                    EXPECT_EQ(f->checked().count(Line::Refused), 3) << "no column is the surname yet";
                    EXPECT_EQ(f->GridRows->item(0, 1)->text(), "Нет фамилии");
                    // Browsing a column's choices with the arrows changes nothing; Enter there presses no button.
                    f->ColumnBoxes[1]->setFocus();
                    QTest::keyClick(f->ColumnBoxes[1], Qt::Key_Down);
                    QTest::keyClick(f->ColumnBoxes[1], Qt::Key_Down);
                    EXPECT_EQ(f->ColumnBoxes[2]->currentText(), "Класс");
                    EXPECT_EQ(f->checked().count(Line::Refused), 3);
                    combo::setText(f->ColumnBoxes[1], "Имя");
                    f->ColumnBoxes[1]->settle();
                    pick(f->ColumnBoxes[0], "Фамилия");
                    EXPECT_EQ(f->checked().count(Line::Good), 2);
                    EXPECT_EQ(f->registered(), 0);
                    EXPECT_EQ(f->GridRows->item(1, 1)->text(), "Будет записан");
                    msg::setNextAnswer(true);  // save the refused row
                    msg::setNextFile(refusedPath);
                    QTest::mouseClick(f->ButtonImport, Qt::LeftButton);
                    EXPECT_EQ(f->registered(), 2);
                    EXPECT_EQ(f->GridRows->item(0, 1)->text(), "Записан");
                    EXPECT_EQ(f->GridRows->item(2, 1)->text(), "Повторяет строку 2") << "the row stays refused";
                });
    EXPECT_TRUE(msg::shownTexts().filter("Импорт выполнен.").value(0).startsWith("Импорт выполнен.\nЗарегистрировано: 2; уже были в базе: 0; отклонено: 1."));
    QFile refused(refusedPath);
    ASSERT_TRUE(refused.open(QIODevice::ReadOnly));
    EXPECT_EQ(listfile::parseCsv(refused.readAll()),
              (QList<QStringList>{{"Столбец", "Имя", "Класс", "Предмет", "Причина"},
                                  {"Громов", "Ян", "9", "Химия", "Повторяет строку 2"}}));
    EXPECT_EQ(text("SELECT CAST(LIST(SURNAME, ',') AS VARCHAR(200)) FROM (SELECT SURNAME FROM SPISOK WHERE ID_KOMAND = " +
                   QString::number(o.yug) + " AND ID_PREDMET = " + QString::number(o.khimiya) + " ORDER BY SURNAME)"),
              "Громов,Дёмина");
}

}  // namespace
