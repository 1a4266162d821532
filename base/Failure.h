// SPDX-License-Identifier: MIT
// Failure: a numbered condition with a description, the one error type of every layer.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace dirscribe {

// Failure numbers the program tests or uses.
namespace FailureNo {
inline constexpr int Overflow = 6;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int BadFileName = 52;      // a name the file system cannot use
inline constexpr int FileNotFound = 53;     // a missing entry
inline constexpr int FileAlreadyOpen = 55;  // a list file the program has open already
inline constexpr int DeviceIO = 57;         // the device failed to read or write
inline constexpr int DiskFull = 61;         // no space left for a list file
inline constexpr int DiskNotReady = 71;     // no medium in the drive
inline constexpr int PathFileAccess = 75;   // access refused or entry in use
inline constexpr int PathNotFound = 76;
inline constexpr int DialogCancelled = 32755;  // a file dialog's Cancel
}  // namespace FailureNo

// A failure of an operation: its number, the description shown to the user, and whether it
// came from writing a list file (so that a front end without a user can stop on a full disk
// rather than report every lost line).
class Failure : public std::runtime_error {
  public:
    Failure(int number, std::string description, bool listFile = false)
        : std::runtime_error(description),
          number_(number),
          description_(std::move(description)),
          listFile_(listFile) {}

    int Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }
    bool FromListFile() const noexcept { return listFile_; }

  private:
    int number_;
    std::string description_;
    bool listFile_;
};

// A failure of a list-file operation: "cannot <action> list file '<path>': <reason>", marked
// as coming from a list file.
inline Failure ListFileFailure(int number, std::string_view action, std::string_view path,
                               std::string_view reason) {
    std::string text = "cannot ";
    text.append(action).append(" list file '").append(path).append("': ").append(reason);
    return Failure(number, std::move(text), true);
}

}  // namespace dirscribe
