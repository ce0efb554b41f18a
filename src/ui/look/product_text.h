#pragma once
// The product's name and release as the splash picture and the About box show them.

inline constexpr const char* kProductName = "LC3400 Cellwatch";
inline constexpr const char* kReleaseText = "Release Version 1.03";
