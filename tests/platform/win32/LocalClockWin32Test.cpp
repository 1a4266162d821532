// SPDX-License-Identifier: MIT
// Tests of local time on Windows: moments of the New York zone the tests run in (Wine takes
// its zone from TZ), daylight saving time and its changes included. The offset cache itself is
// tested against the rules on POSIX systems.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "RegionalText.h"
#include "platform/Regional.h"

namespace dirscribe::platform {
namespace {

using test::Text;

TEST(LocalClockWin32, TheTestsRunInTheNewYorkZone) {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    ASSERT_NE(TIME_ZONE_ID_INVALID, GetDynamicTimeZoneInformation(&zone));
    EXPECT_EQ(std::wstring(L"Eastern Standard Time"), zone.TimeZoneKeyName);
    EXPECT_EQ(300, zone.Bias);
}

TEST(LocalClockWin32, KnownMomentsOfTheNewYorkZone) {
    LocalClock clock;
    EXPECT_EQ("2003-05-17 21:41:07 w6", Text(clock.ToLocal(1053222067)));  // daylight time
    EXPECT_EQ("2004-03-09 00:00:00 w2", Text(clock.ToLocal(1078808400)));  // standard time
    EXPECT_EQ("1969-12-31 19:00:00 w3", Text(clock.ToLocal(0)));
    // 2021-11-07: 1:30 comes twice; 2021-03-14: 2:00 to 2:59 never comes.
    EXPECT_EQ("2021-11-07 01:30:00 w0", Text(clock.ToLocal(1636263000)));
    EXPECT_EQ("2021-11-07 01:30:00 w0", Text(clock.ToLocal(1636266600)));
    EXPECT_EQ("2021-03-14 01:59:59 w0", Text(clock.ToLocal(1615705199)));
    EXPECT_EQ("2021-03-14 03:00:00 w0", Text(clock.ToLocal(1615705200)));
    // Before FILETIME's first year the offset is unknown: the time stays in UTC.
    EXPECT_EQ("1600-01-01 00:00:00 w6", Text(clock.ToLocal(-11'676'096'000)));
}

}  // namespace
}  // namespace dirscribe::platform
