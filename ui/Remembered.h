// SPDX-License-Identifier: MIT
// Remembered: what the windows keep from one run of the program to the next (the Find window's
// size and list files, the last append file). Nothing is kept unless the program names a store.
#pragma once

class QSettings;

namespace dirscribe::ui {

// The store the windows remember things in; null (the default): they remember nothing, as in
// the window tests that do not set one.
QSettings* RememberedSettings();
void SetRememberedSettings(QSettings* settings);

// The keys.
inline constexpr char kLastAppendFileKey[] = "LastAppendFile";
inline constexpr char kFindSizeKey[] = "Find/Size";
inline constexpr char kFindListsKey[] = "Find/Lists";

}  // namespace dirscribe::ui
