// What the database's refusals mean for the operator. The constraint names are those of schema.sql.

#include "DbError.h"

#include <ibase.h>

namespace {

struct Unique {
    const char* constraint;
    const char* text;
};

const Unique kUnique[] = {
    {"UQ_S_KOMAND", "Такая команда уже есть."},
    {"UQ_S_PREDMET", "Такой предмет уже есть."},
    {"UQ_S_KLASS", "Такой класс уже есть."},
    {"UQ_S_SCHOOL", "У этой команды уже есть учреждение с таким названием."},
    {"UQ_SPISOK_UID", "Этот участник уже записан в базу данных."},
    {"PK_TUR", "Туры этого предмета уже записаны."},
    {"PK_SHIFR", "У участника уже есть шифр на этот тур."},
    {"UQ_SHIFR_CODE", "Такой шифр уже есть у другого участника этого предмета, класса и тура."},
    {"PK_GRUP", "Участник уже распределён в группу."},
    {"PK_BAL", "Баллы участника уже записаны."},
};

// A foreign key: what it means when the row it names is missing (an insert or update of the
// referring row), and when rows still refer to the one being deleted.
struct Reference {
    const char* constraint;
    const char* missing;
    const char* present;
};

const Reference kReferences[] = {
    {"FK_S_SCHOOL_KOMAND", "Такой команды нет в справочнике.", "Команду нельзя удалить: у неё есть учреждения образования."},
    {"FK_SPISOK_KOMAND", "Такой команды нет в справочнике.", "Команду нельзя удалить: у неё есть участники."},
    {"FK_SPISOK_PREDMET", "Такого предмета нет в справочнике.", "Предмет нельзя удалить: по нему есть участники."},
    {"FK_SPISOK_KLASS", "Такого класса нет в справочнике.", "Класс нельзя удалить: в нём есть участники."},
    {"FK_TUR_PREDMET", "Такого предмета нет в справочнике.", "Предмет нельзя удалить: у него есть туры."},
    {"FK_BAL_PREDMET", "Такого предмета нет в справочнике.", "Предмет нельзя удалить: по нему есть баллы."},
    {"FK_GRUP_PREDMET", "Такого предмета нет в справочнике.", "Предмет нельзя удалить: по нему есть группы."},
    {"FK_SHIFR_PREDMET", "Такого предмета нет в справочнике.", "Предмет нельзя удалить: по нему есть шифры."},
    {"FK_BAL_KLASS", "Такого класса нет в справочнике.", "Класс нельзя удалить: в нём есть баллы."},
    {"FK_GRUP_KLASS", "Такого класса нет в справочнике.", "Класс нельзя удалить: в нём есть группы."},
    {"FK_SHIFR_KLASS", "Такого класса нет в справочнике.", "Класс нельзя удалить: в нём есть шифры."},
    {"FK_TEACHERS_SPISOK", "Такого участника нет: возможно, он удалён на другом рабочем месте.",
     "У участника есть учителя."},
    {"FK_BAL_SPISOK", "Такого участника нет: возможно, он удалён на другом рабочем месте.", "У участника есть баллы."},
    {"FK_GRUP_SPISOK", "Такого участника нет: возможно, он удалён на другом рабочем месте.", "Участник распределён в группу."},
    {"FK_SHIFR_SPISOK", "Такого участника нет: возможно, он удалён на другом рабочем месте.", "У участника есть шифры."},
    {"FK_DIPLOM_SPISOK", "Такого участника нет: возможно, он удалён на другом рабочем месте.",
     "Участнику напечатан диплом с номером: номер остаётся в реестре дипломов, поэтому участника удалить нельзя."},
};

}  // namespace

bool DbError::isConflict() const {
    return has(isc_update_conflict) || has(isc_lock_conflict) || has(isc_deadlock) || has(isc_lock_timeout);
}

bool DbError::isUniqueViolation() const { return has(isc_unique_key_violation); }

bool DbError::isConnectionLost() const {
    return has(isc_network_error) || has(isc_net_read_err) || has(isc_net_write_err) || has(isc_conn_lost) ||
           has(isc_shutdown) || has(isc_att_shutdown);
}

bool DbError::isOpenElsewhere() const { return has(isc_already_opened); }

namespace dberror {

QString explain(const DbError& e) {
    const QString name = e.args().value(0);
    if (e.has(isc_unique_key_violation)) {
        for (const Unique& u : kUnique)
            if (name == QLatin1String(u.constraint)) return QString::fromUtf8(u.text);
        return QStringLiteral("Такая запись уже есть.");
    }
    if (e.has(isc_foreign_key)) {
        for (const Reference& r : kReferences)
            if (name == QLatin1String(r.constraint))
                return QString::fromUtf8(e.has(isc_foreign_key_references_present) ? r.present : r.missing);
        return QStringLiteral("Запись связана с другими данными.");
    }
    if (e.has(isc_check_constraint) && name == u"CK_SPISOK_ID_CHILD")
        return QStringLiteral("Код участника не может быть равен 0.");
    if (e.has(isc_check_constraint) && name == u"CK_SHIFR_TUR") return QStringLiteral("Номер тура должен быть от 1 до 4.");
    if (e.isOpenElsewhere())
        return QStringLiteral("Файл держит открытым другая копия «Таврина» на этом компьютере или программа на другом "
                              "компьютере, открывшая его без сервера. Закройте ту копию и запустите программу снова. "
                              "Чтобы работать с одной базой на нескольких компьютерах, откройте её через сервер Firebird "
                              "(в path.txt: сервер:/путь/к/базе.fdb).");
    if (e.isConnectionLost())
        return QStringLiteral("Нет связи с базой данных. Закройте программу и запустите её снова.");
    if (e.isConflict())
        return QStringLiteral("Эти данные сейчас изменяются на другом рабочем месте. Повторите действие.");
    if (e.has(isc_string_truncation)) return QStringLiteral("Текст длиннее, чем помещается в поле базы данных.");
    return QString();
}

}  // namespace dberror
