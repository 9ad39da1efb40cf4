// Date-time values as the operations use them: days (with the time of day as the fraction)
// since 1899-12-30, local time. Only differences of two values are ever computed.
#pragma once

using TDateTime = double;

inline constexpr double MillisecondsPerDay = 24.0 * 60 * 60 * 1000;

// The current local date and time.
TDateTime NowDateTime();
