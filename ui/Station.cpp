#include "Station.h"

TStation* DM = nullptr;

TStation::TStation(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("DM")); }

TWorkConnection::TWorkConnection(const Database& working) {
    db.databaseName = working.databaseName;
    db.params = working.params;
    db.connect();
    tr.start();
}
