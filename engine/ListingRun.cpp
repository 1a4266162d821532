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

RunOutcome ListingRun::Command1_Click() {
    if (frontEnd_.Command1Caption() == "Stop") {
        state_.StopRequested = true;
        return RunOutcome::StopAsked;
    }

    std::int16_t retryCount = 0;
    const WriteFailureBox box(files_, frontEnd_);
    // Carries out one step; a failure is retried after a yield until the limit.
    auto step = [&](auto&& op) {
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
                if (++retryCount < kRunFailureLimit) continue;
                // The progress window keeps its texts; the tray stays shut.
                frontEnd_.ShowMessage("Error:" + failure.Description());
                frontEnd_.SetBusyPointer(false);
                frontEnd_.SetCommand1Caption("Start");
                files_.Abandon();
                throw RunEnded{RunOutcome::Failed};
            }
        }
    };

    try {
        const RunSettings settings = step([&] { return frontEnd_.ReadSettings(); });
        RunOptions options = 0;
        if (settings.dirsOnly) options |= RunDirsOnly;
        if (settings.append) {
            options |= RunAppend;
        } else if (settings.both) {
            options |= RunBoth;
        } else if (settings.newList) {
            options |= RunNewList;
        }
        std::string startPath = settings.startPath;

        std::string newListName;
        std::string appendName;
        if (NewListWanted(options)) {
            newListName = step([&] {
                return frontEnd_.AskListFile(ListDialog::CDlg, "Save List As (New File)",
                                             DialogFilter(state_.OutputFormat));
            });
            if (newListName.empty()) return RunOutcome::Cancelled;
        }
        if (AppendWanted(options)) {
            appendName = step([&] {
                return frontEnd_.AskListFile(ListDialog::Cdlg2, "Save List As (Append File)",
                                             DialogFilter(state_.OutputFormat));
            });
            if (appendName.empty()) return RunOutcome::Cancelled;
        }
        // Two names of one file: opening the new list would empty the file the run is asked to
        // append to. Refused before anything is opened.
        if (NewListWanted(options) && AppendWanted(options)) {
            const bool same = step([&] { return files_.SameFile(newListName, appendName); });
            if (same) {
                step([&] {
                    frontEnd_.ShowMessage("Error:the new list '" + newListName +
                                          "' and the append file '" + appendName +
                                          "' are the same file");
                });
                return RunOutcome::Failed;
            }
        }

        step([&] { frontEnd_.SetBusyPointer(true); });
        step([&] { frontEnd_.SetCommand1Caption("Stop"); });
        step([&] { frontEnd_.ShowProgress(); });
        step([&] { frontEnd_.ShowStatus("Reading Directory Information", "Please Wait..."); });

        const std::string label = step([&] { return frontEnd_.VolumeLabel(settings.drive); });
        const std::string volumeText = TrimSpaces(settings.description).empty()
                                           ? label
                                           : label + "(" + settings.description + ")";

        FileNumber newListNo = 0;
        FileNumber appendNo = 0;
        if (NewListWanted(options)) {
            const bool exists = step([&] { return files_.Exists(newListName); });
            if (exists) {
                const bool overwrite = step([&] {
                    return frontEnd_.AskYesNo(
                        "New List file exists! Overwrite, losing existing content?");
                });
                if (!overwrite) {
                    step([&] { frontEnd_.SetBusyPointer(false); });
                    step([&] { frontEnd_.SetCommand1Caption("Start"); });
                    step([&] { frontEnd_.UnloadProgress(); });
                    return RunOutcome::Declined;
                }
            }
            step([&] {
                newListNo = files_.FreeFile();
                files_.Open(newListNo, newListName, platform::OutputFile::Mode::Write);
            });
        }
        if (AppendWanted(options)) {
            step([&] {
                appendNo = files_.FreeFile();
                files_.Open(appendNo, appendName, platform::OutputFile::Mode::Append);
            });
        }

        DirIO dirIO(state_, frontEnd_, files_, fileSystem_,
                    regional_ ? *regional_ : platform::CurrentRegionalSettings());
        std::string lineBuffer;
        auto write = [&](const std::string& line) {
            step([&] { dirIO.WriteListLine(line, newListNo, appendNo, options); });
        };

        // A second stop (RunCutShort) ends the walk at the line being written; the footer
        // still follows.
        bool cutShort = false;
        try {
            const ListFormat headerFormat = state_.OutputFormat;
            if (IsTextFormat(headerFormat)) {
                write(lineBuffer);
                write(lineBuffer);
                lineBuffer = kHyphenLine;
                write(lineBuffer);
            } else if (headerFormat == ListFormat::Csv) {
                write(QuoteField("Path") + "," + QuoteField("Name") + "," + QuoteField("Size") +
                      "," + QuoteField("Date"));
            } else if (IsHtmlFormat(headerFormat)) {
                lineBuffer = kHtmlHeaderLine;
                write(lineBuffer);
            }

            dirIO.ListDirectory(startPath, settings.mask, newListNo, appendNo, volumeText, options);
        } catch (const RunCutShort&) {
            cutShort = true;
        }

        const bool stopped = state_.StopRequested || cutShort;
        state_.StopRequested = false;

        // The footer follows the format chosen by now, and whatever the line buffer holds.
        const ListFormat footerFormat = state_.OutputFormat;
        if (IsTextFormat(footerFormat)) {
            write(lineBuffer);
            write(lineBuffer);
            lineBuffer = kHyphenLine;
            write(lineBuffer);
        } else if (IsHtmlFormat(footerFormat)) {
            lineBuffer = kHtmlFooterLine;
            write(lineBuffer);
        }

        step([&] { files_.CloseAll(); });

        step([&] { frontEnd_.SetBusyPointer(false); });
        step([&] { frontEnd_.SetCommand1Caption("Start"); });
        step([&] { frontEnd_.UnloadProgress(); });
        step([&] { frontEnd_.OpenTray(settings.startPath); });
        return stopped ? RunOutcome::Stopped : RunOutcome::Completed;
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
