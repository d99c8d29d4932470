// The results site: written from a real database and read back by headless Chromium (the DOM of
// each page against the record, a phone's width, the search box), nothing private in any file,
// the names form only for final results, and the dialog.
#include "fixtures/Olympiad.h"
#include "fixtures/WindowTest.h"

#include "Atomic.h"
#include "Cancel.h"
#include "appeals/Status.h"
#include "participants/Registration.h"
#include "publish/Results.h"
#include "publish/Site.h"
#include "publish/UPublish.h"
#include "reference/Dictionaries.h"
#include "reference/Rounds.h"
#include "reports/ReportFiles.h"
#include "scoring/Places.h"
#include "ui/Combo.h"
#include "ui/GuardedWrite.h"
#include "ui/ShowReport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>

namespace {

// Runs headless Chromium on a file with its own profile in a temporary folder; what it printed.
// Chromium missing fails the test: CI installs it.
QString chromium(const QStringList& args) {
    QTemporaryDir home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    p.setProcessEnvironment(env);
    p.start("chromium", QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                     "--user-data-dir=" + home.filePath("profile")} + args);
    EXPECT_TRUE(p.waitForStarted(10000)) << "chromium is not installed (Debian package chromium)";
    EXPECT_TRUE(p.waitForFinished(60000)) << "chromium did not end within a minute";
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString dom(const QString& file, const QString& size = "1280,900") {
    return chromium({"--window-size=" + size, "--dump-dom", QUrl::fromLocalFile(file).toString()});
}

QString unescaped(QString s) {
    s.remove(QRegularExpression("<[^>]*>"));
    return s.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&").trimmed();
}

// The cells of the visible body rows of the DOM's (first) table, a list per row.
QList<QStringList> bodyRows(const QString& html) {
    QList<QStringList> rows;
    const QString body = QRegularExpression("<tbody>(.*)</tbody>", QRegularExpression::DotMatchesEverythingOption).match(html).captured(1);
    static const QRegularExpression row("<tr( hidden=\"\")?>(.*?)</tr>", QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression cell("<t[hd][^>]*>(.*?)</t[hd]>", QRegularExpression::DotMatchesEverythingOption);
    for (auto r = row.globalMatch(body); r.hasNext();) {
        const auto m = r.next();
        if (!m.captured(1).isEmpty()) continue;  // hidden by the search
        QStringList cells;
        for (auto c = cell.globalMatch(m.captured(2)); c.hasNext();) cells << unescaped(c.next().captured(1));
        rows << cells;
    }
    return rows;
}

// Every file of the written folder, as one text.
QString everything(const QString& folder) {
    QString all;
    for (QDirIterator it(folder, QDir::Files); it.hasNext();) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        all += QString::fromUtf8(f.readAll());
    }
    return all;
}

}  // namespace

class Publish : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        o = Olympiad::seed(db(), tr());
        rounds::save(db(), tr(), o.fizika, {{{"Теория", "1"}, {"Практика", "1"}, {}, {}}});
        rounds::save(db(), tr(), o.khimiya, {{{"Тест", "1"}, {}, {}, {}}});
        tr().commitRetaining();
        folder = reportfiles::folder();
        QDir(folder).removeRecursively();
        folder = reportfiles::folder();
    }
    // A participant of Север in Физика with his two rounds' scores and ciphers ("Т-n", then "П-n").
    int child(int klass, const QString& surname, const QString& name, const QString& second, const QString& school,
              int theory, int practice, int degree = 0) {
        Registration r{o.sever, o.fizika, klass, {surname, name, second}, school, "Тайный город", {{"Учителева", "Мария", "Ивановна"}}};
        const int id = insertParticipant(db(), tr(), r);
        exec(QString("INSERT INTO BAL (ID_CHILD, ID_PREDMET, KLASS, BAL01, B1, BAL07, B2, SUMM, DIPL_STEP) "
                     "VALUES (%1, %2, %3, %4, %4, %5, %5, %6, %7)")
                 .arg(id).arg(o.fizika).arg(klass).arg(theory).arg(practice).arg(theory + practice).arg(degree));
        for (int tur : {1, 2})
            exec(QString("INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS, SHIFR) VALUES (%1, %2, %3, %4, '%5-%1')")
                     .arg(id).arg(o.fizika).arg(tur).arg(klass).arg(tur == 1 ? "Т" : "П"));
        RecomputePlaces(db(), tr(), o.fizika, klass);
        tr().commitRetaining();
        return id;
    }
    // Namesakes in one team and school, Ё and Е, a lower-case name, a hostile school, one who asked
    // not to be published.
    void messyGrade() {
        child(o.k9, "Сёмина", "алёна", "Петровна", "СОШ №1", 10, 20, 1);
        child(o.k9, "Иванов", "Иван", "Иванович", "СОШ №1", 10, 5, 2);
        child(o.k9, "Иванов", "Иван", "Иванович", "СОШ №1", 12, 3, 2);
        child(o.k9, "Семина", "Елена", "", "=1+1 <script>alert(1)</script> & \"Лицей\"", 1, 2);
        hidden = child(o.k9, "Скрытов", "Тихон", "Тихонович", "СОШ №1", 40, 40, 1);
        exec(QString("UPDATE SPISOK SET NE_PUBL = 1 WHERE ID_CHILD = %1").arg(hidden));
        child(o.k10, "Орлов", "Пётр", "Ильич", "Лицей №2", 3, 3);
    }
    QString write(publish::Form form, const QString& subject = "Физика", const QString& grade = "9") {
        publish::Site site;
        site.olympiad = "Областная олимпиада <2026>";
        site.form = form;
        return publish::write(publish::tables(db(), tr(), {subject, grade, form}), site, folder, {}, {});
    }
    QString page(const QString& site, int klass) {
        return QDir(site).filePath(QString("r%1_%2.html").arg(o.fizika).arg(klass));
    }

    Olympiad o;
    QString folder;
    int hidden = 0;
};

TEST_F(Publish, TheCipherPageHoldsTheGradeInPlaceOrderAndNoNameAnywhere) {
    messyGrade();
    const QString site = write(publish::Form::Ciphers, "", "");
    EXPECT_TRUE(QFileInfo(site).fileName().startsWith("Результаты ")) << site.toStdString();
    EXPECT_FALSE(QFileInfo::exists(site + ".part"));
    const QString html = dom(page(site, o.k9));
    // The rows as the browser reads them against the record: place, cipher of the last round, grade,
    // the rounds, total, degree, in place order.
    QList<QStringList> expected;
    Query q(db(), tr(), {"SELECT B.MESTO, SH.SHIFR, B.B1, B.B2, B.SUMM, B.DIPL_STEP FROM BAL B JOIN SPISOK S ON S.ID_CHILD = B.ID_CHILD",
                         "JOIN SHIFR SH ON SH.ID_CHILD = B.ID_CHILD AND SH.ID_TUR = 2 WHERE B.KLASS = :K AND S.NE_PUBL = 0",
                         "ORDER BY B.MESTO, SH.SHIFR"});
    q.setInt("K", o.k9);
    q.open();
    const char* degrees[] = {"", "I степени", "II степени", "III степени"};
    for (q.first(); !q.eof(); q.next())
        expected << QStringList{q.fieldText("MESTO"), q.fieldText("SHIFR"), "9", q.fieldText("B1"), q.fieldText("B2"),
                                q.fieldText("SUMM"), degrees[q.fieldInt("DIPL_STEP")]};
    ASSERT_EQ(expected.size(), 4);
    EXPECT_EQ(bodyRows(html), expected);
    for (const char* part : {"<html lang=\"ru\"", "Предварительные результаты", "Областная олимпиада &lt;2026&gt;",
                             "<th scope=\"col\"", "<caption>"})
        EXPECT_TRUE(html.contains(part)) << part;
    // The index lists both grades with their counts; nothing private in any file of the folder.
    const QList<QStringList> index = bodyRows(dom(QDir(site).filePath("index.html")));
    EXPECT_EQ(index, (QList<QStringList>{{"Физика", "9", "Предварительные результаты", "4", "CSV"},
                                         {"Физика", "10", "Предварительные результаты", "1", "CSV"}}));
    const QString all = everything(site);
    for (const char* secret : {"Сёмина", "Семина", "Иванов", "алёна", "Скрытов", "Орлов", "Учителева", "Тайный",
                               "СОШ", "Лицей", "script>alert", "Север", "http"})
        EXPECT_FALSE(all.contains(secret)) << secret;
    EXPECT_FALSE(all.contains(QString("П-%1").arg(hidden))) << "one not to be published is left out";
    EXPECT_FALSE(all.contains("Т-")) << "the cipher is the last round's";
}

TEST_F(Publish, NamesOnlyForFinalResultsAsSurnameInitialsAndSchoolShownAsText) {
    messyGrade();
    EXPECT_TRUE(publish::refusal(publish::tables(db(), tr(), {"Физика", "", publish::Form::Names}), publish::Form::Names)
                    .contains("Физика, 9 класс"));
    atomically(tr(), [&] { status::set(db(), tr(), o.fizika, o.k9, true, "секретарь@пк"); });
    const QList<publish::Table> nine = publish::tables(db(), tr(), {"Физика", "9", publish::Form::Names});
    EXPECT_TRUE(publish::refusal(nine, publish::Form::Names).isEmpty());
    EXPECT_TRUE(publish::refusal(publish::tables(db(), tr(), {"", "", publish::Form::Names}), publish::Form::Names)
                    .contains("Физика, 10 класс")) << "the preliminary grade among final ones";
    const QString site = write(publish::Form::Names);
    const QString html = dom(page(site, o.k9));
    const QList<QStringList> rows = bodyRows(html);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].mid(0, 3), (QStringList{"2", "Сёмина А. П.", "СОШ №1"})) << "the places as stored";
    EXPECT_EQ(rows[1].mid(0, 3), rows[2].mid(0, 3)) << "namesakes of one place: both";
    EXPECT_EQ(rows[3].mid(1, 2), (QStringList{"Семина Е.", "=1+1 <script>alert(1)</script> & \"Лицей\""}));
    EXPECT_EQ(html.count("<script"), 1) << "the page's own script only";
    EXPECT_TRUE(html.contains("Итоговые результаты на "));
    const QString all = everything(site);
    for (const char* secret : {"Скрытов", "Петровна", "Иванович", "Учителева", "Тайный", "Север", "Т-", "П-"})
        EXPECT_FALSE(all.contains(secret)) << secret;
    // The CSV beside the page: the same rows, a school that a spreadsheet would take for a formula kept as text.
    QFile csv(QDir(site).filePath(QString("r%1_%2.csv").arg(o.fizika).arg(o.k9)));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "marked as UTF-8 for a spreadsheet program";
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "Место;Участник;Школа;Класс;Теория;Практика;Итого;Диплом");
    EXPECT_EQ(lines[1], "2;Сёмина А. П.;СОШ №1;9;10;20;30;I степени");
    EXPECT_EQ(lines[4].section(';', 1, 2), "Семина Е.;\"'=1+1 <script>alert(1)</script> & \"\"Лицей\"\"\"") << lines[4].toStdString();
}

TEST_F(Publish, APhoneShowsThePageWithoutScrollingItAndTheSearchFindsACipher) {
    messyGrade();
    exec(QString("UPDATE SPISOK SET SCHOOL = '%1' WHERE ID_CHILD = (SELECT MIN(ID_CHILD) FROM SPISOK)")
             .arg(QString("Муниципальное бюджетное общеобразовательное учреждение ").repeated(8).left(500)));
    atomically(tr(), [&] { status::set(db(), tr(), o.fizika, o.k9, true); });
    const QString site = write(publish::Form::Names);
    // Test copies of the page with a script appended: one types into the search box (its rows read
    // from the DOM); the other measures at the phone's width, in a screenshot, and paints the page
    // green when the document is no wider than the window, red when the page itself would scroll
    // sideways (its content hidden, so that the colour is what the screenshot shows).
    QFile original(page(site, o.k9));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(original.readAll());
    const auto testCopy = [&](const QString& name, const QString& script) {
        QFile f(QDir(site).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QString(text).replace("</body>", "<script>" + script + "</script></body>").toUtf8());
        return f.fileName();
    };
    const QString html = dom(testCopy("search.html", "var s = document.querySelector('.search input'); s.value = 'Сёмина';"
                                                     "s.dispatchEvent(new Event('input'));"),
                             "360,800");
    const QList<QStringList> found = bodyRows(html);
    ASSERT_EQ(found.size(), 1) << "the search leaves the one row";
    EXPECT_EQ(found[0][1], "Сёмина А. П.");
    // Measured when the window takes the phone's width (the browser lays the page out wider first).
    const QString measure = testCopy("phone.html", "function paint() { var w = innerWidth, d = document.documentElement.scrollWidth;"
                                                   "document.documentElement.style.background = w == 360 && d <= w ? '#00ff00' : '#ff0000';"
                                                   "document.body.style.visibility = 'hidden'; }"
                                                   "paint(); addEventListener('resize', paint);");
    const QString png = QDir(folder).filePath("phone.png");
    chromium({"--window-size=360,800", "--screenshot=" + png, QUrl::fromLocalFile(measure).toString()});
    const QImage shot(png);
    ASSERT_EQ(shot.width(), 360);
    EXPECT_EQ(shot.pixelColor(180, 400), QColor(0, 255, 0)) << "red: the page itself scrolls sideways at 360 px";
}

TEST_F(Publish, StoppedOrFailedItLeavesNoFolder) {
    messyGrade();
    const QList<publish::Table> tables = publish::tables(db(), tr(), {"", "", publish::Form::Ciphers});
    int asked = 0;
    EXPECT_THROW(publish::write(tables, {}, folder, {}, [&] { return ++asked > 1; }), Cancelled);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
    const QDateTime at = QDateTime::currentDateTime();
    QDir(folder).mkdir(QFileInfo(reportfiles::newFile(folder, "Результаты", at, QString())).fileName() + ".part");
    const QString site = publish::write(tables, {{}, at, publish::Form::Ciphers}, folder, {}, {});
    EXPECT_TRUE(site.endsWith("(2)")) << "never into a folder already there: " << site.toStdString();
}

TEST_F(Publish, TheDialogPublishesByCipherOnEnterAndRefusesNamesWhilePreliminary) {
    messyGrade();
    QStringList opened;
    ui::documentOpener = [&](const QString& path) { opened << path; return true; };
    const auto dialog = [&](const std::function<void(TFormPublish*)>& act) {
        expectModal([&] { openWindow(FormPublish, nullptr); }, [&](QWidget* w) { act(static_cast<TFormPublish*>(w)); });
    };
    dialog([&](TFormPublish* w) {
        EXPECT_EQ(w->windowTitle(), "Публикация результатов");
        EXPECT_EQ(w->focusWidget(), w->Button1);
        w->RadioButton2->setFocus();
        pressEnter(w->RadioButton2);  // chooses the form and publishes
        EXPECT_TRUE(w->isVisible()) << "names of preliminary results refused";
        ASSERT_FALSE(msg::shown().isEmpty());
        EXPECT_TRUE(msg::shown().last().detail.contains("Физика, 9 класс"));
        w->RadioButton1->setChecked(true);
        w->Edit1->setText("Олимпиада 2026");
        pressEnter(w->Button1);
    });
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].endsWith("/index.html"));
    EXPECT_TRUE(bodyRows(dom(opened[0])).size() == 2);
    EXPECT_EQ(text("SELECT ZNACH FROM NASTROIKI WHERE NAME = 'OLIMPIADA'"), "Олимпиада 2026");
    dialog([&](TFormPublish* w) {
        typeInto(w->ComboBox1, "нет такого");
        pressEnter(w->Button1);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->focusWidget(), w->ComboBox1);
        w->reject();
    });
    EXPECT_EQ(opened.size(), 1);
}
