#include "xlsx/XlsxParts.h"

#include "xlsx/FileError.h"
#include "xlsx/Zip.h"

#include <QFile>
#include <QFileInfo>
#include <map>
#include <sstream>

namespace xlsx {

namespace {

QString megabytes(qint64 bytes) { return QString::number(bytes >> 20); }

QString partName(const std::string& name) { return QString::fromUtf8(name.data(), qsizetype(name.size())); }

// One part read whole, never more than it declares nor more than a part may hold.
QByteArray readPart(zip_t* archive, zip_uint64_t index, const std::string& name, zip_uint64_t declared) {
    if (declared > zip_uint64_t(kMaxPartBytes))
        throw FileError(QStringLiteral("часть %1 больше %2 МБ").arg(partName(name), megabytes(kMaxPartBytes)));
    const zip::File file(zip_fopen_index(archive, index, 0));
    if (!file) throw FileError(QStringLiteral("часть %1 повреждена").arg(partName(name)));
    QByteArray data;
    data.reserve(qsizetype(declared));  // read into its place, never grown and copied
    char chunk[65536];
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), chunk, sizeof chunk);
        if (got < 0 || zip_uint64_t(data.size()) + zip_uint64_t(got) > declared)
            throw FileError(QStringLiteral("часть %1 повреждена").arg(partName(name)));
        if (got == 0) break;
        data.append(chunk, qsizetype(got));
    }
    if (zip_uint64_t(data.size()) != declared) throw FileError(QStringLiteral("часть %1 повреждена").arg(partName(name)));
    return data;
}

}  // namespace

std::vector<Part> readParts(const QString& path) {
    if (QFileInfo(path).size() > kMaxFileBytes)
        throw FileError(QStringLiteral("файл больше %1 МБ").arg(megabytes(kMaxFileBytes)));
    int error = 0;
    const zip::Archive archive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) {
        if (error == ZIP_ER_NOZIP || error == ZIP_ER_INCONS)
            throw FileError(QStringLiteral("это не книга Excel (.xlsx), или файл повреждён"));
        throw FileError(QStringLiteral("файл не открывается (%1)").arg(zip::errorText(error)));
    }
    const zip_int64_t n = zip_get_num_entries(archive.get(), 0);
    if (n > kMaxParts) throw FileError(QStringLiteral("в файле больше %1 частей").arg(kMaxParts));
    std::vector<Part> parts;
    qint64 total = 0;
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive.get(), zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
            !(st.valid & ZIP_STAT_SIZE) || !st.name)
            throw FileError(QStringLiteral("это не книга Excel (.xlsx), или файл повреждён"));
        const std::string name = st.name;
        if (name.empty() || name.back() == '/') continue;  // a folder
        QByteArray data = readPart(archive.get(), zip_uint64_t(i), name, st.size);
        total += data.size();
        if (total > kMaxTotalBytes)
            throw FileError(QStringLiteral("части файла вместе больше %1 МБ").arg(megabytes(kMaxTotalBytes)));
        parts.push_back({name, std::move(data)});
    }
    return parts;
}

const Part* find(const std::vector<Part>& parts, const std::string& name) {
    for (const Part& p : parts)
        if (p.name == name) return &p;
    return nullptr;
}

Part* find(std::vector<Part>& parts, const std::string& name) {
    for (Part& p : parts)
        if (p.name == name) return &p;
    return nullptr;
}

pugi::xml_document parse(const QByteArray& data, const QString& what) {
    pugi::xml_document doc;
    const pugi::xml_parse_result r =
        doc.load_buffer(data.constData(), size_t(data.size()), pugi::parse_default | pugi::parse_declaration);
    if (!r) throw FileError(QStringLiteral("часть %1 повреждена (%2)").arg(what, QString::fromUtf8(r.description())));
    return doc;
}

pugi::xml_document parseInPlace(QByteArray& data, const QString& what) {
    pugi::xml_document doc;
    const pugi::xml_parse_result r =
        doc.load_buffer_inplace(data.data(), size_t(data.size()), pugi::parse_default | pugi::parse_declaration);
    if (!r) throw FileError(QStringLiteral("часть %1 повреждена (%2)").arg(what, QString::fromUtf8(r.description())));
    return doc;
}

QByteArray serialize(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    const std::string s = out.str();
    return QByteArray(s.data(), qsizetype(s.size()));
}

std::string resolve(const std::string& folder, std::string_view target) {
    std::string path = !target.empty() && target.front() == '/' ? std::string(target.substr(1)) : folder + std::string(target);
    std::vector<std::string> segments;
    std::string segment;
    std::istringstream in(path);
    while (std::getline(in, segment, '/')) {
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (segments.empty()) return {};
            segments.pop_back();
        } else {
            segments.push_back(segment);
        }
    }
    std::string out;
    for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

std::vector<SheetEntry> sheets(const std::vector<Part>& parts, pugi::xml_document& workbook) {
    const auto need = [&](const char* name) -> const Part& {
        const Part* p = find(parts, name);
        if (!p) throw FileError(QStringLiteral("это не книга Excel: нет части %1").arg(QString::fromUtf8(name)));
        return *p;
    };
    workbook = parse(need("xl/workbook.xml").data, QStringLiteral("xl/workbook.xml"));
    const pugi::xml_document rels = parse(need("xl/_rels/workbook.xml.rels").data, QStringLiteral("xl/_rels/workbook.xml.rels"));
    // Only a worksheet relationship gives a sheet its part: a sheet whose id names the shared strings
    // or the styles has none (read, it is refused; removed from a copy, it takes no other part along).
    std::map<std::string, std::string> targets;
    for (pugi::xml_node r : rels.child("Relationships").children("Relationship"))
        if (std::string_view(r.attribute("Type").value()).ends_with("/worksheet"))
            targets.emplace(r.attribute("Id").value(), r.attribute("Target").value());
    std::vector<SheetEntry> out;
    for (pugi::xml_node s : workbook.child("workbook").child("sheets").children("sheet")) {
        const std::string id = s.attribute("r:id").value();
        const auto it = targets.find(id);
        out.push_back({QString::fromUtf8(s.attribute("name").value()), it == targets.end() ? std::string() : resolve("xl/", it->second), id});
    }
    return out;
}

std::optional<int> parseRow(std::string_view text) {
    int row = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return std::nullopt;
        row = row * 10 + (ch - '0');
        if (row > kMaxRow) return std::nullopt;
    }
    if (row < 1) return std::nullopt;
    return row;
}

std::optional<Cell> parseCell(std::string_view ref) {
    size_t letters = 0;
    int col = 0;
    for (; letters < ref.size() && ref[letters] >= 'A' && ref[letters] <= 'Z'; ++letters) {
        col = col * 26 + (ref[letters] - 'A' + 1);
        if (col > kMaxColumn) return std::nullopt;
    }
    const std::optional<int> row = parseRow(ref.substr(letters));
    if (letters == 0 || !row) return std::nullopt;
    return Cell{*row, col};
}

std::optional<Range> parseRange(std::string_view ref) {
    const size_t colon = ref.find(':');
    const std::optional<Cell> first = parseCell(ref.substr(0, colon));
    const std::optional<Cell> last = colon == std::string_view::npos ? first : parseCell(ref.substr(colon + 1));
    if (!first || !last || last->row < first->row || last->col < first->col) return std::nullopt;
    return Range{*first, *last};
}

bool Range::overlaps(const Range& o) const {
    return first.row <= o.last.row && o.first.row <= last.row && first.col <= o.last.col && o.first.col <= last.col;
}

QString cellName(int row, int col) { return columnName(col) + QString::number(row); }

QString columnName(int col) {
    QString s;
    for (int c = col; c > 0; c = (c - 1) / 26) s.prepend(QChar(u'A' + (c - 1) % 26));
    return s;
}

}  // namespace xlsx
