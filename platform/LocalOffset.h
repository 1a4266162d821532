// SPDX-License-Identifier: MIT
// LocalOffset: what LocalClock asks of the OS, the offset of local time from UTC at a moment.
#pragma once

#include <cstdint>

namespace dirscribe::platform {

// The offset from UTC (seconds east) that the time-zone rules give at a moment. False when the
// moment lies outside what the rules cover.
bool UtcOffsetAt(std::int64_t utcSeconds, std::int32_t& offset);

// Makes later offsets follow the time-zone settings as they are now.
void RefreshTimeZone();

// Seconds since 1970-01-01 of a civil date and time (proleptic Gregorian calendar).
std::int64_t SecondsFromCivil(std::int64_t year, int month, int day, int hour, int minute,
                              int second);

}  // namespace dirscribe::platform
