#pragma once
// The bar's text size: five levels 0..4, starting at 3 on every run (not stored).

namespace folidex {

inline constexpr int kTextZoomLevels = 5;
inline constexpr int kInitialTextZoomLevel = 3;

// The browser's zoom factor for a level. Level 3, where every run starts, is the page's own
// size; one step larger and three steps smaller remain.
inline double TextZoomFactor(int level) {
  constexpr double kFactors[kTextZoomLevels] = {0.5, 0.67, 0.8, 1.0, 1.25};
  if (level < 0) level = 0;
  if (level >= kTextZoomLevels) level = kTextZoomLevels - 1;
  return kFactors[level];
}

// The level after "text size up" / "text size down": unchanged at either end.
inline int TextZoomUp(int level) { return level < kTextZoomLevels - 1 ? level + 1 : level; }
inline int TextZoomDown(int level) { return level > 0 ? level - 1 : level; }

}  // namespace folidex
