// Files: colour map files, the per-user settings, default export names, pictures and their
// encoders, and all-or-nothing writes. A function here that can fail returns why, one line for
// the user's message, and an empty string when it did not fail.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "imaging/imaging.h"

namespace tessalume {

// ---- Colour map files ---------------------------------------------------------------------

// The map of a colour map file's bytes: the grey ramp, up to 256 lines of three numbers, then
// the smoothing of maps with whole numbers.
ColorMapChannels ReadColorMapText(std::string_view bytes);
// Reads as much of a colour map file as ReadColorMapText can use and no more, so that a huge
// file costs nothing; only a regular file is read, so that a pipe or a device neither blocks
// nor streams without end. The reason it cannot be read, or empty.
std::string ReadColorMapFile(const std::string& path, std::string& bytes);
// The text that Save writes: 256 lines of "%f %f %f\n".
std::string FormatColorMapText(const ColorMapChannels& map);

// ---- Paths and names ---------------------------------------------------------------------

// Paths longer than this are refused rather than cut short.
inline constexpr std::size_t maxPathLength = 1039;

// The per-user "Images" setting: the folder exports go to and dialogs open in, else the
// pictures folder, else the home folder.
std::string ImagesFolder();
// The same with the environment given rather than looked up: the configuration folder (which
// holds tessalume/settings.ini), the home folder and the pictures folder (empty when none).
std::string ImagesFolder(const std::string& configHome, const std::string& home, const std::string& picturesDir);

// "<outputFolder>/Tessalume_<run>_<code>_<L|H>.<png|bmp>" of the quilt and the settings; empty
// when the name would not fit the path buffers.
std::string DefaultExportName(const Quilt& quilt, const Settings& settings);

// ---- Kinds of files ------------------------------------------------------------------------

// A file chooser's filter: its name and its patterns, separated by semicolons.
struct FileType {
    const char* label;
    const char* pattern;
};
// What Load reopens a quilt from besides a colour map: a picture with its recipe, or the recipe.
inline constexpr FileType quiltFileType{"Quilt Pictures and Recipes", "*.png;*.bmp;*.json"};

// The three kinds of files the user picks, indexed by the export format: the name of the kind,
// its file types and extension. The first outputFormatCount rows are the "Output Format" list.
inline constexpr int32_t pngFormat = 0, bmpFormat = 1, colorMapFormat = 2;
inline constexpr int32_t outputFormatCount = 2;
struct FileFormatRow {
    const char* label;
    FileType types[2];
    const char* defaultExtension;
};
inline constexpr FileFormatRow fileFormats[3] = {
    {"PNG", {{"PNG Files (*.png)", "*.png"}, {"All Files", "*.*"}}, "png"},
    {"BMP", {{"Bitmap Files", "*.bmp"}, {"All Files", "*.*"}}, "bmp"},
    {"Color Map", {{"Color Files", "*.map"}, {"All Files", "*.*"}}, "map"},
};

// ---- Pictures ---------------------------------------------------------------------------

// A 24-bit RGB picture, rows top to bottom.
struct RgbPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // width * height * 3 bytes
};

// The period as Export Tile writes it: the quilt's picture with its rows turned top to bottom.
RgbPicture MakeTilePicture(const Quilt& quilt);
// The picture of Export Image: the period centred and repeated over width x height. Sides
// outside 1..maxTiledPictureSide give an empty picture (width and height 0).
inline constexpr int32_t maxTiledPictureSide = 8192;
RgbPicture MakeTiledPicture(const Quilt& quilt, int32_t width, int32_t height);

// A picture read a line at a time from a tile, never held whole, so that it may be far larger
// than memory: line y shows the tile's line (firstLine + y) mod its height, from column
// firstColumn on, the tile repeated across. Its lines repeat every tile height; a whole
// picture is its own tile. The tile must outlive it.
struct TiledPicture {
    const RgbPicture* tile = nullptr;
    int32_t width = 0, height = 0;
    int32_t firstColumn = 0, firstLine = 0;
};
// The largest side of a tiled picture that the renderer streams into a file.
inline constexpr int32_t maxStreamedPictureSide = 65535;
TiledPicture WholePicture(const RgbPicture& picture);
// The picture of Export Image over the quilt's tile (MakeTilePicture's): the period centred.
TiledPicture CentredTiling(const RgbPicture& tile, const Quilt& quilt, int32_t width, int32_t height);
// Line y's width * 3 bytes.
void CopyPictureLine(const TiledPicture& picture, int32_t y, uint8_t* line);

// What a picture file carries besides its pixels. A PNG holds the recipe in an iTXt chunk
// with keyword pngRecipeKeyword, before the image data; a BMP has no place for it. The print
// resolution goes into a PNG's pHYs chunk and a BMP's resolution fields; 0 writes no pHYs and
// the BMP's customary 72 dots per inch.
inline constexpr const char* pngRecipeKeyword = "tessalume-recipe";
struct PictureNotes {
    std::string recipe;  // empty: none
    uint32_t dotsPerInch = 0;
};

// Encoders write through a sink so that tests can encode into memory. A sink returns false
// when it cannot take the bytes; the encoder then stops and fails.
using ByteSink = std::function<bool(const uint8_t* data, std::size_t size)>;
std::string EncodePng(const RgbPicture& picture, const ByteSink& sink, const PictureNotes& notes = {});
std::string EncodeBmp(const RgbPicture& picture, const ByteSink& sink, const PictureNotes& notes = {});
// The same streamed from a tile; progress, when given, hears of the lines written so far.
using LineProgress = std::function<void(int32_t linesWritten)>;
std::string EncodePng(const TiledPicture& picture, const ByteSink& sink, const PictureNotes& notes = {},
                      const LineProgress& progress = {});
std::string EncodeBmp(const TiledPicture& picture, const ByteSink& sink, const PictureNotes& notes = {},
                      const LineProgress& progress = {});
// Why a picture of this size cannot be written in the format (a BMP file's header counts at
// most 4 GiB), or empty; known before anything is written.
std::string PictureSizeFault(int32_t format, int32_t width, int32_t height);

// Writes a whole file or nothing: a temporary file beside the destination, flushed, then
// renamed over it. On failure nothing is left behind and an existing file is untouched. The
// writer gives the bytes to the sink and says why it could not, as the encoders do.
using FileWriter = std::function<std::string(const ByteSink&)>;
std::string WriteFileAtomically(const std::string& path, const FileWriter& write);
// SIGTERM, SIGINT and SIGHUP first remove the temporary file of a write in progress, then end
// the process as they would have; a signal ignored from the start stays ignored. Exact where
// the signals reach the writing thread, as in a program with one thread.
void RemoveUnfinishedFileOnTermination();
// The picture as PNG (format 0) or BMP (any other format), written atomically.
std::string WritePicture(const std::string& path, int32_t format, const RgbPicture& picture,
                         const PictureNotes& notes = {});
std::string WritePicture(const std::string& path, int32_t format, const TiledPicture& picture,
                         const PictureNotes& notes = {}, const LineProgress& progress = {});

// ---- Recipes ----------------------------------------------------------------------------

// A recipe is a JSON object of this version (docs/recipe.md). Every value is range-checked and
// finite on reading, doubles are written with 17 significant digits and read back to the same
// bits, and nothing larger than maxRecipeBytes is read.
inline constexpr int32_t recipeVersion = 1;
inline constexpr std::size_t maxRecipeBytes = 256 * 1024;
std::string FormatRecipe(const Recipe& recipe);
// The recipe of the text, or why there is none.
std::string ParseRecipe(std::string_view text, Recipe& recipe);

// What a file holds, by its first bytes: a PNG, a BMP, a recipe's JSON, or anything else (a
// colour map is text of numbers).
enum class FileKind : uint8_t { png, bmp, recipe, other };
FileKind KindOfFile(std::string_view firstBytes);
// The recipe of a PNG (its iTXt chunk, the chunks before the image data read one by one and
// the recipe's checked against its CRC), of a BMP (its sidecar) or of a recipe's JSON. Only a
// regular file is read, and of it no more than the recipe needs.
std::string ReadRecipeFile(const std::string& path, Recipe& recipe);
// Where a BMP's recipe goes: beside it, its name with ".json" added.
std::string RecipeSidecarPath(const std::string& picturePath);
// The picture written with its recipe (notes.recipe): inside a PNG, beside a BMP.
std::string WritePictureAndRecipe(const std::string& path, int32_t format, const TiledPicture& picture,
                                  const PictureNotes& notes, const LineProgress& progress = {});
// The recipe's text alone, written atomically.
std::string WriteRecipeFile(const std::string& path, const std::string& text);

}  // namespace tessalume
