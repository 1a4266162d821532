// The six list formats: fixed texts, quoting, padding and the size and time texts.
#include "engine/ListFormats.h"

namespace dirscribe {

namespace {

// Length of the UTF-8 sequence starting at s[i], or 1 for a byte that starts none.
std::size_t SequenceLength(std::string_view s, std::size_t i) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80           ? 1
                    : (c >> 5) == 0x6  ? 2
                    : (c >> 4) == 0xE  ? 3
                    : (c >> 3) == 0x1E ? 4
                                       : 1;
    if (n == 1 || i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    }
    return n;
}

void AppendNumber(std::string& out, int value, int width, char pad) {
    char text[16];
    char* end = text + sizeof text;
    char* p = end;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (end - p < width && p > text) *--p = pad;
    out.append(p, static_cast<std::size_t>(end - p));
}

// True when no byte of the text has its high bit set.
bool IsAscii(std::string_view text) {
    unsigned char any = 0;
    for (char c : text) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

}  // namespace

std::string DialogFilter(int format) {
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
    const auto first = text.find_first_of("&<>");
    if (first == std::string_view::npos) {
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

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += SequenceLength(text, i)) ++count;
    return count;
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
        i += SequenceLength(name, i);
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
}

void FieldFormatter::AppendSizeText(std::string& out, std::int64_t size) const {
    // Built from the right into a buffer wide enough for 19 digits and 6 separators.
    const std::string& separator = settings_.thousandsSeparator;
    char text[24 + 6 * 8];
    char* const end = text + sizeof text;
    char* p = end;
    std::size_t chars = 0;
    auto v = static_cast<std::uint64_t>(size < 0 ? 0 : size);
    for (int digits = 0;; ++digits) {
        if (digits > 0 && digits % 3 == 0) {
            p -= separator.size();
            separator.copy(p, separator.size());
            chars += separatorChars_;
        }
        *--p = static_cast<char>('0' + v % 10);
        ++chars;
        v /= 10;
        if (v == 0) break;
    }
    if (chars < kSizeTextWidth) out.append(kSizeTextWidth - chars, ' ');
    out.append(p, static_cast<std::size_t>(end - p));
}

void FieldFormatter::AppendTimeStamp(std::string& out, const platform::CivilTime& time) const {
    AppendPattern(out, settings_.shortDate, time);
    if (time.hour == 0 && time.minute == 0 && time.second == 0) return;
    out += ' ';
    AppendPattern(out, settings_.longTime, time);
}

void FieldFormatter::AppendPattern(std::string& out, const platform::DateTimePattern& pattern,
                                   const platform::CivilTime& t) const {
    using Kind = platform::DateTimeToken::Kind;
    for (const auto& token : pattern) {
        switch (token.kind) {
            case Kind::Literal:
                out += token.text;
                break;
            case Kind::Day:
                AppendNumber(out, t.day, token.width, token.pad);
                break;
            case Kind::Month:
                AppendNumber(out, t.month, token.width, token.pad);
                break;
            case Kind::MonthAbbrev:
                out += settings_.monthAbbrev[static_cast<std::size_t>((t.month + 11) % 12)];
                break;
            case Kind::MonthName:
                out += settings_.monthName[static_cast<std::size_t>((t.month + 11) % 12)];
                break;
            case Kind::Year:
                if (token.width == 2) {
                    AppendNumber(out, t.year % 100, 2, '0');
                } else {
                    AppendNumber(out, t.year, token.width, token.pad);
                }
                break;
            case Kind::Hour24:
                AppendNumber(out, t.hour, token.width, token.pad);
                break;
            case Kind::Hour12:
                AppendNumber(out, t.hour % 12 == 0 ? 12 : t.hour % 12, token.width, token.pad);
                break;
            case Kind::Minute:
                AppendNumber(out, t.minute, token.width, token.pad);
                break;
            case Kind::Second:
                AppendNumber(out, t.second, token.width, token.pad);
                break;
            case Kind::AmPm:
                out += t.hour < 12 ? settings_.am : settings_.pm;
                break;
            case Kind::DayAbbrev:
                out += settings_.dayAbbrev[static_cast<std::size_t>(t.weekday % 7)];
                break;
            case Kind::DayName:
                out += settings_.dayName[static_cast<std::size_t>(t.weekday % 7)];
                break;
        }
    }
}

}  // namespace dirscribe
