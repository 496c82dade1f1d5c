// The artwork generator's door: a small floating-point canvas with the few shapes the
// pictures need, and one maker per bitmap. Every maker is a pure function of the engine, the
// font file and the constants below, so that the same build writes the same bytes every run.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "files/files.h"

namespace tessalume::artwork {

struct Color {
    double r = 0, g = 0, b = 0;
};

inline Color Scaled(Color c, double k) { return {c.r * k, c.g * k, c.b * k}; }
inline Color Mixed(Color a, Color b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Smooth step of x from 0 at edge0 to 1 at edge1.
inline double SmoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Coverage of a pixel by a shape whose signed distance (negative inside, in pixels) at the
// pixel centre is d: a one-pixel ramp, which antialiases every edge alike.
inline double Coverage(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }

// An RGB picture of doubles, nominally 0..1, rows from the top. Pixel (x, y) covers the square
// from (x, y) to (x + 1, y + 1), so its centre is at (x + 0.5, y + 0.5).
class Canvas {
public:
    Canvas(int width, int height)
        : width(width), height(height), pixels(static_cast<size_t>(width) * static_cast<size_t>(height))
    {
    }

    Color& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Color& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

    // Moves pixel (x, y) towards c by the fraction amount.
    void Blend(int x, int y, Color c, double amount) { At(x, y) = Mixed(At(x, y), c, amount); }
    void Add(int x, int y, Color c, double amount)
    {
        Color& p = At(x, y);
        p = {p.r + c.r * amount, p.g + c.g * amount, p.b + c.b * amount};
    }

    // Copies source with its top-left corner at (left, top).
    void Paste(const Canvas& source, int left, int top);
    // Each factor x factor block averaged into one pixel.
    Canvas Reduced(int factor) const;
    // Any size to any smaller or equal size by area averaging.
    Canvas Resampled(int newWidth, int newHeight) const;
    // Rounded to bytes, clamped to 0..255, rows top to bottom.
    RgbPicture Picture() const;

    int width, height;
    std::vector<Color> pixels;
};

// Signed distance from (px, py) to the bar from (ax, ay) to (bx, by) of half thickness w with
// pointed 45-degree ends, the stroke of a segment display.
double PointedBarDistance(double px, double py, double ax, double ay, double bx, double by, double w);
// Signed distance to the axis-parallel box from (left, top) to (right, bottom).
double BoxDistance(double px, double py, double left, double top, double right, double bottom);
// Signed distance to the convex polygon with the given corners in either winding.
double ConvexPolygonDistance(double px, double py, const double (*corners)[2], int count);

// The pictures, by resource number.
Canvas ButtonFace(bool pressed);  // 104 pressed, 105 normal: 128 x 32
Canvas Glow();                    // 109: 32 x 32
Canvas FontSheet(const std::string& fontPath);  // 106: 512 x 512
Canvas ThumbnailSheet();          // 240: 512 x 1024
// The icon's quilt motif at 512 x 512, to be reduced to each icon size; 101 is the 64-pixel one.
Canvas IconArt();

}  // namespace tessalume::artwork
