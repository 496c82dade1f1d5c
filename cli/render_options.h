// The command line of tessalume-render, checked in full before any work starts.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessalume {

struct ImageSize {
    int32_t width = 0;
    int32_t height = 0;
};

// An option that was not given stays empty and leaves its control at its start value.
struct RenderOptions {
    std::optional<uint32_t> seed;
    std::string outPath;
    uint64_t points = 2000000;
    std::optional<int32_t> resolution, mapping, antialias, intensity;
    std::optional<int32_t> transformI, transformII;
    std::optional<float> blur, brightness;  // stored as the sliders store them
    std::optional<std::string> colorMapPath;
    int32_t randomColorMaps = 0;
    std::optional<ImageSize> image;
    std::optional<int32_t> format;
    bool plainSearch = false;  // --search plain: no check of the accepted orbit, no restarts
    int32_t orbits = 1;                  // orbits that grow the quilt together
    std::optional<int32_t> threads;      // threads that grow them; the processors when not given
    bool quiet = false;
    // --recipe: the quilt of a recipe (a PNG carrying one, or its JSON) grown without a search;
    // the recipe's own step count unless --points is given. --recipe-out: the recipe written alone.
    std::optional<std::string> recipePath, recipeOutPath;
    bool pointsGiven = false, orbitsGiven = false;
    std::optional<uint32_t> dotsPerInch;  // written into the picture file
    std::optional<int32_t> periodHeight;  // a period of any height in place of the resolution's
};

struct ParsedCommandLine {
    RenderOptions options;
    bool helpRequested = false;
    bool versionRequested = false;
    std::string error;  // one line; empty when the command line was accepted
};

ParsedCommandLine ParseRenderCommandLine(int argc, const char* const* argv);

// A user's text in double quotes for a one-line message, control characters shown as '?' so
// that the message stays one line.
std::string QuotedForMessage(std::string_view text);

// The text that --help prints, its lists' entries as the controls offer them.
std::string RenderUsage();
// The line that --version prints.
std::string RenderVersion();

}  // namespace tessalume
