// The thumbnail sheet and the icon. Catalogue I's thumbnails are level curves of each entry's
// field, computed by the entry itself; catalogue II's are small quilts that the engine grows
// through each entry, exactly as the headless renderer would with that entry locked.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
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

bool Transfer(int descriptor, void* bytes, size_t size, bool writing)
{
    auto* p = static_cast<char*>(bytes);
    while (size > 0) {
        const ssize_t done = writing ? write(descriptor, p, size) : read(descriptor, p, size);
        if (done <= 0) return false;
        p += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

// Makes a picture in a child process. The engine keeps its state in globals, and some of it
// outlives a quilt (an index that a draw may keep, for one), so every picture that runs the
// engine starts from the program's initial state, as a fresh run of the renderer does.
Canvas InFreshProcess(const std::function<Canvas()>& make)
{
    int channel[2];
    if (pipe(channel) != 0) throw std::runtime_error("cannot make a pipe");
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot start a child process");
    if (child == 0) {
        // The child never returns into the caller: it reports through the pipe and its status.
        close(channel[0]);
        bool sent = false;
        try {
            Canvas canvas = make();
            int size[2] = {canvas.width, canvas.height};
            const size_t bytes = canvas.pixels.size() * sizeof(Color);
            sent = Transfer(channel[1], size, sizeof size, true) &&
                   Transfer(channel[1], canvas.pixels.data(), bytes, true);
        } catch (...) {
        }
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    int size[2] = {0, 0};
    bool received = Transfer(channel[0], size, sizeof size, false) && size[0] > 0 && size[1] > 0;
    Canvas canvas(received ? size[0] : 0, received ? size[1] : 0);
    const size_t bytes = canvas.pixels.size() * sizeof(Color);
    received = received && Transfer(channel[0], canvas.pixels.data(), bytes, false);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("a child process failed to make its picture");
    return canvas;
}

// ---- Catalogue I: level curves --------------------------------------------------------------

// The plane's square [-extent, extent]^2, y upward, is shown in one thumbnail.
constexpr double extent = 1.15;
constexpr int samplesPerPixel = 2;
constexpr int levelCount = 5;

double FieldAt(int entry, double x, double y)
{
    pointX = x;
    pointY = y;
    transformationCatalogueI[entry]();
    return fieldTerm;
}

// Evenly spaced levels between two quantiles of the field over a polar grid of the unit disc:
// they adapt to any scale and ignore poles, yet keep the spacing that tells r from r².
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
    const double low = values[values.size() * 8 / 100], high = values[values.size() * 92 / 100];
    std::vector<double> levels;
    for (int k = 0; k < levelCount; ++k) levels.push_back(low + (high - low) * (k + 0.5) / levelCount);
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

    struct Point {
        double x, y;
    };
    std::vector<double> ink(thumbnail * thumbnail, 0.0);
    constexpr double halfWidth = 0.45;
    const auto stroke = [&](Point a, Point b, double weight) {
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x) - 2)));
        const int x1 = std::min(thumbnail - 1, static_cast<int>(std::ceil(std::max(a.x, b.x) + 2)));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.y, b.y) - 2)));
        const int y1 = std::min(thumbnail - 1, static_cast<int>(std::ceil(std::max(a.y, b.y) + 2)));
        const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5 - a.x, py = y + 0.5 - a.y;
                const double along = length2 > 0 ? (px * dx + py * dy) / length2 : 0.0;
                const double t = std::clamp(along, 0.0, 1.0);
                const double d = std::hypot(px - t * dx, py - t * dy) - halfWidth;
                double& v = ink[y * thumbnail + x];
                v = std::max(v, weight * Coverage(d));
            }
    };

    // Corners of a grid square in order around it, and the field there.
    constexpr int cornerX[4] = {0, 1, 1, 0}, cornerY[4] = {0, 0, 1, 1};
    const auto fieldAtCorner = [&](int i, int j, int k) {
        return field[(j + cornerY[k]) * (n + 1) + i + cornerX[k]];
    };
    // Higher levels are drawn brighter, so that a rising field and a falling one differ.
    const std::vector<double> levels = LevelsOf(entry);
    for (int level = 0; level < levelCount; ++level) {
        const double weight = 0.4 + 0.6 * level / (levelCount - 1);
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                double value[4];
                bool finite = true;
                for (int k = 0; k < 4; ++k) {
                    value[k] = fieldAtCorner(i, j, k) - levels[level];
                    finite = finite && std::isfinite(value[k]);
                }
                if (!finite) continue;
                Point crossings[4];
                int found = 0;
                for (int k = 0; k < 4; ++k) {
                    const int next = (k + 1) % 4;
                    if ((value[k] < 0) == (value[next] < 0)) continue;
                    const double t = value[k] / (value[k] - value[next]);
                    const double gridX = i + cornerX[k] + t * (cornerX[next] - cornerX[k]);
                    const double gridY = j + cornerY[k] + t * (cornerY[next] - cornerY[k]);
                    crossings[found++] = {gridX / samplesPerPixel, gridY / samplesPerPixel};
                }
                // Two crossings make one stroke; a saddle's four make two.
                for (int c = 0; c + 1 < found; c += 2) stroke(crossings[c], crossings[c + 1], weight);
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
    int32_t resolution;  // "Quilt Resolution" entry
    int32_t side;        // of the square taken from the middle of the period
};

constexpr int32_t lowContrastIntensity = 5;  // soft enough to show sparse orbits and dense ones
constexpr int32_t quiltBatches = 30;
constexpr double wantedMeanLevel = 0.2;

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

double MeanLevel(const Canvas& canvas)
{
    double sum = 0;
    for (const Color& c : canvas.pixels) sum += c.r + c.g + c.b;
    return sum / (3.0 * canvas.pixels.size());
}

// One quilt grown single threaded as the headless renderer grows it, with the entry locked
// and the orange colour map, then brightened until the square shows the wanted mean level,
// so that thin orbits and dense ones read alike at thumbnail size.
Canvas QuiltSquare(const QuiltRecipe& recipe)
{
    SeedGenerators(recipe.seed);
    BuildControls();
    transformIndexII = transformShownII = transformBrowserII.selected = recipe.transformII;
    transformLockII.on = true;
    resolutionList.selected = recipe.resolution;
    intensityList.selected = lowContrastIntensity;
    SetOrangeWhiteColorMap();
    colorMapLock.on = true;
    ApplySettings();
    SelectTransformationI();
    SelectTransformationII();
    ClearAccumulators();
    NewQuilt();
    // Each resolution step doubles the period's sides: four times the points fill it alike.
    const int32_t batches = quiltBatches << (2 * recipe.resolution);
    for (int32_t batch = 0; batch < batches; ++batch) RunWorkerSteps();

    // Bisection on the logarithm of the brightness.
    double low = std::log(0.1), high = std::log(1000.0);
    for (int step = 0; step < 12; ++step) {
        const double middle = (low + high) / 2;
        brightness = std::exp(middle);
        intensitySlot.load()();
        (MeanLevel(MiddleSquare(MakeTilePicture(), recipe.side)) < wantedMeanLevel ? low : high) = middle;
    }
    brightness = std::exp(low);
    intensitySlot.load()();
    return MiddleSquare(MakeTilePicture(), recipe.side);
}

// The seed of each entry's thumbnail, picked by eye among the first ten.
constexpr uint32_t quiltSeeds[catalogueSize] = {
    1, 6, 3, 1, 2, 3, 6, 4, 9, 2, 10, 2, 3, 10, 9, 3, 2, 1, 6, 1, 8, 6, 8, 3, 1, 4, 6, 2, 6, 7,
};

}  // namespace

Canvas ThumbnailSheet()
{
    Canvas sheet = InFreshProcess([] {
        Canvas curves(8 * thumbnail, 16 * thumbnail);
        SetThumbnailParameters();
        for (int entry = 0; entry < catalogueSize; ++entry)
            curves.Paste(LevelCurves(entry), (entry % 8) * thumbnail, (entry / 8) * thumbnail);
        return curves;
    });
    for (int entry = 0; entry < catalogueSize; ++entry) {
        const QuiltRecipe recipe{quiltSeeds[entry], entry, 0, 4 * thumbnail};
        const Canvas quilt = InFreshProcess([&recipe] { return QuiltSquare(recipe); });
        const int cellIndex = 64 + entry;
        sheet.Paste(quilt.Reduced(4), (cellIndex % 8) * thumbnail, (cellIndex / 8) * thumbnail);
    }
    return sheet;
}

// Seed 1 with catalogue II's identity entry grows a dark six-petalled flower in orange, which
// still reads at 16 pixels.
Canvas IconArt()
{
    const Canvas quilt = InFreshProcess([] { return QuiltSquare({1, 0, 1, 512}); });
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
            const Color inside = Mixed(rim, quilt.At(x, y), Coverage(d + 16));
            master.At(x, y) = Scaled(inside, Coverage(d));
        }
    return master;
}

}  // namespace tessalume::artwork
