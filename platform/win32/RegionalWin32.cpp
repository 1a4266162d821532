// SPDX-License-Identifier: MIT
// RegionalWin32: regional settings from GetLocaleInfoEx for the user's default locale. Digits
// are grouped by the program's own formatter, never by GetNumberFormatEx.
#include "platform/win32/RegionalWin32.h"

#include <windows.h>

#include "base/Utf8.h"
#include "platform/win32/WinText.h"

namespace dirscribe::platform {

namespace win32 {

namespace {

using Kind = DateTimeToken::Kind;

// The user's value of a locale item, in UTF-8; empty when there is none.
std::string LocaleText(LCTYPE item) {
    wchar_t buffer[128] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, buffer, 128);
    if (length <= 1) return {};
    return Utf8(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

// The first character of a UTF-8 text.
std::string FirstCharacter(const std::string& text) {
    return text.substr(0, LeadingCharacters(text, 1));
}

}  // namespace

DateTimePattern PatternFromPicture(std::string_view picture) {
    DateTimePattern pattern;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            // Quoted text runs to the next lone quote; a doubled quote is one quote.
            ++i;
            if (i < picture.size() && picture[i] == '\'') {
                AppendLiteral(pattern, "'");
                ++i;
                continue;
            }
            while (i < picture.size()) {
                if (picture[i] != '\'') {
                    AppendLiteral(pattern, picture.substr(i, 1));
                    ++i;
                } else if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                    AppendLiteral(pattern, "'");
                    i += 2;
                } else {
                    ++i;
                    break;
                }
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        const int count = static_cast<int>(run);
        switch (c) {
            case 'd':
                if (count <= 2) {
                    AppendField(pattern, Kind::Day, count);
                } else {
                    AppendField(pattern, count == 3 ? Kind::DayAbbrev : Kind::DayName, 1);
                }
                break;
            case 'M':
                if (count <= 2) {
                    AppendField(pattern, Kind::Month, count);
                } else {
                    AppendField(pattern, count == 3 ? Kind::MonthAbbrev : Kind::MonthName, 1);
                }
                break;
            case 'y':
                AppendField(pattern, Kind::Year, count <= 2 ? 2 : 4);
                break;
            case 'h':
                AppendField(pattern, Kind::Hour12, count == 1 ? 1 : 2);
                break;
            case 'H':
                AppendField(pattern, Kind::Hour24, count == 1 ? 1 : 2);
                break;
            case 'm':
                AppendField(pattern, Kind::Minute, count == 1 ? 1 : 2);
                break;
            case 's':
                AppendField(pattern, Kind::Second, count == 1 ? 1 : 2);
                break;
            case 't':
                AppendField(pattern, Kind::AmPm, count == 1 ? 1 : 2);
                break;
            case 'g':
                break;
            default:
                AppendLiteral(pattern, picture.substr(i, run));
                break;
        }
        i += run;
    }
    return pattern;
}

}  // namespace win32

RegionalSettings CurrentRegionalSettings() {
    RegionalSettings settings = RegionalSettings::UnitedStates();
    if (const std::string date = win32::LocaleText(LOCALE_SSHORTDATE); !date.empty()) {
        settings.shortDate = win32::PatternFromPicture(date);
    }
    if (const std::string time = win32::LocaleText(LOCALE_STIMEFORMAT); !time.empty()) {
        settings.longTime = win32::PatternFromPicture(time);
    }
    // The separator may be empty: some users want no grouping mark at all.
    settings.thousandsSeparator = win32::LocaleText(LOCALE_STHOUSAND);
    settings.am = win32::LocaleText(LOCALE_S1159);
    settings.pm = win32::LocaleText(LOCALE_S2359);
    for (int i = 0; i < 12; ++i) {
        const auto month = static_cast<std::size_t>(i);
        std::string name = win32::LocaleText(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i));
        if (!name.empty()) settings.monthName[month] = std::move(name);
        name = win32::LocaleText(static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i));
        if (!name.empty()) settings.monthAbbrev[month] = std::move(name);
    }
    // Windows counts the days from Monday, the program from Sunday.
    for (int i = 0; i < 7; ++i) {
        const auto day = static_cast<std::size_t>((i + 1) % 7);
        std::string name = win32::LocaleText(static_cast<LCTYPE>(LOCALE_SDAYNAME1 + i));
        if (!name.empty()) settings.dayName[day] = std::move(name);
        name = win32::LocaleText(static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + i));
        if (!name.empty()) settings.dayAbbrev[day] = std::move(name);
    }
    // A time picture with "t" but no "tt" shows the designator's first character.
    bool shortDesignator = false;
    bool longDesignator = false;
    for (const auto& token : settings.longTime) {
        if (token.kind != DateTimeToken::Kind::AmPm) continue;
        (token.width == 1 ? shortDesignator : longDesignator) = true;
    }
    if (shortDesignator && !longDesignator) {
        settings.am = win32::FirstCharacter(settings.am);
        settings.pm = win32::FirstCharacter(settings.pm);
    }
    return settings;
}

}  // namespace dirscribe::platform
