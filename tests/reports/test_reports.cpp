// The report workbooks, read back with LibreOffice: every report once from data that exposes
// shifted columns and wrong rows, the kinds of value a cell can get, the template, and what a
// report does when something is missing.

#include "fixtures/FailingWrite.h"
#include "fixtures/Spreadsheet.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/WindowTest.h"
#include "participants/Ciphers.h"
#include "participants/Registration.h"
#include "reference/Dictionaries.h"
#include "reference/Rounds.h"
#include "reports/ReportFiles.h"
#include "reports/Reports.h"
#include "reports/UPrint.h"
#include "reports/UPrintGroup.h"
#include "reports/UPrintKlass.h"
#include "scoring/AwardRules.h"
#include "scoring/Awards.h"
#include "scoring/Places.h"
#include "scoring/Scores.h"
#include "scoring/UPomoshnik.h"
#include "Lookups.h"
#include "ui/Combo.h"
#include "ui/ShowReport.h"
#include "xlsx/Workbook.h"

#include <QDir>
#include <QFile>
#include <QRect>
#include <QTemporaryDir>
#include <sstream>
#include <pugixml.hpp>
#include <zip.h>

namespace {

const QString kTemplate = QStringLiteral(TAVRIN_TEMPLATE);

// The olympiad behind every report, made once: names and keys whose order differs, a participant
// of each kind.
struct Data {
    int sever = 0, yug = 0, khimiya = 0, fizika = 0, k9 = 0, k10 = 0;
    int abramov = 0, borisov = 0, volkov = 0, gusev = 0, dmitriev = 0, elkin = 0, zhukov = 0;

    void make(Database& db, Transaction& tr) {
        for (const char* t : {"Север", "Юг"}) dict::addKomand(db, tr, t);
        for (const char* p : {"Химия", "Физика"}) dict::addPredmet(db, tr, p);  // keys not in name order
        for (const char* k : {"9", "10"}) dict::addKlass(db, tr, k);
        sever = lookup::komandKey(db, tr, "Север");
        yug = lookup::komandKey(db, tr, "Юг");
        khimiya = lookup::predmetKey(db, tr, "Химия");
        fizika = lookup::predmetKey(db, tr, "Физика");
        k9 = lookup::klassKey(db, tr, "9");
        k10 = lookup::klassKey(db, tr, "10");
        rounds::save(db, tr, fizika, {{{"Теория", "6"}, {"Практика", "6"}, {"Устный", "6"}, {"Финал", "6"}}});
        rounds::save(db, tr, khimiya, {{{"Тест", "3"}, {}, {}, {}}});
        const auto add = [&](int team, int subject, int grade, const char* surname, const char* school,
                             QList<PersonName> teachers) {
            Registration r;
            r.idKomand = team;
            r.idPredmet = subject;
            r.idKlass = grade;
            r.child = {QString::fromUtf8(surname), "Имя", "Отчество"};
            r.school = QString::fromUtf8(school);
            r.teachers = teachers;
            return insertParticipant(db, tr, r);
        };
        abramov = add(sever, fizika, k9, "Абрамов", "=СУММ(1;2)", {});
        borisov = add(sever, fizika, k9, "Борисов", "Лицей", {{"Учитель", "Один", "Первый"}});
        volkov = add(sever, fizika, k9, "Волков", "Гимназия",
                     {{"Третья", "А", "А"}, {"Первая", "Б", "Б"}, {"Вторая", "В", "В"}});
        gusev = add(yug, fizika, k9, "Гусев", "СОШ", {});     // no score row
        dmitriev = add(sever, fizika, k10, "Дмитриев", "", {});
        elkin = add(sever, khimiya, k10, "Ёлкин", "СОШ", {{"Химик", "", ""}});
        zhukov = add(yug, fizika, k9, "Жуков", "СОШ", {});
        add(yug, fizika, k10, "Зайцев", "СОШ", {});  // grade 10 of Физика: "10" sorts before "9" as text
        // BALn = n + 0.25 for Волков (place 1); smaller totals for the others.
        const auto scoresOf = [&](int child, int grade, double base, bool tasks) {
            scores::Slots s{};
            scores::Shown shown{};
            for (int n = 0; n < 24; ++n) {
                shown[size_t(n)] = true;
                s[size_t(n)] = tasks ? Score::fromHundredths((n + 1) * 100 + 25) : Score{};
            }
            s[0] = tasks ? s[0] : Score::fromHundredths(qint64(base * 100));
            scores::save(db, tr, child, fizika, grade, s, shown);
        };
        scoresOf(volkov, k9, 0, true);
        scoresOf(abramov, k9, 30, false);
        scoresOf(borisov, k9, 20, false);
        scoresOf(zhukov, k9, 10, false);
        scoresOf(dmitriev, k10, 5.5, false);  // a total with a fraction
        const auto firstTask = [&](int child, int subject, int grade, qint64 hundredths) {
            scores::Slots s{};
            scores::Shown shown{};
            s[0] = Score::fromHundredths(hundredths);
            shown[0] = true;
            scores::save(db, tr, child, subject, grade, s, shown);
        };
        firstTask(elkin, khimiya, k10, 700);
        awards::give(db, tr, volkov, 1);
        awards::give(db, tr, borisov, 0);
        awards::give(db, tr, zhukov, 2);
        awards::give(db, tr, elkin, 3);
        awards::give(db, tr, dmitriev, 4);
        // A subject whose only award is an honourable mention has no winners.
        dict::addPredmet(db, tr, "Биология");
        const int biologiya = lookup::predmetKey(db, tr, "Биология");
        rounds::save(db, tr, biologiya, {{{"Тест", "1"}, {}, {}, {}}});
        const int mentioned = add(yug, biologiya, k9, "Иванов", "СОШ", {});
        firstTask(mentioned, biologiya, k9, 500);
        awards::give(db, tr, mentioned, 4);
        for (const auto& [child, code] : {std::pair{abramov, "9"}, {borisov, "007"}, {volkov, "10"}})
            ciphers::store(db, tr, child, fizika, k9, 1, code);
        ciphers::store(db, tr, zhukov, fizika, k9, 2, "10");  // another round's work
        // Group 2 written before group 1.
        Query grup(db, tr, {"INSERT INTO GRUP (ID_CHILD, ID_PREDMET, KLASS, N_GROUP) VALUES (:C, :P, :K, :G)"});
        for (const auto& [child, group] : {std::pair{volkov, 2}, {abramov, 1}, {borisov, 2}}) {
            grup.setInt("C", child);
            grup.setInt("P", fizika);
            grup.setInt("K", k9);
            grup.setInt("G", group);
            grup.execute();
        }
        tr.commitRetaining();
    }
};

// The parts of an .xlsx file by name.
QMap<QString, QByteArray> partsOf(const QString& file) {
    QMap<QString, QByteArray> parts;
    zip_t* zip = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY, nullptr);
    if (!zip) return parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(zip, zip_uint64_t(i), 0, &st);
        QByteArray data(qsizetype(st.size), Qt::Uninitialized);
        zip_file_t* f = zip_fopen_index(zip, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        parts[QString::fromUtf8(st.name)] = data;
    }
    zip_discard(zip);
    return parts;
}

void writeParts(const QString& file, const QMap<QString, QByteArray>& parts) {
    zip_t* zip = zip_open(QFile::encodeName(file).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (auto it = parts.begin(); it != parts.end(); ++it)
        zip_file_add(zip, it.key().toUtf8().constData(),
                     zip_source_buffer(zip, it.value().constData(), zip_uint64_t(it.value().size()), 0), ZIP_FL_ENC_UTF_8);
    zip_close(zip);
}

pugi::xml_document xml(const QByteArray& data) {
    pugi::xml_document doc;
    doc.load_buffer(data.constData(), size_t(data.size()));
    return doc;
}

QByteArray text(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out);
    return QByteArray::fromStdString(out.str());
}

// The part that holds a sheet of the workbook ("xl/worksheets/sheet5.xml").
QString sheetPart(const QMap<QString, QByteArray>& parts, const pugi::xml_node& sheet) {
    const pugi::xml_document rels = xml(parts["xl/_rels/workbook.xml.rels"]);
    return "xl/" + QString::fromUtf8(rels.child("Relationships")
                                         .find_child_by_attribute("Id", sheet.attribute("r:id").value())
                                         .attribute("Target")
                                         .value());
}

// The template with an area the organisers merged over rows 4 and 5 of the winners list, where
// the program's first two headings go.
QString templateWithMergedTitle(const QString& folder) {
    QMap<QString, QByteArray> parts = partsOf(kTemplate);
    const pugi::xml_document book = xml(parts["xl/workbook.xml"]);
    const QString part = sheetPart(parts, book.child("workbook").child("sheets").find_child_by_attribute("name", "Лист15"));
    pugi::xml_document sheet = xml(parts[part]);
    pugi::xml_node merges = sheet.child("worksheet").child("mergeCells");
    merges.append_child("mergeCell").append_attribute("ref").set_value("A4:B5");
    merges.attribute("count").set_value(merges.attribute("count").as_int() + 1);
    parts[part] = text(sheet);
    const QString file = QDir(folder).filePath("Pril-merged.xlsx");
    writeParts(file, parts);
    return file;
}

// The sheet a file opens on and its selected cell, as the file says ("Лист1!B7").
QString activeOf(const QString& file) {
    const QMap<QString, QByteArray> parts = partsOf(file);
    const pugi::xml_document book = xml(parts["xl/workbook.xml"]);
    const int tab = book.child("workbook").child("bookViews").child("workbookView").attribute("activeTab").as_int();
    int i = 0;
    for (pugi::xml_node s : book.child("workbook").child("sheets").children("sheet"))
        if (i++ == tab) {
            const pugi::xml_document sheet = xml(parts[sheetPart(parts, s)]);
            return QString::fromUtf8(s.attribute("name").value()) + "!" +
                   QString::fromUtf8(sheet.child("worksheet").child("sheetViews").child("sheetView").child("selection")
                                         .attribute("activeCell").value());
        }
    return QString();
}

class Reports : public WindowTest {
protected:
    // Every report made once from the data above and read back together.
    struct Made {
        Data data;
        QTemporaryDir dir;
        QStringList files;
        QList<sheets::Book> books;
        sheets::Sheet sheet(int i, const char* name) const { return books[i].sheets.value(QString::fromUtf8(name)); }
    };
    static inline Made* s_made = nullptr;
    static void TearDownTestSuite() {
        delete s_made;  // and with it the folder of the files
        s_made = nullptr;
        WindowTest::TearDownTestSuite();
    }
    static Made& made() {
        if (s_made) return *s_made;
        Made* m = s_made = new Made;
        TestDatabase::emptyTables(db(), tr());
        m->data.make(db(), tr());
        const auto make = [&](const QString& file, const std::function<void(Workbook&)>& fill,
                              const QString& from = kTemplate) {
            Workbook wb(from);
            fill(wb);
            const QString path = m->dir.filePath(file);
            wb.save(path);
            m->files << path;
        };
        make("team.xlsx", [&](Workbook& wb) { reports::teamList(db(), tr(), wb, "Север", "Физика"); });
        make("grade.xlsx", [&](Workbook& wb) { reports::gradeList(db(), tr(), wb, "Физика", "9"); });
        make("groups.xlsx", [&](Workbook& wb) { reports::groupList(db(), tr(), wb, "Физика", "9", "Все"); });
        make("group2.xlsx", [&](Workbook& wb) { reports::groupList(db(), tr(), wb, "Физика", "9", "2"); });
        make("blank.xlsx", [&](Workbook& wb) { reports::blankSheet(db(), tr(), wb, "Физика", "9", "Теория"); });
        make("scores.xlsx", [&](Workbook& wb) { reports::scoreSheet(db(), tr(), wb, "Физика", "9"); });
        make("teamres.xlsx", [&](Workbook& wb) { reports::teamResults(db(), tr(), wb, "Север", "Физика"); });
        make("winners.xlsx", [&](Workbook& wb) { reports::winners(db(), tr(), wb); });
        make("graderes.xlsx", [&](Workbook& wb) { reports::gradeResults(db(), tr(), wb, "Физика", "9"); });
        make("kinds.xlsx", [&](Workbook& wb) {
            wb.selectSheet("Лист1");
            wb.setDataRow(6);
            wb.setText(7, 2, "007");  // out of order and sparse
            wb.setText(6, 2, "=1+1");
            wb.setText(100, 6, "далеко  ");
            wb.setScore(6, 5, Score::fromHundredths(725));
            wb.setNumber(6, 1, 42);
            wb.setText(2, 4, "");  // over the template's "Предмет:"
            wb.activate(7, 2);
        });
        make("key.xlsx", [&](Workbook& wb) { reports::cipherKey(db(), tr(), wb, "Физика", "9", "Теория"); });
        make("merged.xlsx", [&](Workbook& wb) { reports::winners(db(), tr(), wb); }, templateWithMergedTitle(m->dir.path()));
        // The protocols: Физика 9 with the rules applied to it, its cut-offs typed by hand, and the
        // greatest total 30 + 5·10 + 12·20 + 6·25 = 470; Химия 10 with other rules applied afterwards (its degree
        // 3 stays); Биология 9 with its mention given without the assistant.
        awardrules::record(db(), tr(), m->data.fizika, m->data.k9,
                           {{40, 60, {1, 1, 2}, 10}, true, {Score::parse("300"), Score::parse("12,5"), {}, {}}});
        awardrules::apply(db(), tr(), m->data.khimiya, m->data.k10, {std::nullopt, std::nullopt, Score::fromHundredths(700), std::nullopt},
                          {{30, 20, {1, 2, 3}, 0}, false});
        rounds::save(db(), tr(), m->data.fizika,
                     {{{"Теория", "6", "30 10 10 10 10 10"}, {"Практика", "6", "20 20 20 20 20 20"},
                       {"Устный", "6", "20 20 20 20 20 20"}, {"Финал", "6", "25 25 25 25 25 25"}}});
        tr().commitRetaining();
        make("protocol.xlsx", [&](Workbook& wb) { reports::awardProtocol(db(), tr(), wb, "Физика", "9"); });
        make("protocol-khimiya.xlsx", [&](Workbook& wb) { reports::awardProtocol(db(), tr(), wb, "Химия", "10"); });
        make("protocol-biologiya.xlsx", [&](Workbook& wb) { reports::awardProtocol(db(), tr(), wb, "Биология", "9"); });
        make("scores-khimiya.xlsx", [&](Workbook& wb) { reports::scoreSheet(db(), tr(), wb, "Химия", "10"); });
        m->files << kTemplate;
        m->books = sheets::read(m->files);
        return *m;
    }
    static QString row(const sheets::Sheet& s, int r, int from, int to) {
        QStringList l;
        for (int c = from; c <= to; ++c) l << s.text(r, c);
        return l.join('|');
    }
};

TEST_F(Reports, ValueKindsStyleAndActiveCell) {
    const sheets::Book& b = made().books[9];
    ASSERT_FALSE(b.names.isEmpty()) << "LibreOffice could not read the workbook";
    const sheets::Sheet& s = b.sheets["Лист1"];
    EXPECT_EQ(s.text(7, 2), "007");
    EXPECT_FALSE(s.at(7, 2).number) << "a code stays text";
    EXPECT_EQ(s.text(6, 2), "=1+1") << "a text is never a formula";
    EXPECT_EQ(s.text(100, 6), "далеко  ") << "trailing blanks kept";
    EXPECT_TRUE(s.at(6, 5).number);
    EXPECT_DOUBLE_EQ(s.at(6, 5).value, 7.25);
    EXPECT_DOUBLE_EQ(s.at(6, 1).value, 42);
    EXPECT_EQ(s.text(2, 4), "") << "an empty text empties the cell";
    EXPECT_EQ(s.text(5, 6), "Учреждение образования") << "the template's headings stay";
    EXPECT_TRUE(s.at(5, 6).bold);
    EXPECT_EQ(activeOf(made().files[9]), "Лист1!B7");
}

// What Excel refuses but LibreOffice forgives: rows and cells out of order or twice, merged areas
// that overlap or are miscounted, parts without their content type, a stale calculation chain,
// more than one selected sheet. And each file holds its report's sheet only: no other sheet, nor
// its relationship, content type or defined name (print titles), so it prints as that report alone.
TEST_F(Reports, EachFileIsWellFormedForExcelAndHoldsItsOwnSheetOnly) {
    const Made& m = made();
    const auto column = [](const QString& letters) {
        int c = 0;
        for (QChar ch : letters) c = c * 26 + (ch.unicode() - 'A' + 1);
        return c;
    };
    for (int i = 0; i + 1 < m.files.size(); ++i) {  // the reports, not the template
        const QString& file = m.files[i];
        const QMap<QString, QByteArray> parts = partsOf(file);
        ASSERT_FALSE(parts.isEmpty()) << file.toStdString();
        EXPECT_FALSE(parts.contains("xl/calcChain.xml"));
        const pugi::xml_document types = xml(parts["[Content_Types].xml"]);
        for (pugi::xml_node o : types.child("Types").children("Override"))
            EXPECT_TRUE(parts.contains(QString::fromUtf8(o.attribute("PartName").value()).mid(1)))
                << "content type of a missing part " << o.attribute("PartName").value();
        const pugi::xml_document book = xml(parts["xl/workbook.xml"]);
        const pugi::xml_node sheetList = book.child("workbook").child("sheets");
        ASSERT_EQ(std::distance(sheetList.children("sheet").begin(), sheetList.children("sheet").end()), 1) << file.toStdString();
        const QString name = QString::fromUtf8(sheetList.child("sheet").attribute("name").value());
        EXPECT_EQ(m.books[i].names, QStringList{name}) << "as LibreOffice reads it";
        for (pugi::xml_node n : book.child("workbook").child("definedNames").children("definedName")) {
            EXPECT_EQ(n.attribute("localSheetId").as_int(), 0) << file.toStdString();
            const QString formula = QString::fromUtf8(n.text().get());
            EXPECT_TRUE(formula.startsWith(name + "!") || formula.startsWith("'" + name + "'!")) << n.text().get();
        }
        int sheetParts = 0, selected = 0;
        for (auto it = parts.begin(); it != parts.end(); ++it) {
            if (!it.key().startsWith("xl/worksheets/sheet")) continue;
            ++sheetParts;
            pugi::xml_document doc;
            ASSERT_TRUE(doc.load_buffer(it.value().constData(), size_t(it.value().size())));
            pugi::xml_node ws = doc.child("worksheet");
            selected += ws.child("sheetViews").child("sheetView").attribute("tabSelected").as_bool();
            int lastRow = 0;
            for (pugi::xml_node r : ws.child("sheetData").children("row")) {
                EXPECT_GT(r.attribute("r").as_int(), lastRow) << it.key().toStdString();
                lastRow = r.attribute("r").as_int();
                QString lastCell;
                for (pugi::xml_node c : r.children("c")) {
                    const QString ref = QString::fromUtf8(c.attribute("r").value());
                    const QString col = ref.left(ref.indexOf(QRegularExpression("[0-9]")));
                    EXPECT_EQ(ref.mid(col.size()).toInt(), lastRow);
                    EXPECT_TRUE(lastCell.isEmpty() || column(col) > column(lastCell))
                        << "cell " << ref.toStdString() << " after " << lastCell.toStdString();
                    lastCell = col;
                }
            }
            const pugi::xml_node merges = ws.child("mergeCells");
            QList<QRect> areas;
            static const QRegularExpression area("^([A-Z]+)([0-9]+):([A-Z]+)([0-9]+)$");
            for (pugi::xml_node mc : merges.children("mergeCell")) {
                const QRegularExpressionMatch a = area.match(QString::fromUtf8(mc.attribute("ref").value()));
                ASSERT_TRUE(a.hasMatch()) << mc.attribute("ref").value();
                const QRect rect(QPoint(column(a.captured(1)), a.captured(2).toInt()), QPoint(column(a.captured(3)), a.captured(4).toInt()));
                for (const QRect& other : areas) EXPECT_FALSE(rect.intersects(other)) << file.toStdString() << " " << mc.attribute("ref").value();
                areas << rect;
            }
            if (merges) {
                EXPECT_EQ(merges.attribute("count").as_int(), areas.size());
            }
        }
        EXPECT_EQ(sheetParts, 1) << file.toStdString();
        EXPECT_EQ(selected, 1) << file.toStdString();
    }
    EXPECT_EQ(sheets::pdfPages({m.files[0]}), QList<int>{1}) << "a short list prints on one page, and only it";
}

TEST_F(Reports, TheTemplateHasItsSheetsWithTheirProgramCellsEmpty) {
    const sheets::Book& t = made().books.last();
    EXPECT_EQ(t.names,
              QStringList({"Лист1", "Лист2", "Лист10", "Лист14", "Лист15", "Лист16", "Лист17", "Лист18", "Лист19", "Лист20",
                           "Лист21", "Лист22", "Лист23"}));
    const std::pair<const char*, std::vector<std::pair<int, int>>> programCells[] = {
        {"Лист1", {{3, 5}, {2, 5}, {6, 1}, {6, 7}}}, {"Лист2", {{2, 5}, {3, 5}, {6, 6}}},
        {"Лист16", {{2, 7}, {2, 4}, {5, 9}}},         {"Лист10", {{2, 2}, {3, 3}, {4, 3}, {6, 2}}},
        {"Лист14", {{2, 2}, {2, 11}, {3, 13}, {4, 3}, {4, 21}, {6, 29}}},
        {"Лист17", {{4, 4}, {2, 5}, {5, 2}, {5, 5}, {8, 8}}}, {"Лист18", {{2, 4}, {3, 4}, {4, 2}, {6, 7}}},
        {"Лист19", {{2, 2}, {3, 3}, {4, 3}, {6, 5}}},
        {"Лист20", {{2, 3}, {3, 3}, {4, 2}, {5, 3}, {9, 3}, {10, 2}, {12, 3}, {15, 4}, {18, 6}}},
        {"Лист21", {{4, 1}, {4, 9}, {5, 3}}},
        {"Лист22", {{2, 2}, {12, 2}, {15, 1}, {15, 4}}}, {"Лист23", {{2, 3}, {3, 3}, {4, 2}, {6, 3}, {10, 3}, {13, 9}}}};
    for (const auto& [sheet, cells] : programCells)
        for (const auto& [r, c] : cells) EXPECT_EQ(t.sheets[sheet].text(r, c), "") << sheet << " " << r << "," << c;
    EXPECT_EQ(t.sheets["Лист15"].lastRow(), 3) << "below its headings the winners list is all the program's";
    EXPECT_TRUE(t.sheets["Лист19"].text(1, 1).contains("сейф")) << "the key is for the organisers' safe";
}

// The key pairs each code of the round with its participant, in the blank score sheet's order.
TEST_F(Reports, TheCipherKeyPairsEveryCodeWithItsParticipant) {
    const sheets::Sheet k = made().sheet(10, "Лист19");
    EXPECT_EQ(k.text(2, 2) + "|" + k.text(3, 3) + "|" + k.text(4, 3), "По Физика|9|Теория");
    EXPECT_EQ(row(k, 6, 1, 5), "1|007|Борисов Имя Отчество|Север|Лицей");
    EXPECT_EQ(row(k, 7, 1, 5), "2|10|Волков Имя Отчество|Север|Гимназия");
    EXPECT_EQ(row(k, 8, 1, 5), "3|9|Абрамов Имя Отчество|Север|=СУММ(1;2)");
    EXPECT_EQ(k.lastRow(), 8) << "no code of another round";
    EXPECT_FALSE(k.at(7, 2).number);
    EXPECT_EQ(activeOf(made().files[10]), "Лист19!A2");
}

TEST_F(Reports, ParticipantListsTakeOneRowPerTeacher) {
    const Made& m = made();
    const sheets::Sheet team = m.sheet(0, "Лист1");
    EXPECT_EQ(team.text(3, 5), "Север");
    EXPECT_EQ(team.text(2, 5), "Физика");
    EXPECT_EQ(row(team, 6, 1, 7), "1|Абрамов|Имя|Отчество|9|=СУММ(1;2)|") << "no teacher: one row";
    EXPECT_EQ(row(team, 7, 1, 7), "2|Борисов|Имя|Отчество|9|Лицей|Учитель Один Первый");
    EXPECT_EQ(row(team, 8, 1, 7), "3|Волков|Имя|Отчество|9|Гимназия|Третья А А") << "teachers as registered";
    EXPECT_EQ(row(team, 9, 1, 7), "||||||Первая Б Б");
    EXPECT_EQ(row(team, 10, 1, 7), "||||||Вторая В В");
    EXPECT_EQ(row(team, 11, 1, 3), "4|Дмитриев|Имя");
    EXPECT_EQ(team.lastRow(), 11);

    const sheets::Sheet grade = m.sheet(1, "Лист2");
    EXPECT_EQ(grade.text(2, 5), "Физика");
    EXPECT_EQ(grade.text(3, 5), "9");
    EXPECT_EQ(row(grade, 6, 1, 6), "1|Абрамов|Имя|Отчество|=СУММ(1;2)|");
    EXPECT_EQ(grade.text(11, 2), "Гусев") << "every team";
    EXPECT_EQ(activeOf(m.files[1]), "Лист2!A1");
    EXPECT_EQ(activeOf(m.files[2]), "Лист16!A2");

    const sheets::Sheet groups = m.sheet(2, "Лист16");
    EXPECT_EQ(groups.text(2, 7), "Физика");
    EXPECT_EQ(groups.text(2, 4), "9");
    EXPECT_EQ(row(groups, 5, 1, 9), "1|Группа №1|Абрамов|Имя|Отчество|=СУММ(1;2)|||") << "group 1 first";
    EXPECT_EQ(row(groups, 6, 1, 9), "2|Группа №2|Борисов|Имя|Отчество|Лицей|Учитель|Один|Первый");
    EXPECT_EQ(row(groups, 8, 1, 9), "||||||Первая|Б|Б");
    EXPECT_EQ(m.sheet(3, "Лист16").text(5, 3), "Борисов") << "one group, by surname";
    EXPECT_EQ(m.sheet(3, "Лист16").lastRow(), 8);

    const sheets::Sheet blank = m.sheet(4, "Лист10");
    EXPECT_EQ(blank.text(2, 2), "По Физика");
    EXPECT_EQ(blank.text(4, 3), "Теория");
    EXPECT_EQ(row(blank, 6, 1, 2) + " " + row(blank, 7, 1, 2) + " " + row(blank, 8, 1, 2), "1|007 2|10 3|9")
        << "codes in text order";
    EXPECT_FALSE(blank.at(6, 2).number);
}

TEST_F(Reports, TheScoreSheetKeepsEveryColumnInItsPlace) {
    const sheets::Sheet s = made().sheet(5, "Лист14");
    EXPECT_EQ(s.text(2, 11), "По Физика");
    EXPECT_EQ(s.text(3, 13), "9");
    EXPECT_EQ(row(s, 4, 3, 3) + row(s, 4, 9, 9) + "|" + row(s, 4, 15, 15) + "|" + row(s, 4, 21, 21), "ТеорияПрактика|Устный|Финал");
    EXPECT_EQ(s.text(6, 2), "Волков Имя Отчество") << "place order";
    for (int n = 1; n <= 24; ++n) EXPECT_DOUBLE_EQ(s.at(6, 2 + n).value, n + 0.25) << "BAL" << n;
    EXPECT_DOUBLE_EQ(s.at(6, 27).value, 306);
    EXPECT_EQ(row(s, 7, 3, 5), "30|0|0") << "zeros typed are printed";
    EXPECT_EQ(row(s, 6, 28, 29), "1|1-й степени");
    EXPECT_EQ(row(s, 7, 1, 2), "2|Абрамов Имя Отчество");
    EXPECT_EQ(row(s, 7, 28, 29), "2|") << "no degree";
    EXPECT_EQ(row(s, 8, 28, 29), "3|") << "degree 0";
    EXPECT_EQ(s.text(9, 2), "Жуков Имя Отчество");
    EXPECT_EQ(s.lastRow(), 9) << "no one without a score row, no one whose scores say another grade";

    // A round of 3 tasks: nothing from task 4 on, and a task never scored is empty, not 0.
    const sheets::Sheet k = made().sheet(15, "Лист14");
    EXPECT_EQ(row(k, 6, 2, 9), "Ёлкин Имя Отчество|7||||||");
    EXPECT_TRUE(k.at(6, 3).number);
    EXPECT_DOUBLE_EQ(k.at(6, 27).value, 7);
}

TEST_F(Reports, ResultsByTeamAndByGrade) {
    const sheets::Sheet t = made().sheet(6, "Лист17");
    EXPECT_EQ(t.text(4, 4) + "|" + t.text(2, 5) + "|" + t.text(5, 4) + t.text(5, 5), "Север|Физика|") << "the subject once";
    // Its two-line headings ("Сумма баллов") have a row tall enough for two lines.
    const pugi::xml_document sheet = xml(partsOf(made().files[6])["xl/worksheets/sheet7.xml"]);
    EXPECT_GE(sheet.child("worksheet").child("sheetData").find_child_by_attribute("row", "r", "7").attribute("ht").as_double(), 30);
    EXPECT_EQ(row(t, 8, 1, 8), "1|Волков Имя Отчество|9|Гимназия|306|1|1-й степени|Третья А А");
    EXPECT_EQ(row(t, 11, 1, 7), "2|Дмитриев Имя Отчество|10||5.5|1|поощр. отзыв") << "places across grades; the fraction kept";
    EXPECT_EQ(row(t, 12, 1, 2), "3|Абрамов Имя Отчество");
    EXPECT_TRUE(t.at(8, 5).number);

    const sheets::Sheet g = made().sheet(8, "Лист18");
    EXPECT_EQ(g.text(2, 4) + "|" + g.text(3, 4), "Физика|9");
    EXPECT_EQ(row(g, 6, 1, 7), "1|Волков Имя Отчество|Гимназия|306|1|1-й степени|Третья А А");
    QStringList names;
    for (int r = 6; r <= g.lastRow(); ++r) names << g.text(r, 2).section(' ', 0, 0);
    EXPECT_FALSE(names.contains("Дмитриев")) << "grade 10";
    EXPECT_FALSE(names.contains("Гусев")) << "no score row";
    EXPECT_TRUE(names.contains("Жуков"));
}

TEST_F(Reports, TheWinnersListLayout) {
    const sheets::Book& b = made().books[7];
    const sheets::Sheet& w = b.sheets["Лист15"];
    // Химия (key 1) before Физика, right under the template's headings.
    EXPECT_EQ(w.text(4, 2), "По Химия — предварительные результаты") << "the status of its results";
    EXPECT_TRUE(w.at(4, 2).bold);
    EXPECT_EQ(w.at(4, 2).span, 3);
    EXPECT_EQ(w.text(5, 2), "Диплом 3-й степени") << "no heading for a degree without winners";
    EXPECT_EQ(row(w, 6, 1, 4), "1.|Ёлкин Имя Отчество|10|СОШ ");
    EXPECT_EQ(row(w, 7, 1, 4), "|||Химик  ") << "the teacher below the winner";
    EXPECT_EQ(row(w, 8, 1, 4), "|||") << "an empty row before the next subject";
    EXPECT_EQ(w.text(9, 2), "По Физика — предварительные результаты");
    EXPECT_EQ(w.text(10, 2), "Диплом 1-й степени");
    EXPECT_EQ(row(w, 11, 1, 2), "1.|Волков Имя Отчество");
    EXPECT_EQ(w.text(12, 4), "Третья А А");
    EXPECT_EQ(w.text(15, 2), "Диплом 2-й степени");
    EXPECT_TRUE(w.at(15, 2).bold);
    EXPECT_EQ(row(w, 16, 1, 2), "1.|Жуков Имя Отчество") << "the number restarts per degree";
    EXPECT_FALSE(w.at(16, 1).number) << "everything is text";
    EXPECT_EQ(w.lastRow(), 16) << "degrees 0 and 4 are not listed, nor Биология with its mention only";
    EXPECT_EQ(activeOf(made().files[7]), "Лист15!A4");

    // The organisers merged an area over the first two headings: those are left unmerged (the file
    // stays valid, as the well-formedness test checks), the others are merged as usual.
    const sheets::Sheet& merged = made().books[11].sheets["Лист15"];
    EXPECT_EQ(merged.at(4, 1).span, 2);
    EXPECT_EQ(merged.text(9, 2), "По Физика — предварительные результаты");
    EXPECT_EQ(merged.at(9, 2).span, 3);
    EXPECT_EQ(merged.at(10, 2).span, 3);
}

// Pages as a jury reads them: a winner never on another page than his teachers, the protocol's lines
// for the jury never alone under the repeated column headings. The program ends every page itself,
// and LibreOffice prints just those pages.
TEST_F(Reports, PagesEndWhereRowsThatBelongTogetherAreWhole) {
    Data d;
    d.make(db(), tr());
    for (int i = 0; i < 45; ++i) {
        Registration r;
        r.idKomand = d.sever;
        r.idPredmet = d.fizika;
        r.idKlass = d.k9;
        r.child = {QString("Победитель%1").arg(i, 2, 10, QChar('0')), "Имя", "Отчество"};
        r.school = "Школа с названием, которое не помещается в одной строке столбца учреждения, №" + QString::number(i);
        r.teachers = {{"Первый", "Учитель", "А"}, {"Второй", "Учитель", "Б"}, {"Третий", "Учитель", "В"}};
        const int id = insertParticipant(db(), tr(), r);
        scores::Slots sc{};
        scores::Shown shown{};
        sc[0] = Score::fromHundredths(100 * (50 + i));
        shown[0] = true;
        scores::save(db(), tr(), id, d.fizika, d.k9, sc, shown);
        awards::give(db(), tr(), id, 1 + i % 3);
    }
    tr().commitRetaining();
    QTemporaryDir out;
    QStringList files;
    for (const auto& [name, fill] : std::initializer_list<std::pair<const char*, std::function<void(Workbook&)>>>{
             {"winners.xlsx", [&](Workbook& wb) { reports::winners(db(), tr(), wb); }},
             {"protocol.xlsx", [&](Workbook& wb) { reports::awardProtocol(db(), tr(), wb, "Физика", "9"); }}}) {
        Workbook wb(kTemplate);
        fill(wb);
        files << out.filePath(name);
        wb.save(files.last());
    }
    const QList<sheets::Book> books = sheets::read(files);
    QList<int> breaks;
    for (int f = 0; f < 2; ++f) {
        const sheets::Sheet& s = books[f].sheets.first();
        const pugi::xml_document doc = xml(partsOf(files[f]).last());
        int ends = 0;
        for (pugi::xml_node b : doc.child("worksheet").child("rowBreaks").children("brk")) {
            const int next = b.attribute("id").as_int() + 1;  // the first row of the next page
            ++ends;
            if (f == 0)
                EXPECT_TRUE(s.text(next, 1).endsWith('.') || s.text(next, 2).startsWith("По ") || s.text(next, 2).startsWith("Диплом"))
                    << "page " << ends + 1 << " begins with row " << next << ": " << row(s, next, 1, 4).toStdString();
            else
                EXPECT_FALSE(s.text(next, 2).isEmpty() || s.text(next, 2) == "Председатель жюри") << "row " << next;
        }
        EXPECT_GE(ends, f == 0 ? 2 : 1) << files[f].toStdString();
        breaks << ends + 1;
    }
    EXPECT_EQ(sheets::pdfPages(files), breaks) << "no page end of LibreOffice's own";
}

TEST_F(Reports, MissingTemplateSheetOrFolderIsSaidAndLeavesNoFile) {
    try {
        Workbook wb("/no/such/Pril.xlsx");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(), "Не найден шаблон отчётов: /no/such/Pril.xlsx");
    }
    QTemporaryDir dir;
    QFile junk(dir.filePath("junk.xlsx"));
    junk.open(QIODevice::WriteOnly);
    junk.write("not a workbook");
    junk.close();
    EXPECT_THROW(Workbook(dir.filePath("junk.xlsx")), FileError);
    Workbook wb(kTemplate);
    try {
        wb.selectSheet("Лист99");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_TRUE(e.text().contains("Лист99")) << e.text().toStdString();
    }
    wb.selectSheet("Лист1");
    // A folder that cannot be written to, whoever runs: its path goes through a file.
    try {
        wb.save(dir.filePath("junk.xlsx/report.xlsx"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_TRUE(e.text().startsWith("Не удалось записать отчёт в папку ")) << e.text().toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"junk.xlsx"}) << "no file is left behind";
}

// The print window: a report asks its dialog, makes a new file in the reports folder and opens it;
// an empty choice makes nothing; a file that cannot be opened is named.
TEST_F(Reports, ThePrintWindowMakesOpensOrNamesTheFile) {
    Data d;
    d.make(db(), tr());
    reportfiles::useTemplate(kTemplate);
    QTemporaryDir home;
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QStringList opened;
    ui::reportOpener = [&](const QString& path) {
        opened << path;
        return opened.size() == 1;
    };
    auto* p = new TFormPrint(nullptr);
    underTest(p);
    p->show();
    const auto grades = [&](TFormPrintKlass* k) {
        QStringList l;
        for (int i = 0; i < k->ComboBox2->count(); ++i) l << k->ComboBox2->itemText(i);
        return l;
    };
    expectModal([&] { p->Button2Click(); },
                [&](QWidget* m) {
                    auto* k = qobject_cast<TFormPrintKlass*>(m);
                    ASSERT_NE(k, nullptr);
                    EXPECT_EQ(k->windowTitle(), "Печать");
                    EXPECT_FALSE(k->ComboBox3->isVisible());
                    pick(k->ComboBox1, "Физика");
                    EXPECT_EQ(grades(k), QStringList({"9", "10"})) << "grades by key";
                    pick(k->ComboBox2, "9");
                    QTest::keyClick(k, Qt::Key_Escape);  // no report nobody asked for
                });
    EXPECT_TRUE(opened.isEmpty());
    expectModal([&] { p->Button2Click(); },
                [&](QWidget* m) {
                    auto* k = qobject_cast<TFormPrintKlass*>(m);
                    pick(k->ComboBox1, "Физика");
                    pick(k->ComboBox2, "9");
                    click(m, "Button1");
                });
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].contains("/Таврин/Списка участников по классам ")) << opened[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(opened[0]));

    expectModal([&] { p->Button6Click(); },
                [&](QWidget* m) {
                    auto* g = qobject_cast<TFormPrintGroup*>(m);
                    pick(g->ComboBox1, "Физика");
                    pick(g->ComboBox2, "9");
                    QStringList groups;
                    for (int i = 0; i < g->ComboBox3->count(); ++i) groups << g->ComboBox3->itemText(i);
                    EXPECT_EQ(groups, QStringList({"1", "2", "Все"}));
                    click(m, "Button1");  // no group chosen
                    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите группу"});
                    EXPECT_TRUE(m->isVisible());
                    // A subject retyped to a name of nothing empties what depends on it and is refused.
                    typeInto(g->ComboBox1, "Физ");
                    QTest::keyClick(g->ComboBox1, Qt::Key_Return);
                    EXPECT_EQ(g->ComboBox2->count(), 0);
                    EXPECT_EQ(g->ComboBox3->count(), 0);
                    click(m, "Button1");
                    EXPECT_EQ(msg::shownTexts().last(), "Выберите предмет");
                });
    EXPECT_EQ(opened.size(), 1) << "an empty choice makes nothing";
    msg::clearShown();

    p->Button5Click();  // the winners list asks nothing; this time the desktop cannot open it
    ASSERT_EQ(opened.size(), 2);
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_TRUE(msg::shown()[0].text.startsWith("Отчёт сохранён в файл ")) << msg::shown()[0].text.toStdString();
    EXPECT_TRUE(msg::shown()[0].text.contains(QFileInfo(opened[1]).fileName()));
    EXPECT_EQ(QDir(QFileInfo(opened[0]).path()).entryList(QDir::Files).size(), 2) << "no temporary file stays";

    expectModal([&] { p->Button9Click(); },  // the key with its round
                [&](QWidget* m) {
                    auto* k = qobject_cast<TFormPrintKlass*>(m);
                    pick(k->ComboBox1, "Физика");
                    pick(k->ComboBox2, "9");
                    pick(k->ComboBox3, "Теория");
                    click(m, "Button1");
                });
    ASSERT_EQ(opened.size(), 3);
    EXPECT_TRUE(opened[2].contains("/Таврин/Ключ шифров ")) << opened[2].toStdString();
    ui::reportOpener = [](const QString&) { return true; };
    qputenv("HOME", realHome);
}

// The protocol: the rules applied to its subject and grade, the lowest total of each award as
// given, the participants of the grade's score rows in place order, the jury's lines under them.
TEST_F(Reports, TheAwardProtocolShowsTheRulesCutOffsAndAwardsAsStored) {
    const sheets::Sheet p = made().sheet(12, "Лист20");
    const auto rules = [](const sheets::Sheet& s) {
        QStringList l;
        for (int r = 5; r <= 9; ++r) l << s.text(r, 3);
        return l.join('|') + " " + s.text(10, 2);
    };
    EXPECT_EQ(p.text(2, 3) + "|" + p.text(3, 3), "Физика|9");
    // Cut-offs typed by hand: the shares the degrees make against the rules.
    EXPECT_EQ(rules(p), "40|60|470|1:1:2 (наибольшая сумма — всегда 1-я степень)|10 Пороги установлены жюри вручную: "
                        "дипломов 50 % при правиле 40 %; поощрительных отзывов 0 % при правиле 10 %; наименьшая сумма с "
                        "дипломом 10 при правиле не ниже 60 % максимальной суммы.")
        << "not the rules applied later to Химия";
    EXPECT_TRUE(p.at(7, 3).number);
    EXPECT_EQ(rules(made().sheet(13, "Лист20")), "30|20|не задана|1:2:3 (наибольшая сумма — всегда 1-я степень)|0 ");
    EXPECT_EQ(rules(made().sheet(14, "Лист20")), "—|—|не задана|—|— Степени выставлены без помощника награждения.");
    EXPECT_EQ(row(p, 12, 2, 5), "Диплом 1-й степени|306|1|300");
    EXPECT_EQ(row(p, 13, 3, 5), "10|1|12.5") << "Жуков's degree 2 below Абрамов and Борисов without one; the typed cut-off "
                                                "beside the lowest total given";
    EXPECT_EQ(p.text(14, 5), "") << "a degree without a typed cut-off";
    EXPECT_EQ(row(p, 14, 3, 4) + " " + row(p, 15, 3, 4), "|0 |0") << "Дмитриев's mention is in grade 10";
    EXPECT_EQ(row(p, 18, 1, 6), "1|Волков Имя Отчество|Гимназия|306|1|1-й степени");
    EXPECT_EQ(row(p, 19, 1, 6), "2|Абрамов Имя Отчество|=СУММ(1;2)|30|2|");
    EXPECT_EQ(row(p, 20, 1, 6), "3|Борисов Имя Отчество|Лицей|20|3|");
    EXPECT_EQ(row(p, 21, 1, 6), "4|Жуков Имя Отчество|СОШ|10|4|2-й степени");
    EXPECT_TRUE(p.at(21, 4).number && p.at(21, 5).number);
    EXPECT_EQ(p.text(22, 2), "");
    EXPECT_EQ(p.text(23, 2), "Председатель жюри");
    EXPECT_EQ(p.text(25, 2), "Члены жюри");
    EXPECT_TRUE(p.text(29, 3).startsWith("______")) << "a line for each of three members";
    EXPECT_EQ(p.lastRow(), 29);
    EXPECT_EQ(activeOf(made().files[12]), "Лист20!A2");
    // No heading runs over the first participant: the heading row is as high as its wrapped headings.
    const QMap<QString, QByteArray> parts = partsOf(made().files[12]);
    const pugi::xml_document sheet =
        xml(parts[sheetPart(parts, xml(parts["xl/workbook.xml"]).child("workbook").child("sheets").first_child())]);
    EXPECT_GE(sheet.child("worksheet").child("sheetData").find_child_by_attribute("row", "r", "17").attribute("ht").as_double(), 30.0);
}

// The protocol is offered in the print window and by the award assistant for its subject and grade;
// the assistant asks first when its proposal is not applied.
TEST_F(Reports, TheProtocolIsMadeFromThePrintWindowAndTheAssistant) {
    Data d;
    d.make(db(), tr());
    reportfiles::useTemplate(kTemplate);
    QTemporaryDir home;
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QStringList opened;
    ui::reportOpener = [&](const QString& path) {
        opened << path;
        return true;
    };
    auto* p = new TFormPrint(nullptr);
    underTest(p);
    p->show();
    expectModal([&] { p->Button10Click(); },
                [&](QWidget* m) {
                    auto* k = qobject_cast<TFormPrintKlass*>(m);
                    ASSERT_NE(k, nullptr);
                    pick(k->ComboBox1, "Физика");
                    pick(k->ComboBox2, "9");
                    click(m, "Button1");
                });
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].contains("/Таврин/Протокол награждения ")) << opened[0].toStdString();

    auto* w = new TFormPomoshnik(nullptr);
    underTest(w);
    w->show();
    QApplication::setActiveWindow(w);
    msg::clearShown();
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Выберите предмет"});
    pick(w->ComboBox1, "Физика");
    pick(w->ComboBox2, "9");
    msg::clearShown();
    msg::setNextAnswer(false);
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    EXPECT_EQ(msg::shownTexts(), QStringList{"Предложенные степени не применены: протокол покажет выставленные. Продолжить?"});
    EXPECT_EQ(opened.size(), 1) << "declined: no protocol";
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened[1].contains("/Таврин/Протокол награждения ")) << opened[1].toStdString();
    ui::reportOpener = [](const QString&) { return true; };
    qputenv("HOME", realHome);
}

}  // namespace
