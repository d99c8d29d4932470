#include "participants/Ciphers.h"

#include "Query.h"
#include "Text.h"

namespace ciphers {

QList<int> groupNumbers(Database& db, Transaction& tr, const QString& predmet, int idKlass) {
    if (!text1251::canEncode(predmet)) return {};
    Query q(db, tr,
            {"SELECT G.N_GROUP", "FROM GRUP G, S_PREDMET P",
             "WHERE G.KLASS = :KLASS   AND P.PREDMET = :PREDMET AND G.ID_PREDMET= P.ID_PREDMET", "GROUP BY G.N_GROUP",
             "ORDER BY G.N_GROUP;"});
    q.setInt("KLASS", idKlass);
    q.setText("PREDMET", predmet);
    q.open();
    QList<int> out;
    for (q.first(); !q.eof(); q.next()) out.append(int(q.fieldInt("N_GROUP")));
    return out;
}

QString current(Database& db, Transaction& tr, int idChild, int idTur) {
    Query q(db, tr, {"select SHIFR from SHIFR where ID_CHILD=:ID_CHILD and", "ID_TUR=:ID_TUR;"});
    q.setInt("ID_CHILD", idChild);
    q.setInt("ID_TUR", idTur);
    q.open();
    return q.isEmpty() ? QString() : q.fieldText("SHIFR");
}

QString lookalike(const QString& code) {
    // Latin letters that look like Cyrillic ones read as those; capitals and small letters alike.
    static const QString latin = QStringLiteral("ABCEHKMOPTXY");
    static const QString cyrillic = QStringLiteral("АВСЕНКМОРТХУ");
    QString out = code.trimmed().toUpper();
    for (QChar& c : out) {
        const qsizetype i = latin.indexOf(c);
        if (i >= 0) c = cyrillic.at(i);
        if (c == u'Ё') c = u'Е';
    }
    return out;
}

int holder(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code, int idChild) {
    Query q(db, tr,
            {"SELECT ID_CHILD, SHIFR FROM SHIFR",
             "WHERE ID_PREDMET = :ID_PREDMET AND KLASS = :KLASS AND ID_TUR = :ID_TUR AND ID_CHILD <> :ID_CHILD"});
    q.setInt("ID_PREDMET", idPredmet);
    q.setInt("KLASS", idKlass);
    q.setInt("ID_TUR", idTur);
    q.setInt("ID_CHILD", idChild);
    q.open();
    const QString wanted = lookalike(code);
    for (q.first(); !q.eof(); q.next())
        if (lookalike(q.fieldText("SHIFR")) == wanted) return int(q.fieldInt("ID_CHILD"));
    return 0;
}

QString refusal(Database& db, Transaction& tr, int idPredmet, int idKlass, int idTur, const QString& code,
                int idChild) {
    const QString c = code.trimmed();
    if (c.isEmpty()) return kEmpty;
    if (c.size() > kMaxLength) return kTooLong;
    if (idTur < 1 || idTur > 4) return kBadRound;
    if (holder(db, tr, idPredmet, idKlass, idTur, c, idChild) != 0) return kTaken;
    return QString();
}

void store(Database& db, Transaction& tr, int idChild, int idPredmet, int idKlass, int idTur, const QString& code) {
    Query exists(db, tr, {"select SHIFR from SHIFR where ID_CHILD=:ID_CHILD and", "ID_TUR=:ID_TUR;"});
    exists.setInt("ID_CHILD", idChild);
    exists.setInt("ID_TUR", idTur);
    exists.open();
    if (!exists.isEmpty()) {
        recode(db, tr, idChild, idTur, code);
        return;
    }
    Query ins(db, tr,
              {"INSERT INTO SHIFR (ID_CHILD, ID_PREDMET, ID_TUR, KLASS,SHIFR)",
               "VALUES (:ID_CHILD, :ID_PREDMET, :ID_TUR, :KLASS, :SHIFR);"});
    ins.setInt("ID_CHILD", idChild);
    ins.setInt("ID_PREDMET", idPredmet);
    ins.setInt("ID_TUR", idTur);
    ins.setInt("KLASS", idKlass);
    ins.setText("SHIFR", code.trimmed());
    ins.execute();
}

void recode(Database& db, Transaction& tr, int idChild, int idTur, const QString& code) {
    Query q(db, tr, {"UPDATE SHIFR SET SHIFR = :SHIFR WHERE ID_CHILD = :ID_CHILD AND ID_TUR = :ID_TUR"});
    q.setText("SHIFR", code.trimmed());
    q.setInt("ID_CHILD", idChild);
    q.setInt("ID_TUR", idTur);
    q.execute();
}

void moveToRound(Database& db, Transaction& tr, int idChild, int idTur, int newTur) {
    Query q(db, tr, {"UPDATE SHIFR SET ID_TUR = :NEW_TUR WHERE ID_CHILD = :ID_CHILD AND ID_TUR = :ID_TUR"});
    q.setInt("NEW_TUR", newTur);
    q.setInt("ID_CHILD", idChild);
    q.setInt("ID_TUR", idTur);
    q.execute();
}

void remove(Database& db, Transaction& tr, int idChild, int idTur) {
    Query q(db, tr, {"DELETE FROM SHIFR WHERE ID_CHILD = :ID_CHILD AND ID_TUR = :ID_TUR"});
    q.setInt("ID_CHILD", idChild);
    q.setInt("ID_TUR", idTur);
    q.execute();
}

}  // namespace ciphers
