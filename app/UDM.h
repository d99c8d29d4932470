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
    // folder), connects the working database and starts its transaction. A missing path.txt is
    // reported and ends the application; a failed connection is reported and the program goes on.
    // A database that an earlier build made is upgraded first, or the application ends.
    void DataModuleCreate(const QString& folder = QString());
    bool terminateRequested() const { return m_terminate; }

    static QString pathMissingMessage();

private:
    // A database of an earlier build is brought up to date, when the operator agrees; false when it
    // stays as it was and the program must end.
    bool upToDate();
    bool m_terminate = false;
};

extern TDM* DM;
