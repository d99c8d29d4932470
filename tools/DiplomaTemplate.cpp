// Writes the diploma template diplom.svg: a plain A4 page (210 x 297 mm, the viewBox in mm) with a
// double frame, the fixed texts and the fields. A field is a <text> holding only its placeholder;
// its box is `textLength` wide from its x (text-anchor start), around it (middle) or up to it (end).
#include <cstdio>
#include <string>

namespace {

struct Text {
    double x, y, size;
    const char* anchor;  // start, middle, end
    const char* text;
    double width = 0;    // a field's box; 0 for a fixed text
    bool bold = false, italic = false;
};

std::string text(const Text& t) {
    char head[400];
    std::snprintf(head, sizeof head,
                  "  <text x=\"%g\" y=\"%g\" font-family=\"DejaVu Serif\" font-size=\"%g\" text-anchor=\"%s\"%s%s fill=\"%s\"",
                  t.x, t.y, t.size, t.anchor, t.bold ? " font-weight=\"bold\"" : "", t.italic ? " font-style=\"italic\"" : "",
                  t.width > 0 ? "#000000" : "#1f2f5c");
    std::string out = head;
    if (t.width > 0) out += " textLength=\"" + std::to_string(int(t.width)) + "\"";
    return out + ">" + t.text + "</text>\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavrin-diploma-template OUTPUT.svg\n");
        return 2;
    }
    const Text texts[] = {
        {105, 40, 5.5, "middle", "{ОЛИМПИАДА}", 170},
        {105, 82, 20, "middle", "ДИПЛОМ", 0, true},
        {105, 98, 9, "middle", "{СТЕПЕНЬ}", 150, true},
        {105, 122, 5.5, "middle", "вручается", 0, false, true},
        {105, 140, 9, "middle", "{ФИО_ДАТ}", 170, true},
        {105, 154, 5, "middle", "{УЧРЕЖДЕНИЕ}", 170},
        {105, 172, 5.5, "middle", "за успешное выступление по предмету", 0, false, true},
        {105, 186, 8, "middle", "{ПРЕДМЕТ}", 150, true},
        {40, 208, 4.5, "start", "Класс:"},
        {85, 208, 4.5, "start", "{КЛАСС}", 85},
        {40, 216, 4.5, "start", "Сумма баллов:"},
        {85, 216, 4.5, "start", "{БАЛЛЫ}", 85},
        {40, 224, 4.5, "start", "Место:"},
        {85, 224, 4.5, "start", "{МЕСТО}", 85},
        {40, 232, 4.5, "start", "Команда:"},
        {85, 232, 4.5, "start", "{КОМАНДА}", 85},
        {40, 240, 4.5, "start", "Учителя:"},
        {85, 240, 4.5, "start", "{УЧИТЕЛЯ}", 85},
        {30, 264, 4.5, "start", "Председатель оргкомитета"},
        {180, 264, 4.5, "end", "____________________"},
        {30, 280, 4, "start", "Диплом №"},
        {53, 280, 4, "start", "{НОМЕР}", 50},
        {180, 280, 4, "end", "{ДАТА}", 60},
    };
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"210mm\" height=\"297mm\" viewBox=\"0 0 210 297\">\n"
        "  <rect x=\"0\" y=\"0\" width=\"210\" height=\"297\" fill=\"#fffdf6\"/>\n"
        "  <rect x=\"10\" y=\"10\" width=\"190\" height=\"277\" fill=\"none\" stroke=\"#1f2f5c\" stroke-width=\"1.2\"/>\n"
        "  <rect x=\"13\" y=\"13\" width=\"184\" height=\"271\" fill=\"none\" stroke=\"#b08d3c\" stroke-width=\"0.4\"/>\n"
        "  <line x1=\"60\" y1=\"50\" x2=\"150\" y2=\"50\" stroke=\"#b08d3c\" stroke-width=\"0.4\"/>\n"
        "  <line x1=\"60\" y1=\"108\" x2=\"150\" y2=\"108\" stroke=\"#b08d3c\" stroke-width=\"0.4\"/>\n";
    for (const Text& t : texts) svg += text(t);
    svg += "</svg>\n";
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) return 1;
    const bool ok = std::fwrite(svg.data(), 1, svg.size(), f) == svg.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
