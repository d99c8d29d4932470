#pragma once

#include "Database.h"

#include <QObject>
#include <QString>

// The data module: the working connection with its one long transaction, and the connection
// that a merge opens on a second database.
class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject* parent = nullptr);

    Database IBDatabase1;
    Transaction IBTransaction1{IBDatabase1};
    Database IBDatabase2;
    Transaction IBTransaction2{IBDatabase2};

    // Reads the database name from path.txt in the folder of the executable (or in the given
    // folder), else from the user's own path.txt, connects the working database and starts its
    // transaction. When neither is there, an installed program offers to make a new database and
    // writes the user's path.txt; otherwise (or when the user declines) this is reported and ends the
    // application. A database that an earlier build made is upgraded first. Whatever keeps the
    // database from being opened (another copy holds it, it cannot be found or made, the operator
    // declined) is said and ends the application: terminateRequested() is then true.
    void DataModuleCreate(const QString& folder = QString());
    bool terminateRequested() const { return m_terminate; }

    // The user's own path.txt (~/.config/Tavrin/path.txt): an installed program cannot write beside
    // itself.
    static QString userPathFile();
    // The new database an installed program offers on its first start (~/Documents/Таврин/olympiad.fdb).
    static QString newDatabaseName();
    static QString pathMissingMessage(const QString& programFolder);
    // Said when the operator of an installed program declines the new database: where to name one.
    static QString noDatabaseMessage();

    // Checks the rules of the whole record (after a merge): says nothing when it keeps
    // them, otherwise shows what breaks them.
    void checkRecord();

private:
    // Asks to make the new database (or to open the one made there before) and names it in the
    // user's path.txt. Empty, after saying why, when the user declines or it cannot be made.
    QString offerNewDatabase();
    // A database of an earlier build is brought up to date, when the operator agrees; false when it
    // stays as it was and the program must end.
    bool upToDate();
    bool m_terminate = false;
};

extern TDM* DM;
