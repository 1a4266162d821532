// SPDX-License-Identifier: MIT
// QtText: the engine's texts, which are UTF-8, as the windows' Qt strings.
#pragma once

#include <QString>
#include <string_view>

namespace dirscribe::ui {

// `text` (UTF-8) as a QString.
inline QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace dirscribe::ui
