// SPDX-License-Identifier: MIT
// The six list formats: fixed texts, quoting, padding and the size and time texts.
#include "engine/ListFormats.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/Utf8.h"

namespace dirscribe {

namespace {

// Writes `value` (negative as 0) with at least `width` characters, filled with `pad` on the
// left, at `p`; returns the end. Writes at most max(width, 10) characters.
inline char* PutNumber(char* p, int value, int width, char pad) {
    const unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    if (v < 100 && width <= 2) {
        // Days, months, hours, minutes and seconds: the usual case.
        if (v >= 10) {
            *p++ = static_cast<char>('0' + v / 10);
        } else if (width == 2) {
            *p++ = pad;
        }
        *p++ = static_cast<char>('0' + v % 10);
        return p;
    }
    if (v >= 1000 && v < 10000 && width <= 4) {
        // Years.
        p[0] = static_cast<char>('0' + v / 1000);
        p[1] = static_cast<char>('0' + v / 100 % 10);
        p[2] = static_cast<char>('0' + v / 10 % 10);
        p[3] = static_cast<char>('0' + v % 10);
        return p + 4;
    }
    char text[16];
    char* const end = text + sizeof text;
    char* q = end;
    unsigned rest = v;
    do {
        *--q = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    while (end - q < width && q > text) *--q = pad;
    while (q != end) *p++ = *q++;
    return p;
}

char* PutText(char* p, const std::string& text) {
    // Mostly a separator or AM/PM: copied by hand rather than through a call.
    if (text.size() <= 8) {
        for (const char c : text) *p++ = c;
        return p;
    }
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

// True when no byte of the text has its high bit set; looked at eight bytes at a time.
bool IsAscii(std::string_view text) {
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        any |= word;
    }
    for (; i < text.size(); ++i) any |= static_cast<unsigned char>(text[i]);
    return (any & 0x8080808080808080) == 0;
}

}  // namespace

std::string DialogFilter(ListFormat format) {
    if (IsCsvFormat(format)) return "Comma Separated Value Files (*.csv)|*.csv";
    if (IsHtmlFormat(format)) return "HTML Files (*.htm)|*.htm";
    return "Text Files (*.txt)|*.txt";
}

std::string QuoteField(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    AppendQuoted(out, text);
    return out;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    // Most texts hold no quote: copied in one piece.
    for (auto quote = text.find('"'); quote != std::string_view::npos; quote = text.find('"')) {
        out.append(text.substr(0, quote + 1)).append(1, '"');
        text.remove_prefix(quote + 1);
    }
    out.append(text);
    out += '"';
}

void AppendHtml(std::string& out, std::string_view text) {
    // Looked for by hand: find_first_of would search the three characters once per byte.
    std::size_t first = 0;
    while (first < text.size() && text[first] != '&' && text[first] != '<' && text[first] != '>')
        ++first;
    if (first == text.size()) {
        out.append(text);
        return;
    }
    out.append(text.substr(0, first));
    for (char c : text.substr(first)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
}

std::string_view BaseName(std::string_view name) {
    auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

void AppendPaddedName(std::string& out, std::string_view name) {
    if (name.size() <= kPaddedNameWidth && IsAscii(name)) {
        out.append(name);
        out.append(kPaddedNameWidth - name.size(), ' ');
        return;
    }
    std::size_t chars = 0;
    std::size_t i = 0;
    while (i < name.size() && chars < kPaddedNameWidth) {
        i += CharacterLength(name, i);
        ++chars;
    }
    out.append(name.data(), i);
    out.append(kPaddedNameWidth - chars, ' ');
}

FieldFormatter::FieldFormatter(platform::RegionalSettings settings)
    : settings_(std::move(settings)) {
    // No locale has a separator this long; one that claims to is not used.
    if (settings_.thousandsSeparator.size() > 8) settings_.thousandsSeparator.clear();
    separatorChars_ = CharacterCount(settings_.thousandsSeparator);
    dateBound_ = PatternBound(settings_.shortDate, 4, 2);  // the dates DateKey keeps
    // A date kept is a day's text; a pattern that shows the time of day is never kept.
    using Kind = platform::DateTimeToken::Kind;
    for (const auto& token : settings_.shortDate) {
        if (token.kind == Kind::Hour24 || token.kind == Kind::Hour12 ||
            token.kind == Kind::Minute || token.kind == Kind::Second || token.kind == Kind::AmPm) {
            dateBound_ = SIZE_MAX;
        }
    }
    stampBound_ = PatternBound(settings_.shortDate) + 1 + PatternBound(settings_.longTime);
    MakeHourTexts();
}

FieldFormatter::FieldFormatter(const FieldFormatter& other)
    : settings_(other.settings_),
      separatorChars_(other.separatorChars_),
      timeByHour_(other.timeByHour_),
      timeFields_(other.timeFields_),
      timeField_(other.timeField_),
      hourTexts_(other.hourTexts_),
      stampBound_(other.stampBound_),
      dateBound_(other.dateBound_) {}

FieldFormatter& FieldFormatter::operator=(const FieldFormatter& other) {
    if (this != &other) {
        settings_ = other.settings_;
        separatorChars_ = other.separatorChars_;
        timeByHour_ = other.timeByHour_;
        timeFields_ = other.timeFields_;
        timeField_ = other.timeField_;
        hourTexts_ = other.hourTexts_;
        stampBound_ = other.stampBound_;
        dateBound_ = other.dateBound_;
        dates_.reset();
    }
    return *this;
}

void FieldFormatter::MakeHourTexts() {
    using Kind = platform::DateTimeToken::Kind;
    timeByHour_ = false;
    std::uint8_t fields = 0;
    for (const auto& token : settings_.longTime) {
        switch (token.kind) {
            case Kind::Literal:
            case Kind::Hour24:
            case Kind::Hour12:
            case Kind::AmPm:
                break;
            case Kind::Minute:
            case Kind::Second:
                if (token.width != 2 || fields == timeField_.size()) return;
                timeField_[fields++] = {token.kind == Kind::Minute, token.pad};
                break;
            default:
                return;  // the date in the time: written every time
        }
    }
    // Each hour's text, its fields left as they come out for 0 minutes and 0 seconds.
    if (PatternBound(settings_.longTime, 4, 2) > sizeof(HourText::text)) return;
    for (int hour = 0; hour < 24; ++hour) {
        HourText& text = hourTexts_[static_cast<std::size_t>(hour)];
        char* p = text.text;
        std::size_t field = 0;
        for (const auto& token : settings_.longTime) {
            if (token.kind == Kind::Minute || token.kind == Kind::Second) {
                text.at[field++] = static_cast<std::uint8_t>(p - text.text);
            }
            p = PutPattern(p, platform::DateTimePattern{token},
                           platform::CivilTime{2000, 1, 1, hour, 0, 0, 6});
        }
        text.length = static_cast<std::uint8_t>(p - text.text);
    }
    timeFields_ = fields;
    timeByHour_ = true;
}

char* FieldFormatter::PutTime(char* p, const platform::CivilTime& time) const {
    const HourText& text = hourTexts_[static_cast<std::size_t>(time.hour)];
    std::memcpy(p, text.text, sizeof text.text);  // the room is there (AppendTimeStamp)
    for (std::size_t i = 0; i < timeFields_; ++i) {
        const auto value = static_cast<unsigned>(timeField_[i].minute ? time.minute : time.second);
        char* at = p + text.at[i];
        at[0] = value >= 10 ? static_cast<char>('0' + value / 10) : timeField_[i].pad;
        at[1] = static_cast<char>('0' + value % 10);
    }
    return p + text.length;
}

void FieldFormatter::FreeSlots::operator()(DateSlot* slots) const {
    std::free(slots);
}

std::int32_t FieldFormatter::DateKey(const platform::CivilTime& time) {
    if (time.year < 1 || time.year > 9999 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > 31 || time.weekday < 0 || time.weekday > 6) {
        return -1;
    }
    // The days of a month one after the other (31 to each month), and the weekday below them.
    return (((time.year * 12 + time.month - 1) * 31 + time.day - 1) << 3) | time.weekday;
}

std::size_t FieldFormatter::PatternBound(const platform::DateTimePattern& pattern, int yearDigits,
                                         int digits) const {
    // Every name a pattern can show (months, days, AM and PM) is at most as long as the
    // longest of them all; a number has at most its digits or its width.
    std::size_t longestName = std::max(settings_.am.size(), settings_.pm.size());
    const auto widen = [&](const auto& names) {
        for (const auto& name : names) longestName = std::max(longestName, name.size());
    };
    widen(settings_.monthAbbrev);
    widen(settings_.monthName);
    widen(settings_.dayAbbrev);
    widen(settings_.dayName);
    using Kind = platform::DateTimeToken::Kind;
    std::size_t bound = 0;
    for (const auto& token : pattern) {
        switch (token.kind) {
            case Kind::Literal:
                bound += token.text.size();
                break;
            case Kind::MonthAbbrev:
            case Kind::MonthName:
            case Kind::AmPm:
            case Kind::DayAbbrev:
            case Kind::DayName:
                bound += longestName;
                break;
            case Kind::Year:
                bound += static_cast<std::size_t>(std::max(token.width, yearDigits));
                break;
            default:
                bound += static_cast<std::size_t>(std::max(token.width, digits));
                break;
        }
    }
    return bound;
}

void FieldFormatter::AppendSizeText(std::string& out, std::int64_t size) const {
    // Built from the right into a buffer wide enough for the blanks, 20 digits and 6
    // separators, then added in one piece.
    const std::string& separator = settings_.thousandsSeparator;
    char text[kSizeTextWidth + 24 + 6 * std::size_t{8}];
    char* const end = text + sizeof text;
    char* p = end;
    std::size_t chars = 0;
    auto v = static_cast<std::uint64_t>(size < 0 ? 0 : size);
    for (int group = 0;; ++group) {
        if (group == 3) {
            p -= separator.size();
            std::memcpy(p, separator.data(), separator.size());
            chars += separatorChars_;
            group = 0;
        }
        *--p = static_cast<char>('0' + v % 10);
        ++chars;
        v /= 10;
        if (v == 0) break;
    }
    for (; chars < kSizeTextWidth; ++chars) *--p = ' ';
    out.append(p, static_cast<std::size_t>(end - p));
}

void FieldFormatter::AppendTimeStamp(std::string& out, const platform::CivilTime& time) const {
    // Written into a buffer and added in one piece; patterns too long for it (no locale has
    // them) go the same way through a buffer of their own size. Kept texts are copied whole
    // (a copy of a fixed size is a few moves, not a call), hence the room after the bound.
    constexpr std::size_t kRoom = sizeof(DateSlot::text) + 1 + sizeof(HourText::text);
    char local[256];
    std::string large;
    char* const start = stampBound_ + kRoom <= sizeof local
                            ? local
                            : (large.resize(stampBound_ + kRoom), large.data());
    char* p = start;
    const std::int32_t key = dateBound_ <= sizeof(DateSlot::text) ? DateKey(time) : -1;
    if (key >= 0) {
        if (!dates_) {
            dates_.reset(static_cast<DateSlot*>(std::calloc(kDateSlots, sizeof(DateSlot))));
            if (!dates_) throw std::bad_alloc();
        }
        // Days one after the other take places one after the other.
        DateSlot& slot = dates_[static_cast<std::size_t>(key >> 3) % kDateSlots];
        const auto held = static_cast<std::uint32_t>(key) + 1;
        if (slot.key != held) {
            const char* end = PutPattern(slot.text, settings_.shortDate, time);
            slot.length = static_cast<std::uint8_t>(end - slot.text);
            slot.key = held;
        }
        std::memcpy(p, slot.text, sizeof slot.text);
        p += slot.length;
    } else {
        p = PutPattern(start, settings_.shortDate, time);
    }
    if (time.hour != 0 || time.minute != 0 || time.second != 0) {
        *p++ = ' ';
        if (timeByHour_ && time.hour >= 0 && time.hour < 24 && time.minute >= 0 &&
            time.minute < 60 && time.second >= 0 && time.second < 60) {
            p = PutTime(p, time);
        } else {
            p = PutPattern(p, settings_.longTime, time);
        }
    }
    out.append(start, static_cast<std::size_t>(p - start));
}

char* FieldFormatter::PutPattern(char* p, const platform::DateTimePattern& pattern,
                                 const platform::CivilTime& t) const {
    using Kind = platform::DateTimeToken::Kind;
    for (const auto& token : pattern) {
        switch (token.kind) {
            case Kind::Literal:
                p = PutText(p, token.text);
                break;
            case Kind::Day:
                p = PutNumber(p, t.day, token.width, token.pad);
                break;
            case Kind::Month:
                p = PutNumber(p, t.month, token.width, token.pad);
                break;
            case Kind::MonthAbbrev:
                p = PutText(p,
                            settings_.monthAbbrev[static_cast<std::size_t>((t.month + 11) % 12)]);
                break;
            case Kind::MonthName:
                p = PutText(p, settings_.monthName[static_cast<std::size_t>((t.month + 11) % 12)]);
                break;
            case Kind::Year:
                if (token.width == 2) {
                    p = PutNumber(p, t.year % 100, 2, '0');
                } else {
                    p = PutNumber(p, t.year, token.width, token.pad);
                }
                break;
            case Kind::Hour24:
                p = PutNumber(p, t.hour, token.width, token.pad);
                break;
            case Kind::Hour12:
                p = PutNumber(p, t.hour % 12 == 0 ? 12 : t.hour % 12, token.width, token.pad);
                break;
            case Kind::Minute:
                p = PutNumber(p, t.minute, token.width, token.pad);
                break;
            case Kind::Second:
                p = PutNumber(p, t.second, token.width, token.pad);
                break;
            case Kind::AmPm:
                p = PutText(p, t.hour < 12 ? settings_.am : settings_.pm);
                break;
            case Kind::DayAbbrev:
                p = PutText(p, settings_.dayAbbrev[static_cast<std::size_t>(t.weekday % 7)]);
                break;
            case Kind::DayName:
                p = PutText(p, settings_.dayName[static_cast<std::size_t>(t.weekday % 7)]);
                break;
        }
    }
    return p;
}

}  // namespace dirscribe
