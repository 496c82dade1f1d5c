#include "cli/render_options.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "engine/engine.h"
#include "files/files.h"

namespace tessalume {

const char renderUsage[] =
    "Usage: tessalume-render --seed N --out FILE [options]\n"
    "Renders one quilt without a window, the same for the same command line.\n"
    "\n"
    "  --seed N               seed of the random generators, 0..4294967295 (required)\n"
    "  --out FILE             picture to write (required)\n"
    "  --points N             plotted steps, rounded up to whole batches of 20000 (2000000)\n"
    "  --resolution R         Quilt Resolution entry: 0 444 x 256, 1 886 x 512, 2 1774 x 1024 (0)\n"
    "  --mapping K            Color Mapping Function entry 0..6 (0)\n"
    "  --antialias A          Antialiasing entry: 0 Off, 1 1.25X, 2 1.5X, 3 1.75X, 4 2.0X (0)\n"
    "  --intensity I          Intensity Function entry 0..8 (1)\n"
    "  --transform-i T        Transformation I entry 0..29, locked\n"
    "  --transform-ii T       Transformation II entry 0..29, locked\n"
    "  --blur F               Attractor Blurring Factor, at least 0.2, locked\n"
    "  --colormap FILE        colour map (.map) to load, locked\n"
    "  --brightness F         brightness after the new quilt, at least 0\n"
    "  --random-colormap N    presses of the Random colour map button, 0..1000 (0)\n"
    "  --image WxH            write a tiled picture of W x H pixels, 2..8192 each, not the tile\n"
    "  --format png|bmp       output format (png)\n"
    "  --quiet                no progress line on standard error\n"
    "  --help                 print this text and exit\n"
    "\n"
    "On success one line of JSON describing the quilt goes to standard output. Bad input is\n"
    "refused with exit status 2 before anything is written.\n";

std::string QuotedForMessage(std::string_view text)
{
    std::string shown = "\"";
    for (const char c : text) shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return shown + "\"";
}

namespace {

// Digits only, the whole text: no sign, no spaces, no fraction. Returns the error text, or
// an empty text when value was set.
std::string ReadWhole(std::string_view text, uint64_t low, uint64_t high, uint64_t& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, fault] = std::from_chars(text.data(), end, value);
    if (text.empty() || stop != end || (fault != std::errc() && fault != std::errc::result_out_of_range))
        return QuotedForMessage(text) + " is not a whole number";
    if (fault == std::errc::result_out_of_range || value < low || value > high)
        return QuotedForMessage(text) + " is out of range " + std::to_string(low) + ".." + std::to_string(high);
    return {};
}

std::string FormatShort(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

template <typename T> struct Held { using type = T; };
template <typename T> struct Held<std::optional<T>> { using type = T; };

template <typename Target>
std::string StoreWhole(std::string_view text, uint64_t low, uint64_t high, Target& target)
{
    uint64_t value = 0;
    std::string error = ReadWhole(text, low, high, value);
    if (error.empty()) target = static_cast<typename Held<Target>::type>(value);
    return error;
}

// A slider value: checked as a double (the C locale's decimal point, whatever the
// environment), then kept in single precision as a drag keeps it.
std::string StoreSliderValue(std::string_view text, double low, std::optional<float>& target)
{
    const char* end = text.data() + text.size();
    double value = 0;
    const auto [stop, fault] = std::from_chars(text.data(), end, value);
    if (text.empty() || stop != end || (fault != std::errc() && fault != std::errc::result_out_of_range))
        return QuotedForMessage(text) + " is not a number";
    if (fault == std::errc::result_out_of_range || !std::isfinite(value) || !(value >= low) ||
        value > static_cast<double>(FLT_MAX))
        return QuotedForMessage(text) + " is out of range: it must be finite, at least " + FormatShort(low) +
               " and at most " + FormatShort(FLT_MAX);
    target = static_cast<float>(value);
    return {};
}

// Export Image's bounds on each side of the picture.
constexpr uint64_t smallestImageSide = 2, largestImageSide = 8192;

std::string StoreImageSize(std::string_view text, std::optional<ImageSize>& target)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos) return QuotedForMessage(text) + " is not of the form WxH";
    ImageSize size;
    std::string error = StoreWhole(text.substr(0, cross), smallestImageSide, largestImageSide, size.width);
    if (error.empty()) error = StoreWhole(text.substr(cross + 1), smallestImageSide, largestImageSide, size.height);
    if (!error.empty()) return "width and height must each be a whole number from 2 to 8192: " + error;
    target = size;
    return {};
}

std::string StorePath(std::string_view text, std::string& target)
{
    if (text.empty()) return "the file name is empty";
    if (text.size() > maxPathLength)
        return "the path is longer than " + std::to_string(maxPathLength) + " characters";
    target = text;
    return {};
}

// The largest count whose rounding up to whole batches still fits in 64 bits.
constexpr uint64_t maxPoints = UINT64_MAX / batchSteps * batchSteps;

using Setter = std::string (*)(ParsedCommandLine&, std::string_view value);

struct OptionRow {
    std::string_view name;
    bool takesValue;
    Setter set;
};

constexpr OptionRow optionTable[] = {
    {"--seed", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, UINT32_MAX, c.options.seed); }},
    {"--out", true, [](ParsedCommandLine& c, std::string_view v) { return StorePath(v, c.options.outPath); }},
    {"--points", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, maxPoints, c.options.points); }},
    {"--resolution", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, 2, c.options.resolution); }},
    {"--mapping", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, 6, c.options.mapping); }},
    {"--antialias", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, 4, c.options.antialias); }},
    {"--intensity", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, 8, c.options.intensity); }},
    {"--transform-i", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, catalogueSize - 1, c.options.transformI); }},
    {"--transform-ii", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, catalogueSize - 1, c.options.transformII); }},
    {"--blur", true, [](ParsedCommandLine& c, std::string_view v) { return StoreSliderValue(v, 0.2, c.options.blur); }},
    {"--colormap", true, [](ParsedCommandLine& c, std::string_view v) { return StorePath(v, c.options.colorMapPath.emplace()); }},
    {"--brightness", true, [](ParsedCommandLine& c, std::string_view v) { return StoreSliderValue(v, 0, c.options.brightness); }},
    {"--random-colormap", true, [](ParsedCommandLine& c, std::string_view v) { return StoreWhole(v, 0, 1000, c.options.randomColorMaps); }},
    {"--image", true, [](ParsedCommandLine& c, std::string_view v) { return StoreImageSize(v, c.options.image); }},
    {"--format", true, [](ParsedCommandLine& c, std::string_view v) -> std::string {
         if (v != "png" && v != "bmp") return QuotedForMessage(v) + " is neither png nor bmp";
         c.options.format = v == "png" ? 0 : 1;
         return {};
     }},
    {"--quiet", false, [](ParsedCommandLine& c, std::string_view) { c.options.quiet = true; return std::string(); }},
    {"--help", false, [](ParsedCommandLine& c, std::string_view) { c.helpRequested = true; return std::string(); }},
};
constexpr std::size_t optionCount = std::size(optionTable);

}  // namespace

ParsedCommandLine ParseRenderCommandLine(int argc, const char* const* argv)
{
    ParsedCommandLine parsed;
    std::array<bool, optionCount> seen{};
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        std::size_t row = 0;
        while (row < optionCount && optionTable[row].name != name) ++row;
        if (row == optionCount) {
            parsed.error = "unknown option " + QuotedForMessage(name) + " (see --help)";
            return parsed;
        }
        if (seen[row]) {
            parsed.error = "option " + std::string(name) + " is given more than once";
            return parsed;
        }
        seen[row] = true;
        std::string_view value;
        if (optionTable[row].takesValue) {
            // A following option is taken as a forgotten value rather than as a file name.
            if (i + 1 == argc || std::string_view(argv[i + 1]).starts_with("--")) {
                parsed.error = "option " + std::string(name) + " needs a value";
                return parsed;
            }
            value = argv[++i];
        }
        const std::string error = optionTable[row].set(parsed, value);
        if (!error.empty()) {
            parsed.error = std::string(name) + ": " + error;
            return parsed;
        }
        if (parsed.helpRequested) return parsed;
    }
    if (!parsed.options.seed) parsed.error = "--seed N is required (see --help)";
    else if (parsed.options.outPath.empty()) parsed.error = "--out FILE is required (see --help)";
    return parsed;
}

}  // namespace tessalume
