// The button faces and the wheel's glow.
#include <cmath>

#include "tools/artwork/artwork.h"

namespace tessalume::artwork {

namespace {
constexpr double pi = 3.141592653589793;
}

// A parallelogram leaning right. The program draws only the outer 16 pixels at each end
// unstretched, so both slanted edges, rim included, stay inside them.
Canvas ButtonFace(bool pressed)
{
    const double top = 2, bottom = 30, slant = 10;
    const double corners[4][2] = {{4 + slant, top}, {124, top}, {124 - slant, bottom}, {4, bottom}};
    const double rimWidth = 1.5;
    Canvas face(128, 32);
    for (int y = 0; y < face.height; ++y) {
        const double cy = y + 0.5;
        const double depth = (cy - top) / (bottom - top);  // 0 at the top edge, 1 at the bottom
        Color inside, rim;
        if (pressed) {
            const double g = 0.035 + 0.02 * depth;
            inside = {g, g, g};
            rim = {0.30, 0.30, 0.31};
        } else {
            // Lit from above: a bright band under the top rim, fading into a dark lower half.
            const double band = std::exp(-std::pow((cy - top - 2.5) / 1.5, 2));
            const double g = 0.13 + 0.25 * std::pow(1 - depth, 1.6) + 0.05 * band;
            inside = {g, g, g * 1.03};
            const double r = 0.62 - 0.22 * depth;
            rim = {r, r, r * 1.03};
        }
        for (int x = 0; x < face.width; ++x) {
            const double d = ConvexPolygonDistance(x + 0.5, cy, corners, 4);
            const Color surface = Mixed(rim, inside, Coverage(d + rimWidth));
            face.At(x, y) = Scaled(surface, Coverage(d));
        }
    }
    return face;
}

// One facet of the slider wheel: red, brightest across the middle rows and fading to the top
// and bottom, with dark ribs at the facet's seams and a fainter one down its middle. Every
// edge meets its opposite edge, since the picture repeats.
Canvas Glow()
{
    Canvas glow(32, 32);
    for (int y = 0; y < glow.height; ++y) {
        const double v = std::sin(pi * (y + 0.5) / 32);
        const double light = 0.18 + 0.82 * v * v;
        for (int x = 0; x < glow.width; ++x) {
            const double u = (x + 0.5) / 32;
            const double seam = std::pow(std::cos(pi * u), 12);            // 1 at both side edges
            const double middle = std::pow(std::cos(pi * (u - 0.5)), 40);  // 1 down the centre
            const double shade = light * (1 - 0.8 * seam) * (1 - 0.4 * middle);
            const double hot = std::pow(v, 12) * (1 - seam);
            glow.At(x, y) = {0.95 * shade + 0.25 * hot, 0.10 * shade + 0.22 * hot, 0.05 * shade + 0.15 * hot};
        }
    }
    return glow;
}

}  // namespace tessalume::artwork
