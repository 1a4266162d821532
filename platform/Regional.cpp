// SPDX-License-Identifier: MIT
// Regional: the conventions every system starts from.
#include "platform/Regional.h"

namespace dirscribe::platform {

using Kind = DateTimeToken::Kind;

void AppendField(DateTimePattern& pattern, Kind kind, int width, char pad) {
    DateTimeToken token;
    token.kind = kind;
    token.width = width;
    token.pad = pad;
    pattern.push_back(std::move(token));
}

void AppendLiteral(DateTimePattern& pattern, std::string_view text) {
    if (text.empty()) return;
    if (pattern.empty() || pattern.back().kind != Kind::Literal) pattern.emplace_back();
    pattern.back().text.append(text);
}

RegionalSettings RegionalSettings::UnitedStates() {
    RegionalSettings settings;
    DateTimePattern& date = settings.shortDate;
    AppendField(date, Kind::Month);
    AppendLiteral(date, "/");
    AppendField(date, Kind::Day);
    AppendLiteral(date, "/");
    AppendField(date, Kind::Year, 4);
    DateTimePattern& time = settings.longTime;
    AppendField(time, Kind::Hour12);
    AppendLiteral(time, ":");
    AppendField(time, Kind::Minute, 2);
    AppendLiteral(time, ":");
    AppendField(time, Kind::Second, 2);
    AppendLiteral(time, " ");
    AppendField(time, Kind::AmPm);
    settings.thousandsSeparator = ",";
    settings.am = "AM";
    settings.pm = "PM";
    settings.monthAbbrev = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    settings.monthName = {"January", "February", "March",     "April",   "May",      "June",
                          "July",    "August",   "September", "October", "November", "December"};
    settings.dayAbbrev = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    settings.dayName = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                        "Thursday", "Friday", "Saturday"};
    return settings;
}

}  // namespace dirscribe::platform
