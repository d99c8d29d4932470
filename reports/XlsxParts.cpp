#include "reports/XlsxParts.h"

#include "reports/Workbook.h"

#include <QFile>
#include <zip.h>

namespace xlsx {

std::vector<Part> readParts(const QString& path) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip) {
        if (error == ZIP_ER_NOZIP || error == ZIP_ER_INCONS)
            throw ReportError(QStringLiteral("это не книга Excel (.xlsx), или файл повреждён"));
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const QString why = QString::fromUtf8(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        throw ReportError(QStringLiteral("файл не открывается (%1)").arg(why));
    }
    std::vector<Part> parts;
    const zip_int64_t n = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_index(zip, zip_uint64_t(i), 0, &st);
        zip_file_t* f = zip_fopen_index(zip, zip_uint64_t(i), 0);
        QByteArray data(qsizetype(st.size), Qt::Uninitialized);
        const zip_int64_t got = f ? zip_fread(f, data.data(), st.size) : -1;
        if (f) zip_fclose(f);
        if (got != zip_int64_t(st.size)) {
            zip_discard(zip);
            throw ReportError(QStringLiteral("часть %1 повреждена").arg(QString::fromUtf8(st.name)));
        }
        parts.push_back({st.name, data});
    }
    zip_discard(zip);
    return parts;
}

const Part* find(const std::vector<Part>& parts, const std::string& name) {
    for (const Part& p : parts)
        if (p.name == name) return &p;
    return nullptr;
}

pugi::xml_document parse(const QByteArray& data, const QString& what) {
    pugi::xml_document doc;
    const pugi::xml_parse_result r =
        doc.load_buffer(data.constData(), size_t(data.size()), pugi::parse_default | pugi::parse_declaration);
    if (!r) throw ReportError(QStringLiteral("часть %1 повреждена (%2)").arg(what, QString::fromUtf8(r.description())));
    return doc;
}

std::vector<std::pair<QString, std::string>> sheets(const std::vector<Part>& parts, pugi::xml_document& workbook) {
    const auto need = [&](const char* name) -> const Part& {
        const Part* p = find(parts, name);
        if (!p) throw ReportError(QStringLiteral("это не книга Excel: нет части %1").arg(QString::fromUtf8(name)));
        return *p;
    };
    workbook = parse(need("xl/workbook.xml").data, QStringLiteral("xl/workbook.xml"));
    const pugi::xml_document rels = parse(need("xl/_rels/workbook.xml.rels").data, QStringLiteral("xl/_rels/workbook.xml.rels"));
    std::map<std::string, std::string> targets;
    for (pugi::xml_node r : rels.child("Relationships").children("Relationship"))
        targets[r.attribute("Id").value()] = r.attribute("Target").value();
    std::vector<std::pair<QString, std::string>> out;
    for (pugi::xml_node s : workbook.child("workbook").child("sheets").children("sheet")) {
        std::string target = targets[s.attribute("r:id").value()];
        target = target.rfind('/', 0) == 0 ? target.substr(1) : "xl/" + target;
        out.emplace_back(QString::fromUtf8(s.attribute("name").value()), target);
    }
    return out;
}

std::pair<int, int> parseCell(const char* ref) {
    int col = 0, row = 0;
    const char* p = ref;
    for (; *p >= 'A' && *p <= 'Z'; ++p) col = col * 26 + (*p - 'A' + 1);
    for (; *p >= '0' && *p <= '9'; ++p) row = row * 10 + (*p - '0');
    return {row, col};
}

}  // namespace xlsx
