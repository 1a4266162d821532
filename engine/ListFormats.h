// SPDX-License-Identifier: MIT
// The six list formats: fixed texts, QuoteField and the field texts of a file line.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Regional.h"

namespace dirscribe {

// The six list formats, numbered as the Output Format menu orders them.
enum class ListFormat : std::int16_t {
    Text = 0,       // a heading per folder, "<DIR> " lines, padded names with size and time
    TextNames = 1,  // the same headings, padded names only
    CsvNames = 2,   // one quoted name (without its extension) a line
    Csv = 3,        // folder, name, size and time, quoted
    HtmlNames = 4,  // a table row per name (without its extension)
    Html = 5,       // a table row per file with size and time
};
inline constexpr int kFormatCount = 6;

// The three families the run treats alike.
enum class FormatGroup : std::uint8_t { Text, Csv, Html };

// What the program calls a format: its menu entry, its dirscribe-cli name and its family.
struct FormatInfo {
    ListFormat format;
    std::string_view menuName;
    std::string_view cliName;
    FormatGroup group;
};

inline constexpr FormatInfo kFormats[kFormatCount] = {
    {ListFormat::Text, "Standard (Text)", "text", FormatGroup::Text},
    {ListFormat::TextNames, "Standard (Text) Names Only", "text-names", FormatGroup::Text},
    {ListFormat::CsvNames, "Comma Separated (CSV) Names Only", "csv-names", FormatGroup::Csv},
    {ListFormat::Csv, "Comma Separated (CSV) Full Details", "csv", FormatGroup::Csv},
    {ListFormat::HtmlNames, "HTML (HTM) Names Only", "html-names", FormatGroup::Html},
    {ListFormat::Html, "HTML (HTM) Full Details", "html", FormatGroup::Html},
};

constexpr int IndexOf(ListFormat format) {
    return static_cast<int>(format);
}
constexpr const FormatInfo& InfoOf(ListFormat format) {
    return kFormats[IndexOf(format)];
}
// The format of menu index 0..5 (any other index is taken as the first).
constexpr ListFormat FormatAt(int index) {
    return index >= 0 && index < kFormatCount ? kFormats[index].format : ListFormat::Text;
}
constexpr bool IsTextFormat(ListFormat format) {
    return InfoOf(format).group == FormatGroup::Text;
}
constexpr bool IsCsvFormat(ListFormat format) {
    return InfoOf(format).group == FormatGroup::Csv;
}
constexpr bool IsHtmlFormat(ListFormat format) {
    return InfoOf(format).group == FormatGroup::Html;
}

inline constexpr std::string_view kHyphenLine =
    "-----------------------------------------------------------------------------------------";
inline constexpr std::string_view kHtmlHeaderLine =
    "<html><body><center><table border=1 cellpadding=2 style=\"border-collapse: collapse\" "
    "bordercolor=#111111 >";
inline constexpr std::string_view kHtmlFooterLine = "</table></center></body></html>";
inline constexpr std::string_view kVolumePrefix = "Volume:    ";
inline constexpr std::string_view kDirectoryPrefix = "Directory: ";
inline constexpr std::string_view kDirMarker = "<DIR> ";
inline constexpr std::size_t kPaddedNameWidth = 65;
inline constexpr std::size_t kSizeTextWidth = 16;

// The file dialog filter for a format: "Text Files (*.txt)|*.txt" and its CSV and HTML kin.
std::string DialogFilter(ListFormat format);

// A text between double quotes; a double quote inside it is doubled so the field stays
// readable by CSV readers.
std::string QuoteField(std::string_view text);
// QuoteField appended to `out`.
void AppendQuoted(std::string& out, std::string_view text);
// The text with "&", "<" and ">" written as HTML entities, appended to `out`.
void AppendHtml(std::string& out, std::string_view text);

// The file name without its last "." and what follows it.
std::string_view BaseName(std::string_view name);
// The name left-aligned in exactly 65 characters: cut after the 65th character or filled
// with blanks. Characters are counted as base/Utf8.h counts them, never cut in the middle.
void AppendPaddedName(std::string& out, std::string_view name);

// Size texts and time stamps by the user's regional settings.
class FieldFormatter {
  public:
    explicit FieldFormatter(platform::RegionalSettings settings);
    // A copy keeps the settings, not the dates written so far.
    FieldFormatter(const FieldFormatter& other);
    FieldFormatter& operator=(const FieldFormatter& other);
    FieldFormatter(FieldFormatter&&) = default;
    FieldFormatter& operator=(FieldFormatter&&) = default;

    // The length grouped by three with the thousands separator, right-aligned in 16
    // characters; a longer text is written whole.
    void AppendSizeText(std::string& out, std::int64_t size) const;
    // The short date, a blank and the long time; exactly midnight gives the date alone.
    void AppendTimeStamp(std::string& out, const platform::CivilTime& time) const;

    const platform::RegionalSettings& Settings() const { return settings_; }

  private:
    // The most characters a pattern can write, its years having at most `yearDigits` digits
    // and its other numbers at most `digits`.
    std::size_t PatternBound(const platform::DateTimePattern& pattern, int yearDigits = 10,
                             int digits = 10) const;
    // Writes a pattern's text for `time` at `p`; returns the end.
    char* PutPattern(char* p, const platform::DateTimePattern& pattern,
                     const platform::CivilTime& time) const;

    // The date text of a day, kept for the next file of that day: files of one folder share
    // few days, and writing a date through its pattern costs more than the rest of the line.
    // The places are zero-filled memory from the system, which costs no memory until a day is
    // kept in it; a pattern whose dates can outgrow `text` is written every time.
    struct DateSlot {
        std::uint32_t key;  // DateKey + 1 of the date held, 0 for none
        std::uint8_t length;
        char text[11];
    };
    static constexpr std::size_t kDateSlots = 16384;  // 44 years of days, 256 KiB at most
    // A number for the date's year, month, day and weekday, unique among the dates a list can
    // show (years 1 to 9999); -1 for a date outside them (then not kept).
    static std::int32_t DateKey(const platform::CivilTime& time);
    struct FreeSlots {
        void operator()(DateSlot* slots) const;
    };

    // The time of day through a text per hour: a pattern made of the hour, AM/PM, literals
    // and minutes and seconds of two digits each has, for a given hour, the same text but for
    // those digits, which are put in at their places. Other patterns are written every time.
    struct HourText {
        std::uint8_t length = 0;
        std::uint8_t at[4] = {};  // where each minute or second field begins
        char text[27] = {};
    };
    struct TimeField {
        bool minute = false;  // else the second
        char pad = '0';
    };
    void MakeHourTexts();
    // Writes the time of day at `p` from the hour's text; returns the end.
    char* PutTime(char* p, const platform::CivilTime& time) const;

    platform::RegionalSettings settings_;
    std::size_t separatorChars_;
    bool timeByHour_ = false;      // whether the time of day is written from hourTexts_
    std::uint8_t timeFields_ = 0;  // minute and second fields in each hour's text
    std::array<TimeField, 4> timeField_{};
    std::array<HourText, 24> hourTexts_{};
    std::size_t stampBound_ = 0;  // the most characters a time stamp can have
    std::size_t dateBound_ = 0;   // the most characters a date that DateKey keeps can have
    mutable std::unique_ptr<DateSlot[], FreeSlots> dates_;  // made at the first time stamp
};

}  // namespace dirscribe
