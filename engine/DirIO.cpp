// DirIO: the walker lists a folder's sub-folders before its files, then walks each sub-folder;
// every line reaches the list files through WriteListLine.
#include "engine/DirIO.h"

#include <vector>

#include "engine/SafeText.h"

namespace dirscribe {

namespace {

constexpr char kSep = platform::kPathSeparator;

bool IsQuiet(int number) {
    return number == FailureNo::FileNotFound || number == FailureNo::PathFileAccess ||
           number == FailureNo::BadFileName;
}

}  // namespace

// What every level of one walk shares.
struct DirIO::Walk {
    const std::string& mask;
    FileNumber& newListNo;
    FileNumber& appendNo;
    const std::string& volumeText;
    RunOptions& options;
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
    Walk walk{mask, newListNo, appendNo, volumeText, options};
    const platform::FolderTexts texts = fileSystem_.BeginWalk(folderPath);
    fileSystem_.Prefetch(mask, !(options & RunDirsOnly));
    try {
        WalkFolder(walk, folderPath, texts, nullptr, {});
    } catch (...) {
        // A list file given up on ends the walk from inside: reading ahead ends as well.
        fileSystem_.EndWalk();
        throw;
    }
    fileSystem_.EndWalk();
}

AbortRetryIgnore DirIO::Report(const Failure& failure, const std::string& folderPath,
                               std::string_view entryName) {
    // A name may hold line ends or escape sequences of its own.
    const std::string name = MaskedControls(entryName);
    const std::string description = MaskedControls(failure.Description());
    // A list file that cannot be written is never an entry's quiet report.
    if (IsQuiet(failure.Number()) && !failure.FromListFile()) {
        std::string text;
        if (failure.Number() == FailureNo::FileNotFound) {
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
DirIO::Outcome DirIO::Guard(Op&& op, const std::string& folderPath, std::string_view entryName) {
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

DirIO::Outcome DirIO::WriteLine(Walk& walk, std::string_view text, const std::string& folderPath,
                                std::string_view entryName) {
    return Guard([&] { WriteListLine(text, walk.newListNo, walk.appendNo, walk.options); },
                 folderPath, entryName);
}

void DirIO::BuildFileLine(ListFormat format, const std::string& folderPath, std::string_view name,
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

void DirIO::WalkFolder(Walk& walk, const std::string& folderPath,
                       const platform::FolderTexts& texts, platform::Folder* parent,
                       std::string_view nameInParent) {
    // The heading.
    {
        const ListFormat format = state_.OutputFormat;
        std::string heading;
        if (IsTextFormat(format)) {
            if (WriteLine(walk, {}, folderPath, {}) == Outcome::Abort) return;
            heading.assign(kVolumePrefix).append(walk.volumeText);
            if (WriteLine(walk, heading, folderPath, {}) == Outcome::Abort) return;
            heading.assign(kDirectoryPrefix).append(texts.driveLessPath);
            if (WriteLine(walk, heading, folderPath, {}) == Outcome::Abort) return;
            if (WriteLine(walk, {}, folderPath, {}) == Outcome::Abort) return;
        } else if (IsHtmlFormat(format)) {
            heading = "<tr><td bgcolor=#3399FF><b>";
            AppendHtml(heading, texts.folderName);
            heading += "</b></td>";
            if (format == ListFormat::Html) {
                heading +=
                    "<td align=center bgcolor=#3399FF><b>Size</b></td>"
                    "<td align=center bgcolor=#3399FF><b>Last Modified</b></td>";
            }
            heading += "</tr>";
            if (WriteLine(walk, heading, folderPath, {}) == Outcome::Abort) return;
        }
    }

    auto folder = fileSystem_.OpenFolder(folderPath, parent, nameInParent);

    // First pass: the sub-folders, found with "*.*" whatever the mask.
    struct SubFolder {
        std::string name;
        platform::SubFolderKind kind;
    };
    std::vector<SubFolder> subFolders;
    std::string_view current;  // the entry name failure reports give
    Outcome begun = Guard([&] { folder->BeginAll(); }, folderPath, {});
    if (begun == Outcome::Abort) return;
    if (begun == Outcome::Done) {
        platform::Entry entry;
        for (;;) {
            bool more = false;
            Outcome got = Guard([&] { more = folder->NextAll(entry); }, folderPath, current);
            if (got == Outcome::Abort) return;
            if (got == Outcome::Skip || !more) break;
            current = entry.name;
            if (platform::IsSkippedName(entry.name)) continue;
            auto kind = platform::SubFolderKind::NotFolder;
            Outcome read = Guard([&] { kind = folder->ReadKind(entry); }, folderPath, current);
            if (read == Outcome::Abort) return;
            if (read == Outcome::Done && kind != platform::SubFolderKind::NotFolder) {
                subFolders.push_back({std::string(entry.name), kind});
            }
        }
    }

    // Format 0 names the sub-folders before the files.
    if (state_.OutputFormat == ListFormat::Text) {
        std::string line;
        for (const auto& sub : subFolders) {
            line.assign(kDirMarker).append(sub.name);
            if (WriteLine(walk, line, folderPath, {}) == Outcome::Abort) return;
        }
        if (!subFolders.empty() && WriteLine(walk, {}, folderPath, {}) == Outcome::Abort) return;
    }

    // Second pass: the files matching the mask, collected first, then one line each.
    if (!(walk.options & RunDirsOnly)) {
        Outcome begunFiles = Guard([&] { folder->BeginFiles(walk.mask); }, folderPath, {});
        if (begunFiles == Outcome::Abort) return;
        if (begunFiles == Outcome::Done) {
            std::vector<platform::Entry> fileTable;
            platform::Entry entry;
            current = {};
            for (;;) {
                bool more = false;
                Outcome got = Guard([&] { more = folder->NextFile(entry); }, folderPath, current);
                if (got == Outcome::Abort) return;
                if (got == Outcome::Skip || !more) break;
                current = entry.name;
                if (!platform::IsSkippedName(entry.name)) fileTable.push_back(entry);
            }
            for (const auto& file : fileTable) {
                platform::FileDetails details;
                Outcome read =
                    Guard([&] { details = folder->ReadDetails(file); }, folderPath, file.name);
                if (read == Outcome::Abort) return;
                if (read == Outcome::Skip) continue;
                BuildFileLine(state_.OutputFormat, folderPath, file.name, details);
                if (WriteLine(walk, line_, folderPath, file.name) == Outcome::Abort) return;
            }
        }
    }
    folder->DoneReading();

    // Then each sub-folder in full, with a yield before and after it.
    std::string path;
    for (const auto& sub : subFolders) {
        path.assign(folderPath).append(sub.name);
        if (Guard([&] { frontEnd_.SetCurDir(path); }, folderPath, {}) == Outcome::Abort) return;
        if (Guard([&] { frontEnd_.SetStat2("Reading: " + path); }, folderPath, {}) ==
            Outcome::Abort) {
            return;
        }
        if (Guard([&] { frontEnd_.Yield(); }, folderPath, {}) == Outcome::Abort) return;
        // A stop ends reading ahead at once; the walk down to its end is read on the spot.
        if (state_.StopRequested) fileSystem_.StopReadingAhead();
        // Another file system mounted here is named but not entered.
        if (sub.kind == platform::SubFolderKind::Folder) {
            platform::FolderTexts childTexts{texts.driveLessPath + sub.name + kSep, sub.name};
            WalkFolder(walk, path + kSep, childTexts, folder.get(), sub.name);
        }
        if (Guard([&] { frontEnd_.Yield(); }, folderPath, {}) == Outcome::Abort) return;
        if (state_.StopRequested) {
            fileSystem_.StopReadingAhead();
            return;
        }
    }
}

}  // namespace dirscribe
