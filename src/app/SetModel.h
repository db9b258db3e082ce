#pragma once
// The set model for Qt code. The GUI is built with QT_NO_KEYWORDS, so the set's `signals` member
// reads as itself.
#include "model/SetFile.h"
#include "model/SignalSet.h"
