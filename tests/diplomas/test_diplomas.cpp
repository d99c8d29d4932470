// Diplomas: names in the dative, the template, the PDF read back with poppler, numbers that stay,
// the register and the dialog.
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"
#include "participants/Lists.h"

#include "Settings.h"
#include "diplomas/Declension.h"
#include "diplomas/Diplomas.h"
#include "diplomas/Numbers.h"
#include "diplomas/Register.h"
#include "fixtures/Spreadsheet.h"
#include "fixtures/Thrown.h"
#include "xlsx/Workbook.h"
#include "diplomas/Template.h"
#include "diplomas/UPrintDiplom.h"
#include "participants/Registration.h"
#include "reference/Rounds.h"
#include "reports/ReportFiles.h"
#include "scoring/AwardRules.h"
#include "ui/Combo.h"
#include "ui/ShowReport.h"
#include "xlsx/FileError.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const declension::Rules& rules() {
    static const declension::Rules r = declension::Rules::load(QStringLiteral(TAVRIN_DECLENSION_RULES));
    return r;
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of each page of a PDF, as pdftotext reads it.
QStringList pages(const QString& pdf) {
    return run("pdftotext", {"-layout", pdf, "-"}).split(u'\f', Qt::SkipEmptyParts);
}

// The dark pixels of the first page within a rectangle given in millimetres (grey, 25 dpi).
int darkPixels(const QString& pdf, const QRectF& mm) {
    QTemporaryDir dir;
    QProcess::execute("pdftoppm", {"-gray", "-r", "25", "-f", "1", "-l", "1", "-singlefile", pdf, dir.filePath("p")});
    QFile f(dir.filePath("p.pgm"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> head = f.readLine().trimmed() == "P5" ? f.readLine().trimmed().split(' ') : QList<QByteArray>{};
    f.readLine();  // the greatest value
    if (head.size() != 2) return -1;
    const int width = head[0].toInt(), height = head[1].toInt();
    const QByteArray px = f.readAll();
    const QRect r = QRectF(mm.x() * 25 / 25.4, mm.y() * 25 / 25.4, mm.width() * 25 / 25.4, mm.height() * 25 / 25.4).toRect();
    int dark = 0;
    for (int y = std::max(0, r.top()); y <= std::min(height - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(width - 1, r.right()); ++x)
            dark += quint8(px.at(y * width + x)) < 128;
    return dark;
}

}  // namespace

TEST(Declension, RealNamesInTheDative) {
    struct Case {
        const char *surname, *name, *second, *dative;
        bool sure;
    };
    const Case cases[] = {
        {"Иванов", "Иван", "Иванович", "Иванову Ивану Ивановичу", true},
        {"Петрова", "Анна", "Сергеевна", "Петровой Анне Сергеевне", true},
        {"Сёмин", "Пётр", "Алексеевич", "Сёмину Петру Алексеевичу", true},
        {"Римский-Корсаков", "Николай", "Андреевич", "Римскому-Корсакову Николаю Андреевичу", true},
        // "Бонч" and "Тер" stay only as the first part of a double-barrelled surname.
        {"Бонч-Бруевич", "Владимир", "Дмитриевич", "Бонч-Бруевичу Владимиру Дмитриевичу", true},
        {"Бонч", "Павел", "Петрович", "Бончу Павлу Петровичу", true},
        // Indeclinable surnames stay as they are.
        {"Дюма", "Александр", "Александрович", "Дюма Александру Александровичу", true},
        {"Шоу", "Бернард", "Иванович", "Шоу Бернарду Ивановичу", true},
        {"Черных", "Лев", "Петрович", "Черных Льву Петровичу", true},
        {"Гёте", "Иоганн", "Вольфгангович", "Гёте Иоганну Вольфганговичу", true},
        {"Мёллер", "Анна", "Ильинична", "Мёллер Анне Ильиничне", true},
        {"Мёллер", "Карл", "Фёдорович", "Мёллеру Карлу Фёдоровичу", true},
        // The case as typed.
        {"иванова", "мария", "петровна", "ивановой марии петровне", true},
        {"КОВАЛЁВ", "ИГОРЬ", "ОЛЕГОВИЧ", "КОВАЛЁВУ ИГОРЮ ОЛЕГОВИЧУ", true},
        // No patronymic: the surname's ending tells the gender, else the name's rules.
        {"Волков", "Никита", "", "Волкову Никите", true},
        {"Волкова", "Никита", "", "Волковой Никите", true},
        {"смирнова", "женя", "", "смирновой жене", true},
        {"Мамин-Сибиряк", "Илья", "", "Мамину-Сибиряку Илье", true},
        {"Ким", "Саша", "", "Ким Саше", true},  // the name's rules say female
        {"Ким", "Женя", "", "Ким Женя", false},  // nor do they tell: no sure form
    };
    for (const Case& c : cases) {
        const declension::Dative d = declension::dative(rules(), c.surname, c.name, c.second);
        EXPECT_EQ(d.text, QString(c.dative)) << c.surname << ' ' << c.name;
        EXPECT_EQ(d.sure, c.sure) << c.surname << ' ' << c.name;
    }
}

TEST(Declension, ABrokenRulesFileIsRefused) {
    const char* broken[] = {
        "not json",
        "[]",
        R"({"lastname": {}, "firstname": {}})",
        R"({"lastname": {"suffixes": [{"gender": "male", "test": ["ов"], "mods": ["а", "у"]}]}, "firstname": {}, "middlename": {}})",
        R"({"lastname": {"suffixes": [{"gender": "alien", "test": ["ов"], "mods": [".", ".", ".", ".", "."]}]}, "firstname": {}, "middlename": {}})",
        R"({"lastname": {"suffixes": [{"gender": "male", "test": [], "mods": [".", ".", ".", ".", "."]}]}, "firstname": {}, "middlename": {}})",
    };
    for (const char* text : broken)
        EXPECT_THROW(declension::Rules::parse(QByteArray(text), "rules.json"), FileError) << text;
    EXPECT_THROW(declension::Rules::parse(QByteArray(2 << 20, ' '), "rules.json"), FileError) << "too large";
}

TEST(Template, AMalformedTemplateIsRefusedWithItsReason) {
    const auto refusal = [](const QByteArray& svg) { return thrownText<FileError>([&] { diplomas::Template::parse(svg, "diplom.svg"); }); };
    const QByteArray head = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 210 297">)";
    EXPECT_TRUE(refusal("PK\x03\x04 not an svg").contains("не рисунок SVG"));
    EXPECT_TRUE(refusal("<html><body/></html>").contains("не рисунок SVG"));
    EXPECT_TRUE(refusal(head + "<text x='10' y='10'>ДИПЛОМ</text></svg>").contains("нет ни одного поля"));
    EXPECT_TRUE(refusal(head + "<text x='10' y='10'>{ИМЯ}</text></svg>").contains("неизвестное поле {ИМЯ}"));
    // A field among other words would be printed as written, on every page.
    const QString mixed = "поле {НОМЕР} стоит в одном тексте с другими словами: вынесите его в отдельный текст";
    EXPECT_TRUE(refusal(head + "<text x='10' y='10'>{ФИО}</text><text x='10' y='20'>Диплом № {НОМЕР}</text></svg>").endsWith(mixed));
    EXPECT_TRUE(refusal(head + "<text x='10' y='10'><tspan>{ НОМЕР }</tspan><tspan> от {ДАТА}</tspan></text></svg>").endsWith(mixed));
    EXPECT_TRUE(refusal(head + "<g transform='rotate(30)'><text x='10' y='10'>{ФИО}</text></g></svg>").contains("повёрнуто"));
    EXPECT_TRUE(refusal(R"(<svg xmlns="http://www.w3.org/2000/svg"><text>{ФИО}</text></svg>)").contains("размер"));
    EXPECT_TRUE(refusal(head + QByteArray(3 << 20, ' ') + "</svg>").contains("больше 2 МБ"));

    // Inkscape's way: the text in a layer moved by a transform, the size in the style of a tspan.
    const diplomas::Template t = diplomas::Template::parse(
        head + R"x(<g transform="translate(5,7)"><text x="100" y="50" text-anchor="middle" textLength="80">)x"
               R"x(<tspan style="font-size:6px;font-weight:bold">{ФИО}</tspan></text></g></svg>)x",
        "diplom.svg");
    ASSERT_EQ(t.fields().size(), 1);
    const diplomas::Field& f = t.fields().first();
    EXPECT_DOUBLE_EQ(f.x, 105);
    EXPECT_DOUBLE_EQ(f.y, 57);
    EXPECT_DOUBLE_EQ(f.width, 80);
    EXPECT_DOUBLE_EQ(f.fontSize, 6);
    EXPECT_TRUE(f.bold);
    EXPECT_FALSE(t.background().contains("{ФИО}"));
}

class Diplomas : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        rounds::save(db(), tr(), o.fizika, {{{"Теория", "1"}, {}, {}, {}}});
        rounds::save(db(), tr(), o.khimiya, {{{"Теория", "1"}, {}, {}, {}}});
        tr().commitRetaining();
        folder = reportfiles::folder();
        QDir(folder).removeRecursively();
        folder = reportfiles::folder();
    }

    // A participant of Север with his total (one task) and degree; the places follow.
    int child(int predmet, int klass, const QString& surname, const QString& name, const QString& second,
              const QString& total, int degree, const QString& school = "СОШ №1") {
        Registration r;
        r.idKomand = o.sever;
        r.idPredmet = predmet;
        r.idKlass = klass;
        r.child = {surname, name, second};
        r.school = school;
        const int id = insertParticipant(db(), tr(), r);
        storeScores(db(), tr(), id, predmet, klass, {{1, total}});
        exec(QString("UPDATE BAL SET DIPL_STEP = %1 WHERE ID_CHILD = %2").arg(degree).arg(id));
        return id;
    }
    // Prints as the dialog does, committed; the PDF.
    diplomas::Printed print(const diplomas::Choice& c) {
        const diplomas::Template t = diplomas::Template::load(TAVRIN_DIPLOMA_TEMPLATE);
        const diplomas::Printed done = diplomas::print(db(), tr(), diplomas::winners(db(), tr(), c), c, t, rules(), "Ф", "Олимпиада 2026", folder, {});
        tr().commitRetaining();
        return done;
    }
    QString numberOf(int id) {
        return text(QString("SELECT NOMER FROM DIPLOM WHERE STATUS = 1 AND ID_CHILD = %1").arg(id));
    }

    Olympiad o;
    QString folder;
};

TEST_F(Diplomas, EachWinnerOnAPageOfHisOwnInTheDativeWithTheFontEmbedded) {
    const int first = child(o.fizika, o.k9, "Сёмина", "Алёна", "Петровна", "30", 1);
    for (const char* teacher : {"'Орлова', 'Мария', 'Петровна'", "'Ли', '', ''"})
        exec(QString("INSERT INTO TEACHERS (ID_CHILD, SURNAME, NAME, SECONDNAME) VALUES (%1, %2)").arg(first).arg(teacher));
    child(o.fizika, o.k9, "Иванов", "Иван", "Иванович", "20", 2);
    child(o.fizika, o.k9, "Иванов", "Иван", "Иванович", "20", 2, "Лицей №2");  // namesakes: two diplomas
    child(o.fizika, o.k9, "Ким", "Женя", "", "15", 3);
    child(o.fizika, o.k9, "Дюма", "Пьер", "Иванович", "5", 0);
    child(o.fizika, o.k9, "Шоу", "Анна", "Петровна", "6", 4);
    child(o.khimiya, o.k9, "Черных", "Лев", "Петрович", "9", 1);
    const diplomas::Printed done = print({"Физика", "", {true, true, true, false}});
    EXPECT_EQ(QString("%1 %2").arg(done.pages).arg(done.nominative), "4 1") << "pages, names left in the nominative";
    EXPECT_TRUE(QFileInfo(done.path).fileName().startsWith("Дипломы ")) << done.path.toStdString();
    EXPECT_FALSE(QFile::exists(done.path + ".part"));
    const QStringList p = pages(done.path);
    ASSERT_EQ(p.size(), 4);
    EXPECT_TRUE(p[0].contains("Сёминой Алёне Петровне") && p[0].contains("I степени")) << p[0].toStdString();
    EXPECT_TRUE(p[0].contains("Орлова М. П., Ли") && p[0].contains("30")) << p[0].toStdString();
    for (int i : {1, 2}) EXPECT_TRUE(p[i].contains("Иванову Ивану Ивановичу") && p[i].contains("II степени")) << p[i].toStdString();
    EXPECT_TRUE(p[1].contains("СОШ №1") != p[2].contains("СОШ №1"));
    EXPECT_TRUE(p[3].contains("Ким Женя")) << "no sure dative: the nominative";
    const QString all = p.join("");
    for (const char* absent : {"Дюма", "Шоу", "Черных", "{"}) EXPECT_FALSE(all.contains(absent)) << absent;
    EXPECT_TRUE(all.contains("Олимпиада 2026"));
    // Every font embedded, and the names readable: Cyrillic came through.
    const QStringList fonts = run("pdffonts", {done.path}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    for (const QString& f : fonts) EXPECT_TRUE(f.contains(QRegularExpression(" yes +(yes|no) +(yes|no) +\\d+ +\\d+$"))) << f.toStdString();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DIPLOM WHERE NOMINATIVE = 1"), 1);
}

TEST_F(Diplomas, AReprintKeepsNumbersAndAChangedDegreeCancelsAndRenumbers) {
    const int a = child(o.fizika, o.k9, "Алексеев", "Пётр", "Ильич", "30", 1);
    const int b = child(o.fizika, o.k10, "Борисова", "Ольга", "Ивановна", "20", 2);
    print({});
    const QString na = numberOf(a), nb = numberOf(b);
    EXPECT_TRUE(na.startsWith("Ф-")) << na.toStdString();
    EXPECT_NE(na, nb);
    const diplomas::Printed again = print({});
    EXPECT_EQ(numberOf(a), na);
    EXPECT_EQ(numberOf(b), nb);
    EXPECT_TRUE(pages(again.path).join("").contains(na));

    exec(QString("UPDATE BAL SET DIPL_STEP = 3 WHERE ID_CHILD = %1").arg(b));
    // The register tells that the printed diploma no longer stands before it is reprinted.
    const auto standing = [&](const QString& number) {
        for (const diplomanumbers::Entry& e : diplomanumbers::entries(db(), tr()))
            if (e.number == number) return e.standing;
        ADD_FAILURE() << "no " << number.toStdString();
        return false;
    };
    EXPECT_FALSE(standing(nb));
    print({"", "10", {false, false, true, false}});
    const QString renumbered = numberOf(b);
    EXPECT_NE(renumbered, nb);
    EXPECT_EQ(text(QString("SELECT STATUS FROM DIPLOM WHERE NOMER = '%1'").arg(nb)), "0");
    EXPECT_TRUE(standing(renumbered));
    EXPECT_EQ(numberOf(a), na) << "another grade's diploma is not touched";
    // The register, read back by LibreOffice: every number with its status, then the signatures.
    reportfiles::useTemplate(TAVRIN_TEMPLATE);
    const sheets::Book book = sheets::read({reportfiles::write("Реестр дипломов", [](Workbook& wb) {
        diplomas::registerSheet(db(), tr(), wb);
    })}).first();
    ASSERT_EQ(book.names, QStringList{"Лист21"});
    const sheets::Sheet& sh = book.sheets.first();
    EXPECT_EQ(sh.text(1, 1), "Реестр дипломов");
    const QStringList expected[] = {{na, "Алексеев Пётр Ильич", "Физика", "9", "I степени", "СОШ №1", "выдан"},
                                    {nb, "Борисова Ольга Ивановна", "Физика", "10", "II степени", "СОШ №1", "аннулирован"},
                                    {renumbered, "Борисова Ольга Ивановна", "Физика", "10", "III степени", "СОШ №1", "выдан"}};
    for (int r = 0; r < 3; ++r) {
        const QStringList row{sh.text(4 + r, 2), sh.text(4 + r, 3), sh.text(4 + r, 4), sh.text(4 + r, 5),
                              sh.text(4 + r, 6), sh.text(4 + r, 7), sh.text(4 + r, 9)};
        EXPECT_EQ(row, expected[r]);
        EXPECT_EQ(sh.text(4 + r, 8), QDate::currentDate().toString("dd.MM.yyyy"));
    }
    EXPECT_EQ(sh.text(8, 3), "Председатель оргкомитета");
    // A move to another grade takes his diploma's standing away.
    participants::move(db(), tr(), a, {o.sever, o.fizika, o.k10, QString()});
    EXPECT_EQ(numberOf(a), QString());
}

TEST_F(Diplomas, TwoStationsNumberingAtOnceNeverShareANumber) {
    QList<int> ids;
    for (int i = 0; i < 6; ++i) ids << child(o.fizika, o.k9, QString("Участник%1").arg(QChar(u'А' + i)), "Иван", "Иванович", "10", 1);
    OtherStation second(db().databaseName);
    QStringList numbers;
    for (int i = 0; i < 6; ++i)  // interleaved, each uncommitted while the other numbers
        numbers << diplomanumbers::numberFor(i % 2 ? db() : second.db, i % 2 ? tr() : second.tr, ids[i], 1, "Ф", QDate::currentDate(), false);
    second.tr.commit();
    tr().commitRetaining();
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), 6) << numbers.join(",").toStdString();
}

TEST_F(Diplomas, ALongSchoolShrinksInsideItsBoxAndBlanksLeaveTheFixedTextsOut) {
    const QString school = "Муниципальное бюджетное общеобразовательное учреждение «Средняя общеобразовательная школа "
                           "№ 1 с углублённым изучением отдельных предметов имени Героя Советского Союза А. И. Покрышкина»";
    child(o.fizika, o.k9, "Алексеев", "Пётр", "Ильич", "30", 1, school);
    const diplomas::Printed done = print({});
    const QString bbox = run("pdftotext", {"-bbox", done.path, "-"});
    const diplomas::Template t = diplomas::Template::load(TAVRIN_DIPLOMA_TEMPLATE);
    const auto field = std::find_if(t.fields().begin(), t.fields().end(), [](const auto& f) { return f.key == "УЧРЕЖДЕНИЕ"; });
    ASSERT_NE(field, t.fields().end());
    const double mm = 72 / 25.4, left = (field->x - field->width / 2) * mm, right = (field->x + field->width / 2) * mm;
    static const QRegularExpression word("<word xMin=\"([\\d.]+)\" yMin=\"[\\d.]+\" xMax=\"([\\d.]+)\"[^>]*>([^<]*)</word>");
    double first = 1e9, last = 0;
    int words = 0;
    for (auto it = word.globalMatch(bbox); it.hasNext();) {
        const auto m = it.next();
        if (!QStringList{"Муниципальное", "Покрышкина»"}.contains(m.captured(3))) continue;
        ++words;
        first = std::min(first, m.captured(1).toDouble());
        last = std::max(last, m.captured(2).toDouble());
    }
    EXPECT_EQ(words, 2) << "the whole school, first word and last";
    EXPECT_GE(first, left - 0.5);
    EXPECT_LE(last, right + 0.5);
    EXPECT_GT(last - first, (right - left) * 0.9) << "shrunk to the box, not far below it";

    diplomas::Choice blank;
    blank.blank = true;
    const QString onBlank = print(blank).path;
    EXPECT_TRUE(pages(onBlank).join("").contains("Алексееву Петру Ильичу"));
    // The title "ДИПЛОМ" and the frame are drawn on the page, and left out on a blank.
    for (const QRectF& fixed : {QRectF(40, 65, 130, 20), QRectF(8, 100, 4, 100)}) {
        EXPECT_GT(darkPixels(done.path, fixed), 10);
        EXPECT_EQ(darkPixels(onBlank, fixed), 0);
    }
}

TEST_F(Diplomas, DoubtfulDegreesAreListed) {
    const int a = child(o.fizika, o.k9, "Алексеев", "Пётр", "Ильич", "30", 1);
    const int b = child(o.fizika, o.k9, "Борисов", "Пётр", "Ильич", "20", 1);
    child(o.fizika, o.k9, "Власов", "Пётр", "Ильич", "0", 3);
    // Given one by one: a higher total with a lower degree than a lower total is doubtful.
    exec(QString("UPDATE BAL SET DIPL_STEP = 2 WHERE ID_CHILD = %1").arg(a));
    QStringList doubts = diplomas::doubts(db(), tr(), diplomas::winners(db(), tr(), {}));
    ASSERT_EQ(doubts.size(), 2) << doubts.join('\n').toStdString();
    EXPECT_TRUE(doubts[0].contains("Алексеев") && doubts[0].contains("по правилам награждения I степени"));
    EXPECT_TRUE(doubts[1].contains("Власов") && doubts[1].contains("нет суммы баллов"));
    // Recorded rules: 50 % diplomas of three give one, the 1st degree.
    exec(QString("UPDATE BAL SET DIPL_STEP = 1 WHERE ID_CHILD = %1").arg(a));
    exec(QString("UPDATE BAL SET DIPL_STEP = 2 WHERE ID_CHILD = %1").arg(b));
    awardrules::record(db(), tr(), o.fizika, o.k9, {{50, 0, {1, 2, 3}, 0}, false});
    doubts = diplomas::doubts(db(), tr(), diplomas::winners(db(), tr(), {}));
    ASSERT_EQ(doubts.size(), 2) << doubts.join('\n').toStdString();
    EXPECT_TRUE(doubts[0].contains("Борисов") && doubts[0].contains("без награды"));
}

// The dialog: Enter alone prints every diploma; the olympiad's name is asked once and kept; the
// question about doubtful degrees goes back on "Нет"; a broken template is refused, nothing written.
TEST_F(Diplomas, TheDialogPrintsOnEnterAndRefusesWhatCannotBePrinted) {
    const int a = child(o.fizika, o.k9, "Алексеев", "Пётр", "Ильич", "30", 1);
    QStringList opened;
    ui::documentOpener = [&](const QString& path) { opened << path; return true; };
    const QString own = QDir(folder).filePath("diplom.svg");
    QFile::copy(TAVRIN_DIPLOMA_TEMPLATE, own);
    const auto dialog = [&](const std::function<void(TFormPrintDiplom*)>& act) {
        expectModal([&] { openWindow(FormPrintDiplom, nullptr); },
                    [&](QWidget* w) { act(static_cast<TFormPrintDiplom*>(w)); });
    };
    // Typed choosers, each confirmed with Enter, then Enter prints: past the awards' check boxes.
    dialog([&](TFormPrintDiplom* w) {
        EXPECT_EQ(w->focusWidget(), w->Edit1) << "the olympiad's name is asked first";
        w->Edit1->setText("Областная олимпиада 2026");
        w->Button1->setFocus();
        pressEnter(w->Button1);
        EXPECT_EQ(msg::shownTexts().value(msg::shownTexts().size() - 1).left(16), "Префикс номера: ") << "no prefix of its own: asked";
        EXPECT_EQ(w->focusWidget(), w->Edit2);
        for (const char* refused : {"A", "Д 1"}) {  // a Latin look-alike, a blank
            w->Edit2->setText(refused);
            pressEnter(w->Button1);
            EXPECT_TRUE(w->isVisible()) << refused;
        }
        w->Edit2->setText("Д");
        QApplication::setActiveWindow(w);
        typeInto(w->ComboBox1, "физика");
        QTest::keyClick(w->ComboBox1, Qt::Key_Return);
        ASSERT_EQ(w->focusWidget(), w->ComboBox2);
        typeInto(w->ComboBox2, "9");
        QTest::keyClick(w->ComboBox2, Qt::Key_Return);
        ASSERT_EQ(w->focusWidget(), w->Button1);
        QTest::keyClick(w->Button1, Qt::Key_Return);
    });
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(text("SELECT ZNACH FROM NASTROIKI WHERE NAME = 'OLIMPIADA'"), "Областная олимпиада 2026");
    EXPECT_TRUE(pages(opened[0]).join("").contains("Областная олимпиада 2026"));
    const QString number = numberOf(a);

    // "Прервать" while the pages are made: no file, no number given, back in the dialog.
    for (int i = 0; i < 40; ++i) child(o.fizika, o.k9, QString("Борисов") + QChar(u'а' + i % 26), "Иван", "Ильич", "30", 1);
    const QStringList files = QDir(folder).entryList(QDir::Files);
    const qint64 numbers = scalar("SELECT COUNT(*) FROM DIPLOM");
    msg::clearShown();
    whenPhase("Дипломы", [&] { dialog([&](TFormPrintDiplom* w) { pressEnter(w->Button1); EXPECT_TRUE(w->isVisible()); w->reject(); }); },
              [](QWidget* p) { click(p, "ButtonStop"); });
    EXPECT_EQ(msg::shownTexts(), QStringList{"Печать дипломов прервана, файл не записан, номера не выданы."});
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), files);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DIPLOM"), numbers);
    EXPECT_EQ(opened.size(), 1);
    exec("DELETE FROM BAL WHERE ID_CHILD IN (SELECT ID_CHILD FROM SPISOK WHERE SURNAME STARTING WITH 'Борисов')");
    exec("DELETE FROM SPISOK WHERE SURNAME STARTING WITH 'Борисов'");

    exec(QString("UPDATE BAL SET SUMM = 0, BAL01 = 0, B1 = 0 WHERE ID_CHILD = %1").arg(a));
    msg::clearShown();
    msg::setNextAnswer(false);
    dialog([&](TFormPrintDiplom* w) {
        EXPECT_EQ(w->focusWidget(), w->Button1);
        pressEnter(w->Button1);
        EXPECT_TRUE(w->isVisible()) << "back in the dialog";
        w->reject();
    });
    ASSERT_FALSE(msg::shownTexts().isEmpty());
    EXPECT_TRUE(msg::shownTexts().first().contains("нет суммы баллов"));
    EXPECT_EQ(opened.size(), 1);

    QFile f(own);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 210 297'><text>ДИПЛОМ</text></svg>");
    f.close();
    msg::clearShown();
    dialog([&](TFormPrintDiplom* w) { pressEnter(w->Button1); w->reject(); });
    ASSERT_EQ(msg::shown().size(), 1);
    EXPECT_EQ(msg::shown().first().text, "Дипломы не напечатаны");
    EXPECT_TRUE(msg::shown().first().detail.contains("нет ни одного поля"));
    EXPECT_EQ(QDir(folder).entryList({"*.pdf*"}, QDir::Files).size(), 1) << "nothing more written";
    EXPECT_EQ(numberOf(a), number);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DIPLOM"), 1);
}
