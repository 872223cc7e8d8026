#pragma once
// The background colours of the duplicate groups 0..29 (red, green, blue). Groups 0 and 17
// share a colour.

#include <array>
#include <cmath>
#include <cstdint>

namespace folidex {

struct Rgb {
  std::uint8_t r, g, b;
};

inline constexpr int kDuplicateGroups = 30;

inline constexpr std::array<Rgb, kDuplicateGroups> kDuplicateGroupColors = {{
    {0, 165, 255},   {220, 248, 255}, {255, 191, 0},   {220, 220, 220}, {0, 215, 255},   {47, 255, 173},
    {230, 216, 173}, {128, 128, 240}, {255, 255, 224}, {122, 160, 255}, {170, 178, 32},  {250, 206, 135},
    {153, 136, 119}, {222, 196, 192}, {224, 255, 255}, {50, 205, 50},   {230, 240, 250}, {0, 165, 255},
    {214, 112, 218}, {170, 232, 238}, {152, 251, 152}, {238, 238, 175}, {213, 239, 255}, {185, 218, 255},
    {216, 191, 216}, {208, 224, 64},  {238, 130, 238}, {179, 222, 245}, {0, 255, 255},   {50, 205, 154},
}};

inline constexpr Rgb DuplicateGroupColor(int group) {
  return kDuplicateGroupColors[static_cast<std::size_t>(group < 0 || group >= kDuplicateGroups ? 0 : group)];
}

// The contrast ratio of two colours, 1..21: the ratio of their relative luminances (each + 0.05).
inline double ContrastRatio(Rgb a, Rgb b) {
  auto linear = [](std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  auto luminance = [&](Rgb c) { return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b); };
  const double la = luminance(a) + 0.05;
  const double lb = luminance(b) + 0.05;
  return la > lb ? la / lb : lb / la;
}

// The least contrast of a duplicate row's text with its group colour.
inline constexpr double kDuplicateTextContrast = 4.5;

// The text colour of a duplicate group's rows: red, as bright as it can be while it keeps
// kDuplicateTextContrast with the group colour (pure red on the light colours' near white is
// still readable, the blue and violet groups need a dark red).
inline Rgb DuplicateTextColor(int group) {
  const Rgb background = DuplicateGroupColor(group);
  for (int red = 255; red > 0; --red) {
    const Rgb text{static_cast<std::uint8_t>(red), 0, 0};
    if (ContrastRatio(text, background) >= kDuplicateTextContrast) return text;
  }
  return {0, 0, 0};
}

}  // namespace folidex
