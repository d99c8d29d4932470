#include "scoring/AwardReview.h"

namespace awardrules {

namespace {

const char* const kAwardNames[5] = {"Без награды", "Диплом 1-й степени", "Диплом 2-й степени", "Диплом 3-й степени",
                                    "Поощр. отзыв"};
const char* const kCutNames[4] = {"1-й степени", "2-й степени", "3-й степени", "поощрительного отзыва"};
// The boundary a tie falls on: that of a degree's quota, of all diplomas, of the mentions.
const char* const kBoundaries[4] = {"1-й степени", "2-й степени", "дипломов", "поощрительных отзывов"};

// "участника" after 1, 21, 31…; "участников" after any other number (genitive).
QString participantsOf(int n) {
    return QStringLiteral("%1 %2").arg(n).arg(n % 10 == 1 && n % 100 != 11 ? QStringLiteral("участника")
                                                                             : QStringLiteral("участников"));
}

// What the cut-offs give beyond the rules, for cut-offs typed over the rules' ones.
void beyondTheRules(const Grade& g, const Review& r, const Rules& rules, const std::optional<Score>& lowestDiploma,
                    QStringList& warnings) {
    const int all = int(g.list.size());
    const int diplomas = r.proposed[1] + r.proposed[2] + r.proposed[3];
    if (qint64(diplomas) * 100 > qint64(all) * rules.diplomaPercent)
        warnings << QStringLiteral("Пороги дают дипломов больше правила: %1 из %2 (%3) при не более %4 %.")
                        .arg(diplomas)
                        .arg(all)
                        .arg(shareText(diplomas, all))
                        .arg(rules.diplomaPercent);
    if (g.maxTotal && lowestDiploma && lowestDiploma->hundredths() * 100 < g.maxTotal->hundredths() * rules.minPercent)
        warnings << QStringLiteral("Пороги дают диплом сумме ниже правила: %1 при не ниже %2 % максимальной суммы %3.")
                        .arg(lowestDiploma->toString())
                        .arg(rules.minPercent)
                        .arg(g.maxTotal->toString());
}

}  // namespace

QString awardName(int degree) { return QString::fromUtf8(kAwardNames[degree]); }
QString cutName(int degree) { return QString::fromUtf8(kCutNames[degree - 1]); }

QString disorderText(int below, int above) {
    return QStringLiteral("Порог %1 не может быть выше порога %2").arg(cutName(below), cutName(above));
}

Review review(const Grade& g, const Cuts& cuts, const Proposal& proposal, const Rules& rules) {
    Review r;
    int overrule = 0;
    std::optional<Score> lowestDiploma;
    for (const Participant& p : g.list) {
        const int d = degreeOf(p.total, cuts);
        ++r.proposed[size_t(d)];
        if (d >= 1 && d <= 3) lowestDiploma = p.total;  // the list runs from the highest total down
        if (p.degree >= 0 && p.degree <= 4) ++r.current[size_t(p.degree)];
        if (d != p.degree) {
            ++r.differ;
            if (p.degree != 0) ++overrule;
        }
    }
    const int all = int(g.list.size());
    QStringList& w = r.warnings;
    if (g.entered < g.registered)
        w << QStringLiteral("Не все туры введены у %1 из %2.").arg(g.registered - g.entered).arg(participantsOf(g.registered));
    if (!g.maxTotal && rules.minPercent > 0)
        w << QStringLiteral("Максимальная сумма не задана (не у всех задач есть максимум): правило "
                            "«не ниже % максимальной суммы» не применено.");
    for (const Tie& t : proposal.ties) {
        if (cuts[size_t(t.degree - 1)] != proposal.cuts[size_t(t.degree - 1)]) continue;  // typed over
        w << QStringLiteral("Граница %1 пришлась на равные суммы: у %2 по %3. Все они оставлены ниже: доля %4 вместо %5.")
                 .arg(QString::fromUtf8(kBoundaries[t.degree - 1]), participantsOf(t.count), t.total.toString(),
                      shareText(t.before, all), shareText(t.after, all));
    }
    if (const auto [below, above] = disorder(cuts); below)
        w << disorderText(below, above) + QStringLiteral(": исправьте до «Применить».");
    beyondTheRules(g, r, rules, lowestDiploma, w);
    if (overrule > 0)
        w << QStringLiteral("Предложение расходится со степенями, уже выставленными вручную, у %1.").arg(participantsOf(overrule));
    if (g.list.isEmpty()) w << QStringLiteral("В классе нет участников с баллами.");
    return r;
}

}  // namespace awardrules
