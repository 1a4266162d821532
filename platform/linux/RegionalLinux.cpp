// SPDX-License-Identifier: MIT
// RegionalPosix: regional settings from the LC_TIME and LC_NUMERIC locales.
#include "platform/linux/RegionalLinux.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

namespace dirscribe::platform {

namespace {

using Kind = DateTimeToken::Kind;

// `expandAmPm` is false inside %r's own expansion, so that a format naming itself ends.
void Translate(std::string_view format, std::string_view ampmFormat, bool expandAmPm,
               DateTimePattern& out) {
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            std::size_t next = format.find('%', i);
            if (next == std::string_view::npos) next = format.size();
            AppendLiteral(out, format.substr(i, next - i));
            i = next;
            continue;
        }
        const std::size_t start = i++;
        char flag = 0;
        while (i < format.size() && std::strchr("-_0^#", format[i]) != nullptr) {
            if (format[i] != '^' && format[i] != '#') flag = format[i];  // case flags do not apply
            ++i;
        }
        int width = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
            if (width < 100) width = width * 10 + (format[i] - '0');
            ++i;
        }
        while (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
        if (i >= format.size()) {
            AppendLiteral(out, format.substr(start));
            break;
        }
        const char conversion = format[i++];
        const auto number = [&](Kind kind, int naturalWidth, char naturalPad) {
            int tokenWidth = naturalWidth;
            char pad = naturalPad;
            if (flag == '-') tokenWidth = 1;
            if (flag == '_') pad = ' ';
            if (flag == '0') pad = '0';
            if (width > 0) tokenWidth = width;
            AppendField(out, kind, tokenWidth, pad);
        };
        switch (conversion) {
            case 'd':
                number(Kind::Day, 2, '0');
                break;
            case 'e':
                number(Kind::Day, 2, ' ');
                break;
            case 'm':
                number(Kind::Month, 2, '0');
                break;
            case 'y':
                number(Kind::Year, 2, '0');
                break;
            case 'Y':
                number(Kind::Year, 4, '0');
                break;
            case 'H':
                number(Kind::Hour24, 2, '0');
                break;
            case 'I':
                number(Kind::Hour12, 2, '0');
                break;
            case 'k':
                number(Kind::Hour24, 2, ' ');
                break;
            case 'l':
                number(Kind::Hour12, 2, ' ');
                break;
            case 'M':
                number(Kind::Minute, 2, '0');
                break;
            case 'S':
                number(Kind::Second, 2, '0');
                break;
            // The settings hold one form of the designators; %P's lower case is not kept.
            case 'p':
            case 'P':
                AppendField(out, Kind::AmPm);
                break;
            case 'b':
            case 'h':
                AppendField(out, Kind::MonthAbbrev);
                break;
            case 'B':
                AppendField(out, Kind::MonthName);
                break;
            case 'a':
                AppendField(out, Kind::DayAbbrev);
                break;
            case 'A':
                AppendField(out, Kind::DayName);
                break;
            case 'r':
                if (expandAmPm) {
                    Translate(ampmFormat, ampmFormat, false, out);
                } else {
                    AppendLiteral(out, format.substr(start, i - start));
                }
                break;
            case 'R':
                Translate("%H:%M", ampmFormat, false, out);
                break;
            case 'T':
                Translate("%H:%M:%S", ampmFormat, false, out);
                break;
            case 'D':
                Translate("%m/%d/%y", ampmFormat, false, out);
                break;
            case 'F':
                Translate("%Y-%m-%d", ampmFormat, false, out);
                break;
            case 'n':
                AppendLiteral(out, " ");
                break;
            case 't':
                AppendLiteral(out, "\t");
                break;
            case '%':
                AppendLiteral(out, "%");
                break;
            default:
                AppendLiteral(out, format.substr(start, i - start));
                break;
        }
    }
}

// The C, POSIX and C.UTF-8 locales carry no regional conventions of their own; the program
// takes them for United States English.
bool IsPlainLocale(const char* name) {
    if (name == nullptr) return true;
    const std::string_view text(name);
    return text == "C" || text == "POSIX" || text == "C.UTF-8" || text == "C.utf8";
}

}  // namespace

namespace linuxos {

DateTimePattern PatternFromStrftime(std::string_view format, std::string_view ampmFormat) {
    DateTimePattern pattern;
    Translate(format, ampmFormat, true, pattern);
    return pattern;
}

}  // namespace linuxos

RegionalSettings CurrentRegionalSettings() {
    RegionalSettings settings = RegionalSettings::UnitedStates();
    if (!IsPlainLocale(setlocale(LC_TIME, nullptr))) {
        std::string_view ampmFormat = nl_langinfo(T_FMT_AMPM);
        if (ampmFormat.empty()) ampmFormat = "%I:%M:%S %p";
        const std::string_view dateFormat = nl_langinfo(D_FMT);
        std::string_view timeFormat = nl_langinfo(T_FMT);
        if (timeFormat.empty()) timeFormat = ampmFormat;
        if (!dateFormat.empty()) {
            settings.shortDate = linuxos::PatternFromStrftime(dateFormat, ampmFormat);
        }
        settings.longTime = linuxos::PatternFromStrftime(timeFormat, ampmFormat);
        settings.am = nl_langinfo(AM_STR);
        settings.pm = nl_langinfo(PM_STR);
        for (int i = 0; i < 12; ++i) {
            settings.monthAbbrev[i] = nl_langinfo(static_cast<nl_item>(ABMON_1 + i));
            settings.monthName[i] = nl_langinfo(static_cast<nl_item>(MON_1 + i));
        }
        for (int i = 0; i < 7; ++i) {
            settings.dayAbbrev[i] = nl_langinfo(static_cast<nl_item>(ABDAY_1 + i));
            settings.dayName[i] = nl_langinfo(static_cast<nl_item>(DAY_1 + i));
        }
    }
    if (!IsPlainLocale(setlocale(LC_NUMERIC, nullptr))) {
        settings.thousandsSeparator = nl_langinfo(THOUSEP);
    }
    return settings;
}

}  // namespace dirscribe::platform
