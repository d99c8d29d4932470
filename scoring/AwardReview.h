#pragma once

#include "scoring/AwardRules.h"

#include <QStringList>
#include <array>

// What the award assistant shows of the cut-offs in use for a subject and grade: how many each
// award would go to and how many have it now, and what the jury should look out for. Texts as the
// assistant words them.
namespace awardrules {

// The awards in the order the assistant lists them: degrees 1 to 3, the mention, none.
inline constexpr std::array<int, 5> kListOrder{1, 2, 3, kMention, 0};
// "Без награды", "Диплом 1-й степени", …, "Поощр. отзыв" (degree 0..4).
QString awardName(int degree);
// The cut-off of a degree (1..4) as messages name it: "1-й степени", …, "поощрительного отзыва".
QString cutName(int degree);
// Cut-offs out of order, as disorder() finds them: "Порог 2-й степени не может быть выше порога 1-й степени".
QString disorderText(int below, int above);

// The subject and grade the cut-offs are reviewed for.
struct Grade {
    QList<Participant> list;      // in place order
    std::optional<Score> maxTotal;  // the subject's greatest total, when known
    int registered = 0;           // participants of the subject and grade
    int entered = 0;              // of them with every round entered
};

struct Review {
    std::array<int, 5> proposed{};  // how many the cut-offs give each degree (0..4)
    std::array<int, 5> current{};   // how many have it now
    int differ = 0;                 // participants whose degree the cut-offs change
    QStringList warnings;
};
// The cut-offs in use (the rules' own, `proposal`, or typed over them) reviewed against the rules.
Review review(const Grade& grade, const Cuts& cuts, const Proposal& proposal, const Rules& rules);

}  // namespace awardrules
