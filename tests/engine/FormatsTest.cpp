// SPDX-License-Identifier: MIT
// The field texts of a file line: quoting, base names, padding, sizes and time stamps.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/Utf8.h"
#include "engine/ListFormats.h"

namespace dirscribe {
namespace {

// A number below 100 in two characters, the tens filled with `pad`.
std::string Two(int value, char pad = '0') {
    return {value >= 10 ? static_cast<char>('0' + value / 10) : pad,
            static_cast<char>('0' + value % 10)};
}

TEST(QuoteField, WrapsAndDoublesInnerQuotes) {
    EXPECT_EQ(QuoteField("Path"), "\"Path\"");
    EXPECT_EQ(QuoteField(""), "\"\"");
    EXPECT_EQ(QuoteField("a,b & <c>"), "\"a,b & <c>\"");
    // A quote inside would end the field early for every CSV reader.
    EXPECT_EQ(QuoteField("say \"hi\""), "\"say \"\"hi\"\"\"");
}

TEST(AppendHtml, EscapesOnlyMarkupCharacters) {
    std::string out;
    AppendHtml(out, "R&B <live> \"x\" 'y'");
    EXPECT_EQ(out, "R&amp;B &lt;live&gt; \"x\" 'y'");
}

TEST(BaseName, DropsTheLastDotAndWhatFollows) {
    EXPECT_EQ(BaseName("intro.mp3"), "intro");
    EXPECT_EQ(BaseName("a.b.c"), "a.b");
    EXPECT_EQ(BaseName("README"), "README");
    EXPECT_EQ(BaseName(".profile"), "");
    EXPECT_EQ(BaseName("trailing."), "trailing");
}

TEST(PaddedName, FillsOrCutsToSixtyFiveCharacters) {
    std::string out;
    AppendPaddedName(out, "intro.mp3");
    EXPECT_EQ(out, "intro.mp3" + std::string(56, ' '));

    const std::string sixtyFive(65, 'x');
    out.clear();
    AppendPaddedName(out, sixtyFive);
    EXPECT_EQ(out, sixtyFive);

    out.clear();
    AppendPaddedName(out, std::string(64, 'a') + "bcdef");
    EXPECT_EQ(out, std::string(64, 'a') + "b");
}

TEST(PaddedName, CountsCharactersNotBytes) {
    // "é" is two bytes; 70 of them are cut to 65 characters, never inside one.
    std::string name;
    for (int i = 0; i < 70; ++i) name += "\xC3\xA9";
    std::string out;
    AppendPaddedName(out, name);
    EXPECT_EQ(out.size(), 130u);
    EXPECT_EQ(CharacterCount(out), 65u);

    out.clear();
    AppendPaddedName(out, "caf\xC3\xA9");  // four characters, five bytes
    EXPECT_EQ(CharacterCount(out), 65u);
    EXPECT_EQ(out.size(), 66u);

    // A byte that is not UTF-8 counts as one character and is kept.
    out.clear();
    AppendPaddedName(out,
                     "a\xFF"
                     "b");
    EXPECT_EQ(out,
              "a\xFF"
              "b" +
                  std::string(62, ' '));
}

class FieldFormatterTest : public ::testing::Test {
  protected:
    FieldFormatter us{platform::RegionalSettings::UnitedStates()};
};

TEST_F(FieldFormatterTest, SizeTextIsGroupedAndSixteenWide) {
    auto size = [&](std::int64_t n) {
        std::string out;
        us.AppendSizeText(out, n);
        return out;
    };
    EXPECT_EQ(size(0), std::string(15, ' ') + "0");
    EXPECT_EQ(size(999), std::string(13, ' ') + "999");
    EXPECT_EQ(size(1000), std::string(11, ' ') + "1,000");
    EXPECT_EQ(size(4123456), "       4,123,456");
    EXPECT_EQ(size(2147483647), "   2,147,483,647");
    // 64-bit sizes: 5 GiB shows its true size.
    EXPECT_EQ(size(5368709120), "   5,368,709,120");
    // Wider than sixteen: written whole.
    EXPECT_EQ(size(9223372036854775807), "9,223,372,036,854,775,807");
}

TEST(FieldFormatter, SizeTextCountsSeparatorCharacters) {
    auto settings = platform::RegionalSettings::UnitedStates();
    settings.thousandsSeparator = "\xE2\x80\xAF";  // narrow no-break space, three bytes
    FieldFormatter f(settings);
    std::string out;
    f.AppendSizeText(out, 1234567);
    EXPECT_EQ(CharacterCount(out), 16u);
    EXPECT_EQ(out,
              "       1\xE2\x80\xAF"
              "234\xE2\x80\xAF"
              "567");

    settings.thousandsSeparator.clear();
    FieldFormatter none(settings);
    out.clear();
    none.AppendSizeText(out, 1234567);
    EXPECT_EQ(out, "         1234567");
}

TEST_F(FieldFormatterTest, TimeStampDropsExactMidnight) {
    auto stamp = [&](int y, int mo, int d, int h, int mi, int s) {
        std::string out;
        us.AppendTimeStamp(out, platform::CivilTime{y, mo, d, h, mi, s, 0});
        return out;
    };
    EXPECT_EQ(stamp(2003, 5, 17, 21, 41, 7), "5/17/2003 9:41:07 PM");
    EXPECT_EQ(stamp(2004, 1, 2, 8, 5, 0), "1/2/2004 8:05:00 AM");
    EXPECT_EQ(stamp(2004, 3, 9, 0, 0, 0), "3/9/2004");
    EXPECT_EQ(stamp(2004, 3, 9, 0, 0, 1), "3/9/2004 12:00:01 AM");
    EXPECT_EQ(stamp(2004, 3, 9, 12, 0, 0), "3/9/2004 12:00:00 PM");
    EXPECT_EQ(stamp(1999, 12, 31, 23, 59, 59), "12/31/1999 11:59:59 PM");
}

TEST_F(FieldFormatterTest, DatesWrittenBeforeAreWrittenAgainTheSame) {
    auto stamp = [&](const FieldFormatter& f, int y, int mo, int d, int weekday) {
        std::string out;
        f.AppendTimeStamp(out, platform::CivilTime{y, mo, d, 21, 41, 7, weekday});
        return out;
    };
    // 1/1/2000 and 1/17/2044 (given the same weekday) are kept in the same place; two
    // weekdays of one date are told apart (a pattern with the day's name shows them); a copy
    // starts afresh.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(stamp(us, 2000, 1, 1, 2), "1/1/2000 9:41:07 PM");
        EXPECT_EQ(stamp(us, 2044, 1, 17, 2), "1/17/2044 9:41:07 PM");
    }
    auto settings = platform::RegionalSettings::UnitedStates();
    using Kind = platform::DateTimeToken::Kind;
    settings.shortDate = {{Kind::DayAbbrev, 1, '0', {}}};
    FieldFormatter named(settings);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(stamp(named, 2003, 5, 7, 3), "Wed 9:41:07 PM");
        EXPECT_EQ(stamp(named, 2003, 5, 7, 4), "Thu 9:41:07 PM");
    }
    // A date pattern that shows the hour is not kept by the day.
    settings.shortDate = {
        {Kind::Day, 1, '0', {}}, {Kind::Literal, 1, '0', "h"}, {Kind::Hour24, 1, '0', {}}};
    FieldFormatter hourly(settings);
    std::string out;
    hourly.AppendTimeStamp(out, platform::CivilTime{2003, 5, 7, 21, 41, 7, 3});
    hourly.AppendTimeStamp(out, platform::CivilTime{2003, 5, 7, 8, 41, 7, 3});
    EXPECT_EQ(out, "7h21 9:41:07 PM7h8 8:41:07 AM");
    FieldFormatter copy = named;
    copy = us;
    EXPECT_EQ(stamp(copy, 2003, 5, 7, 3), "5/7/2003 9:41:07 PM");
    // Beyond the dates a list shows: written through the pattern every time.
    EXPECT_EQ(stamp(us, 0, 5, 7, 3), "5/7/0000 9:41:07 PM");
}

TEST_F(FieldFormatterTest, FileTimesBeyondTheYears100To9999ShowTheNearestEnd) {
    // Local times in New York (the tests' time zone).
    platform::LocalClock clock;
    auto stamp = [&](std::int64_t utc) {
        std::string out;
        us.AppendTimeStamp(out, clock.ToLocal(utc));
        return out;
    };
    const std::int64_t year100 = -59011459200;  // 0100-01-01 00:00:00 UTC
    const std::int64_t year10000 = 253402300800;
    EXPECT_EQ(stamp(0), "12/31/1969 7:00:00 PM");
    EXPECT_EQ(stamp(INT64_MIN), "1/1/0100");
    EXPECT_EQ(stamp(year100 - 86400LL * 366 * 200), "1/1/0100");
    EXPECT_EQ(stamp(year100), "1/1/0100");  // still the year 99 in New York
    EXPECT_EQ(stamp(year10000 - 86400), "12/30/9999 7:00:00 PM");
    EXPECT_EQ(stamp(year10000 + 86400LL * 366 * 50), "12/31/9999 11:59:59 PM");
    EXPECT_EQ(stamp(INT64_MAX), "12/31/9999 11:59:59 PM");
}

TEST(FieldFormatter, TimeStampFollowsOtherPatterns) {
    using Kind = platform::DateTimeToken::Kind;
    auto settings = platform::RegionalSettings::UnitedStates();
    settings.shortDate = {{Kind::Day, 2, '0', {}},
                          {Kind::Literal, 1, '0', "."},
                          {Kind::Month, 2, '0', {}},
                          {Kind::Literal, 1, '0', "."},
                          {Kind::Year, 4, '0', {}}};
    settings.longTime = {{Kind::Hour24, 2, '0', {}},
                         {Kind::Literal, 1, '0', ":"},
                         {Kind::Minute, 2, '0', {}},
                         {Kind::Literal, 1, '0', ":"},
                         {Kind::Second, 2, '0', {}}};
    FieldFormatter de(settings);
    std::string out;
    de.AppendTimeStamp(out, platform::CivilTime{2003, 5, 7, 21, 1, 7, 3});
    EXPECT_EQ(out, "07.05.2003 21:01:07");

    settings.shortDate = {{Kind::DayAbbrev, 1, '0', {}}, {Kind::Literal, 1, '0', " "},
                          {Kind::Day, 2, ' ', {}},       {Kind::Literal, 1, '0', " "},
                          {Kind::MonthName, 1, '0', {}}, {Kind::Literal, 1, '0', " "},
                          {Kind::Year, 2, '0', {}}};
    FieldFormatter named(settings);
    out.clear();
    named.AppendTimeStamp(out, platform::CivilTime{2003, 5, 7, 0, 0, 0, 3});
    EXPECT_EQ(out, "Wed  7 May 03");
}

TEST(FieldFormatter, EverySecondOfTheDayIsWrittenAsItsPatternSays) {
    // The patterns whose minutes and seconds always have two digits are written from a text
    // per hour; the others token by token. Both against the same rule, for every second.
    using Kind = platform::DateTimeToken::Kind;
    using Pattern = platform::DateTimePattern;
    const auto hour12 = [](int h) { return h % 12 == 0 ? 12 : h % 12; };
    const struct {
        Pattern longTime;
        std::function<std::string(int, int, int)> expected;
    } cases[] = {
        {platform::RegionalSettings::UnitedStates().longTime,
         [&](int h, int m, int s) {
             return std::to_string(hour12(h)) + ":" + Two(m) + ":" + Two(s) +
                    (h < 12 ? " AM" : " PM");
         }},
        {{{Kind::Hour24, 2, '0', {}},
          {Kind::Literal, 1, '0', ":"},
          {Kind::Minute, 2, '0', {}},
          {Kind::Literal, 1, '0', ":"},
          {Kind::Second, 2, '0', {}}},
         [](int h, int m, int s) { return Two(h) + ":" + Two(m) + ":" + Two(s); }},
        {{{Kind::AmPm, 1, '0', {}},
          {Kind::Hour12, 2, ' ', {}},
          {Kind::Literal, 1, '0', "h"},
          {Kind::Minute, 2, ' ', {}}},
         [&](int h, int m, int) {
             return (h < 12 ? "AM" : "PM") + Two(hour12(h), ' ') + "h" + Two(m, ' ');
         }},
        {{{Kind::Hour24, 1, '0', {}}, {Kind::Literal, 1, '0', "."}, {Kind::Minute, 1, '0', {}}},
         [](int h, int m, int) { return std::to_string(h) + "." + std::to_string(m); }},
    };
    for (const auto& c : cases) {
        auto settings = platform::RegionalSettings::UnitedStates();
        settings.longTime = c.longTime;
        const FieldFormatter f(settings);
        std::string out;
        for (int second = 1; second < 86400; ++second) {
            const int h = second / 3600, m = second / 60 % 60, s = second % 60;
            out.clear();
            f.AppendTimeStamp(out, platform::CivilTime{2003, 5, 7, h, m, s, 3});
            ASSERT_EQ(out, "5/7/2003 " + c.expected(h, m, s)) << h << ":" << m << ":" << s;
        }
    }
}

TEST(FieldFormatter, LongAndWideTimeStampsAreWrittenWhole) {
    // Texts longer than any locale's, wide numbers and a year of five digits; the sanitizer
    // build sees a stamp that outgrows the room made for it.
    using Kind = platform::DateTimeToken::Kind;
    auto settings = platform::RegionalSettings::UnitedStates();
    const std::string era(300, '~');
    settings.shortDate = {{Kind::Literal, 1, '0', era},
                          {Kind::Year, 6, ' ', {}},
                          {Kind::Literal, 1, '0', "-"},
                          {Kind::Day, 3, '0', {}}};
    FieldFormatter f(settings);
    std::string out = "|";
    f.AppendTimeStamp(out, platform::CivilTime{12345, 5, 7, 21, 1, 7, 3});
    EXPECT_EQ(out, "|" + era + " 12345-007 9:01:07 PM");

    // A name alone beyond the usual room.
    const std::string may(400, 'M');
    settings.shortDate = {{Kind::MonthName, 1, '0', {}}, {Kind::DayName, 1, '0', {}}};
    settings.monthName[4] = may;
    settings.pm = std::string(100, 'P');
    FieldFormatter named(settings);
    out.clear();
    named.AppendTimeStamp(out, platform::CivilTime{2003, 5, 7, 21, 1, 7, 3});
    EXPECT_EQ(out, may + "Wednesday 9:01:07 " + settings.pm);
}

TEST(DialogFilter, FollowsTheFormatFamily) {
    EXPECT_EQ(DialogFilter(ListFormat::Text), "Text Files (*.txt)|*.txt");
    EXPECT_EQ(DialogFilter(ListFormat::TextNames), "Text Files (*.txt)|*.txt");
    EXPECT_EQ(DialogFilter(ListFormat::CsvNames), "Comma Separated Value Files (*.csv)|*.csv");
    EXPECT_EQ(DialogFilter(ListFormat::Csv), "Comma Separated Value Files (*.csv)|*.csv");
    EXPECT_EQ(DialogFilter(ListFormat::HtmlNames), "HTML Files (*.htm)|*.htm");
    EXPECT_EQ(DialogFilter(ListFormat::Html), "HTML Files (*.htm)|*.htm");
}

}  // namespace
}  // namespace dirscribe
