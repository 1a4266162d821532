// SPDX-License-Identifier: MIT
// Tests of regional settings: strftime formats as patterns, and the C locale as US English.
#include "platform/linux/RegionalLinux.h"

#include <locale.h>

#include <gtest/gtest.h>

#include "RegionalText.h"

#include <string>

namespace dirscribe::platform {
namespace {

using test::Describe;

using linuxos::PatternFromStrftime;

TEST(RegionalSettings, StrftimeFormatsBecomePatterns) {
    const std::pair<const char*, const char*> cases[] = {
        {"%m/%d/%Y", "{M2}[/]{d2}[/]{y4}"},
        {"%d.%m.%Y", "{d2}[.]{M2}[.]{y4}"},
        {"%r", "{h2}[:]{m2}[:]{s2}[ ]{t}"},
        {"%H:%M:%S", "{H2}[:]{m2}[:]{s2}"},
        {"%e %b %Y", "{d2_}[ ]{MMM}[ ]{y4}"},
        {"%-d.%-m.%y", "{d}[.]{M}[.]{y2}"},
        {"%Ey %OH:%k:%l %P", "{y2}[ ]{H2}[:]{H2_}[:]{h2_}[ ]{t}"},
        {"%T|%R|%D|%F",
         "{H2}[:]{m2}[:]{s2}[|]{H2}[:]{m2}[|]{M2}[/]{d2}[/]{y2}[|]{y4}[-]{M2}[-]{d2}"},
        {"%A, %B %_d", "{dddd}[, ]{MMMM}[ ]{d2_}"},
        {"%a%h", "{ddd}{MMM}"},
        {"%c %Z %%d%n%t%", "[%c %Z %d \t%]"},
        {"", ""},
    };
    for (const auto& [format, expected] : cases) {
        EXPECT_EQ(expected, Describe(PatternFromStrftime(format))) << format;
    }
    // %r follows the locale's own 12-hour format, and cannot name itself.
    EXPECT_EQ("{h2_}[.]{m2}[ ]{t}", Describe(PatternFromStrftime("%r", "%l.%M %p")));
    EXPECT_EQ("[%r]", Describe(PatternFromStrftime("%r", "%r")));
}

void ExpectUnitedStates(const RegionalSettings& settings) {
    const RegionalSettings us = RegionalSettings::UnitedStates();
    EXPECT_EQ("{M}[/]{d}[/]{y4}", Describe(settings.shortDate));
    EXPECT_EQ("{h}[:]{m2}[:]{s2}[ ]{t}", Describe(settings.longTime));
    EXPECT_EQ(",", settings.thousandsSeparator);
    EXPECT_EQ("AM", settings.am);
    EXPECT_EQ("PM", settings.pm);
    EXPECT_EQ(us.monthAbbrev, settings.monthAbbrev);
    EXPECT_EQ("September", settings.monthName[8]);
    EXPECT_EQ("Sun", settings.dayAbbrev[0]);
    EXPECT_EQ("Saturday", settings.dayName[6]);
}

TEST(RegionalSettings, PlainLocalesCountAsUnitedStates) {
    ExpectUnitedStates(RegionalSettings::UnitedStates());
    const std::string saved = setlocale(LC_ALL, nullptr);
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        if (setlocale(LC_ALL, name) == nullptr) continue;
        SCOPED_TRACE(name);
        ExpectUnitedStates(CurrentRegionalSettings());
    }
    setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace dirscribe::platform
