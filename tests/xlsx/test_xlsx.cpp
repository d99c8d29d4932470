// Workbooks from outside, made part by part: what the list reader and the report template refuse,
// with the reason said, and what a report file keeps of a template with two sheets.

#include "fixtures/QtPrinters.h"
#include "fixtures/Thrown.h"
#include "xlsx/FileError.h"
#include "xlsx/SheetReader.h"
#include "xlsx/Workbook.h"
#include "xlsx/XlsxParts.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QtEndian>
#include <functional>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zip.h>


namespace {

using Parts = QMap<QString, QByteArray>;

const QByteArray kTypes =
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="s"/><Override PartName="/xl/worksheets/sheet2.xml" ContentType="s"/>)"
    R"(<Override PartName="/xl/drawings/drawing1.xml" ContentType="d"/></Types>)";
const QByteArray kRels = R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                         R"(<Relationship Id="rId1" Target="xl/workbook.xml"/></Relationships>)";
const QByteArray kStyles = R"(<styleSheet><fonts count="1"><font><sz val="11"/></font></fonts>)"
                           R"(<cellXfs count="1"><xf fontId="0"/></cellXfs></styleSheet>)";

QByteArray sheet(const QByteArray& rows, const QByteArray& after = {}) {
    return "<worksheet xmlns:r=\"r\"><sheetData>" + rows + "</sheetData>" + after + "</worksheet>";
}

// A workbook of the sheets "Список" and "Два"; `second` is the second sheet's XML.
Parts book(const QByteArray& first, const QByteArray& second = sheet({})) {
    return {{"[Content_Types].xml", kTypes},
            {"_rels/.rels", kRels},
            {"xl/workbook.xml", R"(<workbook xmlns:r="r"><bookViews><workbookView activeTab="1" firstSheet="1"/></bookViews>)"
                                R"(<sheets><sheet name="Список" r:id="rId1"/><sheet name="Два" r:id="rId2"/></sheets>)"
                                R"(<definedNames><definedName name="_xlnm.Print_Area" localSheetId="0">'Список'!$A$1:$B$2</definedName>)"
                                R"(<definedName name="_xlnm.Print_Area" localSheetId="1">Два!$A$1</definedName>)"
                                R"(<definedName name="Итог">Два!$B$2</definedName><definedName name="Шапка">'Список'!$A$1</definedName>)"
                                R"(</definedNames></workbook>)"},
            {"xl/_rels/workbook.xml.rels", R"(<Relationships><Relationship Id="rId1" Type="r/worksheet" Target="worksheets/sheet1.xml"/>)"
                                           R"(<Relationship Id="rId2" Type="r/worksheet" Target="/xl/worksheets/sheet2.xml"/>)"
                                           R"(<Relationship Id="rId3" Type="r/styles" Target="styles.xml"/></Relationships>)"},
            {"xl/styles.xml", kStyles},
            {"xl/worksheets/sheet1.xml", first},
            {"xl/worksheets/sheet2.xml", second},
            {"xl/worksheets/_rels/sheet2.xml.rels", R"(<Relationships><Relationship Id="rId1" Target="../drawings/drawing1.xml"/>)"
                                                    R"(<Relationship Id="rId2" TargetMode="External" Target="http://x/"/></Relationships>)"},
            {"xl/drawings/drawing1.xml", "<wsDr/>"},
            {"docProps/app.xml", "<Properties><TitlesOfParts/><HeadingPairs/><Company>Школа</Company></Properties>"}};
}

class Xlsx : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString write(const Parts& parts, const QString& name = "list.xlsx") {
        const QString path = dir.filePath(name);
        QFile::remove(path);
        zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE, nullptr);
        for (auto it = parts.begin(); it != parts.end(); ++it)
            zip_file_add(zip, it.key().toUtf8().constData(),
                         zip_source_buffer(zip, it.value().constData(), zip_uint64_t(it.value().size()), 0), ZIP_FL_ENC_UTF_8);
        EXPECT_EQ(zip_close(zip), 0);
        return path;
    }
    // What reading the file says after naming it: the refusal's reason, or "" when it is read.
    static QString refusal(const QString& path, const std::function<void()>& read) {
        const QString said = thrownText<FileError>(read);
        const QString prefix = "Не удалось прочитать файл " + path + ": ";
        EXPECT_TRUE(said.isEmpty() || said.startsWith(prefix)) << said.toStdString();
        return said.mid(said.isEmpty() ? 0 : prefix.size());
    }
    // Reading the sheet "Список" as a list, and as a report's template.
    static QString listRefusal(const QString& path) { return refusal(path, [&] { SheetReader(path).rows("Список"); }); }
    static QString templateRefusal(const QString& path) { return refusal(path, [&] { Workbook(path).selectSheet("Список"); }); }
};

QByteArray cell(const char* ref, const QByteArray& text = "x") {
    return QByteArray("<c r=\"") + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

TEST_F(Xlsx, ListCellsOutsideTheSheetOrBeyondAListAreRefused) {
    const QByteArray a1 = "<row r=\"1\">" + cell("A1") + "</row>";
    const QString address = "неверный адрес ячейки «%1»";
    const std::pair<QByteArray, QString> cases[] = {
        {sheet("<row r=\"1\">" + cell("1") + "</row>"), address.arg("1")},
        {sheet("<row r=\"1\">" + cell("A0") + "</row>"), address.arg("A0")},
        {sheet("<row r=\"1\">" + cell("ZZZZZZ1") + "</row>"), address.arg("ZZZZZZ1")},
        {sheet("<row r=\"99999999999999999999\">" + cell("A1") + "</row>"), address.arg("99999999999999999999")},
        {sheet("<row r=\"1048576\">" + cell("XFD1048576") + "</row>"), "больше 100000 строк"},
        {sheet("<row r=\"5\">" + cell("ALM5") + "</row>"), "больше 1000 столбцов"},
        {sheet(a1, "<mergeCells><mergeCell ref=\"A1:ALL2001\"/></mergeCells>"), "больше 2000000 ячеек"},
        {sheet(a1, "<mergeCells><mergeCell ref=\"A1:A\"/></mergeCells>"), address.arg("A1:A")}};
    for (const auto& [xml, reason] : cases) EXPECT_EQ(listRefusal(write(book(xml))), "на листе «Список» " + reason);

    // Per cell, naming the cell: a text longer than a list's cell, a control character, a reference
    // to a shared string that is not there or is no number, a row written twice.
    const auto shared = [&](const QByteArray& rows) {
        Parts p = book(sheet(rows));
        p["xl/sharedStrings.xml"] = "<sst><si><t>Иванов</t></si><si><r><t>" + QByteArray(600, 'x') + "</t></r><r><t>" +
                                    QByteArray(401, 'y') + "</t></r></si><si><t>Ян&#1;</t></si></sst>";
        return listRefusal(write(p));
    };
    const QByteArray two = "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c>";
    EXPECT_EQ(shared(two + "<c r=\"B2\" t=\"s\"><v>1</v></c></row>"), "на листе «Список» в ячейке B2 текст длиннее 1000 знаков");
    EXPECT_EQ(shared(two + "<c r=\"C2\" t=\"s\"><v>2</v></c></row>"), "на листе «Список» в ячейке C2 управляющий символ (код 1)");
    EXPECT_EQ(shared(two + cell("D2", "Ян\x1f") + "</row>"), "на листе «Список» в ячейке D2 управляющий символ (код 31)");
    EXPECT_EQ(shared(two + cell("E2", QByteArray(1001, 'z')) + "</row>"), "на листе «Список» в ячейке E2 текст длиннее 1000 знаков");
    for (const char* index : {"3", "x1", "-1", "", "99999999999999"})
        EXPECT_EQ(shared(two + "<c r=\"B2\" t=\"s\"><v>" + index + "</v></c></row>"),
                  QString("на листе «Список» в ячейке B2 ссылка на общую строку «%1», которой нет").arg(index));
    EXPECT_EQ(shared(two + "</row><row r=\"3\"/>" + two + "</row>"), "на листе «Список» строка 2 записана дважды");
    EXPECT_EQ(shared(two + "<c r=\"B2\" t=\"s\"><v>0</v></c></row>"), "") << "a shared text shown twice is read";
    EXPECT_TRUE(listRefusal(write(book(sheet("<row r=\"1\"><c r=\"A1\"")))).startsWith("часть xl/worksheets/sheet1.xml повреждена ("));

    // Cells without references follow one another; a merged heading names every column it covers.
    const QString good = write(book(sheet("<row>" + cell("B1", "Фамилия") + "<c t=\"inlineStr\"><is><t>Имя</t></is></c></row>"
                                          "<row r=\"3\">" + cell("A3", "Учитель") + "</row>",
                                          "<mergeCells><mergeCell ref=\"A3:B3\"/></mergeCells>")));
    EXPECT_EQ(SheetReader(good).rows("Список"), (QList<QStringList>{{"", "Фамилия", "Имя"}, {}, {"Учитель", "Учитель"}}));
}

// How far the peak memory of this process rose while `f` ran, in MB.
long peakMbOf(const std::function<void()>& f) {
    const auto peak = [] {
        QFile status("/proc/self/status");
        status.open(QIODevice::ReadOnly);
        return QString::fromLatin1(status.readAll()).section("VmHWM:", 1).section("kB", 0, 0).trimmed().toLong() / 1024;
    };
    QFile refs("/proc/self/clear_refs");  // the peak starts again from what is held now
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");
    refs.close();
    const long before = peak();
    f();
    return peak() - before;
}

// A team's list of 116 KB whose one shared text of 48 MB is shown by 2,000 rows: refused at its first
// cell, the text never converted nor copied per row (memory stays far below what 2,000 copies take).
TEST_F(Xlsx, AHugeSharedTextIsRefusedAtItsFirstCellWithinBoundedMemory) {
    const long mb = peakMbOf([&] {
        EXPECT_EQ(listRefusal(QStringLiteral(TAVRIN_CORPUS) + "/longSharedString.xlsx"),
                  "на листе «Список» в ячейке A2 текст длиннее 1000 знаков");
    });
    EXPECT_LT(mb, 75) << "the 48 MB part read, and no more: the text is never converted (52 MB more)";
}

TEST_F(Xlsx, BrokenZipsAndPartsThatLieAboutTheirSizeAreRefused) {
    QFile junk(dir.filePath("junk.xlsx"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("PK\x03\x04 not really");
    junk.close();
    EXPECT_EQ(listRefusal(junk.fileName()), "это не книга Excel (.xlsx), или файл повреждён");

    // The archive claims another unpacked size for the sheet: 2 GB, or less than it holds.
    Parts parts = book(sheet("<row r=\"1\">" + cell("A1") + "</row>"));
    QFile written(write(parts));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    const auto claiming = [&](quint32 size) {
        QByteArray b = bytes;
        const QByteArray name = "xl/worksheets/sheet1.xml";
        for (qsizetype at = b.indexOf("PK\x01\x02"); at >= 0; at = b.indexOf("PK\x01\x02", at + 4))
            if (b.mid(at + 46, name.size()) == name) qToLittleEndian(size, b.data() + at + 24);  // central directory
        for (qsizetype at = b.indexOf("PK\x03\x04"); at >= 0; at = b.indexOf("PK\x03\x04", at + 4))
            if (b.mid(at + 30, name.size()) == name) qToLittleEndian(size, b.data() + at + 22);  // the part's own header
        QFile f(dir.filePath(QString("claims-%1.xlsx").arg(size)));
        f.open(QIODevice::WriteOnly);
        f.write(b);
        return f.fileName();
    };
    EXPECT_EQ(listRefusal(claiming(0x7fffffff)), "часть xl/worksheets/sheet1.xml больше 50 МБ");
    EXPECT_EQ(listRefusal(claiming(10)), "часть xl/worksheets/sheet1.xml повреждена");
    EXPECT_EQ(listRefusal(claiming(quint32(parts["xl/worksheets/sheet1.xml"].size()))), "");
}

TEST_F(Xlsx, ATemplateThatCannotBeFilledIsRefusedBeforeAnythingIsWritten) {
    const auto refused = [&](const QByteArray& rows, const QByteArray& after = {}) { return templateRefusal(write(book(sheet(rows, after)))); };
    EXPECT_EQ(refused({}, "<cols><col min=\"-2147483648\" max=\"5\" style=\"1\"/></cols>"), "на листе «Список» неверные столбцы -2147483648–5");
    EXPECT_EQ(refused("<row r=\"2\"/><row r=\"1\"/>"), "на листе «Список» строки не по порядку или с неверным номером");
    EXPECT_EQ(refused("<row r=\"1\">" + cell("B1") + cell("A1") + "</row>"), "на листе «Список» неверный адрес ячейки «A1»");
    EXPECT_EQ(refused({}, "<mergeCells><mergeCell ref=\"B2:A1\"/></mergeCells>"), "на листе «Список» неверная объединённая область «B2:A1»");
    Parts noFonts = book(sheet({}));
    noFonts["xl/styles.xml"] = "<styleSheet><cellXfs><xf/></cellXfs></styleSheet>";
    EXPECT_EQ(templateRefusal(write(noFonts)), "в части xl/styles.xml нет шрифтов или форматов ячеек");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"list.xlsx"});
}

// A report file holds its own sheet: the other sheet goes with its part, relationships, the drawing
// only it used, their content types, its names and the summary's list of sheets; names of the kept
// sheet move to its new place.
TEST_F(Xlsx, AReportFileKeepsItsOwnSheetWithItsNamesAndParts) {
    // Rows and cells without references (the format allows it) get theirs in the copy. A sheet whose
    // id names the styles is no sheet: the styles stay when it goes.
    Parts parts = book(sheet("<row><c t=\"inlineStr\"><is><t>Заголовок</t></is></c></row>"));
    parts["xl/workbook.xml"].replace("</sheets>", "<sheet name=\"Чужой\" r:id=\"rId3\"/></sheets>");
    const QString templ = write(parts, "templ.xlsx");
    const auto made = [&](const QString& name) {
        Workbook wb(templ);
        wb.selectSheet(name);
        wb.setText(2, 1, "данные");
        EXPECT_THROW(wb.setText(xlsx::kMaxRow + 1, 1, "за краем листа"), FileError);
        const QString path = dir.filePath(name + ".xlsx");
        wb.save(path);
        QMap<QString, QString> parts;
        for (const xlsx::Part& p : xlsx::readParts(path)) parts[QString::fromStdString(p.name)] = QString::fromUtf8(p.data);
        return parts;
    };
    const QMap<QString, QString> first = made("Список");
    EXPECT_EQ(first.keys(), QStringList({"[Content_Types].xml", "_rels/.rels", "docProps/app.xml", "xl/_rels/workbook.xml.rels",
                                         "xl/styles.xml", "xl/workbook.xml", "xl/worksheets/sheet1.xml"}));
    EXPECT_FALSE(first["[Content_Types].xml"].contains("sheet2.xml"));
    EXPECT_FALSE(first["[Content_Types].xml"].contains("drawing1.xml"));
    EXPECT_FALSE(first["xl/_rels/workbook.xml.rels"].contains("rId2"));
    EXPECT_TRUE(first["xl/_rels/workbook.xml.rels"].contains("styles.xml"));
    EXPECT_TRUE(first["docProps/app.xml"].endsWith("<Properties><Company>Школа</Company></Properties>"));
    EXPECT_TRUE(first["xl/workbook.xml"].contains(
        "<bookViews><workbookView/></bookViews><sheets><sheet name=\"Список\" r:id=\"rId1\"/></sheets>"
        "<definedNames><definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">'Список'!$A$1:$B$2</definedName>"
        "<definedName name=\"Шапка\">'Список'!$A$1</definedName></definedNames>"))
        << first["xl/workbook.xml"].toStdString();
    EXPECT_TRUE(first["xl/worksheets/sheet1.xml"].contains("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Заголовок"));
    EXPECT_TRUE(first["xl/worksheets/sheet1.xml"].contains("данные"));

    const QMap<QString, QString> second = made("Два");
    EXPECT_TRUE(second.contains("xl/drawings/drawing1.xml")) << "the kept sheet's drawing stays";
    EXPECT_FALSE(second.contains("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(second["xl/workbook.xml"].contains(
        "<definedNames><definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">Два!$A$1</definedName>"
        "<definedName name=\"Итог\">Два!$B$2</definedName></definedNames>"))
        << second["xl/workbook.xml"].toStdString();
}

}  // namespace
