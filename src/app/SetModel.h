#pragma once
// The set model for Qt code. Qt's "signals" keyword would rewrite the set's member of that name,
// so the model is read with the keyword switched off, whatever came first. Code that names the
// member after Qt's headers puts "#undef signals" below its includes (and uses Q_SIGNALS itself).
#pragma push_macro("signals")
#undef signals
#include "model/SignalSet.h"
#include "model/SetFile.h"
#pragma pop_macro("signals")
