// Colour maps and files: the colour map and its generators, colour map files, pictures and
// their encoders, the output folder and the default export name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessalume {

// ---- Colour map -------------------------------------------------------------------------

// 256 entries per channel, nominally 0..255; fractions and values outside are allowed.
struct ColorMapChannels {
    double red[256];
    double green[256];
    double blue[256];
};
extern ColorMapChannels ColorMap;

// The whole map for the interface thread, while the worker may plot with it or draw a new one:
// every entry read or written whole. Storing first withdraws a random map that the worker has
// not drawn yet, which would otherwise land on top of the stored one.
ColorMapChannels CopyColorMap();
void StoreColorMap(const ColorMapChannels& map);

// The "Random" button: an engineRandom coin picks the random-curve or the key-point generator.
void RandomColorMap();
void GenerateRandomColorMap();
void GenerateHsvColorMap();
void GenerateKeyPointColorMap();
float InterpolateSegment(float x, const float controls[4], int mode);

// ---- Colour map files -------------------------------------------------------------------

// Reads a colour map file's bytes into ColorMap: the grey ramp, up to 256 lines of three
// numbers, then the smoothing of maps with whole numbers.
void ReadColorMapText(std::string_view bytes);
// Reads as much of a colour map file as ReadColorMapText can use and no more, so that a huge
// file costs nothing; only a regular file is read, so that a pipe or a device neither blocks
// nor streams without end. The reason it cannot be read, or empty.
std::string ReadColorMapFile(const std::string& path, std::string& bytes);
// The text that Save writes: 256 lines of "%f %f %f\n".
std::string FormatColorMapText();
bool SaveColorMapFile();
bool LoadColorMapFile();

// ---- Paths ------------------------------------------------------------------------------

// Paths longer than this are refused rather than cut short.
inline constexpr std::size_t maxPathLength = 1039;

extern std::string settingsImagesFolder;  // the "Images" setting as read at start-up
extern std::string outputDirectory;       // where exports go; the folder dialog replaces it
extern std::string chosenFilePath;        // the path of the last confirmed file dialog
extern std::string defaultExportPath;     // formed by FormDefaultExportName

// Frames of the refresh timer still to show "File Exported".
extern int32_t exportNoticeTicks;

// Reads the per-user "Images" setting into settingsImagesFolder and outputDirectory, and sets
// the period sizes from textureSize.
void LoadStartupDefaults();
// The same with the environment given rather than looked up: the configuration folder (which
// holds tessalume/settings.ini), the home folder and the pictures folder (empty when none).
void LoadStartupDefaults(const std::string& configHome, const std::string& home,
                         const std::string& picturesDir);

// "<outputDirectory>/Tessalume_<run>_<code>_<L|H>.<png|bmp>" from the current settings.
void FormDefaultExportName();

// ---- Pictures ---------------------------------------------------------------------------

// A 24-bit RGB picture, rows top to bottom.
struct RgbPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // width * height * 3 bytes
};

// The period as Export Tile writes it: QuiltImage with its rows turned top to bottom.
RgbPicture MakeTilePicture();
// The picture of Export Image: the period centred and repeated over width x height. Sides
// outside 1..maxTiledPictureSide give an empty picture (width and height 0).
inline constexpr int32_t maxTiledPictureSide = 8192;
RgbPicture MakeTiledPicture(int32_t width, int32_t height);

// Encoders write through a sink so that tests can encode into memory. A sink returns false
// when it cannot take the bytes; the encoder then stops and fails.
using ByteSink = std::function<bool(const uint8_t* data, std::size_t size)>;
bool EncodePng(const RgbPicture& picture, const ByteSink& sink);
bool EncodeBmp(const RgbPicture& picture, const ByteSink& sink);

// Writes a whole file or nothing: a temporary file beside the destination, flushed, then
// renamed over it. On failure nothing is left behind and an existing file is untouched.
bool WriteFileAtomically(const std::string& path, const std::function<bool(const ByteSink&)>& write);
// SIGTERM, SIGINT and SIGHUP first remove the temporary file of a write in progress, then end
// the process as they would have; a signal ignored from the start stays ignored. Exact where
// the signals reach the writing thread, as in a program with one thread.
void RemoveUnfinishedFileOnTermination();
// The picture as PNG (format 0) or BMP (any other format), written atomically.
bool WritePicture(const std::string& path, int32_t format, const RgbPicture& picture);

// ---- Interactive exports ----------------------------------------------------------------

bool ChooseExportFile(int32_t format);
bool ChooseColorMapFile();
void ChooseOutputDirectory();
void ExportTile();
void ExportTiledImage(int32_t width, int32_t height);

}  // namespace tessalume
