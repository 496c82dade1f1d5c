#include <cmath>

#include "tools/artwork/artwork.h"

namespace tessalume::artwork {

void Canvas::Paste(const Canvas& source, int left, int top)
{
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) At(left + x, top + y) = source.At(x, y);
}

Canvas Canvas::Reduced(int factor) const { return Resampled(width / factor, height / factor); }

namespace {

// The share of source cell i (of n) that each of m target cells takes when n cells are spread
// evenly over m: weights[t] lists (source index, weight) pairs summing to 1.
std::vector<std::vector<std::pair<int, double>>> AreaWeights(int n, int m)
{
    std::vector<std::vector<std::pair<int, double>>> weights(m);
    const double span = static_cast<double>(n) / m;
    for (int t = 0; t < m; ++t) {
        const double begin = t * span, end = (t + 1) * span;
        for (int i = static_cast<int>(std::floor(begin)); i < n && i < end; ++i) {
            const double overlap = std::min(end, i + 1.0) - std::max(begin, static_cast<double>(i));
            if (overlap > 0) weights[t].push_back({i, overlap / span});
        }
    }
    return weights;
}

}  // namespace

Canvas Canvas::Resampled(int newWidth, int newHeight) const
{
    const auto across = AreaWeights(width, newWidth);
    const auto down = AreaWeights(height, newHeight);
    Canvas rows(newWidth, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < newWidth; ++x)
            for (const auto& [i, w] : across[x]) rows.Add(x, y, At(i, y), w);
    Canvas result(newWidth, newHeight);
    for (int y = 0; y < newHeight; ++y)
        for (const auto& [j, w] : down[y])
            for (int x = 0; x < newWidth; ++x) result.Add(x, y, rows.At(x, j), w);
    return result;
}

RgbPicture Canvas::Picture() const
{
    RgbPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.reserve(pixels.size() * 3);
    for (const Color& c : pixels)
        for (double v : {c.r, c.g, c.b})
            picture.pixels.push_back(static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)));
    return picture;
}

double PointedBarDistance(double px, double py, double ax, double ay, double bx, double by, double w)
{
    const double length = std::hypot(bx - ax, by - ay);
    const double ux = (bx - ax) / length, uy = (by - ay) / length;
    const double along = (px - ax) * ux + (py - ay) * uy;
    const double across = std::fabs((px - ax) * -uy + (py - ay) * ux);
    const double side = across - w;
    const double tipA = (across - along) / std::sqrt(2.0);
    const double tipB = (across - (length - along)) / std::sqrt(2.0);
    return std::max({side, tipA, tipB});
}

double BoxDistance(double px, double py, double left, double top, double right, double bottom)
{
    const double dx = std::max(left - px, px - right), dy = std::max(top - py, py - bottom);
    return std::hypot(std::max(dx, 0.0), std::max(dy, 0.0)) + std::min(std::max(dx, dy), 0.0);
}

double ConvexPolygonDistance(double px, double py, const double (*corners)[2], int count)
{
    // The signed area tells the winding, so that every edge's outward normal points outward.
    double area = 0;
    for (int i = 0; i < count; ++i) {
        const double* a = corners[i];
        const double* b = corners[(i + 1) % count];
        area += a[0] * b[1] - b[0] * a[1];
    }
    const double orientation = area > 0 ? 1.0 : -1.0;
    double distance = -1e300;
    for (int i = 0; i < count; ++i) {
        const double* a = corners[i];
        const double* b = corners[(i + 1) % count];
        const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
        const double nx = orientation * (b[1] - a[1]) / length, ny = orientation * (a[0] - b[0]) / length;
        distance = std::max(distance, (px - a[0]) * nx + (py - a[1]) * ny);
    }
    return distance;
}

}  // namespace tessalume::artwork
