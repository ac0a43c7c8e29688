#pragma once

#include "SimRoute.h"

#include <QList>

// The weather service's XML API: "/api/<key>/conditions/lang:SP/q/pws:<station>.xml", the
// hourly forecast and the geolookup, with the service's error answers.
QList<SimRoute> xmlApiRoutes();
