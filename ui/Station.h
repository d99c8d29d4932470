#pragma once

#include "Database.h"

#include <QObject>

// The station: the working connection with its one long transaction, which every window uses, and
// the connection that a merge opens on a second database. The program's start-up opens it.
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
