// SPDX-License-Identifier: MIT
// ListingRun: asks for the list files, writes header, walk and footer, then opens the tray.
// One failure handler covers the whole click: every failed step is tried again after a yield,
// until 100 failures in all end the run.
#include "engine/ListingRun.h"

#include <cstdint>
#include <string>

#include "engine/DirIO.h"
#include "engine/ListFormats.h"
#include "engine/RunOptions.h"

namespace dirscribe {

namespace {

// Ends the click from inside a step.
struct RunEnded {
    RunOutcome outcome;
};

// The box for a list file that cannot be written: the failure, and what each answer does with
// the bytes still waiting.
std::string WriteFailureText(const Failure& failure, std::size_t bytes, std::size_t lines,
                             bool closing) {
    std::string text =
        "Error Number: " + std::to_string(failure.Number()) + " " + failure.Description() + "\r\n";
    if (closing) return text + "The end of the list may be lost. Abort ends the run.";
    return text + std::to_string(bytes) + " bytes (" + std::to_string(lines) +
           (lines == 1 ? " line" : " lines") +
           ") are not written yet. Retry writes them, Ignore leaves them out, Abort ends the run.";
}

// Lets the list files ask the front end about a failed write for as long as the run lasts.
class WriteFailureBox {
  public:
    WriteFailureBox(ListFiles& files, FrontEnd& frontEnd) : files_(files) {
        files_.SetWriteFailureHandler([&frontEnd](const Failure& failure, std::size_t bytes,
                                                  std::size_t lines, bool closing) {
            return frontEnd.AskAbortRetryIgnore(WriteFailureText(failure, bytes, lines, closing),
                                                failure);
        });
    }
    ~WriteFailureBox() { files_.SetWriteFailureHandler(nullptr); }
    WriteFailureBox(const WriteFailureBox&) = delete;
    WriteFailureBox& operator=(const WriteFailureBox&) = delete;

  private:
    ListFiles& files_;
};

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

ListingRun::ListingRun(SharedState& state, FrontEnd& frontEnd, ListFiles& files,
                       platform::FileSystem& fileSystem)
    : state_(state), frontEnd_(frontEnd), files_(files), fileSystem_(fileSystem) {}

struct ListingRun::Click {
    std::int16_t retryCount = 0;  // the failures met so far, all steps together
    RunSettings settings;
    RunOptions options = 0;
    std::string newListName;
    std::string appendName;
    std::string volumeText;  // the label, with the description in brackets when there is one
    FileNumber newListNo = 0;
    FileNumber appendNo = 0;
    // What the header left in the line buffer (the hyphen line, the HTML header line, or
    // nothing): a text footer writes it twice before its own hyphen line, whatever the format
    // of the header was.
    std::string lineBuffer;
};

template <typename Op>
auto ListingRun::Step(Click& click, Op&& op) {
    for (;;) {
        try {
            return op();
        } catch (const Failure& failure) {
            if (failure.Number() == FailureNo::DialogCancelled)
                throw RunEnded{RunOutcome::Cancelled};
            try {
                frontEnd_.Yield();
            } catch (const Failure&) {
            }
            if (++click.retryCount < kRunFailureLimit) continue;
            // The progress window keeps its texts; the tray stays shut.
            frontEnd_.ShowMessage("Error:" + failure.Description());
            frontEnd_.SetBusyPointer(false);
            frontEnd_.SetCommand1Caption("Start");
            files_.Abandon();
            throw RunEnded{RunOutcome::Failed};
        }
    }
}

RunOutcome ListingRun::Command1_Click() {
    if (frontEnd_.Command1Caption() == "Stop") {
        state_.StopRequested = true;
        return RunOutcome::StopAsked;
    }

    const WriteFailureBox box(files_, frontEnd_);
    Click click;
    try {
        if (const auto ended = ChooseFiles(click)) return *ended;
        ShowRunning(click);
        if (const auto ended = OpenFiles(click)) return *ended;

        DirIO dirIO(state_, frontEnd_, files_, fileSystem_,
                    regional_ ? *regional_ : platform::CurrentRegionalSettings());
        const bool cutShort = WriteHeaderAndWalk(click, dirIO);
        const bool stopped = state_.StopRequested || cutShort;
        state_.StopRequested = false;
        WriteFooter(click, dirIO);
        return EndRun(click, stopped);
    } catch (const RunEnded& ended) {
        return ended.outcome;
    } catch (const ListWriteAborted&) {
        // The user gave up on a list file (the box was the message): what was written stays,
        // without a footer; the tray stays shut.
        return GiveUp();
    } catch (const RunCutShort&) {
        // Cut short while the footer was written.
        GiveUp();
        return RunOutcome::Stopped;
    }
}

std::optional<RunOutcome> ListingRun::ChooseFiles(Click& click) {
    click.settings = Step(click, [&] { return frontEnd_.ReadSettings(); });
    const RunSettings& settings = click.settings;
    RunOptions& options = click.options;
    if (settings.dirsOnly) options |= RunDirsOnly;
    if (settings.append) {
        options |= RunAppend;
    } else if (settings.both) {
        options |= RunBoth;
    } else if (settings.newList) {
        options |= RunNewList;
    }

    if (NewListWanted(options)) {
        click.newListName = Step(click, [&] {
            return frontEnd_.AskListFile(ListDialog::CDlg, "Save List As (New File)",
                                         DialogFilter(state_.OutputFormat));
        });
        if (click.newListName.empty()) return RunOutcome::Cancelled;
    }
    if (AppendWanted(options)) {
        click.appendName = Step(click, [&] {
            return frontEnd_.AskListFile(ListDialog::Cdlg2, "Save List As (Append File)",
                                         DialogFilter(state_.OutputFormat));
        });
        if (click.appendName.empty()) return RunOutcome::Cancelled;
    }
    // Two names of one file: opening the new list would empty the file the run is asked to
    // append to. Refused before anything is opened.
    if (NewListWanted(options) && AppendWanted(options)) {
        const bool same =
            Step(click, [&] { return files_.SameFile(click.newListName, click.appendName); });
        if (same) {
            Step(click, [&] {
                frontEnd_.ShowMessage("Error:the new list '" + click.newListName +
                                      "' and the append file '" + click.appendName +
                                      "' are the same file");
            });
            return RunOutcome::Failed;
        }
    }
    return std::nullopt;
}

void ListingRun::ShowRunning(Click& click) {
    Step(click, [&] { frontEnd_.SetBusyPointer(true); });
    Step(click, [&] { frontEnd_.SetCommand1Caption("Stop"); });
    Step(click, [&] { frontEnd_.ShowProgress(); });
    Step(click, [&] { frontEnd_.ShowStatus("Reading Directory Information", "Please Wait..."); });

    const RunSettings& settings = click.settings;
    const std::string label = Step(click, [&] { return frontEnd_.VolumeLabel(settings.drive); });
    click.volumeText =
        TrimSpaces(settings.description).empty() ? label : label + "(" + settings.description + ")";
}

std::optional<RunOutcome> ListingRun::OpenFiles(Click& click) {
    if (NewListWanted(click.options)) {
        const bool exists = Step(click, [&] { return files_.Exists(click.newListName); });
        if (exists) {
            const bool overwrite = Step(click, [&] {
                return frontEnd_.AskYesNo(
                    "New List file exists! Overwrite, losing existing content?");
            });
            if (!overwrite) {
                Step(click, [&] { frontEnd_.SetBusyPointer(false); });
                Step(click, [&] { frontEnd_.SetCommand1Caption("Start"); });
                Step(click, [&] { frontEnd_.UnloadProgress(); });
                return RunOutcome::Declined;
            }
        }
        Step(click, [&] {
            click.newListNo = files_.FreeFile();
            files_.Open(click.newListNo, click.newListName, platform::OutputFile::Mode::Write);
        });
    }
    if (AppendWanted(click.options)) {
        Step(click, [&] {
            click.appendNo = files_.FreeFile();
            files_.Open(click.appendNo, click.appendName, platform::OutputFile::Mode::Append);
        });
    }
    return std::nullopt;
}

void ListingRun::WriteLine(Click& click, DirIO& dirIO, const std::string& line) {
    Step(click, [&] { dirIO.WriteListLine(line, click.newListNo, click.appendNo, click.options); });
}

bool ListingRun::WriteHeaderAndWalk(Click& click, DirIO& dirIO) {
    // A second stop (RunCutShort) ends the walk at the line being written; the footer still
    // follows.
    try {
        std::string& lineBuffer = click.lineBuffer;
        const ListFormat headerFormat = state_.OutputFormat;
        if (IsTextFormat(headerFormat)) {
            WriteLine(click, dirIO, lineBuffer);
            WriteLine(click, dirIO, lineBuffer);
            lineBuffer = kHyphenLine;
            WriteLine(click, dirIO, lineBuffer);
        } else if (headerFormat == ListFormat::Csv) {
            WriteLine(click, dirIO,
                      QuoteField("Path") + "," + QuoteField("Name") + "," + QuoteField("Size") +
                          "," + QuoteField("Date"));
        } else if (IsHtmlFormat(headerFormat)) {
            lineBuffer = kHtmlHeaderLine;
            WriteLine(click, dirIO, lineBuffer);
        }

        std::string startPath = click.settings.startPath;
        dirIO.ListDirectory(startPath, click.settings.mask, click.newListNo, click.appendNo,
                            click.volumeText, click.options);
    } catch (const RunCutShort&) {
        return true;
    }
    return false;
}

void ListingRun::WriteFooter(Click& click, DirIO& dirIO) {
    // The footer follows the format chosen by now, and whatever the line buffer holds.
    std::string& lineBuffer = click.lineBuffer;
    const ListFormat footerFormat = state_.OutputFormat;
    if (IsTextFormat(footerFormat)) {
        WriteLine(click, dirIO, lineBuffer);
        WriteLine(click, dirIO, lineBuffer);
        lineBuffer = kHyphenLine;
        WriteLine(click, dirIO, lineBuffer);
    } else if (IsHtmlFormat(footerFormat)) {
        lineBuffer = kHtmlFooterLine;
        WriteLine(click, dirIO, lineBuffer);
    }
}

RunOutcome ListingRun::EndRun(Click& click, bool stopped) {
    Step(click, [&] { files_.CloseAll(); });

    Step(click, [&] { frontEnd_.SetBusyPointer(false); });
    Step(click, [&] { frontEnd_.SetCommand1Caption("Start"); });
    Step(click, [&] { frontEnd_.UnloadProgress(); });
    Step(click, [&] { frontEnd_.OpenTray(click.settings.startPath); });
    return stopped ? RunOutcome::Stopped : RunOutcome::Completed;
}

RunOutcome ListingRun::GiveUp() noexcept {
    files_.Abandon();
    try {
        frontEnd_.SetBusyPointer(false);
        frontEnd_.SetCommand1Caption("Start");
        frontEnd_.UnloadProgress();
    } catch (...) {
    }
    return RunOutcome::Failed;
}

}  // namespace dirscribe
