// SPDX-License-Identifier: MIT
// LocalOffsetPosix: offsets from UTC as localtime_r gives them, by the TZ rules.
#include <ctime>

#include "platform/LocalOffset.h"

namespace dirscribe::platform {

bool UtcOffsetAt(std::int64_t utcSeconds, std::int32_t& offset) {
    const auto time = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    if (localtime_r(&time, &tm) == nullptr) return false;
    const std::int64_t local = SecondsFromCivil(std::int64_t{tm.tm_year} + 1900, tm.tm_mon + 1,
                                                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    offset = static_cast<std::int32_t>(local - utcSeconds);
    return true;
}

void RefreshTimeZone() {
    // localtime_r need not look at TZ again by itself.
    tzset();
}

}  // namespace dirscribe::platform
