#include "cli/render_options.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <span>
#include <string_view>

#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "version.h"

namespace tessalume {

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
// The renderer streams its pictures, so it goes beyond Export Image's largest side.
constexpr uint64_t smallestImageSide = 2, largestImageSide = maxStreamedPictureSide;

std::string StoreImageSize(std::string_view text, std::optional<ImageSize>& target)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos) return QuotedForMessage(text) + " is not of the form WxH";
    ImageSize size;
    std::string error = StoreWhole(text.substr(0, cross), smallestImageSide, largestImageSide, size.width);
    if (error.empty()) error = StoreWhole(text.substr(cross + 1), smallestImageSide, largestImageSide, size.height);
    if (!error.empty())
        return "width and height must each be a whole number from " + std::to_string(smallestImageSide) + " to " +
               std::to_string(largestImageSide) + ": " + error;
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

// A list the window offers, as an option names its entries: the list's title, its entries (the
// labels of the table its subsystem keeps) and the entry a new session starts with.
struct EntryList {
    const char* title;
    std::span<const char* const> entries;
    int32_t start;
};
const EntryList resolutionList{resolutionTitle, labelsOf<resolutionTable>, Settings{}.resolution};
const EntryList colorMappingList{colorMappingTitle, labelsOf<colorMappingTable>, Settings{}.colorMapping};
const EntryList antialiasingList{antialiasingTitle, labelsOf<antialiasingTable>, Settings{}.antialiasing};
const EntryList intensityList{intensityTitle, labelsOf<intensityTable>, Settings{}.intensity};

// An entry of a list, by its index, as a click on the list picks it.
std::string StoreEntry(std::string_view text, const EntryList& list, std::optional<int32_t>& target)
{
    return StoreWhole(text, 0, list.entries.size() - 1, target);
}

// What the usage says of a list option: the list's title, its entries and its start.
std::string EntriesOf(const EntryList& list)
{
    std::string text = std::string(list.title) + " entry:";
    for (std::size_t i = 0; i < list.entries.size(); ++i)
        text += (i == 0 ? " " : ", ") + std::to_string(i) + " " + list.entries[i];
    return text + " (" + std::to_string(list.start) + ")";
}

// "--format" names an "Output Format" entry by its file extension.
std::string FormatNames(const char* separator)
{
    std::string names;
    for (int32_t format = 0; format < outputFormatCount; ++format)
        names += (format == 0 ? "" : separator) + std::string(fileFormats[format].defaultExtension);
    return names;
}

std::string StoreFormat(std::string_view text, std::optional<int32_t>& target)
{
    for (int32_t format = 0; format < outputFormatCount; ++format)
        if (text == fileFormats[format].defaultExtension) {
            target = format;
            return {};
        }
    return QuotedForMessage(text) + " is none of " + FormatNames(", ");
}

// Extensions of picture formats this program does not write: a file so named would lie about
// its contents.
constexpr std::string_view otherPictureExtensions[] = {
    "jpg", "jpeg", "jpe", "jfif", "gif", "tif", "tiff", "webp", "avif", "heic", "heif", "jxl", "jp2",
    "tga", "ico", "ppm", "pgm", "pbm", "pnm", "pcx", "xpm", "xbm", "exr", "hdr", "svg", "psd", "qoi",
};

// The extension of the file name part, lower case; empty without one (a leading dot does not
// make one, as ".quilt" is a hidden file's name).
std::string ExtensionOf(std::string_view path)
{
    const std::string_view name = path.substr(path.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// Without --format, ".bmp" chooses BMP. A picture extension that names another format than the
// one written is refused, so that a file's name never lies about its contents; no extension, or
// one that names no picture format, leaves the choice to --format.
std::string MatchFormatToExtension(RenderOptions& options)
{
    const std::string extension = ExtensionOf(options.outPath);
    if (extension.empty()) return {};
    std::optional<int32_t> named;
    for (int32_t format = 0; format < outputFormatCount; ++format)
        if (extension == fileFormats[format].defaultExtension) named = format;
    const bool otherPicture =
        std::find(std::begin(otherPictureExtensions), std::end(otherPictureExtensions), extension) !=
        std::end(otherPictureExtensions);
    if (!named && !otherPicture) return {};
    const int32_t written = options.format.value_or(named.value_or(pngFormat));
    if (named == written) {
        options.format = written;
        return {};
    }
    return "--out " + QuotedForMessage(options.outPath) + ": the extension ." + extension +
           " names another format than the " + fileFormats[written].label + " written (see --format)";
}

std::string StoreSearch(std::string_view text, bool& plain)
{
    if (text != "plain" && text != "checked") return QuotedForMessage(text) + " is neither plain nor checked";
    plain = text == "plain";
    return {};
}

// A recipe replaces the search: the options that steer a search have nothing to steer.
std::string RecipeConflicts(const RenderOptions& options)
{
    const std::pair<bool, const char*> searchOptions[] = {
        {options.seed.has_value(), "--seed"},          {options.transformI.has_value(), "--transform-i"},
        {options.transformII.has_value(), "--transform-ii"}, {options.blur.has_value(), "--blur"},
        {options.randomColorMaps != 0, "--random-colormap"}, {options.plainSearch, "--search"},
    };
    for (const auto& [given, name] : searchOptions)
        if (given) return std::string(name) + " steers a search, and --recipe makes its quilt without one";
    return {};
}

constexpr uint64_t maxDotsPerInch = 100000;

// A BMP file's header cannot count more than 4 GiB: a larger picture is refused before any work.
std::string CheckPictureSize(const RenderOptions& options)
{
    if (!options.image) return {};
    const std::string fault =
        PictureSizeFault(options.format.value_or(pngFormat), options.image->width, options.image->height);
    return fault.empty() ? fault : "--image: " + fault;
}

// A period is either a resolution's or of a height given.
std::string CheckPeriod(const RenderOptions& options)
{
    return options.periodHeight && options.resolution ? "--period and --resolution exclude each other" : "";
}

// The largest count whose rounding up to whole batches still fits in 64 bits.
constexpr uint64_t maxPoints = UINT64_MAX / batchSteps * batchSteps;
constexpr uint64_t lastCatalogueEntry = catalogueSize - 1;

// Every option: whether it takes a value, how the value is stored, and what the usage shows of
// it (the value's name and a description).
struct Usage {
    std::string value, text;
};

struct OptionRow {
    std::string_view name;
    bool takesValue;
    std::string (*set)(ParsedCommandLine&, std::string_view value);
    Usage (*usage)();
};

// Short names keep every row of the table to two lines.
using C = ParsedCommandLine&;
using V = std::string_view;

constexpr OptionRow optionTable[] = {
    {"--seed", true, [](C c, V v) { return StoreWhole(v, 0, UINT32_MAX, c.options.seed); },
     [] { return Usage{"N", "seed of the random generators, 0..4294967295 (required unless --recipe)"}; }},
    {"--out", true, [](C c, V v) { return StorePath(v, c.options.outPath); },
     [] { return Usage{"FILE", "picture to write (required)"}; }},
    {"--points", true, [](C c, V v) { c.options.pointsGiven = true; return StoreWhole(v, 0, maxPoints, c.options.points); },
     [] { return Usage{"N", "plotted steps of all orbits together, rounded up to whole batches of " +
                                std::to_string(batchSteps) + " per orbit (" + std::to_string(RenderOptions{}.points) +
                                ")"}; }},
    {"--resolution", true, [](C c, V v) { return StoreEntry(v, resolutionList, c.options.resolution); },
     [] { return Usage{"R", EntriesOf(resolutionList)}; }},
    {"--mapping", true, [](C c, V v) { return StoreEntry(v, colorMappingList, c.options.mapping); },
     [] { return Usage{"K", EntriesOf(colorMappingList)}; }},
    {"--antialias", true, [](C c, V v) { return StoreEntry(v, antialiasingList, c.options.antialias); },
     [] { return Usage{"A", EntriesOf(antialiasingList)}; }},
    {"--intensity", true, [](C c, V v) { return StoreEntry(v, intensityList, c.options.intensity); },
     [] { return Usage{"I", EntriesOf(intensityList)}; }},
    {"--transform-i", true, [](C c, V v) { return StoreWhole(v, 0, lastCatalogueEntry, c.options.transformI); },
     [] { return Usage{"T", "Transformation I entry 0.." + std::to_string(lastCatalogueEntry) + ", locked"}; }},
    {"--transform-ii", true, [](C c, V v) { return StoreWhole(v, 0, lastCatalogueEntry, c.options.transformII); },
     [] { return Usage{"T", "Transformation II entry 0.." + std::to_string(lastCatalogueEntry) + ", locked"}; }},
    {"--blur", true, [](C c, V v) { return StoreSliderValue(v, 0.2, c.options.blur); },
     [] { return Usage{"F", "Attractor Blurring Factor, at least 0.2, locked"}; }},
    {"--colormap", true, [](C c, V v) { return StorePath(v, c.options.colorMapPath.emplace()); },
     [] { return Usage{"FILE", "colour map (.map) to load, locked"}; }},
    {"--brightness", true, [](C c, V v) { return StoreSliderValue(v, 0, c.options.brightness); },
     [] { return Usage{"F", "brightness after the new quilt, at least 0"}; }},
    {"--random-colormap", true, [](C c, V v) { return StoreWhole(v, 0, 1000, c.options.randomColorMaps); },
     [] { return Usage{"N", "presses of the Random colour map button, 0..1000 (0)"}; }},
    {"--image", true, [](C c, V v) { return StoreImageSize(v, c.options.image); },
     [] { return Usage{"WxH", "write a tiled picture of W x H pixels, " + std::to_string(smallestImageSide) + ".." +
                 std::to_string(largestImageSide) + " each, not the tile"}; }},
    {"--period", true, [](C c, V v) { return StoreWhole(v, minPeriodHeight, maxPeriodHeight, c.options.periodHeight); },
     [] { return Usage{"H", "a period H pixels high and round(H * sqrt 3) wide in place of the resolution's, " +
                            std::to_string(minPeriodHeight) + ".." + std::to_string(maxPeriodHeight)}; }},
    {"--dpi", true, [](C c, V v) { return StoreWhole(v, 1, maxDotsPerInch, c.options.dotsPerInch); },
     [] { return Usage{"N", "print resolution written into the file, 1.." + std::to_string(maxDotsPerInch) +
                            " dots per inch"}; }},
    {"--format", true, [](C c, V v) { return StoreFormat(v, c.options.format); },
     [] { return Usage{FormatNames("|"), "output format (" + std::string(fileFormats[0].defaultExtension) + ")"}; }},
    {"--search", true, [](C c, V v) { return StoreSearch(v, c.options.plainSearch); },
     [] { return Usage{"plain|checked", "checked: an accepted orbit must also stay finite and near, keep moving and "
                                        "spread over the period, and one that leaves starts again (checked)"}; }},
    {"--recipe", true, [](C c, V v) { return StorePath(v, c.options.recipePath.emplace()); },
     [] { return Usage{"FILE", "grow the quilt of a recipe (a PNG carrying one, or its JSON) without a search, "
                               "for its own points unless --points is given; in place of --seed"}; }},
    {"--recipe-out", true, [](C c, V v) { return StorePath(v, c.options.recipeOutPath.emplace()); },
     [] { return Usage{"FILE", "also write the picture's recipe alone, as JSON"}; }},
    {"--orbits", true, [](C c, V v) { c.options.orbitsGiven = true; return StoreWhole(v, 1, maxOrbits, c.options.orbits); },
     [] { return Usage{"K", "orbits that grow the quilt together, 1.." + std::to_string(maxOrbits) +
                                " (1); the picture depends on K, never on the threads"}; }},
    {"--threads", true, [](C c, V v) { return StoreWhole(v, 1, maxOrbits, c.options.threads); },
     [] { return Usage{"N", "threads that grow the orbits, 1.." + std::to_string(maxOrbits) +
                                ", at most K (the processors)"}; }},
    {"--quiet", false, [](C c, V) { c.options.quiet = true; return std::string(); },
     [] { return Usage{"", "no progress line on standard error"}; }},
    {"--help", false, [](C c, V) { c.helpRequested = true; return std::string(); },
     [] { return Usage{"", "print this text and exit"}; }},
    {"--version", false, [](C c, V) { c.versionRequested = true; return std::string(); },
     [] { return Usage{"", "print the version and exit"}; }},
};
constexpr std::size_t optionCount = std::size(optionTable);

// The option and its value from column 3, the description from column 26, wrapped after a
// comma before column 100 so that no entry of a list is cut in two.
std::string UsageLine(const OptionRow& row)
{
    constexpr std::size_t indent = 25, width = 100;
    const Usage usage = row.usage();
    std::string line = "  " + std::string(row.name) + (usage.value.empty() ? "" : " " + usage.value);
    line.resize(std::max(line.size() + 1, indent), ' ');
    std::string_view rest = usage.text;
    std::size_t cut = 0;
    while (rest.size() > width - indent && (cut = rest.rfind(", ", width - indent)) != std::string_view::npos) {
        line += std::string(rest.substr(0, cut + 1)) + "\n" + std::string(indent, ' ');
        rest.remove_prefix(cut + 2);
    }
    return line + std::string(rest) + "\n";
}

}  // namespace

std::string RenderVersion()
{
    return std::string("tessalume-render (Tessalume) ") + programVersion + "\n";
}

std::string RenderUsage()
{
    std::string text =
        "Usage: tessalume-render --seed N --out FILE [options]\n"
        "       tessalume-render --recipe FILE --out FILE [options]\n"
        "Renders one quilt without a window, the same for the same command line.\n\n";
    for (const OptionRow& row : optionTable) text += UsageLine(row);
    return text +
           "\nAn option's value may also follow it after '=', as in --seed=7. The format is PNG unless\n"
           "--format says otherwise or FILE ends in .bmp; a FILE whose extension names another picture\n"
           "format than the one written (quilt.jpg, or quilt.png with --format bmp) is refused.\n"
           "\nOn success one line of JSON describing the quilt goes to standard output. Bad input is\n"
           "refused with exit status 2 before anything is written.\n";
}

ParsedCommandLine ParseRenderCommandLine(int argc, const char* const* argv)
{
    ParsedCommandLine parsed;
    std::array<bool, optionCount> seen{};
    for (int i = 1; i < argc; ++i) {
        // "--name=value" is "--name value" in one word.
        std::string_view name = argv[i];
        std::optional<std::string_view> attached;
        if (const std::size_t equals = name.find('='); name.starts_with("--") && equals != std::string_view::npos) {
            attached = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
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
        if (attached) {
            if (!optionTable[row].takesValue) {
                parsed.error = "option " + std::string(name) + " takes no value";
                return parsed;
            }
            value = *attached;
        } else if (optionTable[row].takesValue) {
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
        if (parsed.helpRequested || parsed.versionRequested) return parsed;
    }
    if (!parsed.options.seed && !parsed.options.recipePath) parsed.error = "--seed N is required (see --help)";
    else if (parsed.options.recipePath) parsed.error = RecipeConflicts(parsed.options);
    if (!parsed.error.empty()) return parsed;
    if (parsed.options.outPath.empty()) parsed.error = "--out FILE is required (see --help)";
    else parsed.error = MatchFormatToExtension(parsed.options);
    if (parsed.error.empty()) parsed.error = CheckPictureSize(parsed.options);
    if (parsed.error.empty()) parsed.error = CheckPeriod(parsed.options);
    return parsed;
}

}  // namespace tessalume
