// SPDX-License-Identifier: MIT
// LocalClock: file times in local time, with the offset from UTC remembered per stretch of days
// (the offsets themselves come from the OS, LocalOffset.h).
#include "platform/LocalOffset.h"
#include "platform/Regional.h"

namespace dirscribe::platform {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar (H. Hinnant's method).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The time stamps a list can show: the years 100 to 9999, which every date pattern writes the
// same way (no year 0 or below, no five-digit year). A file time beyond them is shown as the
// nearest of the two ends, 1/1/100 0:00:00 and 12/31/9999 23:59:59 local time.
constexpr std::int64_t kFirstShown = -59011459200;  // 0100-01-01 00:00:00
constexpr std::int64_t kLastShown = 253402300799;   // 9999-12-31 23:59:59

CivilTime ShownCivil(std::int64_t localSeconds) {
    if (localSeconds < kFirstShown) localSeconds = kFirstShown;
    if (localSeconds > kLastShown) localSeconds = kLastShown;
    return CivilFromSeconds(localSeconds);
}

}  // namespace

std::int64_t SecondsFromCivil(std::int64_t year, int month, int day, int hour, int minute,
                              int second) {
    return DaysFromCivil(year, month, day) * kSecondsPerDay + std::int64_t{hour} * 3600 +
           std::int64_t{minute} * 60 + second;
}

CivilTime CivilFromSeconds(std::int64_t localSeconds) {
    const std::int64_t days = FloorDiv(localSeconds, kSecondsPerDay);
    const std::int64_t secondOfDay = localSeconds - days * kSecondsPerDay;

    const std::int64_t shifted = days + 719468;  // days since 0000-03-01
    const std::int64_t era = FloorDiv(shifted, 146097);
    const std::int64_t dayOfEra = shifted - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;

    CivilTime civil;
    civil.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    civil.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    civil.year = static_cast<int>(yearOfEra + era * 400 + (civil.month <= 2 ? 1 : 0));
    civil.hour = static_cast<int>(secondOfDay / 3600);
    civil.minute = static_cast<int>(secondOfDay / 60 % 60);
    civil.second = static_cast<int>(secondOfDay % 60);
    const std::int64_t weekday = (days + 4) % 7;  // 1970-01-01 was a Thursday
    civil.weekday = static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
    return civil;
}

LocalClock::LocalClock() {
    // The OS need not look at its time-zone settings again by itself; a new clock follows the
    // current zone.
    RefreshTimeZone();
}

bool LocalClock::Fill(Slot& slot, std::int32_t block) {
    const std::int64_t first = block * (std::int64_t{1} << kBlockBits);
    const std::int64_t last = first + (std::int64_t{1} << kBlockBits) - 1;
    std::int32_t atFirst = 0;
    std::int32_t atLast = 0;
    if (!UtcOffsetAt(first, atFirst) || !UtcOffsetAt(last, atLast)) return false;
    std::uint32_t change = UINT32_MAX;
    if (atFirst != atLast) {
        // The clocks change once in the stretch: find the first second of the new offset.
        std::int64_t lo = first;
        std::int64_t hi = last;
        while (hi - lo > 1) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            std::int32_t offset = 0;
            if (!UtcOffsetAt(mid, offset)) return false;
            (offset == atFirst ? lo : hi) = mid;
        }
        change = static_cast<std::uint32_t>(hi - first);
    }
    slot.before = atFirst;
    slot.after = atLast;
    slot.change = change;
    slot.block = block;
    return true;
}

CivilTime LocalClock::ToLocal(std::int64_t utcSeconds) {
    // No offset from UTC reaches a day: beyond that the time is shown as the end it is nearest.
    if (utcSeconds < kFirstShown - kSecondsPerDay) utcSeconds = kFirstShown - kSecondsPerDay;
    if (utcSeconds > kLastShown + kSecondsPerDay) utcSeconds = kLastShown + kSecondsPerDay;
    const auto block = static_cast<std::int32_t>(utcSeconds >> kBlockBits);
    Slot& slot = cache_[static_cast<std::uint32_t>(block) % cache_.size()];
    if (slot.block == block || Fill(slot, block)) {
        const auto second = static_cast<std::uint32_t>(utcSeconds & ((1 << kBlockBits) - 1));
        return ShownCivil(utcSeconds + (second < slot.change ? slot.before : slot.after));
    }
    // The stretch reaches beyond what the rules cover; the moment itself may not.
    std::int32_t offset = 0;
    if (UtcOffsetAt(utcSeconds, offset)) return ShownCivil(utcSeconds + offset);
    return ShownCivil(utcSeconds);
}

}  // namespace dirscribe::platform
