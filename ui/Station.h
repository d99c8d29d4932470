#pragma once

#include "Database.h"

#include <QObject>

// The station: the working connection with its one long transaction, which every window uses, and
// the connection that a merge opens on a second database (used by the merge's worker thread while
// the merge's window is up). The program's start-up opens it.
class TStation : public QObject {
    Q_OBJECT
public:
    explicit TStation(QObject* parent = nullptr);

    Database IBDatabase1;
    Transaction IBTransaction1{IBDatabase1};
    Database IBDatabase2;
    Transaction IBTransaction2{IBDatabase2};
};

// The program's station, made at start-up before any window.
extern TStation* DM;

// A connection of long work's own to the working database (its name and parameters), for the worker
// thread the work runs on, with its transaction started: read committed as the station's, so that
// the windows see at once what it commits. Closed (anything not committed rolled back) when it goes.
class TWorkConnection {
public:
    explicit TWorkConnection(const Database& working);

    Database db;
    Transaction tr{db};
};
