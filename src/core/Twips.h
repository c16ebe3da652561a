#pragma once

#include <QRect>
#include <QSize>
#include <cmath>

// Layouts are designed in twips; 15 twips make one pixel at 96 dpi. Qt maps
// these logical pixels to the screen's real density.
constexpr int twips(int value)
{
    return static_cast<int>(value / 15.0 + 0.5);
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

inline QSize twipsSize(int width, int height)
{
    return {twips(width), twips(height)};
}
