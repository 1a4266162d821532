// SPDX-License-Identifier: MIT
// MotifHintsNone: systems without X11 (Windows) read the window flags alone.
#include "ui/MotifHints.h"

namespace dirscribe::ui {

void WriteMotifHints(QWidget& /*window*/, MotifHints /*hints*/) {}

}  // namespace dirscribe::ui
