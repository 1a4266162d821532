// SPDX-License-Identifier: MIT
// SharedState: the two program-wide values that the windows, the run and the walker share.
#pragma once

#include "engine/ListFormats.h"

namespace dirscribe {

// One instance lives for the whole program. Both values are plain: they are written and read
// on the one thread that owns the run; the walker reads them afresh every time it needs them.
struct SharedState {
    // The checked Output Format menu entry; read at every line written.
    ListFormat OutputFormat = ListFormat::Text;
    // Set by Stop and by the progress window's Cancel; read after each sub-folder walk and
    // cleared by the run once the walk has returned.
    bool StopRequested = false;
};

}  // namespace dirscribe
