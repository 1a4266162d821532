// Regional: the conventions every system starts from.
#include "platform/Regional.h"

namespace dirscribe::platform {

namespace {

using Kind = DateTimeToken::Kind;

DateTimeToken Number(Kind kind, int width = 1) {
    DateTimeToken token;
    token.kind = kind;
    token.width = width;
    return token;
}

DateTimeToken Literal(std::string text) {
    DateTimeToken token;
    token.text = std::move(text);
    return token;
}

}  // namespace

RegionalSettings RegionalSettings::UnitedStates() {
    RegionalSettings settings;
    settings.shortDate = {Number(Kind::Month), Literal("/"), Number(Kind::Day), Literal("/"),
                          Number(Kind::Year, 4)};
    settings.longTime = {
        Number(Kind::Hour12),    Literal(":"), Number(Kind::Minute, 2), Literal(":"),
        Number(Kind::Second, 2), Literal(" "), Number(Kind::AmPm)};
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
