// SPDX-License-Identifier: MIT
// Errors: errno values as numbered failures.
#include "platform/linux/Errors.h"

#include <string.h>

namespace dirscribe::platform::linuxos {

namespace {

// strerror_r comes in two shapes (GNU returns the text, XSI fills the buffer); accept either.
[[maybe_unused]] const char* PickText(const char* returned, const char* /*buffer*/) {
    return returned;
}
[[maybe_unused]] const char* PickText(int returned, const char* buffer) {
    return returned == 0 ? buffer : "Unknown error";
}

}  // namespace

int FailureNumberFromErrno(int err) {
    switch (err) {
        case kFolderReplaced:
        case ENOENT:
        case ENOTDIR:
            return FailureNo::FileNotFound;
        case EACCES:
        case EPERM:
        case EBUSY:
        case ELOOP:
        case EROFS:
        case ETXTBSY:
        case EISDIR:
            return FailureNo::PathFileAccess;
        case ENAMETOOLONG:
        case EILSEQ:
        case EINVAL:
            return FailureNo::BadFileName;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FailureNo::DiskFull;
#ifdef ENOMEDIUM
        case ENOMEDIUM:
#endif
        case ENXIO:
        case ENODEV:
            return FailureNo::DiskNotReady;
        default:
            return FailureNo::DeviceIO;
    }
}

std::string ErrnoText(int err) {
    if (err == kFolderReplaced) return "The folder was replaced while it was being read";
    char buffer[256] = {};
    return PickText(strerror_r(err, buffer, sizeof buffer), buffer);
}

Failure FailureFromErrno(int err) {
    return Failure(FailureNumberFromErrno(err), ErrnoText(err));
}

Failure FailureFromErrno(int err, std::string_view context) {
    std::string text(context);
    text += ": ";
    text += ErrnoText(err);
    return Failure(FailureNumberFromErrno(err), std::move(text));
}

Failure ListFileFailure(int err, std::string_view action, const std::string& path) {
    return dirscribe::ListFileFailure(FailureNumberFromErrno(err), action, path, ErrnoText(err));
}

}  // namespace dirscribe::platform::linuxos
