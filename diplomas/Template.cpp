#include "diplomas/Template.h"

#include "reports/ReportFiles.h"
#include "xlsx/FileError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTransform>
#include <pugixml.hpp>
#include <sstream>

namespace diplomas {

namespace {

constexpr qint64 kMaxBytes = 2 << 20;
constexpr int kMaxFields = 200;
constexpr double kMaxSide = 100000;

struct Broken {
    QString why;
};

QString attr(const pugi::xml_node& n, const char* name) { return QString::fromUtf8(n.attribute(name).value()).trimmed(); }

// A length as SVG writes it: a number, perhaps with "px" after it.
std::optional<double> number(QString text) {
    text = text.trimmed();
    if (text.endsWith(u"px")) text.chop(2);
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::abs(v) > kMaxSide) return std::nullopt;
    return v;
}

// The properties an element states, in its style attribute or as attributes of their own.
QHash<QString, QString> properties(const pugi::xml_node& n) {
    QHash<QString, QString> out;
    for (const char* a : {"font-size", "font-family", "font-weight", "font-style", "text-anchor", "fill"})
        if (n.attribute(a)) out.insert(QString::fromLatin1(a), attr(n, a));
    for (const QString& part : attr(n, "style").split(u';', Qt::SkipEmptyParts)) {
        const qsizetype colon = part.indexOf(u':');
        if (colon > 0) out.insert(part.left(colon).trimmed(), part.mid(colon + 1).trimmed());
    }
    return out;
}

// translate, scale and matrix, as SVG writes them; none for what is turned or skewed.
std::optional<QTransform> transform(const QString& text) {
    QTransform t;
    static const QRegularExpression item(QStringLiteral("(\\w+)\\s*\\(([^)]*)\\)"));
    for (auto it = item.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QList<double> v;
        for (const QString& s : m.captured(2).split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts)) {
            const std::optional<double> d = number(s);
            if (!d) return std::nullopt;
            v << *d;
        }
        const QString name = m.captured(1);
        if (name == u"translate" && !v.isEmpty())
            t = QTransform::fromTranslate(v[0], v.size() > 1 ? v[1] : 0) * t;
        else if (name == u"scale" && !v.isEmpty())
            t = QTransform::fromScale(v[0], v.size() > 1 ? v[1] : v[0]) * t;
        else if (name == u"matrix" && v.size() == 6)
            t = QTransform(v[0], v[1], v[2], v[3], v[4], v[5]) * t;
        else
            return std::nullopt;
    }
    if (t.m12() != 0 || t.m21() != 0 || t.m11() <= 0 || t.m22() <= 0) return std::nullopt;
    return t;
}

// The element's transform together with those of the groups it stands in.
std::optional<QTransform> placement(const pugi::xml_node& n) {
    QTransform total;
    for (pugi::xml_node p = n; p && p.type() == pugi::node_element; p = p.parent()) {
        const std::optional<QTransform> t = transform(attr(p, "transform"));
        if (!t) return std::nullopt;
        total = total * *t;
    }
    return total;
}

void collectText(const pugi::xml_node& n, QString& out, int& depth) {
    if (++depth > 20) throw Broken{QStringLiteral("текст вложен слишком глубоко")};
    for (const pugi::xml_node& c : n.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) out += QString::fromUtf8(c.value());
        else if (c.type() == pugi::node_element) collectText(c, out, depth);
    }
    --depth;
}

QRectF pageOf(const pugi::xml_node& svg) {
    const QStringList box = attr(svg, "viewBox").split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
    if (box.size() == 4) {
        const auto x = number(box[0]), y = number(box[1]), w = number(box[2]), h = number(box[3]);
        if (x && y && w && h && *w > 0 && *h > 0) return QRectF(*x, *y, *w, *h);
    } else {
        QString ws = attr(svg, "width"), hs = attr(svg, "height");
        for (QString* s : {&ws, &hs})
            if (s->endsWith(u"mm")) s->chop(2);
        const auto w = number(ws), h = number(hs);
        if (w && h && *w > 0 && *h > 0) return QRectF(0, 0, *w, *h);
    }
    throw Broken{QStringLiteral("у страницы не указан размер (viewBox)")};
}

// The field a <text> element is, read from it and from its first <tspan>.
Field fieldOf(const pugi::xml_node& text, const QString& key, const QRectF& page) {
    const pugi::xml_node span = text.child("tspan");
    QHash<QString, QString> props = properties(text);
    if (span) props.insert(properties(span));
    const QString where = QStringLiteral("поле {%1}").arg(key);
    const std::optional<QTransform> t = placement(span ? span : text);
    if (!t) throw Broken{where + QStringLiteral(" повёрнуто или наклонено: так его напечатать нельзя")};
    const auto coordinate = [&](const char* name) {
        const QString v = span && span.attribute(name) ? attr(span, name) : attr(text, name);
        const std::optional<double> d = number(v.isEmpty() ? QStringLiteral("0") : v.section(u' ', 0, 0));
        if (!d) throw Broken{where + QStringLiteral(": неверная координата")};
        return *d;
    };
    Field f;
    f.key = key;
    const QPointF at = t->map(QPointF(coordinate("x"), coordinate("y")));
    f.x = at.x();
    f.y = at.y();
    const std::optional<double> size = number(props.value(QStringLiteral("font-size"), QStringLiteral("16")));
    if (!size || *size <= 0) throw Broken{where + QStringLiteral(": неверный размер шрифта")};
    f.fontSize = *size * t->m22();
    f.family = props.value(QStringLiteral("font-family"), QStringLiteral("DejaVu Serif")).section(u',', 0, 0).remove(u'\'').remove(u'"').trimmed();
    const QString weight = props.value(QStringLiteral("font-weight"));
    f.bold = weight == u"bold" || weight == u"bolder" || weight.toInt() >= 600;
    f.italic = props.value(QStringLiteral("font-style")) == u"italic";
    const QString anchor = props.value(QStringLiteral("text-anchor"), QStringLiteral("start"));
    f.anchor = anchor == u"middle" ? 0 : anchor == u"end" ? 1 : -1;
    f.colour = props.value(QStringLiteral("fill"), QStringLiteral("#000000"));
    const QString length = span && span.attribute("textLength") ? attr(span, "textLength") : attr(text, "textLength");
    if (!length.isEmpty()) {
        const std::optional<double> w = number(length);
        if (!w || *w <= 0) throw Broken{where + QStringLiteral(": неверная ширина (textLength)")};
        f.width = *w * t->m11();
    } else {  // as far as the page's edge allows
        const double left = f.x - page.left(), right = page.right() - f.x;
        f.width = f.anchor < 0 ? right : f.anchor > 0 ? left : 2 * std::min(left, right);
    }
    return f;
}

// A text that is one field and nothing else: "{ФИО}".
bool wholeField(const QString& content) {
    return content.startsWith(u'{') && content.endsWith(u'}') && content.count(u'{') == 1 && content.count(u'}') == 1;
}

// A field among other words ("Диплом № {НОМЕР}") would be printed as it is written: refused.
void mixedField(const QString& content) {
    static const QRegularExpression braces(QStringLiteral("\\{([^{}]*)\\}"));
    for (auto it = braces.globalMatch(content); it.hasNext();) {
        const QString key = it.next().captured(1).trimmed();
        if (placeholders().contains(key))
            throw Broken{QStringLiteral("поле {%1} стоит в одном тексте с другими словами: вынесите его в отдельный текст").arg(key)};
    }
}

}  // namespace

const QStringList& placeholders() {
    static const QStringList keys{QStringLiteral("ФИО"),        QStringLiteral("ФИО_ДАТ"),  QStringLiteral("СТЕПЕНЬ"),
                                  QStringLiteral("ПРЕДМЕТ"),    QStringLiteral("КЛАСС"),    QStringLiteral("УЧРЕЖДЕНИЕ"),
                                  QStringLiteral("КОМАНДА"),    QStringLiteral("УЧИТЕЛЯ"),  QStringLiteral("БАЛЛЫ"),
                                  QStringLiteral("МЕСТО"),      QStringLiteral("НОМЕР"),    QStringLiteral("ДАТА"),
                                  QStringLiteral("ОЛИМПИАДА")};
    return keys;
}

Template Template::load(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw FileError::unreadable(path, f.errorString());
    if (f.size() > kMaxBytes) throw FileError::unreadable(path, QStringLiteral("файл больше 2 МБ"));
    return parse(f.read(kMaxBytes + 1), path);
}

Template Template::parse(const QByteArray& bytes, const QString& path) {
    if (bytes.size() > kMaxBytes) throw FileError::unreadable(path, QStringLiteral("файл больше 2 МБ"));
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(bytes.constData(), size_t(bytes.size()));
    const pugi::xml_node svg = doc.document_element();
    if (!parsed || QByteArray(svg.name()) != "svg")
        throw FileError::unreadable(path, QStringLiteral("это не рисунок SVG"));
    Template t;
    try {
        t.m_page = pageOf(svg);
        std::vector<pugi::xml_node> fieldNodes;
        for (const pugi::xpath_node& x : svg.select_nodes("//*[local-name()='text']")) {
            QString content;
            int depth = 0;
            collectText(x.node(), content, depth);
            content = content.trimmed();
            if (!wholeField(content)) {
                mixedField(content);
                continue;
            }
            const QString key = content.mid(1, content.size() - 2).trimmed();
            if (!placeholders().contains(key)) throw Broken{QStringLiteral("неизвестное поле {%1}").arg(key)};
            if (t.m_fields.size() >= kMaxFields) throw Broken{QStringLiteral("слишком много полей")};
            t.m_fields << fieldOf(x.node(), key, t.m_page);
            fieldNodes.push_back(x.node());
        }
        if (t.m_fields.isEmpty()) throw Broken{QStringLiteral("в шаблоне нет ни одного поля ({ФИО}, {СТЕПЕНЬ}…)")};
        for (pugi::xml_node& n : fieldNodes) n.parent().remove_child(n);
    } catch (const Broken& b) {
        throw FileError::unreadable(path, b.why);
    }
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    t.m_background = QByteArray::fromStdString(out.str());
    if (!QSvgRenderer(t.m_background).isValid())
        throw FileError::unreadable(path, QStringLiteral("рисунок SVG не удаётся нарисовать"));
    return t;
}

QString Template::defaultPath() {
    const QString name = QStringLiteral("diplom.svg");
    const QString own = QDir(reportfiles::folderName()).filePath(name);
    if (QFileInfo::exists(own)) return own;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QString installed = reportfiles::installedDataFolder();
    return QFileInfo::exists(beside) || installed.isEmpty() ? beside : QDir(installed).filePath(name);
}

bool Template::uses(const QString& key) const {
    return std::any_of(m_fields.begin(), m_fields.end(), [&](const Field& f) { return f.key == key; });
}

PdfOut::PdfOut(const QString& path, const Template& t, bool blank) : m_template(t), m_blank(blank) {
    m_writer = std::make_unique<QPdfWriter>(path);
    m_writer->setResolution(300);
    m_writer->setPageSize(QPageSize(QPageSize::A4));
    m_writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    m_writer->setCreator(QStringLiteral("Таврин"));
    m_writer->setTitle(QStringLiteral("Дипломы"));
    if (!blank) m_background = std::make_unique<QSvgRenderer>(t.background());
    const QRectF& page = t.page();
    m_scale = std::min(m_writer->width() / page.width(), m_writer->height() / page.height());
}

PdfOut::~PdfOut() = default;

void PdfOut::page(const QHash<QString, QString>& values) {
    if (m_first) {
        m_painter = std::make_unique<QPainter>(m_writer.get());
        m_first = false;
    } else {
        m_writer->newPage();
    }
    const QRectF& page = m_template.page();
    if (m_background) m_background->render(m_painter.get(), QRectF(0, 0, page.width() * m_scale, page.height() * m_scale));
    for (const Field& f : m_template.fields()) field(f, values.value(f.key).simplified());
}

// The text on the field's baseline, aligned in its box, set smaller until it fits.
void PdfOut::field(const Field& f, const QString& text) {
    if (text.isEmpty()) return;
    QPainter& p = *m_painter;
    QFont font(f.family);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    // Sizes in points of the writer's resolution: the page's units times the scale are pixels.
    const double toPoints = 72.0 / m_writer->resolution();
    const double width = f.width * m_scale;
    double size = f.fontSize * m_scale * toPoints;
    font.setPointSizeF(size);
    double advance = QFontMetricsF(font, m_writer.get()).horizontalAdvance(text);
    for (int i = 0; i < 20 && advance > width && size > 0.5; ++i) {
        size *= 0.98 * width / advance;
        font.setPointSizeF(size);
        advance = QFontMetricsF(font, m_writer.get()).horizontalAdvance(text);
    }
    const double x = f.x * m_scale - m_template.page().left() * m_scale;
    const double left = f.anchor < 0 ? x : f.anchor > 0 ? x - advance : x - advance / 2;
    p.setFont(font);
    p.setPen(QColor::fromString(f.colour).isValid() ? QColor::fromString(f.colour) : QColor(Qt::black));
    p.drawText(QPointF(left, (f.y - m_template.page().top()) * m_scale), text);
}

bool PdfOut::finish() {
    if (m_painter) return m_painter->end();
    return false;
}

}  // namespace diplomas
