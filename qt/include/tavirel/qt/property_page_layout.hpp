#pragma once
// The child controls of the property page, one row each: the page is built
// from this table and its tests compare the built widgets with it.
#include <array>
#include <string_view>

namespace tavirel::qt {

enum class ChildKind { Frame, Label, TextBox, ComboBox };

struct PageChild {
  std::string_view name;  // object name of the widget
  ChildKind kind;
  std::string_view caption;      // frames and labels; "&" marks the access key
  std::string_view container;    // "" for the page itself, else a frame's name
  int left, top, width, height;  // twips, relative to the container
  int tab_index;
  std::string_view buddy;  // labels: the box their access key focuses
};

inline constexpr std::array<PageChild, 8> kPageChildren{{
    {"Frame1", ChildKind::Frame, "Comm", "", 240, 240, 4455, 1455, 0, ""},
    {"LbComPort", ChildKind::Label, "&CommPort:", "Frame1", 120, 360, 1095, 375, 7, "TxtComPort"},
    {"TxtComPort", ChildKind::TextBox, "", "Frame1", 1440, 360, 1335, 375, 1, ""},
    {"LbSettings", ChildKind::Label, "&Settings:", "Frame1", 120, 840, 1215, 375, 6, "TxtSettings"},
    {"TxtSettings", ChildKind::TextBox, "", "Frame1", 1440, 840, 1335, 375, 2, ""},
    {"Frame2", ChildKind::Frame, "Modalità Operativa", "", 240, 1800, 4455, 1575, 4, ""},
    {"Label1", ChildKind::Label, "Modalità", "Frame2", 120, 480, 1215, 375, 5, "CmbModality"},
    {"CmbModality", ChildKind::ComboBox, "", "Frame2", 1440, 480, 2895, 315, 3, ""},
}};

/// The items of CmbModality: the item at position n is mode n.
inline constexpr std::array<std::string_view, 3> kModalityItems{
    "0 - TVL_EUROSETTINGS_UNKNOWN",
    "1 - TVL_EUROSETTINGS_LIRE",
    "2 - TVL_EUROSETTINGS_EURO",
};

/// The page's own size: the frames plus the 240-twip margin they keep from
/// the page's top-left corner, on the right and at the bottom too.
inline constexpr int kPageWidthTwips = 240 + 4455 + 240;
inline constexpr int kPageHeightTwips = 1800 + 1575 + 240;

}  // namespace tavirel::qt
