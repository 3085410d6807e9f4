// The train phase of reading: the train description file into the train's general data, the
// stations, the per-cell speed limit and adhesion, and the placed signals, slowdowns and marks.
#pragma once

#include "compiler/reading_context.h"
