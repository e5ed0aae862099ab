// One voice's trace: a quarter of the history, starting where the wave last rose through
// zero so that a steady tone stands still, thinned to one low and one high point per column.
#pragma once

#include <QPolygonF>
#include <QRectF>

#include "app/scopes/scope_history.h"

namespace kelmar {

// The trace of `voice` across `area`, `columns` device pixels wide; a voice at full volume
// panned to the centre spans the area's height.
QPolygonF ScopeTrace(const ScopeHistory& history, int voice, const QRectF& area, int columns);

}  // namespace kelmar
