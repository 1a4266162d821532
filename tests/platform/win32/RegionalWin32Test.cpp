// SPDX-License-Identifier: MIT
// Tests of the Windows regional settings: pictures as patterns, and the user's settings as
// Wine's default United States English gives them, formatted by the program itself.
#include <windows.h>

#include <gtest/gtest.h>

#include "RegionalText.h"

#include "engine/ListFormats.h"
#include "platform/Regional.h"
#include "platform/win32/RegionalWin32.h"

namespace dirscribe::platform {
namespace {

using test::Describe;

TEST(RegionalWin32, PicturesBecomePatterns) {
    const std::pair<const char*, const char*> cases[] = {
        {"M/d/yyyy", "{M}[/]{d}[/]{y4}"},
        {"dd.MM.yyyy", "{d2}[.]{M2}[.]{y4}"},
        {"h:mm:ss tt", "{h}[:]{m2}[:]{s2}[ ]{t2}"},
        {"HH:mm:ss", "{H2}[:]{m2}[:]{s2}"},
        {"H.mm't'", "{H}[.]{m2}[t]"},
        {"yy-M-d", "{y2}[-]{M}[-]{d}"},
        {"y yyy yyyyy", "{y2}[ ]{y4}[ ]{y4}"},
        {"ddd, MMM d", "{ddd}[, ]{MMM}[ ]{d}"},
        {"dddd, MMMM dd", "{dddd}[, ]{MMMM}[ ]{d2}"},
        {"tt h:mm", "{t2}[ ]{h}[:]{m2}"},
        {"h:mm t", "{h}[:]{m2}[ ]{t}"},
        {"gg yyyy", "[ ]{y4}"},
        {"H 'h' mm 'min' ss 's'", "{H}[ h ]{m2}[ min ]{s2}[ s]"},
        {"'o''clock' H", "[o'clock ]{H}"},
        {"H''mm", "{H}[']{m2}"},
        {"yyyy\xE5\xB9\xB4M\xE6\x9C\x88"
         "d\xE6\x97\xA5",
         "{y4}[\xE5\xB9\xB4]{M}[\xE6\x9C\x88]{d}[\xE6\x97\xA5]"},
        {"'unclosed", "[unclosed]"},
        {"", ""},
    };
    for (const auto& [picture, expected] : cases) {
        EXPECT_EQ(expected, Describe(win32::PatternFromPicture(picture))) << picture;
    }
}

TEST(RegionalWin32, UnitedStatesEnglishDatesTimesAndSizes) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
    ASSERT_EQ(std::wstring(L"en-US"), name) << "the tests run with United States English";

    const FieldFormatter formatter(CurrentRegionalSettings());
    const auto stamp = [&](CivilTime time) {
        std::string out;
        formatter.AppendTimeStamp(out, time);
        return out;
    };
    EXPECT_EQ("5/17/2003 9:41:07 PM", stamp({2003, 5, 17, 21, 41, 7, 6}));
    EXPECT_EQ("3/9/2004", stamp({2004, 3, 9, 0, 0, 0, 2}));
    EXPECT_EQ("1/2/2004 8:05:00 AM", stamp({2004, 1, 2, 8, 5, 0, 5}));
    EXPECT_EQ("12/31/1999 12:00:01 AM", stamp({1999, 12, 31, 0, 0, 1, 5}));
    EXPECT_EQ("7/4/2021 12:30:00 PM", stamp({2021, 7, 4, 12, 30, 0, 0}));

    // Digits are grouped by the program, by threes, never by GetNumberFormatEx.
    const auto size = [&](std::int64_t bytes) {
        std::string out;
        formatter.AppendSizeText(out, bytes);
        return out;
    };
    EXPECT_EQ("       4,123,456", size(4123456));
    EXPECT_EQ("      10,250,000", size(10250000));
    EXPECT_EQ("               0", size(0));
    EXPECT_EQ("   1,234,567,890", size(1234567890));
    EXPECT_EQ("5,497,558,138,880", size(std::int64_t{5} << 40));

    const RegionalSettings settings = CurrentRegionalSettings();
    EXPECT_EQ("September", settings.monthName[8]);
    EXPECT_EQ("Sep", settings.monthAbbrev[8]);
    EXPECT_EQ("Sunday", settings.dayName[0]);
    EXPECT_EQ("Sat", settings.dayAbbrev[6]);
    EXPECT_EQ("AM", settings.am);
    EXPECT_EQ("PM", settings.pm);
}

}  // namespace
}  // namespace dirscribe::platform
