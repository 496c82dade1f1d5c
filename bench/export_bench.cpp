// Export speed: square pictures of 8192, 16384 and 32768 a side tiled from a real 444 x 256
// quilt, streamed a line at a time, encoded as PNG by our encoder and by libpng with its default
// settings side by side, and as BMP; the byte counts are reported as counters. The encoders
// write into a sink that only counts, so the figures are the encoders' and not the disk's; the
// last case writes the PNG file atomically.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"

namespace tessalume {
namespace {

bool QuiltIsBlank(const Quilt& quilt)
{
    const uint8_t* const image = quilt.image.data();
    const std::size_t bytes = quilt.image.size();
    std::size_t differing = 0;
    for (std::size_t i = 3; i < bytes; i += 3)
        differing += std::memcmp(image + i, image, 3) != 0;
    return differing * 10 < bytes / 3;
}

// Smooth, periodic over the period, every channel different: compresses like a quilt, unlike
// noise. Used while the plotted quilt still comes out (almost) all background.
void FillSyntheticQuilt(Quilt& quilt)
{
    const double turn = 6.283185307179586;
    const int32_t width = quilt.periodWidth;
    const int32_t height = quilt.periodHeight;
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) {
            const double u = turn * c / width;
            const double v = turn * r / height;
            const double a = std::cos(2 * u) + std::cos(u + 3 * v) + std::cos(u - 3 * v);
            const double b = std::cos(4 * u + 2 * v) * std::cos(2 * v);
            uint8_t* p = quilt.image.data() + (static_cast<std::size_t>(r) * width + c) * 3;
            p[0] = static_cast<uint8_t>(127.5 + 42 * a);
            p[1] = static_cast<uint8_t>(127.5 + 120 * b);
            p[2] = static_cast<uint8_t>(127.5 + 60 * a * b);
        }
}

// The quilt of seed 1 with the settings at their start values, grown and toned as the
// renderer makes it, and its tile.
const Quilt& LargestQuilt()
{
    static const Quilt quilt = [] {
        Settings settings;
        Quilt made;
        SeedQuilt(made, 1);
        ApplySettings(made, settings);
        ClearQuilt(made, settings.intensity);
        NewQuilt(made, settings);
        for (int batch = 0; batch < 100; ++batch)  // two million points, as the renderer plots
            GrowBatch(made);
        ToneQuilt(made, settings.brightness);
        if (QuiltIsBlank(made))
            FillSyntheticQuilt(made);
        return made;
    }();
    return quilt;
}

const RgbPicture& QuiltTile()
{
    static const RgbPicture tile = MakeTilePicture(LargestQuilt());
    return tile;
}

// The square tiled picture of the benchmark's side, streamed from the tile.
TiledPicture SquarePicture(const benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    return CentredTiling(QuiltTile(), LargestQuilt(), side, side);
}

ByteSink Counting(std::size_t& bytes)
{
    return [&bytes](const uint8_t*, std::size_t size) {
        bytes += size;
        return true;
    };
}

void PngDefaultWrite(png_structp png, png_bytep, png_size_t size)
{
    *static_cast<std::size_t*>(png_get_io_ptr(png)) += size;
}

void PngDefaultFlush(png_structp) {}

// libpng left at its defaults (adaptive row filters, zlib's default level), given the same
// lines one at a time.
bool EncodePngLibpngDefaults(const TiledPicture& picture, std::size_t& bytes)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<uint8_t> line(static_cast<std::size_t>(picture.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &bytes, PngDefaultWrite, PngDefaultFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < picture.height; ++y) {
        CopyPictureLine(picture, y, line.data());
        png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void ReportSize(benchmark::State& state, std::size_t bytes)
{
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void EncodeTiledPng(benchmark::State& state)
{
    const TiledPicture picture = SquarePicture(state);
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        if (!EncodePng(picture, Counting(bytes)).empty()) state.SkipWithError("EncodePng failed");
    }
    ReportSize(state, bytes);
}

void EncodeTiledPngLibpngDefaults(benchmark::State& state)
{
    const TiledPicture picture = SquarePicture(state);
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        if (!EncodePngLibpngDefaults(picture, bytes)) state.SkipWithError("libpng failed");
    }
    ReportSize(state, bytes);
}

void EncodeTiledBmp(benchmark::State& state)
{
    const TiledPicture picture = SquarePicture(state);
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        if (!EncodeBmp(picture, Counting(bytes)).empty()) state.SkipWithError("EncodeBmp failed");
    }
    ReportSize(state, bytes);
}

void WriteTiledPngFile(benchmark::State& state)
{
    const TiledPicture picture = SquarePicture(state);
    const std::string path = "/tmp/tessalume-export-bench.png";
    for (auto _ : state)
        if (!WritePicture(path, pngFormat, picture).empty()) state.SkipWithError("WritePicture failed");
    std::remove(path.c_str());
}

BENCHMARK(EncodeTiledPng)->Unit(benchmark::kMillisecond)->Arg(8192)->Arg(16384)->Arg(32768)->MinTime(2.0);
BENCHMARK(EncodeTiledPngLibpngDefaults)->Unit(benchmark::kMillisecond)->Arg(8192)->Arg(16384)->Arg(32768)->Iterations(1);
BENCHMARK(EncodeTiledBmp)->Unit(benchmark::kMillisecond)->Arg(8192)->MinTime(2.0);
BENCHMARK(WriteTiledPngFile)->Unit(benchmark::kMillisecond)->Arg(8192)->Iterations(3);

}  // namespace
}  // namespace tessalume
