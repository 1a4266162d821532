// SPDX-License-Identifier: MIT
// Tests of civil dates and local time: the offset cache must agree with the time-zone rules.
#include <ctime>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

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
    const std::int64_t slotApart = std::int64_t{4096} << 18;
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

// The moments a zone's offset from UTC changes, as its compiled file in the system's time-zone
// database lists them (the 64-bit part of a version 2 or later file); empty when it is none.
std::vector<std::int64_t> OffsetChanges(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 44 || data.compare(0, 4, "TZif") != 0 || data[4] < '2') return {};
    const auto number = [&](std::size_t at, int bytes) {
        std::int64_t value = static_cast<signed char>(data[at]);
        for (int i = 1; i < bytes; ++i)
            value =
                value * 256 + static_cast<unsigned char>(data[at + static_cast<std::size_t>(i)]);
        return value;
    };
    // The header's counts: ut/local, standard/wall, leap seconds, transitions, types, chars.
    const auto counts = [&](std::size_t at) {
        std::vector<std::int64_t> c;
        for (int i = 0; i < 6; ++i)
            c.push_back(number(at + 20 + 4 * static_cast<std::size_t>(i), 4));
        return c;
    };
    auto c = counts(0);
    const std::size_t second =
        44 + static_cast<std::size_t>(c[3] * 5 + c[4] * 6 + c[5] + c[2] * 8 + c[1] + c[0]);
    if (data.size() < second + 44) return {};
    c = counts(second);
    const std::size_t times = second + 44;
    const std::size_t kinds = times + static_cast<std::size_t>(c[3]) * 8;
    const std::size_t types = kinds + static_cast<std::size_t>(c[3]);
    if (data.size() < types + static_cast<std::size_t>(c[4]) * 6) return {};
    std::vector<std::int64_t> changes;
    std::int64_t offset = number(types, 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(c[3]); ++i) {
        const auto type = static_cast<unsigned char>(data[kinds + i]);
        const std::int64_t next = number(types + std::size_t{type} * 6, 4);
        if (next != offset) changes.push_back(number(times + i * 8, 8));
        offset = next;
    }
    return changes;
}

// Every zone of the system's database, at every change of its offset from 1900 to 2100 (and
// the seconds around it) and at random moments in between: the cached clock gives what the
// rules give, also where a zone's clocks changed twice within days.
TEST(LocalClock, AgreesWithTheRulesOfEveryZoneFrom1900To2100) {
    const std::filesystem::path database = "/usr/share/zoneinfo";
    std::ifstream list(database / "tzdata.zi");
    std::vector<std::string> zones;
    for (std::string line; std::getline(list, line);) {
        // "Z Europe/Vienna 1:5:21 - LMT 1893 Ap" and "L Europe/Vienna Europe/Bratislava".
        std::istringstream fields(line);
        std::string kind, first, second;
        fields >> kind >> first >> second;
        if (kind == "Z") zones.push_back(first);
        if (kind == "L") zones.push_back(second);
    }
    if (zones.empty()) GTEST_SKIP() << "no time-zone database in " << database;
    const char* saved = std::getenv("TZ");
    const std::string savedTz = saved != nullptr ? saved : "";
    constexpr std::int64_t kFrom = -2208988800;  // 1900-01-01 00:00 UTC
    constexpr std::int64_t kTo = 4102444800;     // 2100-01-01 00:00 UTC
    std::mt19937_64 random(1945);
    std::uniform_int_distribution<std::int64_t> anyTime(kFrom, kTo);
    std::size_t checked = 0;
    for (const std::string& zone : zones) {
        SCOPED_TRACE(zone);
        setenv("TZ", zone.c_str(), 1);
        tzset();
        LocalClock clock;
        std::vector<std::int64_t> moments;
        for (const std::int64_t change : OffsetChanges(database / zone)) {
            if (change < kFrom || change > kTo) continue;
            for (const std::int64_t around : {-86400, -3601, -1, 0, 1, 3599, 86400})
                moments.push_back(change + around);
        }
        for (int i = 0; i < 400; ++i) moments.push_back(anyTime(random));
        // In one order and then another, so that each moment finds its stretch both new and
        // remembered.
        for (int pass = 0; pass < 2; ++pass) {
            for (const std::int64_t t : moments) {
                ASSERT_EQ(Rules(t), Text(clock.ToLocal(t))) << t;
                ++checked;
            }
            std::shuffle(moments.begin(), moments.end(), random);
        }
    }
    if (saved != nullptr) {
        setenv("TZ", savedTz.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
    EXPECT_GT(checked, 100000u);
}

}  // namespace
}  // namespace dirscribe::platform
