// The thumbnail sheet and the icon. Catalogue I's thumbnails are level curves of each entry's
// field, computed by the entry itself; catalogue II's are small quilts that the engine grows
// through each entry, exactly as the headless renderer would with that entry locked.
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "tools/artwork/artwork.h"
#include "ui/controls.h"

namespace tessalume::artwork {

namespace {

constexpr int thumbnail = 64;
constexpr double twoPi = 6.283185307179586;

// ---- Catalogue I: level curves --------------------------------------------------------------

// The plane's square [-extent, extent]^2, y upward, is shown in one thumbnail.
constexpr double extent = 1.15;
constexpr int samplesPerPixel = 2;
constexpr int levelCount = 7;

double FieldAt(int entry, double x, double y)
{
    pointX = x;
    pointY = y;
    transformationCatalogueI[entry]();
    return fieldTerm;
}

// Levels at evenly spaced quantiles of the field over a polar grid, so that a field growing
// with the radius gets evenly spaced rings whatever its scale.
std::vector<double> LevelsOf(int entry)
{
    std::vector<double> values;
    constexpr int rings = 64, spokes = 360;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < spokes; ++j) {
            const double r = (i + 0.5) / rings, theta = twoPi * (j + 0.5) / spokes;
            const double f = FieldAt(entry, r * std::cos(theta), r * std::sin(theta));
            if (std::isfinite(f)) values.push_back(f);
        }
    }
    std::sort(values.begin(), values.end());
    std::vector<double> levels;
    for (int k = 0; k < levelCount; ++k)
        levels.push_back(values[static_cast<size_t>((k + 0.5) / levelCount * values.size())]);
    return levels;
}

// Thin lines through every place where the field crosses a level, found square by square on
// a grid finer than the pixels (marching squares) and drawn as antialiased strokes.
Canvas LevelCurves(int entry)
{
    constexpr int n = thumbnail * samplesPerPixel;
    std::vector<double> field((n + 1) * (n + 1));
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const double x = (2.0 * i / n - 1) * extent, y = (1 - 2.0 * j / n) * extent;
            field[j * (n + 1) + i] = FieldAt(entry, x, y);
        }

    std::vector<double> ink(thumbnail * thumbnail, 0.0);
    constexpr double halfWidth = 0.45;
    const auto stroke = [&](double ax, double ay, double bx, double by) {
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min(ax, bx) - 2)));
        const int x1 = std::min(thumbnail - 1, static_cast<int>(std::ceil(std::max(ax, bx) + 2)));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min(ay, by) - 2)));
        const int y1 = std::min(thumbnail - 1, static_cast<int>(std::ceil(std::max(ay, by) + 2)));
        const double dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5 - ax, py = y + 0.5 - ay;
                const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
                const double d = std::hypot(px - t * dx, py - t * dy) - halfWidth;
                double& v = ink[y * thumbnail + x];
                v = std::max(v, Coverage(d));
            }
    };

    const double scale = 1.0 / samplesPerPixel;
    for (double level : LevelsOf(entry)) {
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const double corner[4] = {field[j * (n + 1) + i], field[j * (n + 1) + i + 1],
                                          field[(j + 1) * (n + 1) + i + 1], field[(j + 1) * (n + 1) + i]};
                const double cx[4] = {0, 1, 1, 0}, cy[4] = {0, 0, 1, 1};
                double crossings[4][2];
                int found = 0;
                bool finite = true;
                for (double c : corner) finite = finite && std::isfinite(c);
                if (!finite) continue;
                for (int e = 0; e < 4; ++e) {
                    const double a = corner[e] - level, b = corner[(e + 1) % 4] - level;
                    if ((a < 0) == (b < 0)) continue;
                    const double t = a / (a - b);
                    crossings[found][0] = (i + cx[e] + t * (cx[(e + 1) % 4] - cx[e])) * scale;
                    crossings[found][1] = (j + cy[e] + t * (cy[(e + 1) % 4] - cy[e])) * scale;
                    ++found;
                }
                for (int k = 0; k + 1 < found; k += 2)
                    stroke(crossings[k][0], crossings[k][1], crossings[k + 1][0], crossings[k + 1][1]);
            }
        }
    }

    Canvas picture(thumbnail, thumbnail);
    const Color red{1.0, 0.12, 0.07};
    for (int i = 0; i < thumbnail * thumbnail; ++i) picture.pixels[i] = Scaled(red, ink[i]);
    return picture;
}

// The transformation parameters the thumbnails are drawn with: a six-fold wave of moderate
// amplitude, no phase, the hexagon row of the polygon table.
void SetThumbnailParameters()
{
    transformFrequency = 6;
    transformAmplitude = 0.3;
    transformPhase = 0;
    transformVariant = 2;
    transformConstantB = 3;
}

// ---- Catalogue II and the icon: quilts ------------------------------------------------------

// From deep orange through amber to white.
void SetOrangeWhiteColorMap()
{
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0;
        const Color c = t < 0.6 ? Mixed({0.85, 0.22, 0.02}, {1.0, 0.62, 0.16}, t / 0.6)
                                : Mixed({1.0, 0.62, 0.16}, {1.0, 1.0, 1.0}, (t - 0.6) / 0.4);
        ColorMap.red[i] = 255 * c.r;
        ColorMap.green[i] = 255 * c.g;
        ColorMap.blue[i] = 255 * c.b;
    }
}

struct QuiltRecipe {
    uint32_t seed;
    int32_t transformII;
    int32_t resolution;
    int32_t batches;
};

// The period of one quilt, grown single threaded as the renderer grows it, rows top down.
RgbPicture GrowQuilt(const QuiltRecipe& recipe)
{
    SeedGenerators(recipe.seed);
    BuildControls();
    transformIndexII = transformShownII = transformBrowserII.selected = recipe.transformII;
    transformLockII.entryOn[0] = true;
    resolutionList.selected = recipe.resolution;
    intensityList.selected = 2;
    SetOrangeWhiteColorMap();
    colorMapLock.entryOn[0] = true;
    ApplySettings();
    SelectTransformationI();
    SelectTransformationII();
    ClearAccumulators();
    NewQuilt();
    brightness = 8;
    for (int32_t batch = 0; batch < recipe.batches; ++batch) RunWorkerSteps();
    intensitySlot.load()();
    return MakeTilePicture();
}

// The square of side pixels in the middle of the period.
Canvas MiddleSquare(const RgbPicture& period, int side)
{
    Canvas square(side, side);
    const int left = (period.width - side) / 2, top = (period.height - side) / 2;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const uint8_t* p = &period.pixels[((top + y) * period.width + left + x) * 3];
            square.At(x, y) = {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
        }
    return square;
}

// One fixed seed per entry.
constexpr uint32_t quiltSeeds[catalogueSize] = {
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
};

}  // namespace

Canvas ThumbnailSheet()
{
    Canvas sheet(8 * thumbnail, 16 * thumbnail);
    SetThumbnailParameters();
    for (int entry = 0; entry < catalogueSize; ++entry)
        sheet.Paste(LevelCurves(entry), (entry % 8) * thumbnail, (entry / 8) * thumbnail);
    for (int entry = 0; entry < catalogueSize; ++entry) {
        const RgbPicture period = GrowQuilt({quiltSeeds[entry], entry, 0, 20});
        const int cellIndex = 64 + entry;
        sheet.Paste(MiddleSquare(period, 4 * thumbnail).Reduced(4), (cellIndex % 8) * thumbnail,
                    (cellIndex / 8) * thumbnail);
    }
    return sheet;
}

Canvas IconArt()
{
    const RgbPicture period = GrowQuilt({1, 0, 1, 100});
    const Canvas quilt = MiddleSquare(period, 512);
    // A flat-topped hexagon of the quilt with a bright rim, on black.
    Canvas master(512, 512);
    double corners[6][2];
    for (int i = 0; i < 6; ++i) {
        const double a = i * twoPi / 6;
        corners[i][0] = 256 + 244 * std::cos(a);
        corners[i][1] = 256 + 244 * std::sin(a);
    }
    const Color rim{1.0, 0.7, 0.3};
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const double d = ConvexPolygonDistance(x + 0.5, y + 0.5, corners, 6);
            const Color inside = Mixed(rim, quilt.At(x, y), Coverage(d + 12));
            master.At(x, y) = Scaled(inside, Coverage(d));
        }
    return master;
}

}  // namespace tessalume::artwork
