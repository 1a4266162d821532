// SPDX-License-Identifier: MIT
// ListReader: each line is recognised by its own shape, in the order that keeps the formats
// apart: text headings and rules, HTML rows, CSV rows, then the text formats' file lines.
#include "engine/ListReader.h"

#include <algorithm>
#include <optional>

#include "base/Utf8.h"
#include "engine/ListFormats.h"

namespace dirscribe {

namespace {

constexpr std::string_view kCsvHeader = R"("Path","Name","Size","Date")";
constexpr std::string_view kHeadingRow = "<tr><td bgcolor=#3399FF><b>";
constexpr std::string_view kHeadingEnd = "</b></td>";
constexpr std::string_view kHeadingRest5 =
    "<td align=center bgcolor=#3399FF><b>Size</b></td>"
    "<td align=center bgcolor=#3399FF><b>Last Modified</b></td></tr>";
constexpr std::string_view kRow = "<tr><td>";
constexpr std::string_view kRowEnd = "</td></tr>";
constexpr std::string_view kCell = "</td><td align=right>";
constexpr std::string_view kBytes = " bytes ";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The HTML formats write "&", "<" and ">" as entities; any other "&" is kept as it is.
void Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            const std::string_view rest = text.substr(i);
            if (StartsWith(rest, "&amp;")) {
                out += '&';
                i += 4;
                continue;
            }
            if (StartsWith(rest, "&lt;")) {
                out += '<';
                i += 3;
                continue;
            }
            if (StartsWith(rest, "&gt;")) {
                out += '>';
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
}

// Reads one quoted CSV field at the start of `text` into `out` (a doubled quote is one
// quote) and takes it off `text`. False when the text does not start with a whole field.
bool QuotedField(std::string_view& text, std::string& out) {
    if (text.empty() || text.front() != '"') return false;
    out.clear();
    std::size_t i = 1;
    for (;;) {
        const std::size_t quote = text.find('"', i);
        if (quote == std::string_view::npos) return false;
        out.append(text.substr(i, quote - i));
        if (quote + 1 < text.size() && text[quote + 1] == '"') {
            out += '"';
            i = quote + 2;
            continue;
        }
        text.remove_prefix(quote + 1);
        return true;
    }
}

bool Comma(std::string_view& text) {
    if (text.empty() || text.front() != ',') return false;
    text.remove_prefix(1);
    return true;
}

// A size text without its padding: digits, grouped by a separator that holds no digit.
// "Directory: " and a drive-less path, which begins and ends with its separator (no name of a
// file holds one, so that no file line can look like this).
bool IsHeadingPath(std::string_view line) {
    if (!StartsWith(line, kDirectoryPrefix)) return false;
    const std::string_view path = line.substr(kDirectoryPrefix.size());
    return !path.empty() && (path.front() == '/' || path.front() == '\\') &&
           path.back() == path.front();
}

bool IsSizeText(std::string_view text) {
    return !text.empty() && text.front() >= '0' && text.front() <= '9' && text.back() >= '0' &&
           text.back() <= '9';
}

}  // namespace

void ListReader::Line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++lineNo_;
    if (volumePending_) {
        volumePending_ = false;
        if (IsHeadingPath(line)) {
            volume_ = pendingLine_.substr(kVolumePrefix.size());
            Heading(line.substr(kDirectoryPrefix.size()));
            previousEmpty_ = false;
            return;
        }
        // Not a heading after all: a file whose name begins with "Volume:". When that line
        // is no line of any format either, this line is still taken before it is refused.
        std::swap(lineNo_, pendingLineNo_);
        std::optional<ListReadError> refused;
        try {
            Take(pendingLine_);
        } catch (const ListReadError& error) {
            refused = error;
        }
        std::swap(lineNo_, pendingLineNo_);
        Take(line);
        if (refused) throw *refused;
        return;
    }
    Take(line);
}

void ListReader::Finish() {
    if (!volumePending_) return;
    volumePending_ = false;
    lineNo_ = pendingLineNo_;
    Take(pendingLine_);
}

void ListReader::NewRun() {
    volume_.clear();
    htmlFolder_.clear();
    named_.clear();
    place_ = TextPlace::Other;
}

void ListReader::Take(std::string_view line) {
    const bool afterEmpty = previousEmpty_;
    previousEmpty_ = line.empty();
    const TextPlace place = place_;
    // The empty line after a heading opens its "<DIR> " lines; the next empty one ends them.
    place_ = line.empty() && place == TextPlace::Heading ? TextPlace::SubFolders : TextPlace::Other;
    if (line.empty()) return;
    if (line == kHyphenLine || line == kHtmlHeaderLine || line == kCsvHeader) {
        // A header or a text footer: a new run begins (or the text run ended).
        NewRun();
        return;
    }
    if (line == kHtmlFooterLine) {
        htmlFolder_.clear();
        return;
    }
    if (afterEmpty && StartsWith(line, kVolumePrefix)) {
        volumePending_ = true;
        pendingLine_.assign(line);
        pendingLineNo_ = lineNo_;
        return;
    }
    if (place == TextPlace::SubFolders && StartsWith(line, kDirMarker) && TakeSubFolder(line)) {
        place_ = TextPlace::SubFolders;
        return;
    }
    if (TakeHtml(line) || TakeCsv(line) || TakeTextFile(line)) return;
    throw ListReadError(lineNo_, "not a line of any list format");
}

bool ListReader::TakeHtml(std::string_view line) {
    if (StartsWith(line, kHeadingRow)) {
        const std::string_view rest = line.substr(kHeadingRow.size());
        const std::size_t end = rest.find(kHeadingEnd);
        if (end == std::string_view::npos) return false;
        const std::string_view after = rest.substr(end + kHeadingEnd.size());
        if (after != "</tr>" && after != kHeadingRest5) return false;
        Unescape(rest.substr(0, end), htmlFolder_);
        ListedEntry entry;
        entry.name = htmlFolder_;
        entry.isFolder = true;
        entry.format = after == "</tr>" ? ListFormat::HtmlNames : ListFormat::Html;
        Emit(entry);
        return true;
    }
    if (!StartsWith(line, kRow) || !EndsWith(line, kRowEnd)) return false;
    std::string_view rest = line.substr(kRow.size(), line.size() - kRow.size() - kRowEnd.size());
    ListedEntry entry;
    entry.folder = htmlFolder_;
    const std::size_t cell = rest.find(kCell);
    if (cell == std::string_view::npos) {
        entry.format = ListFormat::HtmlNames;
        Unescape(rest, name_);
    } else {
        entry.format = ListFormat::Html;
        Unescape(rest.substr(0, cell), name_);
        rest.remove_prefix(cell + kCell.size());
        const std::size_t next = rest.find(kCell);
        if (next == std::string_view::npos) return false;
        entry.size = TrimLeft(rest.substr(0, next));
        entry.date = rest.substr(next + kCell.size());
        if (!IsSizeText(entry.size)) return false;
    }
    entry.name = name_;
    Emit(entry);
    return true;
}

bool ListReader::TakeCsv(std::string_view line) {
    std::string_view rest = line;
    if (!QuotedField(rest, name_)) return false;
    ListedEntry entry;
    if (rest.empty()) {
        entry.format = ListFormat::CsvNames;
        entry.name = name_;
        Emit(entry);
        return true;
    }
    // "path","name","size",date
    if (!Comma(rest)) return false;
    csvPath_.swap(name_);
    if (!QuotedField(rest, name_) || !Comma(rest) || !QuotedField(rest, sizeText_) ||
        !Comma(rest)) {
        return false;
    }
    entry.format = ListFormat::Csv;
    entry.folder = csvPath_;
    entry.name = name_;
    entry.size = TrimLeft(sizeText_);
    entry.date = rest;
    if (!IsSizeText(entry.size)) return false;
    Emit(entry);
    return true;
}

bool ListReader::TakeTextFile(std::string_view line, bool detailsOnly) {
    // The name is padded or cut to 65 characters; format 0 adds the size and the time stamp.
    // Mostly the name part is plain ASCII, one byte a character, and needs no counting.
    std::size_t nameBytes = kPaddedNameWidth;
    if (line.size() < kPaddedNameWidth) return false;
    unsigned char high = 0;
    for (std::size_t i = 0; i < kPaddedNameWidth; ++i) high |= static_cast<unsigned char>(line[i]);
    if (high >= 0x80) {
        nameBytes = LeadingCharacters(line, kPaddedNameWidth);
        if (CharacterCount(line.substr(0, nameBytes)) < kPaddedNameWidth) return false;
    }
    ListedEntry entry;
    entry.folder = path_;
    entry.name = TrimRight(line.substr(0, nameBytes));
    // A name of blanks alone: what the padding leaves of it is one blank.
    if (entry.name.empty()) entry.name = line.substr(0, 1);
    if (nameBytes == line.size()) {
        if (detailsOnly) return false;
        entry.format = ListFormat::TextNames;
    } else {
        const std::string_view rest = line.substr(nameBytes);
        // The size text is 16 characters wide unless the number is longer or its separator
        // takes more than one byte.
        std::size_t bytes = kSizeTextWidth;
        if (rest.size() < bytes + kBytes.size() || rest.substr(bytes, kBytes.size()) != kBytes) {
            bytes = rest.find(kBytes);
            if (bytes == std::string_view::npos) return false;
        }
        entry.format = ListFormat::Text;
        entry.size = TrimLeft(rest.substr(0, bytes));
        entry.date = rest.substr(bytes + kBytes.size());
        if (!IsSizeText(entry.size)) return false;
    }
    Emit(entry);
    return true;
}

void ListReader::Heading(std::string_view path) {
    path_.assign(path);
    place_ = TextPlace::Heading;
    // The folders the walk has left behind are done with: it goes depth first.
    while (!named_.empty() && !StartsWith(path, named_.back().path)) named_.pop_back();
    const bool namedAbove = !named_.empty() && path.size() > named_.back().path.size() && [&] {
        const std::string_view name =
            path.substr(named_.back().path.size(), path.size() - named_.back().path.size() - 1);
        const auto& subFolders = named_.back().subFolders;
        return std::find(subFolders.begin(), subFolders.end(), name) != subFolders.end();
    }();
    named_.push_back({std::string(path), {}});
    // "\Music\Jazz\" names the folder Jazz in "\Music\"; the root names no folder.
    if (path.size() < 2 || namedAbove) return;
    const char sep = path.back();
    const std::size_t parentEnd = path.rfind(sep, path.size() - 2);
    if (parentEnd == std::string_view::npos) return;
    ListedEntry entry;
    entry.folder = path.substr(0, parentEnd + 1);
    entry.name = path.substr(parentEnd + 1, path.size() - parentEnd - 2);
    entry.isFolder = true;
    entry.format = ListFormat::Text;
    Emit(entry);
}

bool ListReader::TakeSubFolder(std::string_view line) {
    // A file of format 0 whose name begins with the marker, first after a heading, has its
    // size and time stamp where a file line has them.
    if (TakeTextFile(line, true)) return true;
    const std::string_view name = line.substr(kDirMarker.size());
    if (name.empty()) return false;
    if (!named_.empty()) named_.back().subFolders.emplace_back(name);
    ListedEntry entry;
    entry.folder = path_;
    entry.name = name;
    entry.isFolder = true;
    entry.format = ListFormat::Text;
    Emit(entry);
    return true;
}

void ListReader::Emit(ListedEntry& entry) {
    // A run that changed format in the middle keeps the volume of its text headings.
    entry.volume = volume_;
    entry.line = lineNo_;
    onEntry_(entry);
}

}  // namespace dirscribe
