#pragma once
// The background colours of the duplicate groups 0..29 (red, green, blue). Groups 0 and 17
// share a colour.

#include <array>
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

}  // namespace folidex
