#include "publish/Site.h"

#include "publish/Assets.h"

#include "diplomas/Diplomas.h"
#include "reports/ReportFiles.h"
#include "xlsx/FileError.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace publish {

namespace {

QString esc(const QString& text) { return text.toHtmlEscaped(); }

QString number(const std::optional<Score>& s) {
    return s ? s->toString(QLocale(QLocale::Russian)) : QString();
}

QString whoTitle(Form form) {
    return form == Form::Ciphers ? QStringLiteral("Шифр") : QStringLiteral("Участник");
}

QString tableTitle(const Table& t) { return QStringLiteral("%1, %2 класс").arg(t.subject, t.grade); }

QString published(const Site& site) {
    return QStringLiteral("Опубликовано %1 · %2")
        .arg(site.when.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
             site.form == Form::Ciphers ? QStringLiteral("по шифрам") : QStringLiteral("с фамилиями"));
}

QString olympiadTitle(const Site& site) {
    return site.olympiad.isEmpty() ? QStringLiteral("Результаты олимпиады") : site.olympiad;
}

QString page(const QString& title, const QString& body, bool script) {
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                          "<title>%1</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n%2%3"
                          "</body>\n</html>\n")
        .arg(esc(title), body, script ? QStringLiteral("<script src=\"table.js\"></script>\n") : QString());
}

// A table in its box that scrolls sideways on a narrow screen; the page itself never does.
QString box(const QString& label, const QString& table) {
    return QStringLiteral("<div class=\"scroll\" role=\"region\" aria-label=\"%1\" tabindex=\"0\">\n%2</div>\n")
        .arg(esc(label), table);
}

QString th(const QString& text, const QString& cls = QString()) {
    return QStringLiteral("<th scope=\"col\"%1>%2</th>")
        .arg(cls.isEmpty() ? QString() : QStringLiteral(" class=\"%1\"").arg(cls), esc(text));
}

QString td(const QString& text, const QString& cls = QString()) {
    return QStringLiteral("<td%1>%2</td>").arg(cls.isEmpty() ? QString() : QStringLiteral(" class=\"%1\"").arg(cls), esc(text));
}

QString indexPage(const QList<Table>& tables, const Site& site) {
    QString rows;
    for (const Table& t : tables)
        rows += QStringLiteral("<tr><th scope=\"row\"><a href=\"%1.html\">%2</a></th>%3%4%5<td><a href=\"%1.csv\">CSV</a></td></tr>\n")
                    .arg(baseName(t), esc(t.subject), td(t.grade), td(t.status), td(QString::number(t.lines.size()), QStringLiteral("num")));
    const QString table = QStringLiteral("<table>\n<caption>Предметы и классы</caption>\n<thead><tr>%1%2%3%4%5</tr></thead>\n"
                                         "<tbody>\n%6</tbody>\n</table>\n")
                              .arg(th(QStringLiteral("Предмет")), th(QStringLiteral("Класс")), th(QStringLiteral("Статус")),
                                   th(QStringLiteral("Участников"), QStringLiteral("num")), th(QStringLiteral("Данные")), rows);
    const QString body = QStringLiteral("<header>\n<h1>%1</h1>\n<p class=\"meta\">%2</p>\n</header>\n<main>\n%3</main>\n")
                             .arg(esc(olympiadTitle(site)), esc(published(site)), box(QStringLiteral("Предметы и классы"), table));
    return page(olympiadTitle(site), body, false);
}

QStringList headings(const Table& t, Form form) {
    QStringList h{QStringLiteral("Место"), whoTitle(form)};
    if (form == Form::Names) h << QStringLiteral("Школа");
    h << QStringLiteral("Класс") << t.rounds << QStringLiteral("Итого") << QStringLiteral("Диплом");
    return h;
}

QStringList cells(const Line& l, Form form) {
    QStringList c{l.place > 0 ? QString::number(l.place) : QString(), l.who};
    if (form == Form::Names) c << l.school;
    c << l.grade;
    for (const auto& r : l.rounds) c << number(r);
    return c << number(l.total) << diplomas::degreeText(l.degree);
}

QString tableRows(const Table& t, Form form) {
    const int school = form == Form::Names ? 2 : -1, first = form == Form::Names ? 4 : 3;
    QString rows;
    for (const Line& l : t.lines) {
        const QStringList c = cells(l, form);
        QString row = QStringLiteral("<tr>") + td(c[0], QStringLiteral("num")) +
                      QStringLiteral("<th scope=\"row\">%1</th>").arg(esc(c[1]));
        for (int i = 2; i < c.size(); ++i) {
            const bool numeric = i >= first && i < c.size() - 1;
            row += td(c[i], i == school ? QStringLiteral("school") : numeric ? QStringLiteral("num") : QString());
        }
        rows += row + QStringLiteral("</tr>\n");
    }
    return rows;
}

QString tablePage(const Table& t, const Site& site) {
    const QStringList h = headings(t, site.form);
    QString head;
    const int first = site.form == Form::Names ? 4 : 3;
    for (int i = 0; i < h.size(); ++i) head += th(h[i], i == 0 || (i >= first && i < h.size() - 1) ? QStringLiteral("num") : QString());
    const QString title = tableTitle(t);
    const QString table = QStringLiteral("<table class=\"results\">\n<caption>%1. %2</caption>\n<thead><tr>%3</tr></thead>\n"
                                         "<tbody>\n%4</tbody>\n</table>\n")
                              .arg(esc(title), esc(t.status), head, tableRows(t, site.form));
    const QString body =
        QStringLiteral("<header>\n<p class=\"up\"><a href=\"index.html\">Все предметы и классы</a></p>\n<h1>%1</h1>\n"
                       "<h2>%2</h2>\n<p class=\"status %3\">%4</p>\n<p class=\"meta\">%5</p>\n</header>\n<main>\n%6"
                       "<p class=\"files\"><a href=\"%7.csv\">Таблица в формате CSV</a></p>\n</main>\n")
            .arg(esc(olympiadTitle(site)), esc(title), t.final ? QStringLiteral("final") : QStringLiteral("prelim"),
                 esc(t.status), esc(published(site)), box(title, table), baseName(t));
    return page(title + QStringLiteral(" — ") + olympiadTitle(site), body, true);
}

// A CSV field for a spreadsheet program: quoted where needed, and a text that a spreadsheet would
// take for a formula ("=…", "+…", "-…", "@…") kept as text.
QString csvField(QString text) {
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text[0])) text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}

QString csv(const Table& t, Form form) {
    QStringList lines;
    const auto line = [](const QStringList& fields) {
        QStringList out;
        for (const QString& f : fields) out << csvField(f);
        return out.join(u';');
    };
    lines << line(headings(t, form));
    for (const Line& l : t.lines) lines << line(cells(l, form));
    return QChar(0xFEFF) + lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");  // the mark: Excel reads UTF-8
}

void save(const QString& path, const QString& text) {
    QFile f(path);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
        throw FileError(QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
}

void writeInto(const QDir& dir, const QList<Table>& tables, const Site& site, const Tell& tell, const CancelAsked& cancelled) {
    save(dir.filePath(QStringLiteral("style.css")), styleSheet());
    save(dir.filePath(QStringLiteral("table.js")), tableScript());
    for (int i = 0; i < tables.size(); ++i) {
        stopIfAsked(cancelled);
        const Table& t = tables[i];
        save(dir.filePath(baseName(t) + QStringLiteral(".html")), tablePage(t, site));
        save(dir.filePath(baseName(t) + QStringLiteral(".csv")), csv(t, site.form));
        if (tell) tell(i + 1, int(tables.size()));
    }
    stopIfAsked(cancelled);
    save(dir.filePath(QStringLiteral("index.html")), indexPage(tables, site));
}

}  // namespace

QString baseName(const Table& t) { return QStringLiteral("r%1_%2").arg(t.idPredmet).arg(t.idKlass); }

QString write(const QList<Table>& tables, const Site& site, const QString& folder, const Tell& tell,
              const CancelAsked& cancelled) {
    const QString path = reportfiles::newFile(folder, QStringLiteral("Результаты"), site.when, QString());
    const QString part = path + QStringLiteral(".part");
    if (!QDir().mkpath(part))
        throw FileError(QStringLiteral("Не удалось создать папку %1").arg(QDir::toNativeSeparators(part)));
    try {
        writeInto(QDir(part), tables, site, tell, cancelled);
        if (!QDir().rename(part, path))
            throw FileError(QStringLiteral("Не удалось переименовать папку %1").arg(QDir::toNativeSeparators(part)));
    } catch (...) {
        QDir(part).removeRecursively();
        throw;
    }
    return path;
}

}  // namespace publish
