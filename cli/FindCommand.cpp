// SPDX-License-Identifier: MIT
// FindCommand: lists are read in large blocks and split into lines here; the reader recognises
// the lines, the pattern picks the names, and the matches go out in large writes.
#include "cli/FindCommand.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <regex>

#include "engine/ListFormats.h"
#include "engine/ListReader.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/NamePattern.h"

namespace dirscribe::cli {

namespace console = platform::console;

namespace {

// The line end of the lists on this system, used for the matches too.
constexpr std::string_view kLineEnd = platform::kPathSeparator == '\\' ? "\r\n" : "\n";
constexpr std::size_t kBlock = 1 << 20;

// The separator a folder text uses; a bare folder name uses this system's.
char SeparatorOf(std::string_view folder) {
    if (folder.find('/') != std::string_view::npos) return '/';
    if (folder.find('\\') != std::string_view::npos) return '\\';
    return platform::kPathSeparator;
}

class MatchWriter {
  public:
    MatchWriter(bool csv, bool nameLists) : csv_(csv), nameLists_(nameLists) {
        if (csv_) {
            out_.append(R"("List","Line","Volume","Folder","Name","Kind","Size","Date")");
            out_.append(kLineEnd);
        }
    }
    ~MatchWriter() { Flush(); }
    MatchWriter(const MatchWriter&) = delete;
    MatchWriter& operator=(const MatchWriter&) = delete;

    void Add(const std::string& list, const ListedEntry& entry) {
        ++count_;
        if (csv_) {
            AppendQuoted(out_, list);
            out_ += ',';
            out_.append(std::to_string(entry.line)).append(",");
            AppendQuoted(out_, entry.volume);
            out_ += ',';
            AppendQuoted(out_, entry.folder);
            out_ += ',';
            AppendQuoted(out_, entry.name);
            out_.append(entry.isFolder ? R"(,"folder",)" : R"(,"file",)");
            AppendQuoted(out_, entry.size);
            out_ += ',';
            AppendQuoted(out_, entry.date);
        } else {
            if (nameLists_) out_.append(list).append(":");
            out_.append(std::to_string(entry.line)).append(": ");
            if (!entry.volume.empty()) out_.append(entry.volume).append(": ");
            const char sep = SeparatorOf(entry.folder);
            out_.append(entry.folder);
            // An HTML heading's folder is a bare name.
            if (!entry.folder.empty() && entry.folder.back() != sep) out_ += sep;
            out_.append(entry.name);
            if (entry.isFolder) out_ += sep;
            if (!entry.size.empty()) out_.append("  ").append(entry.size).append(" bytes");
            if (!entry.date.empty()) out_.append("  ").append(entry.date);
        }
        out_.append(kLineEnd);
        if (out_.size() >= kBlock) Flush();
    }

    void Flush() {
        if (out_.empty()) return;
        std::cout.write(out_.data(), static_cast<std::streamsize>(out_.size()));
        std::cout.flush();
        out_.clear();
    }

    std::size_t Count() const { return count_; }

  private:
    bool csv_;
    bool nameLists_;
    std::string out_;
    std::size_t count_ = 0;
};

// Reads one list; false after reporting why it cannot be read.
bool ReadList(const std::string& name, const platform::NamePattern& pattern, MatchWriter& writer) {
    std::ifstream in(std::filesystem::path(std::u8string(name.begin(), name.end())),
                     std::ios::binary);
    if (!in) {
        console::WriteError("dirscribe-cli: cannot open list file '" + name + "'\n");
        return false;
    }
    ListReader reader([&](const ListedEntry& entry) {
        if (pattern.Matches(entry.name)) writer.Add(name, entry);
    });
    std::string block(kBlock, '\0');
    std::size_t kept = 0;  // an unfinished line carried over from the last block
    try {
        for (;;) {
            in.read(block.data() + kept, static_cast<std::streamsize>(block.size() - kept));
            const auto got = static_cast<std::size_t>(in.gcount());
            if (got == 0) {
                if (in.bad()) {
                    console::WriteError("dirscribe-cli: cannot read list file '" + name + "'\n");
                    return false;
                }
                if (kept > 0) reader.Line(std::string_view(block.data(), kept));
                break;
            }
            const std::string_view text(block.data(), kept + got);
            std::size_t start = 0;
            for (std::size_t end = text.find('\n'); end != std::string_view::npos;
                 end = text.find('\n', start)) {
                reader.Line(text.substr(start, end - start));
                start = end + 1;
            }
            kept = text.size() - start;
            if (start == 0 && kept == block.size()) block.resize(block.size() * 2);  // a long line
            std::copy(block.begin() + static_cast<std::ptrdiff_t>(start),
                      block.begin() + static_cast<std::ptrdiff_t>(start + kept), block.begin());
        }
        reader.Finish();
    } catch (const ListReadError& error) {
        writer.Flush();
        console::WriteError("dirscribe-cli: " + name + ":" + std::to_string(error.Line()) + ": " +
                            error.what() + "\n");
        return false;
    }
    return true;
}

}  // namespace

int RunFind(const FindOptions& options) {
    std::unique_ptr<platform::NamePattern> pattern;
    try {
        pattern = options.regex ? platform::MakeRegexPattern(options.pattern)
                                : platform::MakeMaskPattern(options.pattern);
    } catch (const std::regex_error& error) {
        console::WriteError("dirscribe-cli: bad regular expression '" + options.pattern +
                            "': " + error.what() + "\n");
        return kFindUnreadable;
    }
    MatchWriter writer(options.csv, options.lists.size() > 1);
    bool allRead = true;
    for (const auto& list : options.lists) allRead = ReadList(list, *pattern, writer) && allRead;
    writer.Flush();
    if (!allRead) return kFindUnreadable;
    return writer.Count() > 0 ? kFindMatched : kFindNoMatch;
}

}  // namespace dirscribe::cli
