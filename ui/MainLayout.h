// SPDX-License-Identifier: MIT
// MainLayout: the captioned controls of the main window and their boxes in twips. The window is
// built from them, and they decide how much it grows with a font wider than the design's.
#pragma once

namespace dirscribe::ui {

// A control with a fixed caption and its box in twips: in the client area, or for an option
// button, in its frame.
struct CaptionedControl {
    const char* name;  // the object name
    const char* text;  // the caption
    int left;
    int top;
    int width;
    int height;
};

inline constexpr CaptionedControl kLabel3{"Label3", "Selected Start Path", 3240, 120, 1575, 255};
inline constexpr CaptionedControl kLabel5{"Label5", "Volume Label:", 3240, 760, 1095, 255};
inline constexpr CaptionedControl kLabel2{"Label2", "Files to include:", 3240, 1260, 1215, 255};
inline constexpr CaptionedControl kLabel1{"Label1", "Description:", 3240, 1560, 975, 255};
inline constexpr CaptionedControl kLabel4{"Label4", "Processing Directory:", 3240, 3360, 3975, 255};
// The labels, whose captions must fit their boxes.
inline constexpr const CaptionedControl* kLabels[] = {&kLabel3, &kLabel5, &kLabel2, &kLabel1,
                                                      &kLabel4};

// The option buttons of the two groups, whose captions must fit beside their circles.
inline constexpr CaptionedControl kDFlag[] = {
    {"DFlag(0)", "Include Files", 120, 240, 1215, 255},
    {"DFlag(1)", "Directories Only", 1560, 240, 1455, 255},
};
inline constexpr CaptionedControl kAppFlag[] = {
    {"AppFlag(0)", "New List", 120, 240, 975, 255},
    {"AppFlag(1)", "Append", 1200, 240, 975, 255},
    {"AppFlag(2)", "Both", 2280, 240, 735, 255},
};

}  // namespace dirscribe::ui
