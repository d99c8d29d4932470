// The readers of files that come from outside, fed one input at a time by clang's fuzzing engine
// under AddressSanitizer and UndefinedBehaviorSanitizer. A reader may refuse an input (FileError),
// never crash, leak or overrun. An input is
//   - a workbook file (it begins as a zip does): read as a team's list, every sheet (each row then
//     handled as the import handles it), and as the
//     report template, one sheet filled and saved, the saved file read back;
//   - "xlsx-parts" and then parts, each after a line "== name": packed into a workbook first, so
//     that the mutations reach the XML behind a valid zip;
//   - anything else: a CSV file, read and written back.

#include "participants/ListFile.h"
#include "participants/Names.h"
#include "xlsx/FileError.h"
#include "xlsx/SheetReader.h"
#include "xlsx/Workbook.h"
#include "xlsx/XlsxParts.h"
#include "xlsx/Zip.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QTemporaryDir& scratch() {
    static const QTemporaryDir dir;
    return dir;
}

[[noreturn]] void broken(const char* what, const QString& detail = {}) {
    std::fprintf(stderr, "fuzz: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) broken("cannot write", path);
}

// "== name" lines split the text into parts, stored uncompressed in a new workbook.
void packParts(const QByteArray& text, const QString& path) {
    QFile::remove(path);
    int error = 0;
    xlsx::zip::Archive zip(zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_EXCL, &error));
    if (!zip) broken("cannot make", path);
    std::vector<QByteArray> kept;  // the archive reads them when it is closed
    const QList<QByteArray> chunks = ("\n" + text).split('\n');
    QByteArray name, data;
    bool inPart = false;
    const auto add = [&] {
        if (!inPart) return;
        kept.push_back(data);
        xlsx::zip::Source src(zip_source_buffer(zip.get(), kept.back().constData(), zip_uint64_t(kept.back().size()), 0));
        const zip_int64_t index = src ? zip_file_add(zip.get(), name.constData(), src.get(), ZIP_FL_OVERWRITE) : -1;
        if (index >= 0) {
            (void)src.release();
            zip_set_file_compression(zip.get(), zip_uint64_t(index), ZIP_CM_STORE, 0);
        }
    };
    kept.reserve(size_t(chunks.size()));
    for (const QByteArray& line : chunks) {
        if (line.startsWith("== ")) {
            add();
            name = line.mid(3);
            data.clear();
            inPart = true;
        } else if (inPart) {
            if (!data.isEmpty()) data += '\n';
            data += line;
        }
    }
    add();
    if (!xlsx::zip::close(zip)) broken("cannot pack", path);
}

// The sheets a file names, as the list reader and the report workbook find them.
QStringList sheetNames(const QString& path) {
    try {
        std::vector<xlsx::Part> parts = xlsx::readParts(path);
        pugi::xml_document workbook;
        QStringList out;
        for (const xlsx::SheetEntry& s : xlsx::sheets(parts, workbook)) out << s.name;
        return out;
    } catch (const FileError&) {
        return {};
    }
}

// What the import does with every row it is given: each text put right as a name and kept with its
// row. A reader that lets a huge cell through makes this exhaust the memory limit of the run.
void importRows(const QList<QStringList>& rows) {
    std::vector<QString> kept;
    for (const QStringList& row : rows)
        for (const QString& text : row) kept.push_back(names::capitalised(text.simplified()));
}

void workbook(const QString& path) {
    QList<QString> readable;  // sheets the list reader takes
    try {
        const SheetReader reader(path);
        for (const QString& sheet : reader.sheetNames()) {
            try {
                importRows(reader.rows(sheet));
                readable << sheet;
            } catch (const FileError&) {
            }
        }
    } catch (const FileError&) {
    }

    const QStringList names = sheetNames(path);
    const QString out = scratch().filePath(QStringLiteral("out.xlsx"));
    for (const QString& sheet : names.isEmpty() ? QStringList() : QStringList{names.first(), names.last()}) {
        QFile::remove(out);
        try {
            Workbook wb(path);
            wb.selectSheet(sheet);
            wb.setDataRow(3);
            wb.setText(2, 2, QStringLiteral("Фамилия \x01 <&>"));
            wb.setNumber(3, 1, 7);
            wb.setScore(5, 3, Score::fromHundredths(725));
            wb.setText(40, 30, QStringLiteral("далеко"));
            wb.formatHeading(2, 2, 4);
            wb.formatHeading(4, 1, 3);
            wb.activate(3, 1);
            wb.save(out);
        } catch (const FileError&) {
            continue;
        }
        // What the list reader took in, it takes back out of the filled copy.
        if (!readable.contains(sheet)) continue;
        try {
            if (SheetReader(out).rows(sheet).value(1).value(1).isEmpty()) broken("the written cell B2 is missing in", sheet);
        } catch (const FileError& e) {
            broken("the filled copy cannot be read back:", e.text());
        }
    }
}

void csv(const QByteArray& bytes) {
    QList<QStringList> rows;
    try {
        rows = listfile::parseCsv(bytes);
    } catch (const FileError&) {
        return;
    }
    importRows(rows);
    // Refused rows are saved as CSV and imported again: they must come back as they were.
    if (listfile::parseCsv(listfile::writeCsv(rows)) != rows) broken("CSV written and read again differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString in = scratch().filePath(QStringLiteral("in.xlsx"));
    if (bytes.startsWith("PK")) {
        writeFile(in, bytes);
        workbook(in);
    } else if (bytes.startsWith("xlsx-parts\n")) {
        packParts(bytes.mid(11), in);
        workbook(in);
    } else {
        csv(bytes);
    }
    return 0;
}
