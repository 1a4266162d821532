// SPDX-License-Identifier: MIT
// FindCommand: the catalogue search with its matches on standard output, in large writes, and
// its troubles on standard error.
#include "cli/FindCommand.h"

#include "base/Failure.h"
#include "catalogue/ListSearch.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/InputFile.h"
#include "platform/OutputFile.h"

namespace dirscribe::cli {

namespace console = platform::console;

namespace {

// The line end of the lists on this system, used for the matches too.
constexpr std::string_view kLineEnd = platform::kPathSeparator == '\\' ? "\r\n" : "\n";
constexpr std::size_t kBlock = 1 << 20;
// A list cut short by a full disk has a line or two that no format writes; a file full of
// them is no list, and says so in a few lines, not in thousands.
constexpr std::size_t kWarningsPerList = 5;

class FindOutput final : public catalogue::SearchSink {
  public:
    FindOutput(const FindOptions& options)
        : options_(options),
          out_(platform::OutputFile::StandardOutput()),
          warnings_(options.lists.size(), 0) {
        if (options_.csv) {
            catalogue::AppendMatchCsvHeader(text_);
            text_.append(kLineEnd);
        }
    }

    void Matched(std::size_t list, const ListedEntry& entry) override {
        const std::string& name = options_.lists[list];
        if (options_.csv) {
            catalogue::AppendMatchCsv(text_, name, entry);
        } else {
            catalogue::AppendMatchText(text_, options_.lists.size() > 1 ? name : "", entry);
        }
        text_.append(kLineEnd);
        if (text_.size() >= kBlock) Flush();
    }

    void LineSkipped(std::size_t list, std::size_t line, std::string_view reason) override {
        const std::size_t seen = ++warnings_[list];
        if (seen > kWarningsPerList) return;
        std::string text = "dirscribe-cli: " + options_.lists[list] + ":" + std::to_string(line) +
                           ": " + std::string(reason) + "; line skipped";
        if (seen == kWarningsPerList)
            text += " (further such lines of this list are skipped quietly)";
        console::WriteError(text + "\n");
    }

    void ListFailed(std::size_t /*list*/, std::string_view reason) override {
        Flush();
        console::WriteError("dirscribe-cli: " + std::string(reason) + "\n");
    }

    bool Cancelled() override { return failed_ || console::Interrupted(); }

    // Writes what is waiting; false once a write failed (after saying so).
    bool Flush() {
        if (failed_ || text_.empty()) return !failed_;
        try {
            out_.Write(text_);
        } catch (const Failure& failure) {
            failed_ = true;
            text_.clear();
            console::WriteError(
                "dirscribe-cli: cannot write the matches: " + failure.Description() + "\n");
        }
        return !failed_;
    }

  private:
    const FindOptions& options_;
    platform::OutputFile out_;
    std::string text_;
    std::vector<std::size_t> warnings_;
    bool failed_ = false;
};

// Matches written into a list being read would be read again, without end.
bool OutputIsAList(const FindOptions& options) {
    const auto output = platform::StandardOutputFileIdentity();
    if (!output) return false;
    for (const auto& list : options.lists) {
        try {
            if (platform::InputFile::Open(list).Identity() == output) {
                console::WriteError("dirscribe-cli: the matches would go into list file '" + list +
                                    "', which is being searched\n");
                return true;
            }
        } catch (const Failure&) {
            // Reported when the list is read.
        }
    }
    return false;
}

}  // namespace

int RunFind(const FindOptions& options) {
    std::unique_ptr<platform::NamePattern> pattern;
    try {
        pattern = catalogue::MakeSearchPattern(options.pattern, options.regex);
    } catch (const platform::PatternError& error) {
        console::WriteError("dirscribe-cli: bad regular expression '" + options.pattern +
                            "': " + error.what() + "\n");
        return kFindUnreadable;
    }
    if (OutputIsAList(options)) return kFindUnreadable;
    console::CatchInterrupt();
    FindOutput output(options);
    const catalogue::SearchTotals totals = catalogue::SearchLists(*pattern, options.lists, output);
    if (!output.Flush()) return kFindUnreadable;
    if (console::Interrupted()) return console::InterruptStatus();
    if (totals.listsFailed > 0) return kFindUnreadable;
    return totals.matches > 0 ? kFindMatched : kFindNoMatch;
}

}  // namespace dirscribe::cli
