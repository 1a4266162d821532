// SPDX-License-Identifier: MIT
// WindowsTime: how Windows counts time (100-nanosecond ticks since 1601-01-01 UTC) against the
// program's seconds since 1970-01-01 UTC.
#pragma once

#include <cstdint>

namespace dirscribe {

inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
inline constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

}  // namespace dirscribe
