#include "Station.h"

TStation* DM = nullptr;

TStation::TStation(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("DM")); }
