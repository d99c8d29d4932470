// Builds the report template Pril.xlsx: one sheet per report, with its titles, labels and column
// headings in the cells the program never writes, borders on the first data row (the rows below
// take its look), column widths and print settings. An organiser may replace the built file with
// an edited copy; the program writes only the data cells.
//
//   tavrin-template OUTPUT.xlsx

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Formats {
    lxw_format* title;
    lxw_format* label;
    lxw_format* heading;
    lxw_format* cell;
    lxw_format* number;
    lxw_format* round;
    lxw_format* value;  // a value beside its label
};

Formats makeFormats(lxw_workbook* wb) {
    Formats f{};
    f.title = workbook_add_format(wb);
    format_set_bold(f.title);
    format_set_font_size(f.title, 14);
    format_set_align(f.title, LXW_ALIGN_CENTER);
    f.label = workbook_add_format(wb);
    format_set_bold(f.label);
    format_set_align(f.label, LXW_ALIGN_RIGHT);
    f.heading = workbook_add_format(wb);
    format_set_bold(f.heading);
    format_set_border(f.heading, LXW_BORDER_THIN);
    format_set_align(f.heading, LXW_ALIGN_CENTER);
    format_set_align(f.heading, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(f.heading);
    format_set_bg_color(f.heading, 0xDDEBF7);
    f.cell = workbook_add_format(wb);
    format_set_border(f.cell, LXW_BORDER_THIN);
    format_set_text_wrap(f.cell);
    format_set_align(f.cell, LXW_ALIGN_VERTICAL_TOP);
    f.number = workbook_add_format(wb);
    format_set_border(f.number, LXW_BORDER_THIN);
    format_set_align(f.number, LXW_ALIGN_CENTER);
    format_set_align(f.number, LXW_ALIGN_VERTICAL_TOP);
    f.round = workbook_add_format(wb);
    format_set_bold(f.round);
    format_set_border(f.round, LXW_BORDER_THIN);
    format_set_align(f.round, LXW_ALIGN_CENTER);
    format_set_font_color(f.round, LXW_COLOR_RED);
    f.value = workbook_add_format(wb);
    format_set_align(f.value, LXW_ALIGN_LEFT);
    return f;
}

// A column of a data table: its heading, width, and whether it holds numbers.
struct Column {
    const char* heading;
    double width;
    bool number = false;
};

// The lines a heading takes in its column: bold letters wrapped at the blanks, each a little wider
// than the digit a column's width counts.
int headingLines(const std::string& text, double width) {
    const double perLine = std::max(1.0, (width - 1) / 1.15);
    int lines = 1;
    double used = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        double n = 0;  // letters of the word (UTF-8: the bytes that begin one)
        for (size_t i = at; i < end; ++i) n += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (used > 0 && used + 1 + n > perLine) {
            ++lines;
            used = 0;
        }
        used += (used > 0 ? 1 : 0) + n;
        while (used > perLine) {  // a word longer than a line is broken
            ++lines;
            used -= perLine;
        }
        at = end + 1;
    }
    return lines;
}

// A heading row as tall as its tallest heading needs, so that none is cut off in print.
void fitHeadings(lxw_worksheet* ws, int row, const std::vector<std::pair<std::string, double>>& headings) {
    int lines = 1;
    for (const auto& [text, width] : headings) lines = std::max(lines, headingLines(text, width));
    if (lines > 1) worksheet_set_row(ws, lxw_row_t(row), 15.0 * lines + 2, nullptr);
}

// The table's headings on `headingRow` and, unless the rows below differ in kind, the look of its
// first data row (0-based rows).
void table(lxw_worksheet* ws, const Formats& f, int headingRow, const std::vector<Column>& columns, bool dataRow = true) {
    std::vector<std::pair<std::string, double>> headings;
    for (const Column& c : columns) headings.emplace_back(c.heading, c.width);
    fitHeadings(ws, headingRow, headings);
    for (size_t c = 0; c < columns.size(); ++c) {
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), columns[c].width, nullptr);
        worksheet_write_string(ws, lxw_row_t(headingRow), lxw_col_t(c), columns[c].heading, f.heading);
        if (dataRow)
            worksheet_write_blank(ws, lxw_row_t(headingRow + 1), lxw_col_t(c), columns[c].number ? f.number : f.cell);
    }
    worksheet_repeat_rows(ws, lxw_row_t(headingRow), lxw_row_t(headingRow));
}

void page(lxw_worksheet* ws, bool landscape) {
    worksheet_set_paper(ws, 9);  // A4
    if (landscape) worksheet_set_landscape(ws);
    worksheet_fit_to_pages(ws, 1, 0);
    worksheet_set_margins(ws, 0.4, 0.4, 0.5, 0.5);
}

void title(lxw_worksheet* ws, const Formats& f, int lastCol, const char* text) {
    worksheet_merge_range(ws, 0, 0, 0, lxw_col_t(lastCol), text, f.title);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavrin-template OUTPUT.xlsx\n");
        return 2;
    }
    lxw_workbook* wb = workbook_new(argv[1]);
    if (!wb) return 1;
    const Formats f = makeFormats(wb);

    // Participants by team: E2 subject, E3 team; data from row 6, teachers in G.
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Лист1");
    title(ws, f, 6, "Список участников олимпиады по команде");
    worksheet_write_string(ws, 1, 3, "Предмет:", f.label);
    worksheet_write_string(ws, 2, 3, "Команда:", f.label);
    table(ws, f, 4,
          {{"№", 5, true}, {"Фамилия", 18}, {"Имя", 14}, {"Отчество", 18}, {"Класс", 8, true},
           {"Учреждение образования", 42}, {"Учителя", 36}});
    page(ws, true);

    // Participants by grade: E2 subject, E3 grade; data from row 6, teachers in F.
    ws = workbook_add_worksheet(wb, "Лист2");
    title(ws, f, 5, "Список участников олимпиады по классу");
    worksheet_write_string(ws, 1, 3, "Предмет:", f.label);
    worksheet_write_string(ws, 2, 3, "Класс:", f.label);
    table(ws, f, 4,
          {{"№", 5, true}, {"Фамилия", 18}, {"Имя", 14}, {"Отчество", 18}, {"Учреждение образования", 42},
           {"Учителя", 36}});
    page(ws, true);

    // Blank score sheet by cipher: B2 "По <subject>", C3 grade, C4 round; codes from row 6. The
    // score columns are left for the markers.
    ws = workbook_add_worksheet(wb, "Лист10");
    title(ws, f, 9, "Ведомость проверки работ");
    worksheet_write_string(ws, 2, 1, "Класс:", f.label);
    worksheet_write_string(ws, 3, 1, "Тур:", f.label);
    table(ws, f, 4,
          {{"№", 5, true}, {"Шифр", 14, true}, {"Задача 1", 9, true}, {"Задача 2", 9, true}, {"Задача 3", 9, true},
           {"Задача 4", 9, true}, {"Задача 5", 9, true}, {"Задача 6", 9, true}, {"Сумма", 9, true},
           {"Подпись проверяющего", 22}});
    page(ws, false);

    // Score sheet by name: K2 "По <subject>", M3 grade, round names over C, I, O, U of row 4;
    // data from row 6: №, name, 24 tasks, total, place, diploma.
    ws = workbook_add_worksheet(wb, "Лист14");
    title(ws, f, 28, "Ведомость результатов олимпиады");
    worksheet_write_string(ws, 2, 11, "Класс:", f.label);
    for (int k = 0; k < 4; ++k) worksheet_merge_range(ws, 3, lxw_col_t(2 + 6 * k), 3, lxw_col_t(7 + 6 * k), "", f.round);
    {
        std::vector<Column> columns = {{"№", 4, true}, {"Фамилия, имя, отчество", 30}};
        static const char* const task[] = {"1", "2", "3", "4", "5", "6"};
        for (int k = 0; k < 4; ++k)
            for (const char* t : task) columns.push_back({t, 5, true});
        columns.push_back({"Сумма", 7, true});
        columns.push_back({"Место", 6, true});
        columns.push_back({"Диплом", 13});
        table(ws, f, 4, columns);
    }
    page(ws, true);

    // Winners: headings on row 3; from row 4 each subject's heading, its degrees' headings and
    // their winners (school and town in D, the teachers in D of the rows below), so no data row.
    ws = workbook_add_worksheet(wb, "Лист15");
    title(ws, f, 3, "Список победителей олимпиады");
    table(ws, f, 2,
          {{"№", 5}, {"Фамилия, имя, отчество", 36}, {"Класс", 8}, {"Учреждение образования, город; учителя", 60}},
          false);
    page(ws, false);

    // Participants by group: D2 grade, G2 subject; data from row 5, a teacher's three name parts in G, H, I.
    ws = workbook_add_worksheet(wb, "Лист16");
    title(ws, f, 8, "Список участников по группам");
    worksheet_write_string(ws, 1, 2, "Класс:", f.label);
    worksheet_write_string(ws, 1, 5, "Предмет:", f.label);
    table(ws, f, 3,
          {{"№", 5, true}, {"Группа", 11}, {"Фамилия", 18}, {"Имя", 14}, {"Отчество", 18},
           {"Учреждение образования", 40}, {"Учитель: фамилия", 16}, {"имя", 13}, {"отчество", 16}});
    page(ws, true);

    // Results by team: E2 subject, D4 team; data from row 8, teachers in H.
    ws = workbook_add_worksheet(wb, "Лист17");
    title(ws, f, 7, "Результаты участников команды");
    worksheet_write_string(ws, 1, 3, "Предмет:", f.label);
    worksheet_write_string(ws, 3, 2, "Команда:", f.label);
    table(ws, f, 6,
          {{"№", 5, true}, {"Фамилия, имя, отчество", 32}, {"Класс", 8, true}, {"Учреждение образования", 40},
           {"Сумма баллов", 9, true}, {"Место", 7, true}, {"Диплом", 14}, {"Учителя", 34}});
    page(ws, true);

    // Results by grade: D2 subject, D3 grade; data from row 6, teachers in G.
    ws = workbook_add_worksheet(wb, "Лист18");
    title(ws, f, 6, "Результаты олимпиады по классу");
    worksheet_write_string(ws, 1, 2, "Предмет:", f.label);
    worksheet_write_string(ws, 2, 2, "Класс:", f.label);
    table(ws, f, 4,
          {{"№", 5, true}, {"Фамилия, имя, отчество", 32}, {"Учреждение образования", 40}, {"Сумма баллов", 9, true},
           {"Место", 7, true}, {"Диплом", 14}, {"Учителя", 34}});
    page(ws, true);

    // The key to the codes of a round, for the organisers' safe: B2 "По <subject>", C3 grade, C4
    // round; from row 6 each code with its participant, in the order of the blank score sheet.
    ws = workbook_add_worksheet(wb, "Лист19");
    title(ws, f, 4, "Ключ шифров — только для оргкомитета, хранить в сейфе");
    worksheet_write_string(ws, 2, 1, "Класс:", f.label);
    worksheet_write_string(ws, 3, 1, "Тур:", f.label);
    table(ws, f, 4,
          {{"№", 5, true}, {"Шифр", 14, true}, {"Фамилия, имя, отчество", 36}, {"Команда", 20},
           {"Учреждение образования", 42}});
    worksheet_set_header(ws, "&CНе для проверяющих: хранить в сейфе оргкомитета");
    page(ws, false);

    // The award protocol of a subject and grade: C2 subject, C3 grade; the rules in C5..C9 and the
    // program's note on them in B10; the lowest total and the number of each award in C12..D15, and
    // in E12..E15 the cut-offs the jury typed, where they did; the
    // participants in place order from row 18; under them the program writes the lines for the
    // jury's signatures.
    ws = workbook_add_worksheet(wb, "Лист20");
    title(ws, f, 5, "Протокол награждения");
    worksheet_write_string(ws, 1, 1, "Предмет:", f.label);
    worksheet_write_string(ws, 2, 1, "Класс:", f.label);
    worksheet_write_string(ws, 4, 1, "Дипломы, не более % участников:", f.label);
    worksheet_write_string(ws, 5, 1, "Не ниже % максимальной суммы:", f.label);
    worksheet_write_string(ws, 6, 1, "Максимальная сумма баллов:", f.label);
    worksheet_write_string(ws, 7, 1, "Соотношение 1-й, 2-й и 3-й степеней:", f.label);
    worksheet_write_string(ws, 8, 1, "Поощрительные отзывы, % участников:", f.label);
    for (int row : {1, 2, 4, 5, 6, 7, 8}) worksheet_write_blank(ws, lxw_row_t(row), 2, f.value);
    worksheet_write_string(ws, 10, 1, "Награда", f.heading);
    worksheet_write_string(ws, 10, 2, "Наименьшая сумма баллов", f.heading);
    worksheet_write_string(ws, 10, 3, "Участников", f.heading);
    worksheet_write_string(ws, 10, 4, "Порог жюри", f.heading);
    fitHeadings(ws, 10, {{"Награда", 36}, {"Наименьшая сумма баллов", 36}, {"Участников", 12}, {"Порог жюри", 8}});
    {
        static const char* const awards[] = {"Диплом 1-й степени", "Диплом 2-й степени", "Диплом 3-й степени",
                                             "Поощрительный отзыв"};
        for (int i = 0; i < 4; ++i) {
            worksheet_write_string(ws, lxw_row_t(11 + i), 1, awards[i], f.cell);
            worksheet_write_blank(ws, lxw_row_t(11 + i), 2, f.number);
            worksheet_write_blank(ws, lxw_row_t(11 + i), 3, f.number);
            worksheet_write_blank(ws, lxw_row_t(11 + i), 4, f.number);
        }
    }
    table(ws, f, 16,
          {{"№", 5, true}, {"Фамилия, имя, отчество", 36}, {"Учреждение образования", 36}, {"Сумма баллов", 12, true},
           {"Место", 8, true}, {"Диплом", 14}});
    page(ws, false);

    // The register of the diplomas printed: from row 4 each diploma with its participant; under them
    // the program writes the lines for the organisers' signatures.
    ws = workbook_add_worksheet(wb, "Лист21");
    title(ws, f, 9, "Реестр дипломов");
    table(ws, f, 2,
          {{"№", 5, true}, {"Номер диплома", 12}, {"Фамилия, имя, отчество", 30}, {"Предмет", 16}, {"Класс", 7},
           {"Степень", 12}, {"Учреждение образования", 32}, {"Дата", 11}, {"Статус", 12}, {"Отметка", 16}});
    page(ws, true);

    // The protocol of one appeal, for the jury to sign: its number, date, subject, grade, round, the
    // participant's cipher, name and school, his reason and the members present in B2..B12; each
    // task appealed from row 15 (score before, decision, score after); under them the program writes
    // the total and place before and after and the lines for the signatures.
    ws = workbook_add_worksheet(wb, "Лист22");
    title(ws, f, 3, "Протокол рассмотрения апелляции");
    {
        static const char* const labels[] = {"Апелляция №:", "Дата подачи:", "Предмет:", "Класс:", "Тур:", "Шифр:",
                                             "Участник:", "Учреждение образования:", "Причина (со слов участника):",
                                             "Члены жюри:", "Рассмотрена:"};
        for (int i = 0; i < 11; ++i) {
            worksheet_write_string(ws, lxw_row_t(1 + i), 0, labels[i], f.label);
            worksheet_write_blank(ws, lxw_row_t(1 + i), 1, f.value);
        }
    }
    table(ws, f, 13, {{"Задача", 30, true}, {"Балл до апелляции", 18, true}, {"Решение", 24}, {"Балл после апелляции", 18, true}});
    page(ws, false);

    // The appeals of a subject and grade: C2 subject, C3 grade, B4 the status of its results; the
    // counts filed, upheld, rejected, not decided and with places changed in C6..C10; the appeals
    // by number from row 13.
    ws = workbook_add_worksheet(wb, "Лист23");
    title(ws, f, 8, "Апелляции");
    worksheet_write_string(ws, 1, 1, "Предмет:", f.label);
    worksheet_write_string(ws, 2, 1, "Класс:", f.label);
    {
        static const char* const counts[] = {"Подано апелляций:", "Удовлетворено:", "Отклонено:", "Не рассмотрено:",
                                             "Изменились места:"};
        for (int i = 0; i < 5; ++i) {
            worksheet_write_string(ws, lxw_row_t(5 + i), 1, counts[i], f.label);
            worksheet_write_blank(ws, lxw_row_t(5 + i), 2, f.value);
        }
    }
    table(ws, f, 11,
          {{"№", 6, true}, {"Шифр", 22, true}, {"Участник", 34}, {"Тур", 6, true}, {"Задачи", 10}, {"Решение", 16},
           {"Изменение суммы", 12, true}, {"Место до", 9, true}, {"Место после", 9, true}});
    page(ws, true);

    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
