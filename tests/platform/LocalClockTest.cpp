// SPDX-License-Identifier: MIT
// Tests of civil dates and local time: the offset cache must agree with the time-zone rules.
#include <ctime>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "RegionalText.h"
#include "platform/Regional.h"

namespace dirscribe::platform {
namespace {

using test::Text;

std::string FromTm(const std::tm& tm) {
    return Text(CivilTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec, tm.tm_wday});
}

std::string Rules(std::int64_t utc) {
    const auto time = static_cast<std::time_t>(utc);
    std::tm tm{};
    localtime_r(&time, &tm);
    return FromTm(tm);
}

long OffsetAt(std::int64_t utc) {
    const auto time = static_cast<std::time_t>(utc);
    std::tm tm{};
    localtime_r(&time, &tm);
    return tm.tm_gmtoff;
}

TEST(LocalClock, CivilFromSecondsAgreesWithUtcCalendar) {
    EXPECT_EQ("1970-01-01 00:00:00 w4", Text(CivilFromSeconds(0)));
    EXPECT_EQ("1969-12-31 23:59:59 w3", Text(CivilFromSeconds(-1)));
    EXPECT_EQ("2000-02-29 00:00:00 w2", Text(CivilFromSeconds(951782400)));
    EXPECT_EQ("1-01-01 00:00:00 w1", Text(CivilFromSeconds(-62135596800)));
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::int64_t> anyTime(-12'000'000'000, 12'000'000'000);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t t = anyTime(random);
        const auto time = static_cast<std::time_t>(t);
        std::tm tm{};
        gmtime_r(&time, &tm);
        ASSERT_EQ(FromTm(tm), Text(CivilFromSeconds(t))) << t;
    }
}

TEST(LocalClock, AgreesWithTheRulesAcrossClockChanges) {
    tzset();
    // 2021-07-01 and 2021-01-01, 12:00 UTC: daylight and standard time in New York.
    ASSERT_EQ(-4 * 3600, OffsetAt(1625140800)) << "the test needs TZ=America/New_York";
    ASSERT_EQ(-5 * 3600, OffsetAt(1609502400));

    LocalClock clock;
    const std::int64_t from = 1041379200;  // 2003-01-01 00:00 UTC
    const std::int64_t to = 1798761600;    // 2027-01-01 00:00 UTC
    int changes = 0;
    for (std::int64_t t = from; t < to; t += 3600) {
        ASSERT_EQ(Rules(t), Text(clock.ToLocal(t))) << t;
        if (OffsetAt(t) == OffsetAt(t + 3600)) continue;
        ++changes;
        // Every second of the hours around the change (it falls within the next hour), with the
        // day's slot both empty and filled.
        LocalClock fresh;
        for (std::int64_t s = t - 3600; s <= t + 7200; ++s) {
            ASSERT_EQ(Rules(s), Text(fresh.ToLocal(s))) << s;
            ASSERT_EQ(Rules(s), Text(clock.ToLocal(s))) << s;
        }
    }
    EXPECT_EQ(48, changes);  // two a year, 2003 to 2026

    // 2021-11-07: 1:30 comes twice; 2021-03-14: 2:00 to 2:59 never comes.
    EXPECT_EQ("2021-11-07 01:30:00 w0", Text(clock.ToLocal(1636263000)));
    EXPECT_EQ("2021-11-07 01:30:00 w0", Text(clock.ToLocal(1636266600)));
    EXPECT_EQ("2021-03-14 01:59:59 w0", Text(clock.ToLocal(1615705199)));
    EXPECT_EQ("2021-03-14 03:00:00 w0", Text(clock.ToLocal(1615705200)));
}

TEST(LocalClock, AgreesWithTheRulesBefore1970AndAcrossCacheSlots) {
    LocalClock clock;
    // Stretches 4096 apart share a slot; alternating between them must not mix their offsets.
    const std::int64_t slotApart = std::int64_t{4096} << 20;
    for (std::int64_t t = -1'000'000'000; t < 0; t += 6037) {
        ASSERT_EQ(Rules(t), Text(clock.ToLocal(t))) << t;
        ASSERT_EQ(Rules(t + slotApart), Text(clock.ToLocal(t + slotApart))) << t + slotApart;
    }
    std::mt19937_64 random(11);
    std::uniform_int_distribution<std::int64_t> anyTime(-2'000'000'000, 4'000'000'000);
    for (int i = 0; i < 100000; ++i) {
        const std::int64_t t = anyTime(random);
        ASSERT_EQ(Rules(t), Text(clock.ToLocal(t))) << t;
    }
}

}  // namespace
}  // namespace dirscribe::platform
