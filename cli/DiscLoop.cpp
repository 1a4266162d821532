// SPDX-License-Identifier: MIT
// DiscLoop: one listing run per disc into the same lists; the drive is polled a few times a
// second while waiting, and a disc is new once the drive was seen empty or reported a change.
#include "cli/DiscLoop.h"

#include <iostream>
#include <thread>

#include "engine/ListingRun.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace dirscribe::cli {

namespace console = platform::console;

namespace {

std::string Grouped(std::int64_t value) {
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

std::string CountsText(const DiscCounts& counts) {
    return Grouped(counts.folders) + (counts.folders == 1 ? " folder, " : " folders, ") +
           Grouped(counts.files) + (counts.files == 1 ? " file, " : " files, ") +
           Grouped(counts.bytes) + " bytes";
}

// The walker's file system, counting the folders it opens and the files whose details it reads
// (the files it lists).
class CountingFileSystem final : public platform::FileSystem {
  public:
    CountingFileSystem(platform::FileSystem& inner, DiscCounts& counts)
        : inner_(inner), counts_(counts) {}

    platform::FolderTexts BeginWalk(const std::string& startPath) override {
        return inner_.BeginWalk(startPath);
    }
    void Prefetch(std::string_view mask, bool files) override { inner_.Prefetch(mask, files); }
    void StopReadingAhead() override { inner_.StopReadingAhead(); }
    void EndWalk() override { inner_.EndWalk(); }
    std::unique_ptr<platform::Folder> OpenFolder(const std::string& path) override {
        ++counts_.folders;
        return std::make_unique<CountingFolder>(inner_.OpenFolder(path), counts_);
    }

  private:
    struct CountingFolder final : platform::Folder {
        CountingFolder(std::unique_ptr<platform::Folder> folder, DiscCounts& c)
            : inner(std::move(folder)), counts(c) {}
        void BeginAll() override { inner->BeginAll(); }
        bool NextAll(platform::Entry& entry) override { return inner->NextAll(entry); }
        platform::SubFolderKind ReadKind(const platform::Entry& entry) override {
            return inner->ReadKind(entry);
        }
        void BeginFiles(std::string_view mask) override { inner->BeginFiles(mask); }
        bool NextFile(platform::Entry& entry) override { return inner->NextFile(entry); }
        platform::FileDetails ReadDetails(const platform::Entry& entry) override {
            const platform::FileDetails details = inner->ReadDetails(entry);
            ++counts.files;
            counts.bytes += details.size;
            return details;
        }
        void DoneReading() override { inner->DoneReading(); }
        std::unique_ptr<platform::Folder> OpenChild(std::string_view name) override {
            ++counts.folders;
            return std::make_unique<CountingFolder>(inner->OpenChild(name), counts);
        }

        std::unique_ptr<platform::Folder> inner;
        DiscCounts& counts;
    };

    platform::FileSystem& inner_;
    DiscCounts& counts_;
};

}  // namespace

DiscLoopConsole ProcessConsole() {
    DiscLoopConsole c;
    c.interrupted = console::Interrupted;
    c.sleep = [](std::chrono::milliseconds time) { std::this_thread::sleep_for(time); };
    c.report = [](std::string_view text) {
        console::WriteError("dirscribe-cli: " + std::string(text) + "\n");
    };
    c.askLine = [](const std::string& prompt) -> std::optional<std::string> {
        console::WriteError(prompt);
        std::string line;
        // Ctrl-C interrupts the read: no answer.
        if (!std::getline(std::cin, line) || console::Interrupted()) return std::nullopt;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    };
    c.canAsk =
        console::IsTerminal(console::Stream::Input) && console::IsTerminal(console::Stream::Error);
    return c;
}

DiscLoop::DiscLoop(const CliOptions& listing, const DiscLoopOptions& options,
                   cdtray::DiscDrive& drive, DiscLoopConsole console)
    : listing_(listing), options_(options), drive_(drive), console_(std::move(console)) {}

int DiscLoop::Run() {
    if (!NewListMayBeWritten()) return 1;
    if (options_.askDescription && !console_.canAsk) {
        console_.report(
            "--ask-description needs a terminal; every disc gets the description given");
    }
    for (;;) {
        if (WaitForNewDisc() == Waited::Interrupted) {
            Summary();
            return 0;
        }
        const std::string number = "disc " + std::to_string(listed_ + unreadable_ + 1);
        cdtray::MountedDisc disc;
        try {
            disc = drive_.Mount();
            // A disc whose top folder cannot be read fails here, before its block is begun.
            if (!platform::IsFolder(disc.root)) {
                throw Failure(FailureNo::PathNotFound, "'" + disc.root + "' is not a folder");
            }
        } catch (const Failure& failure) {
            drive_.Unmount();
            ++unreadable_;
            console_.report(number + " cannot be read: " + failure.Description() +
                            "; ejected, and on to the next");
            if (!drive_.Eject()) console_.report("the disc could not be ejected: take it out");
            continue;
        }

        std::string description = listing_.description;
        if (options_.askDescription && console_.canAsk) {
            const auto answer =
                console_.askLine("Description of " + number + " (label '" + disc.label + "'): ");
            if (console_.interrupted()) {
                drive_.Unmount();
                Summary();
                return 0;
            }
            if (answer) description = *answer;
        }

        DiscCounts counts;
        const auto started = std::chrono::steady_clock::now();
        const Listed listed = ListDisc(disc, description, counts);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        drive_.Unmount();
        total_.Add(counts);
        if (listed == Listed::Failed) {
            console_.report("the list could not be written; " + number + " stays in the drive");
            Summary();
            return 1;
        }
        ++listed_;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", took.count());
        const std::string volume =
            description.empty() ? disc.label : disc.label + " (" + description + ")";
        if (listed == Listed::Stopped) {
            console_.report(number + " '" + volume + "' stopped by Ctrl-C after " +
                            CountsText(counts) + "; its block has its footer");
            Summary();
            return 130;
        }
        console_.report(number + " '" + volume + "': " + CountsText(counts) + ", " + seconds +
                        " s");
        if (!drive_.Eject()) console_.report("the disc could not be ejected: take it out");
        if (options_.discs > 0 && listed_ >= options_.discs) {
            Summary();
            return 0;
        }
    }
}

DiscLoop::Waited DiscLoop::WaitForNewDisc() {
    bool told = false;
    for (;;) {
        if (console_.interrupted()) return Waited::Interrupted;
        const cdtray::MediaState state = drive_.Poll();
        if (state.media == cdtray::Media::None) absentSeen_ = true;
        // Not by label: two discs may share one. The same disc is new again once taken out.
        if (state.media == cdtray::Media::Present &&
            (absentSeen_ || !lastChange_ || state.change != *lastChange_)) {
            absentSeen_ = false;
            lastChange_ = state.change;
            return Waited::Disc;
        }
        if (!told) {
            console_.report(std::string(listed_ + unreadable_ == 0 ? "Insert a disc into "
                                                                   : "Insert the next disc into ") +
                            drive_.Name() + "; Ctrl-C to finish");
            told = true;
        }
        console_.sleep(options_.pollInterval);
    }
}

bool DiscLoop::NewListMayBeWritten() {
    // Asked once, before the first disc: the later discs are added to the new list.
    const std::string& name = listing_.newList;
    if (name.empty() || name == CliFrontEnd::kStandardOutput || listing_.overwrite) return true;
    if (!platform::ListFileExists(name)) return true;
    SharedState state;
    CliFrontEnd frontEnd(listing_, state);
    if (!frontEnd.AskYesNo("New List file exists! Overwrite, losing existing content?")) {
        return false;
    }
    listing_.overwrite = true;
    return true;
}

DiscLoop::Listed DiscLoop::ListDisc(const cdtray::MountedDisc& disc, const std::string& description,
                                    DiscCounts& counts) {
    CliOptions options = listing_;
    options.startFolder = disc.root;
    options.label = disc.label;
    options.description = description;
    options.eject = false;  // the loop ejects, after unmounting what it mounted
    const bool later = listed_ > 0;
    if (later) options.overwrite = true;

    SharedState state;
    state.OutputFormat = options.format;
    CliFrontEnd frontEnd(options, state);
    frontEnd.SetInterruptCheck(console_.interrupted);
    ListFiles files;
    files.SetStandardOutputName(CliFrontEnd::kStandardOutput);
    if (later && !options.newList.empty()) {
        // The new list was begun by the first disc; the others are added to it.
        auto open = files.CurrentOpener();
        const std::string newList = options.newList;
        files.SetOpener([open, newList](const std::string& path, platform::OutputFile::Mode mode) {
            if (path == newList && mode == platform::OutputFile::Mode::Write) {
                mode = platform::OutputFile::Mode::Append;
            }
            return open(path, mode);
        });
    }
    auto fileSystem = platform::MakeFileSystem();
    CountingFileSystem counting(*fileSystem, counts);
    ListingRun run(state, frontEnd, files, counting);
    const RunOutcome outcome = run.Command1_Click();
    if (frontEnd.ListWriteFailed()) return Listed::Failed;
    switch (outcome) {
        case RunOutcome::Completed:
            return console_.interrupted() ? Listed::Stopped : Listed::Done;
        case RunOutcome::Stopped:
            return Listed::Stopped;
        default:
            return Listed::Failed;
    }
}

void DiscLoop::Summary() {
    std::string text = "listed " + std::to_string(listed_) + (listed_ == 1 ? " disc" : " discs");
    if (listed_ > 0) text += ": " + CountsText(total_);
    if (unreadable_ > 0) {
        text += "; " + std::to_string(unreadable_) +
                (unreadable_ == 1 ? " disc could not be read" : " discs could not be read");
    }
    console_.report(text);
}

}  // namespace dirscribe::cli
