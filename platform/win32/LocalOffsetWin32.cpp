// SPDX-License-Identifier: MIT
// LocalOffsetWin32: offsets from UTC by the Windows time zone, with the rules of each year
// (daylight saving time has moved over the years; Explorer shows old files by their own year's
// rules too).
#include <windows.h>

#include "base/WindowsTime.h"
#include "platform/LocalOffset.h"

namespace dirscribe::platform {

namespace {

// The zone's rules for the last year asked about: a walk meets few years, in runs.
struct YearRules {
    int year = -1;
    bool known = false;
    TIME_ZONE_INFORMATION zone{};
};

thread_local YearRules t_rules;

const TIME_ZONE_INFORMATION* RulesFor(int year) {
    if (t_rules.year != year) {
        t_rules.year = year;
        t_rules.known =
            GetTimeZoneInformationForYear(static_cast<USHORT>(year), nullptr, &t_rules.zone) != 0;
    }
    // Without the year's own rules, the zone's current ones.
    return t_rules.known ? &t_rules.zone : nullptr;
}

}  // namespace

bool UtcOffsetAt(std::int64_t utcSeconds, std::int32_t& offset) {
    // FILETIME counts from 1601; SYSTEMTIME reaches to 30827.
    if (utcSeconds < -kSecondsFrom1601To1970 || utcSeconds > 900'000'000'000) return false;
    const auto ticks =
        static_cast<std::uint64_t>((utcSeconds + kSecondsFrom1601To1970) * kTicksPerSecond);
    FILETIME fileTime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&fileTime, &utc)) return false;
    if (!SystemTimeToTzSpecificLocalTime(RulesFor(utc.wYear), &utc, &local)) return false;
    const std::int64_t localSeconds = SecondsFromCivil(local.wYear, local.wMonth, local.wDay,
                                                       local.wHour, local.wMinute, local.wSecond);
    offset = static_cast<std::int32_t>(localSeconds - utcSeconds);
    return true;
}

void RefreshTimeZone() {
    t_rules = YearRules{};
}

}  // namespace dirscribe::platform
