// SPDX-License-Identifier: MIT
// DirIO: the walker lists a folder's sub-folders before its files, then walks each sub-folder;
// every line reaches the list files through WriteListLine.
#include "engine/DirIO.h"

#include <deque>
#include <vector>

#include "base/SafeText.h"

namespace dirscribe {

namespace {

constexpr char kSep = platform::kPathSeparator;

// Failures reported without asking: what is not there (a folder gone in the middle of the
// walk is "path not found" on Windows), what may not be read, and names the system refuses.
bool IsQuiet(int number) {
    return number == FailureNo::FileNotFound || number == FailureNo::PathNotFound ||
           number == FailureNo::PathFileAccess || number == FailureNo::BadFileName;
}

}  // namespace

// What every level of one walk shares.
struct DirIO::Walk {
    const std::string& mask;
    FileNumber& newListNo;
    FileNumber& appendNo;
    const std::string& volumeText;
    RunOptions& options;
    const platform::FolderTexts& startTexts;
    std::size_t startLength;  // the start folder's path, a prefix of `path`
    std::string path;         // the folder being read, or the sub-folder being gone into
};

// One folder on the way down: what of it is left to walk. The path is not kept: it is the
// first `pathLength` bytes of Walk::path.
struct DirIO::Frame {
    struct SubFolder {
        std::string name;
        platform::SubFolderKind kind;
    };
    std::unique_ptr<platform::Folder> folder;
    std::vector<SubFolder> subFolders;
    std::size_t next = 0;  // the next of subFolders to go into
    std::size_t pathLength = 0;
    bool givenUp = false;      // aborted: none of the rest is walked
    bool inSubFolder = false;  // back from subFolders[next - 1]: the yield after it is due
};

DirIO::DirIO(SharedState& state, FrontEnd& frontEnd, ListFiles& files,
             platform::FileSystem& fileSystem, platform::RegionalSettings regional)
    : state_(state),
      frontEnd_(frontEnd),
      files_(files),
      fileSystem_(fileSystem),
      formatter_(std::move(regional)) {
    line_.reserve(512);
}

void DirIO::WriteListLine(std::string_view text, FileNumber& newListNo, FileNumber& appendNo,
                          RunOptions& options) {
    if (options & RunNewList) {
        files_.WriteLine(text, newListNo);
    } else if (options & RunAppend) {
        files_.WriteLine(text, appendNo);
    } else if (options & RunBoth) {
        files_.WriteLine(text, newListNo, appendNo);
    }
}

void DirIO::ListDirectory(std::string& folderPath, const std::string& mask, FileNumber& newListNo,
                          FileNumber& appendNo, const std::string& volumeText,
                          RunOptions& options) {
    if (folderPath.empty() || folderPath.back() != kSep) folderPath += kSep;
    const platform::FolderTexts texts = fileSystem_.BeginWalk(folderPath);
    // The path in the form the headings are made from, for every line below.
    const std::string& start = texts.path.empty() ? folderPath : texts.path;
    Walk walk{mask, newListNo, appendNo, volumeText, options, texts, start.size(), start};
    fileSystem_.Prefetch(mask, !(options & RunDirsOnly));
    std::vector<Frame> stack;
    try {
        stack.emplace_back();
        stack.back().pathLength = walk.path.size();
        stack.back().givenUp = !ReadFolder(walk, stack.back(), nullptr, {});
        while (!stack.empty()) {
            Frame& frame = stack.back();
            // The folder's path is a prefix of walk.path, which may move as it grows.
            const auto framePath = [&] {
                return std::string_view(walk.path).substr(0, frame.pathLength);
            };
            if (frame.inSubFolder) {
                // Back from a sub-folder: a yield, and a stop ends this folder (and so each
                // folder above it in turn).
                frame.inSubFolder = false;
                if (Guard([&] { frontEnd_.Yield(); }, framePath(), {}) == Outcome::Abort) {
                    frame.givenUp = true;
                } else if (state_.StopRequested) {
                    fileSystem_.StopReadingAhead();
                    frame.givenUp = true;
                }
            }
            if (frame.givenUp || frame.next == frame.subFolders.size()) {
                stack.pop_back();
                continue;
            }
            const std::size_t index = frame.next++;
            walk.path.resize(frame.pathLength);
            walk.path += frame.subFolders[index].name;
            if (Guard([&] { frontEnd_.SetCurDir(walk.path); }, framePath(), {}) == Outcome::Abort ||
                Guard([&] { frontEnd_.SetStat2("Reading: " + walk.path); }, framePath(), {}) ==
                    Outcome::Abort ||
                Guard([&] { frontEnd_.Yield(); }, framePath(), {}) == Outcome::Abort) {
                frame.givenUp = true;
                continue;
            }
            // A stop ends reading ahead at once; the walk down to its end is read on the spot.
            if (state_.StopRequested) fileSystem_.StopReadingAhead();
            frame.inSubFolder = true;
            // Another file system mounted here, or a folder already on the way down, is named
            // but not entered.
            if (frame.subFolders[index].kind != platform::SubFolderKind::Folder) continue;
            walk.path += kSep;
            platform::Folder* parent = frame.folder.get();
            Frame child;
            child.pathLength = walk.path.size();
            // `frame` may move when the stack grows; the name is read before it does.
            child.givenUp = !ReadFolder(walk, child, parent, frame.subFolders[index].name);
            stack.push_back(std::move(child));
        }
    } catch (...) {
        // A list file given up on ends the walk from inside: reading ahead ends as well. The
        // folders go deepest first, as each must outlive the folders opened from it.
        while (!stack.empty()) stack.pop_back();
        fileSystem_.EndWalk();
        throw;
    }
    fileSystem_.EndWalk();
}

AbortRetryIgnore DirIO::Report(const Failure& failure, std::string_view folderPath,
                               std::string_view entryName) {
    // A name may hold line ends or escape sequences of its own.
    const std::string name = MaskedControls(entryName);
    const std::string description = MaskedControls(failure.Description());
    if (!failure.FromListFile()) {
        try {
            frontEnd_.NoteFailedPath(std::string(folderPath).append(entryName), failure);
        } catch (const Failure&) {
        }
    }
    // A list file that cannot be written is never an entry's quiet report.
    if (IsQuiet(failure.Number()) && !failure.FromListFile()) {
        std::string text;
        if (failure.Number() == FailureNo::FileNotFound ||
            failure.Number() == FailureNo::PathNotFound) {
            text = "Last Error: Error reading '" + name + "' Skipping.";
        } else if (failure.Number() == FailureNo::PathFileAccess) {
            text = "Last Error: " + description + "\r\nError reading '" + name + "' Skipping.";
        } else {
            text = "Last Error: " + description + "\r\nError reading '" +
                   MaskedControls(folderPath) + name + "' Skipping.";
        }
        // A failing label or yield is passed over: the walk goes on with its next step.
        try {
            frontEnd_.SetErrorText(text);
        } catch (const Failure&) {
        }
        try {
            frontEnd_.Yield();
        } catch (const Failure&) {
        }
        return AbortRetryIgnore::Ignore;
    }
    const std::string text = "Error Number: " + std::to_string(failure.Number()) + " " +
                             description + "\r\nError reading:" + name + " Skipping.";
    return frontEnd_.AskAbortRetryIgnore(text, failure);
}

template <class Op>
DirIO::Outcome DirIO::Guard(Op&& op, std::string_view folderPath, std::string_view entryName) {
    for (;;) {
        try {
            op();
            return Outcome::Done;
        } catch (const Failure& failure) {
            switch (Report(failure, folderPath, entryName)) {
                case AbortRetryIgnore::Retry:
                    continue;
                case AbortRetryIgnore::Ignore:
                    return Outcome::Skip;
                case AbortRetryIgnore::Abort:
                    return Outcome::Abort;
            }
        }
    }
}

template <class Begin, class Next, class Take, class Restart>
DirIO::Outcome DirIO::ReadPass(std::string_view folderPath, Begin&& begin, Next&& next, Take&& take,
                               Restart&& restart) {
    for (;;) {
        const Outcome begun = Guard(begin, folderPath, {});
        if (begun != Outcome::Done) return begun;
        std::string_view current;  // the entry a failure in the middle is reported after
        platform::Entry entry;
        bool again = false;
        for (;;) {
            bool more = false;
            try {
                more = next(entry);
            } catch (const Failure& failure) {
                const AbortRetryIgnore answer = Report(failure, folderPath, current);
                if (answer == AbortRetryIgnore::Abort) return Outcome::Abort;
                // Ignore keeps what was read; Retry reads the folder again from its start, as
                // the entries after the failure are not known otherwise.
                again = answer == AbortRetryIgnore::Retry;
                break;
            }
            if (!more) break;
            current = entry.name;
            if (take(entry) == Outcome::Abort) return Outcome::Abort;
        }
        if (!again) return Outcome::Done;
        restart();
    }
}

DirIO::Outcome DirIO::WriteLine(Walk& walk, std::string_view text, std::string_view folderPath,
                                std::string_view entryName) {
    return Guard([&] { WriteListLine(text, walk.newListNo, walk.appendNo, walk.options); },
                 folderPath, entryName);
}

void DirIO::BuildFileLine(ListFormat format, std::string_view folderPath, std::string_view name,
                          const platform::FileDetails& details) {
    line_.clear();
    switch (format) {
        case ListFormat::Text:
            AppendPaddedName(line_, name);
            formatter_.AppendSizeText(line_, details.size);
            line_ += " bytes ";
            formatter_.AppendTimeStamp(line_, clock_.ToLocal(details.mtime));
            break;
        case ListFormat::TextNames:
            AppendPaddedName(line_, name);
            break;
        case ListFormat::CsvNames:
            AppendQuoted(line_, BaseName(name));
            break;
        case ListFormat::Csv: {
            AppendQuoted(line_, folderPath);
            line_ += ',';
            AppendQuoted(line_, name);
            line_ += ',';
            // The size keeps its leading blanks inside the quotes.
            sizeText_.clear();
            formatter_.AppendSizeText(sizeText_, details.size);
            AppendQuoted(line_, sizeText_);
            line_ += ',';
            formatter_.AppendTimeStamp(line_, clock_.ToLocal(details.mtime));
            break;
        }
        case ListFormat::HtmlNames:
            line_ += "<tr><td>";
            AppendHtml(line_, BaseName(name));
            line_ += "</td></tr>";
            break;
        case ListFormat::Html:
            line_ += "<tr><td>";
            AppendHtml(line_, name);
            line_ += "</td><td align=right>";
            formatter_.AppendSizeText(line_, details.size);
            line_ += "</td><td align=right>";
            formatter_.AppendTimeStamp(line_, clock_.ToLocal(details.mtime));
            line_ += "</td></tr>";
            break;
    }
}

bool DirIO::ReadFolder(Walk& walk, Frame& frame, platform::Folder* parent, std::string_view name) {
    const std::string_view folderPath = walk.path;
    if (!WriteHeading(walk, folderPath, parent, name)) return false;
    frame.folder = parent != nullptr ? parent->OpenChild(name)
                                     : fileSystem_.OpenFolder(std::string(folderPath));
    platform::Folder& folder = *frame.folder;
    if (!ReadSubFolders(walk, frame, folderPath)) return false;
    if (!(walk.options & RunDirsOnly) && !ReadFiles(walk, folder, folderPath)) return false;
    folder.DoneReading();
    return true;
}

bool DirIO::WriteHeading(Walk& walk, std::string_view folderPath, const platform::Folder* parent,
                         std::string_view name) {
    const ListFormat format = state_.OutputFormat;
    std::string heading;
    if (IsTextFormat(format)) {
        if (WriteLine(walk, {}, folderPath, {}) == Outcome::Abort) return false;
        heading.assign(kVolumePrefix).append(walk.volumeText);
        if (WriteLine(walk, heading, folderPath, {}) == Outcome::Abort) return false;
        heading.assign(kDirectoryPrefix)
            .append(walk.startTexts.driveLessPath)
            .append(folderPath.substr(walk.startLength));
        if (WriteLine(walk, heading, folderPath, {}) == Outcome::Abort) return false;
        if (WriteLine(walk, {}, folderPath, {}) == Outcome::Abort) return false;
    } else if (IsHtmlFormat(format)) {
        heading = "<tr><td bgcolor=#3399FF><b>";
        AppendHtml(heading, parent != nullptr ? name : walk.startTexts.folderName);
        heading += "</b></td>";
        if (format == ListFormat::Html) {
            heading +=
                "<td align=center bgcolor=#3399FF><b>Size</b></td>"
                "<td align=center bgcolor=#3399FF><b>Last Modified</b></td>";
        }
        heading += "</tr>";
        if (WriteLine(walk, heading, folderPath, {}) == Outcome::Abort) return false;
    }
    return true;
}

bool DirIO::ReadSubFolders(Walk& walk, Frame& frame, std::string_view folderPath) {
    // Found with "*.*" whatever the mask.
    platform::Folder* folder = frame.folder.get();
    auto& subFolders = frame.subFolders;
    const Outcome read = ReadPass(
        folderPath, [&] { folder->BeginAll(); },
        [&](platform::Entry& entry) { return folder->NextAll(entry); },
        [&](const platform::Entry& entry) {
            if (platform::IsSkippedName(entry.name)) return Outcome::Done;
            auto kind = platform::SubFolderKind::NotFolder;
            const Outcome readKind =
                Guard([&] { kind = folder->ReadKind(entry); }, folderPath, entry.name);
            if (readKind == Outcome::Done && kind != platform::SubFolderKind::NotFolder) {
                subFolders.push_back({std::string(entry.name), kind});
            }
            return readKind;
        },
        [&] { subFolders.clear(); });
    if (read == Outcome::Abort) return false;

    // Format 0 names the sub-folders before the files.
    if (state_.OutputFormat == ListFormat::Text) {
        std::string line;
        for (const auto& sub : subFolders) {
            line.assign(kDirMarker).append(sub.name);
            if (WriteLine(walk, line, folderPath, {}) == Outcome::Abort) return false;
        }
        if (!subFolders.empty() && WriteLine(walk, {}, folderPath, {}) == Outcome::Abort)
            return false;
    }
    return true;
}

bool DirIO::ReadFiles(Walk& walk, platform::Folder& folder, std::string_view folderPath) {
    // The files matching the mask are collected first, then written one line each. In blocks
    // rather than one array: a folder of 200,000 files would otherwise hold the array twice
    // over while it grows.
    std::deque<platform::Entry> fileTable;
    const Outcome read = ReadPass(
        folderPath, [&] { folder.BeginFiles(walk.mask); },
        [&](platform::Entry& entry) { return folder.NextFile(entry); },
        [&](const platform::Entry& entry) {
            if (!platform::IsSkippedName(entry.name)) fileTable.push_back(entry);
            return Outcome::Done;
        },
        [&] { fileTable.clear(); });
    if (read == Outcome::Abort) return false;
    for (const auto& file : fileTable) {
        platform::FileDetails details;
        const Outcome readDetails =
            Guard([&] { details = folder.ReadDetails(file); }, folderPath, file.name);
        if (readDetails == Outcome::Abort) return false;
        if (readDetails == Outcome::Skip) continue;
        BuildFileLine(state_.OutputFormat, folderPath, file.name, details);
        if (WriteLine(walk, line_, folderPath, file.name) == Outcome::Abort) return false;
    }
    return true;
}

}  // namespace dirscribe
