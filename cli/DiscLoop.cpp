// SPDX-License-Identifier: MIT
// DiscLoop: one listing run per disc into the same lists; the drive is polled a few times a
// second while waiting, and a disc is new once the drive was seen empty or reported a change.
#include "cli/DiscLoop.h"

#include <iostream>
#include <thread>

#include "base/Failure.h"
#include "base/SafeText.h"
#include "engine/ListFormats.h"
#include "engine/ListingRun.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace dirscribe::cli {

namespace console = platform::console;

namespace {

// The counts are grouped by three as the lists' sizes are, with "," whatever the regional
// settings.
std::string CountsText(const DiscCounts& counts) {
    const FieldFormatter sizes(platform::RegionalSettings::UnitedStates());
    const auto grouped = [&sizes](std::int64_t value) {
        std::string text;
        sizes.AppendSizeText(text, value);
        return text.substr(text.find_first_not_of(' '));
    };
    return grouped(counts.folders) + (counts.folders == 1 ? " folder, " : " folders, ") +
           grouped(counts.files) + (counts.files == 1 ? " file, " : " files, ") +
           grouped(counts.bytes) + " bytes";
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
    c.interruptStatus = console::InterruptStatus;
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

DiscLoop::DiscLoop(CliOptions listing, const DiscLoopOptions& options, cdtray::DiscDrive& drive,
                   DiscLoopConsole console)
    : listing_(std::move(listing)),
      options_(options),
      drive_(drive),
      console_(std::move(console)) {}

int DiscLoop::Run() {
    if (!NewListMayBeWritten()) return 1;
    if (options_.askDescription && !console_.canAsk) {
        console_.report(
            "--ask-description needs a terminal; every disc gets the description given");
    }
    catalogue::DiscLoopOptions loopOptions;
    loopOptions.discs = options_.discs;
    loopOptions.pollInterval = options_.pollInterval;
    catalogue::DiscLoop loop(drive_, loopOptions, *this);
    const catalogue::LoopEnd end = loop.Run();
    Summary(loop);
    switch (end) {
        case catalogue::LoopEnd::Finished:
            return 0;
        case catalogue::LoopEnd::Stopped: {
            // Stopped by a signal: the status tells which, as for a single run.
            const int status = StopStatus();
            return status == 143 || status == 129 ? status : 130;
        }
        case catalogue::LoopEnd::Failed:
            break;
    }
    return 1;
}

void DiscLoop::Waiting(bool first) {
    console_.report(std::string(first ? "Insert a disc into " : "Insert the next disc into ") +
                    drive_.Name() + "; Ctrl-C to finish");
}

std::optional<std::string> DiscLoop::Description(int number, const std::string& label) {
    if (!options_.askDescription || !console_.canAsk) return listing_.description;
    const auto answer = console_.askLine("Description of disc " + std::to_string(number) +
                                         " (label '" + label + "'): ");
    if (console_.interrupted()) return std::nullopt;
    // It goes into every heading: a line end typed into it would forge list lines.
    return answer ? MaskedControls(*answer) : listing_.description;
}

catalogue::DiscListed DiscLoop::ListDisc(int number, const cdtray::MountedDisc& disc,
                                         const std::string& description, bool later) {
    const std::string name = "disc " + std::to_string(number);
    DiscCounts counts;
    const auto started = std::chrono::steady_clock::now();
    const catalogue::DiscListed listed = ListOnce(disc, description, later, counts);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    total_.Add(counts);
    if (listed == catalogue::DiscListed::Failed) {
        console_.report("the list could not be written; " + name + " stays in the drive");
        return listed;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", took.count());
    const std::string volume =
        description.empty() ? disc.label : disc.label + " (" + description + ")";
    if (listed == catalogue::DiscListed::Stopped) {
        const int status = StopStatus();
        const char* by = status == 143 ? "SIGTERM" : status == 129 ? "SIGHUP" : "Ctrl-C";
        console_.report(name + " '" + volume + "' stopped by " + by + " after " +
                        CountsText(counts) + "; its block has its footer");
    } else {
        console_.report(name + " '" + volume + "': " + CountsText(counts) + ", " + seconds + " s");
    }
    return listed;
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

catalogue::DiscListed DiscLoop::ListOnce(const cdtray::MountedDisc& disc,
                                         const std::string& description, bool later,
                                         DiscCounts& counts) {
    CliOptions options = listing_;
    options.startFolder = disc.root;
    options.label = disc.label;
    options.description = description;
    options.eject = false;  // the loop ejects, after unmounting what it mounted
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
    if (frontEnd.ListWriteFailed()) return catalogue::DiscListed::Failed;
    switch (outcome) {
        case RunOutcome::Completed:
            return console_.interrupted() ? catalogue::DiscListed::Stopped
                                          : catalogue::DiscListed::Done;
        case RunOutcome::Stopped:
            return catalogue::DiscListed::Stopped;
        default:
            return catalogue::DiscListed::Failed;
    }
}

void DiscLoop::Summary(const catalogue::DiscLoop& loop) {
    const int listed = loop.Listed();
    const int unreadable = loop.Unreadable();
    std::string text = "listed " + std::to_string(listed) + (listed == 1 ? " disc" : " discs");
    if (listed > 0) text += ": " + CountsText(total_);
    if (unreadable > 0) {
        text += "; " + std::to_string(unreadable) +
                (unreadable == 1 ? " disc could not be read" : " discs could not be read");
    }
    console_.report(text);
}

int RunEachDisc(const CliOptions& listing, const DiscLoopOptions& options,
                const std::string& drive) {
    std::unique_ptr<cdtray::DiscDrive> opened;
    try {
        opened = cdtray::OpenDiscDrive(drive);
    } catch (const Failure& failure) {
        console::WriteError("dirscribe-cli: " + failure.Description() + "\n");
        return 1;
    }
    console::CatchInterrupt();
    DiscLoop loop(listing, options, *opened, ProcessConsole());
    return loop.Run();
}

}  // namespace dirscribe::cli
