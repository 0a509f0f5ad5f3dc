// Small pieces that the shell's screens share: writing at a place, repeated
// frame characters, and the platform pieces of the title lines.
#pragma once

#include <string>
#include <string_view>

namespace morvandeltrisk {

// The system the binary was built for, eight characters so that no column moves.
#if defined(__APPLE__)
inline constexpr std::string_view kPlattform = "macOS - ";
#else
inline constexpr std::string_view kPlattform = "Linux - ";
#endif
// The pointer width of the build, "64" or "32".
inline const std::string kBits = std::to_string(sizeof(void*) * 8);
inline constexpr std::string_view kVersion = "2025-06-21";
// The system and version that every title line shows: "Linux - 64-Bit - Version  2025-06-21".
std::string Versionstitel();

// Writes text at (x, y) in the current attribute.
void At(int x, int y, std::string_view text);
// s written n times (a line of frame characters).
std::string Wiederholt(std::string_view s, int n);
// s padded with blanks to n characters.
std::string Aufgefuellt(std::string_view s, size_t n);

}  // namespace morvandeltrisk
