// SPDX-License-Identifier: MIT
// The catalogue's disc loop, below its front ends: how a description counts up from disc to
// disc.
#include "catalogue/DiscLoop.h"

#include <gtest/gtest.h>

namespace dirscribe::catalogue {
namespace {

TEST(NextDescriptionTest, AFinalNumberCountsUpAndAnythingElseStays) {
    const struct {
        const char* description;
        const char* next;
    } cases[] = {
        {"Box 3, disc 7", "Box 3, disc 8"},
        {"disc 9", "disc 10"},
        {"disc 09", "disc 10"},
        {"disc 099", "disc 100"},
        {"7", "8"},
        {"99", "100"},
        {"Box 3", "Box 4"},
        {"Holiday", "Holiday"},
        {"", ""},
        {"disc 7b", "disc 7b"},
        {"CD-0001", "CD-0002"},
    };
    for (const auto& c : cases) EXPECT_EQ(NextDescription(c.description), c.next) << c.description;
}

}  // namespace
}  // namespace dirscribe::catalogue
