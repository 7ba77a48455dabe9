// Palettes and the float helpers shared by scene composition and the writers.
#pragma once

#include <array>

#include "graph/colour.h"

// One stop of a palette: a colour at a position; stops are kept in ascending position.
struct tStop {
    tColor colour;
    float position;
};

inline constexpr std::array<tStop, 6> rainbow{
    {{magenta, 0.01f}, {blue, 0.2f}, {cyan, 0.35f}, {green, 0.5f}, {yellow, 0.65f}, {red, 0.97f}}};
inline constexpr std::array<tStop, 3> blackwhite{{{white, -0.75f}, {gray, 0.41f}, {black, 1.23f}}};

inline constexpr float pi = 3.1415927f;
// Scale of a community's real size (the radius of its members' total disc area).
inline constexpr float S = 1.0f;

// a when b > a, else b (so a NaN in b is returned).
inline float min(float a, float b) {
    return b > a ? a : b;
}
// a when a > b, else b.
inline float max(float a, float b) {
    return a > b ? a : b;
}
