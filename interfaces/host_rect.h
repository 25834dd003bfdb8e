// HostRect: a rectangle as it crosses host interfaces, in pixels of the device it is meant for.
// left and top are inside; right and bottom are one past the last column and row, so the width
// is right - left and the height bottom - top.
#pragma once

#include <cstdint>

struct HostRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend constexpr bool operator==(const HostRect&, const HostRect&) = default;
};
