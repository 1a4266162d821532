// SPDX-License-Identifier: MIT
// RunFixture: a listing run over real temporary trees, driven by a scripted front end.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FaultyFileSystem.h"
#include "engine/ListFiles.h"
#include "engine/ListingRun.h"
#include "engine/SharedState.h"
#include "platform/FileSystem.h"
#include "support/ExpectedList.h"
#include "support/ScriptedFrontEnd.h"
#include "support/TempTree.h"

namespace dirscribe::test {

// The rule under the header and above the footer of the text formats: 89 hyphens.
inline const std::string kHyphens(89, '-');

namespace stdfs = std::filesystem;

class RunFixture : public ::testing::Test {
  protected:
    RunFixture() {
        run.SetRegionalSettings(platform::RegionalSettings::UnitedStates());
        frontEnd.settings.drive = tmp.Str();
        frontEnd.settings.mask = "*.*";
    }

    // A New List run of `start` in `format` into a fresh file; returns the list's bytes.
    std::string ListNew(const stdfs::path& start, ListFormat format,
                        const std::string& mask = "*.*", bool dirsOnly = false) {
        const stdfs::path out = tmp / ("list" + std::to_string(++lists_) + ".txt");
        state.OutputFormat = format;
        frontEnd.settings.startPath = start.string();
        frontEnd.settings.mask = mask;
        frontEnd.settings.dirsOnly = dirsOnly;
        UseMode(Mode::New);
        frontEnd.newListAnswers = {out.string()};
        lastOutcome = run.Command1_Click();
        return stdfs::exists(out) ? ReadFile(out) : std::string("<no file>");
    }

    enum class Mode { New, Append, Both };
    void UseMode(Mode mode) {
        frontEnd.settings.newList = mode == Mode::New;
        frontEnd.settings.append = mode == Mode::Append;
        frontEnd.settings.both = mode == Mode::Both;
    }

    // The drive-less path the file system gives a start folder.
    static std::string DriveLess(const stdfs::path& start) {
        return platform::MakeFileSystem()->BeginWalk(start.string() + kSep).driveLessPath;
    }

    TempDir tmp;
    SharedState state;
    ScriptedFrontEnd frontEnd{state};
    ListFiles files;
    FaultyFileSystem fileSystem{platform::MakeFileSystem()};
    ListingRun run{state, frontEnd, files, fileSystem};
    RunOutcome lastOutcome = RunOutcome::Cancelled;

  private:
    int lists_ = 0;
};

// The walk tests' view of a list: its names and headings.
class WalkFixture : public RunFixture {
  protected:
    // The lines of a format 1 list of `start`, without header and footer.
    std::vector<std::string> NameLines(const stdfs::path& start, const std::string& mask = "*.*");
    // A name as format 1 writes it: filled with blanks to 65 characters.
    static std::string Pad(const std::string& name) {
        return name + std::string(65 - name.size(), ' ');
    }
};

// Splits a list into its lines, checking that every line ends in CR LF.
std::vector<std::string> Lines(const std::string& list);

// Compares a list with tests/engine/expected/NAME after putting `start` and its drive-less
// path in for {START} and {DRIVELESS}, and this system's separator for {SEP}. With
// DIRSCRIBE_UPDATE_EXPECTED=1 in the environment the expected file is written anew from the
// list instead (review the change before committing).
void ExpectListMatches(const std::string& list, const std::string& name, const std::string& start,
                       const std::string& driveLess);

}  // namespace dirscribe::test
