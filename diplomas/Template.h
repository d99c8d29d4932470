#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <memory>

class QPdfWriter;
class QPainter;
class QSvgRenderer;

// The diploma template: an SVG page (diplom.svg) whose fields are <text> elements holding nothing
// but a placeholder, "{ФИО}". A field's box is as wide as its `textLength` attribute (in the page's
// units; where it has none, as far as the page's edge allows), starts at its x, y (the baseline) and
// is aligned by its text-anchor; a longer text is set smaller until it fits, never cut. Everything
// else on the page (the background, the fixed texts) is drawn as the SVG has it.
namespace diplomas {

// The placeholders a template may hold, without braces.
const QStringList& placeholders();

struct Field {
    QString key;          // "ФИО"
    double x = 0, y = 0;  // the anchor point on the baseline, in the page's units (the viewBox)
    double width = 0;     // the box's width
    double fontSize = 0;  // in the page's units
    QString family;
    bool bold = false, italic = false;
    int anchor = 0;       // -1 start, 0 middle, 1 end
    QString colour;       // "#000000"
};

class Template {
public:
    // Reads a template. The file comes from outside (organisers edit it): larger than 2 MB, not an
    // SVG, a page without a size, no field, an unknown placeholder or a field turned or skewed is
    // refused with FileError naming the file and the reason.
    static Template load(const QString& path);
    static Template parse(const QByteArray& bytes, const QString& path);
    // The organisers' copy in the reports folder ("Таврин"), else the one beside the program, else
    // the installed one.
    static QString defaultPath();

    const QRectF& page() const { return m_page; }
    const QList<Field>& fields() const { return m_fields; }
    bool uses(const QString& key) const;
    // The page without its fields, as SVG.
    const QByteArray& background() const { return m_background; }

private:
    QRectF m_page;
    QList<Field> m_fields;
    QByteArray m_background;
};

// A PDF of diplomas, one a page (A4), written as `path`. "На бланке" (`blank`) prints the fields
// only, for pre-printed blanks. Fonts are embedded.
class PdfOut {
public:
    PdfOut(const QString& path, const Template& t, bool blank);
    ~PdfOut();
    // A page with the fields' values by placeholder (a field without a value stays empty).
    void page(const QHash<QString, QString>& values);
    // Ends the file; false when it could not be written.
    bool finish();

private:
    void field(const Field& f, const QString& text);
    const Template& m_template;
    bool m_blank;
    bool m_first = true;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QSvgRenderer> m_background;
    std::unique_ptr<QPainter> m_painter;
    double m_scale = 1;
};

}  // namespace diplomas
