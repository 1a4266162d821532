// SPDX-License-Identifier: MIT
// ListSearch: lists are read in large blocks and split into lines here; the reader recognises
// the lines, the pattern picks the names.
#include "catalogue/ListSearch.h"

#include <algorithm>
#include <cstring>

#include "base/Failure.h"
#include "base/SafeText.h"
#include "platform/FileSystem.h"
#include "platform/InputFile.h"

namespace dirscribe::catalogue {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

// The separator a folder text uses; a bare folder name uses this system's.
char SeparatorOf(std::string_view folder) {
    if (folder.find('/') != std::string_view::npos) return '/';
    if (folder.find('\\') != std::string_view::npos) return '\\';
    return platform::kPathSeparator;
}

void AppendSafe(std::string& out, std::string_view text) {
    const std::size_t from = out.size();
    out.append(text);
    MaskControls(out, from);
}

void AppendSafeQuoted(std::string& out, std::string_view text) {
    const std::size_t from = out.size();
    AppendQuoted(out, text);
    MaskControls(out, from);
}

// Reads one list into the reader. False (after telling the sink) when it could not be read.
class ListScan {
  public:
    ListScan(std::size_t index, const std::string& name, const platform::NamePattern& pattern,
             SearchSink& sink, SearchTotals& totals)
        : index_(index),
          name_(name),
          sink_(sink),
          totals_(totals),
          reader_([&pattern, this](const ListedEntry& entry) {
              if (!pattern.Matches(entry.name)) return;
              ++totals_.matches;
              sink_.Matched(index_, entry);
          }) {}

    bool Run() {
        platform::InputFile file;
        try {
            file = platform::InputFile::Open(name_);
        } catch (const Failure& failure) {
            return Fail(failure.Description());
        }
        std::string block(kBlock, '\0');
        std::size_t kept = 0;  // an unfinished line carried over from the last block
        for (;;) {
            if (sink_.Cancelled()) {
                totals_.cancelled = true;
                return true;
            }
            std::size_t got = 0;
            try {
                got = file.Read(block.data() + kept, block.size() - kept);
            } catch (const Failure& failure) {
                return Fail(failure.Description());
            }
            if (got == 0) {
                if (kept > 0) Line(std::string_view(block.data(), kept));
                break;
            }
            const std::string_view text(block.data(), kept + got);
            std::size_t start = 0;
            for (std::size_t end = text.find('\n', kept); end != std::string_view::npos;
                 end = text.find('\n', start)) {
                Line(text.substr(start, end - start));
                start = end + 1;
            }
            kept = text.size() - start;
            if (kept > kLongestListLine) {
                return Fail("'" + name_ + "' is not a list: line " + std::to_string(lines_ + 1) +
                            " is longer than any list line");
            }
            std::memmove(block.data(), block.data() + start, kept);
            // A long line: room for a block more.
            if (block.size() - kept < kBlock / 2) block.resize(kept + kBlock);
        }
        Line({}, true);
        if (good_ == 0 && skipped_ > 0) {
            return Fail("'" + name_ +
                        "' is not a list: no line of it is a line of any list format");
        }
        ++totals_.listsRead;
        return true;
    }

  private:
    // Gives the reader a line, or tells it that the list has ended.
    void Line(std::string_view line, bool end = false) {
        if (!end) {
            ++lines_;
            ++totals_.lines;
        }
        try {
            if (end) {
                reader_.Finish();
            } else {
                reader_.Line(line);
                if (!line.empty() && line != "\r") ++good_;
            }
        } catch (const ListReadError& error) {
            ++skipped_;
            ++totals_.linesSkipped;
            sink_.LineSkipped(index_, error.Line(), error.what());
        }
    }

    bool Fail(const std::string& reason) {
        ++totals_.listsFailed;
        sink_.ListFailed(index_, reason);
        return false;
    }

    std::size_t index_;
    const std::string& name_;
    SearchSink& sink_;
    SearchTotals& totals_;
    ListReader reader_;
    std::size_t lines_ = 0;
    std::size_t good_ = 0;
    std::size_t skipped_ = 0;
};

}  // namespace

std::unique_ptr<platform::NamePattern> MakeSearchPattern(std::string_view pattern, bool regex) {
    return regex ? platform::MakeRegexPattern(pattern) : platform::MakeMaskPattern(pattern);
}

SearchTotals SearchLists(const platform::NamePattern& pattern,
                         const std::vector<std::string>& lists, SearchSink& sink) {
    SearchTotals totals;
    for (std::size_t i = 0; i < lists.size() && !totals.cancelled; ++i) {
        ListScan(i, lists[i], pattern, sink, totals).Run();
    }
    return totals;
}

void AppendMatchCsvHeader(std::string& out) {
    out.append(R"("List","Line","Volume","Folder","Name","Kind","Size","Date")");
}

void AppendMatchCsv(std::string& out, std::string_view list, const ListedEntry& entry) {
    AppendSafeQuoted(out, list);
    out += ',';
    out.append(std::to_string(entry.line)).append(",");
    AppendSafeQuoted(out, entry.volume);
    out += ',';
    AppendSafeQuoted(out, entry.folder);
    out += ',';
    AppendSafeQuoted(out, entry.name);
    out.append(entry.isFolder ? R"(,"folder",)" : R"(,"file",)");
    AppendSafeQuoted(out, entry.size);
    out += ',';
    AppendSafeQuoted(out, entry.date);
}

void AppendMatchText(std::string& out, std::string_view list, const ListedEntry& entry) {
    if (!list.empty()) {
        AppendSafe(out, list);
        out += ':';
    }
    out.append(std::to_string(entry.line)).append(": ");
    if (!entry.volume.empty()) {
        AppendSafe(out, entry.volume);
        out.append(": ");
    }
    const char sep = SeparatorOf(entry.folder);
    AppendSafe(out, entry.folder);
    // An HTML heading's folder is a bare name.
    if (!entry.folder.empty() && entry.folder.back() != sep) out += sep;
    AppendSafe(out, entry.name);
    if (entry.isFolder) out += sep;
    if (!entry.size.empty()) {
        out.append("  ");
        AppendSafe(out, entry.size);
        out.append(" bytes");
    }
    if (!entry.date.empty()) {
        out.append("  ");
        AppendSafe(out, entry.date);
    }
}

}  // namespace dirscribe::catalogue
