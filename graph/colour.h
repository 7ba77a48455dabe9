// The colour of everything drawn: red, green and blue components, 1 being full intensity
// (a component may exceed 1: POV-Ray's white is 2, 2, 2).
#pragma once

struct tColor {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline constexpr tColor magenta{1.0f, 0.2f, 1.0f};
inline constexpr tColor blue{0.2f, 0.2f, 1.0f};
inline constexpr tColor cyan{0.2f, 1.0f, 1.0f};
inline constexpr tColor green{0.2f, 1.0f, 0.2f};
inline constexpr tColor yellow{1.0f, 1.0f, 0.0f};
inline constexpr tColor red{1.0f, 0.2f, 0.2f};
inline constexpr tColor white{2.0f, 2.0f, 2.0f};
inline constexpr tColor gray{0.7f, 0.7f, 0.7f};
inline constexpr tColor black{0.0f, 0.0f, 0.0f};
