// The six list formats: fixed texts, QuoteField and the field texts of a file line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Regional.h"

namespace dirscribe {

// The Output Format menu's entries, by OutputFormat.
inline constexpr const char* kFormatNames[6] = {
    "Standard (Text)",
    "Standard (Text) Names Only",
    "Comma Separated (CSV) Names Only",
    "Comma Separated (CSV) Full Details",
    "HTML (HTM) Names Only",
    "HTML (HTM) Full Details",
};

// The three families the run treats alike.
constexpr bool IsTextFormat(int format) {
    return format == 0 || format == 1;
}
constexpr bool IsCsvFormat(int format) {
    return format == 2 || format == 3;
}
constexpr bool IsHtmlFormat(int format) {
    return format == 4 || format == 5;
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
std::string DialogFilter(int format);

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
// with blanks. Characters are counted as UTF-8 sequences, never cut in the middle.
void AppendPaddedName(std::string& out, std::string_view name);
// Number of characters of a UTF-8 text (a byte that starts no valid sequence counts as one).
std::size_t CharacterCount(std::string_view text);
// The bytes the first `chars` characters of a text take, counted as CharacterCount counts them
// (the whole text when it is shorter).
std::size_t PrefixBytes(std::string_view text, std::size_t chars);

// Size texts and time stamps by the user's regional settings.
class FieldFormatter {
  public:
    explicit FieldFormatter(platform::RegionalSettings settings);

    // The length grouped by three with the thousands separator, right-aligned in 16
    // characters; a longer text is written whole.
    void AppendSizeText(std::string& out, std::int64_t size) const;
    // The short date, a blank and the long time; exactly midnight gives the date alone.
    void AppendTimeStamp(std::string& out, const platform::CivilTime& time) const;

    const platform::RegionalSettings& Settings() const { return settings_; }

  private:
    // The most characters a pattern can write.
    std::size_t PatternBound(const platform::DateTimePattern& pattern) const;
    // Writes a pattern's text for `time` at `p`; returns the end.
    char* PutPattern(char* p, const platform::DateTimePattern& pattern,
                     const platform::CivilTime& time) const;

    platform::RegionalSettings settings_;
    std::size_t separatorChars_;
    std::size_t stampBound_ = 0;  // the most characters a time stamp can have
};

}  // namespace dirscribe
