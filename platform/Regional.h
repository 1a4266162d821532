// SPDX-License-Identifier: MIT
// Regional settings: the user's date, time and number conventions, and local time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dirscribe::platform {

// One piece of a date or time pattern.
struct DateTimeToken {
    enum class Kind : std::uint8_t {
        Literal,
        Day,          // day of month
        Month,        // month number
        MonthAbbrev,  // "Jan"
        MonthName,    // "January"
        Year,         // width 2: last two digits; otherwise all digits, at least `width`
        Hour24,
        Hour12,
        Minute,
        Second,
        AmPm,       // the locale's AM or PM designator
        DayAbbrev,  // "Mon"
        DayName,    // "Monday"
    };
    Kind kind = Kind::Literal;
    int width = 1;     // minimum digits for numbers
    char pad = '0';    // what fills numbers up to `width`
    std::string text;  // Literal only
};

using DateTimePattern = std::vector<DateTimeToken>;

// Appends a number token to a pattern: `kind` with at least `width` digits filled with `pad`.
void AppendField(DateTimePattern& pattern, DateTimeToken::Kind kind, int width = 1, char pad = '0');
// Appends literal text to a pattern, joining it to a literal that ends the pattern.
void AppendLiteral(DateTimePattern& pattern, std::string_view text);

// The conventions a list's sizes and time stamps are written in.
struct RegionalSettings {
    DateTimePattern shortDate;
    DateTimePattern longTime;
    std::string thousandsSeparator;
    std::string am;
    std::string pm;
    std::array<std::string, 12> monthAbbrev;
    std::array<std::string, 12> monthName;
    std::array<std::string, 7> dayAbbrev;  // Sunday first
    std::array<std::string, 7> dayName;

    // United States English: M/d/yyyy, h:mm:ss AM/PM, "," between groups of digits.
    static RegionalSettings UnitedStates();
};

// The user's settings now (on POSIX: LC_TIME and LC_NUMERIC as set by setlocale(LC_ALL, "");
// the C and POSIX locales count as United States English).
RegionalSettings CurrentRegionalSettings();

// A moment in local time.
struct CivilTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 = Sunday
};

// Turns file times into local time. Remembers the offset from UTC per stretch of three days,
// with the moment the clocks change inside it, so that a walk does not consult the time-zone
// rules for every file.
class LocalClock {
  public:
    LocalClock();
    // The local time of a moment; a moment before the year 100 or after 9999 gives the first
    // or the last second of that range (a list never shows other years).
    CivilTime ToLocal(std::int64_t utcSeconds);

  private:
    // 2^18 seconds, three days. A stretch is taken to hold at most one change of offset: in the
    // history of every zone of the time-zone database (1900 to 2100) two changes lie at least
    // four days apart (the closest: Africa/Freetown, 3.99 days; Europe/Vienna had two in ten
    // days in April 1945), as the test of every zone checks.
    static constexpr int kBlockBits = 18;
    // The blocks of the years 9999 and 100 lie well within 32 bits.
    struct Slot {
        std::int32_t block = INT32_MIN;
        std::uint32_t change = UINT32_MAX;  // first second of `after` in the block; none: max
        std::int32_t before = 0;            // seconds east of UTC before the change
        std::int32_t after = 0;
    };
    bool Fill(Slot& slot, std::int32_t block);
    std::array<Slot, 8192> cache_;  // 68 years, 128 KiB
};

// Splits seconds since 1970 (already shifted to local time) into a civil date and time.
CivilTime CivilFromSeconds(std::int64_t localSeconds);

}  // namespace dirscribe::platform
