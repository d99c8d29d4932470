#pragma once

#include "Check.h"
#include "ui/Station.h"

#include <QString>

// The data module: the start-up of the station, from path.txt (or the offer of a new database)
// to the working transaction, the upgrade of an earlier build's database on the way.
class TDM : public TStation {
    Q_OBJECT
public:
    using TStation::TStation;

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

    // What the check of the rules of the whole record found (after a merge): nothing is said when
    // it keeps them, otherwise what breaks them is shown.
    static void showFindings(const check::Findings& found);

private:
    // Asks to make the new database (or to open the one made there before) and names it in the
    // user's path.txt. Empty, after saying why, when the user declines or it cannot be made.
    QString offerNewDatabase();
    // A database of an earlier build is brought up to date, when the operator agrees; false when it
    // stays as it was and the program must end.
    bool upToDate();
    bool m_terminate = false;
};
