#pragma once

// Formats and conversions between values and the texts the user sees or the database reads.
// Nothing here knows about widgets. Every function that depends on the regional settings takes
// the locale as its last argument and defaults to QLocale() (the default locale), so tests can
// switch regions with QLocale::setDefault.

#include "text/dates.h"
#include "text/format.h"
#include "text/numbers.h"
