#pragma once
// The program's windows are laid out in twips (1/1440 inch) on a 96 dots-per-inch screen, so a
// pixel is 15 twips. Every conversion between the two reads these.

namespace controls {

inline constexpr int twipsPerInch = 1440;
inline constexpr int pixelsPerInch = 96;
inline constexpr int twipsPerPixel = twipsPerInch / pixelsPerInch;
static_assert(twipsPerPixel * pixelsPerInch == twipsPerInch);

}  // namespace controls
