// tessalume-render: one quilt from a seed, without a window. The steps follow the window
// program's start-up and the worker's batches exactly, single threaded, so that a picture can
// be reproduced from its command line alone.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/render_options.h"
#include "engine/engine.h"
#include "files/files.h"
#include "imaging/imaging.h"

namespace tessalume {
namespace {

// Bad input and an output that cannot be written end with badInputStatus, found before any
// work wherever they can be; any other failure (the summary cannot be written, memory runs
// out) ends with failedRunStatus.
constexpr int failedRunStatus = 1;
constexpr int badInputStatus = 2;

int Report(const std::string& message, int status)
{
    std::fprintf(stderr, "tessalume-render: %s\n", message.c_str());
    return status;
}

int Refuse(const std::string& message) { return Report(message, badInputStatus); }

// Exports form their default name in the folder they write to, as the window program's do.
std::string FolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string FileNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Why the output cannot be written, found before the search so that a mistyped path fails at
// once: its folder must be a folder we may write in, and what already stands at the path must
// be a regular file, since the rename would replace a device node or a pipe with a file.
std::string OutputFault(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return "not a regular file";
    const std::string folder = FolderOf(path);
    if (stat(folder.c_str(), &status) != 0) return std::strerror(errno);
    if (!S_ISDIR(status.st_mode)) return std::strerror(ENOTDIR);
    if (access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    return "";
}

// Every file the run writes: the picture, a BMP's recipe beside it, the recipe alone.
std::vector<std::string> OutputsOf(const RenderOptions& options, const Settings& settings)
{
    std::vector<std::string> paths = {options.outPath};
    if (settings.outputFormat != pngFormat) paths.push_back(RecipeSidecarPath(options.outPath));
    if (options.recipeOutPath) paths.push_back(*options.recipeOutPath);
    return paths;
}

// The number after the key on the first line of a file that starts with it (the number that
// starts the file when the key is empty); nothing without one, as for "max".
std::optional<uint64_t> NumberInFile(const char* path, const std::string& key)
{
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return std::nullopt;
    char line[256];
    std::optional<uint64_t> number;
    while (!number && std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, key.c_str(), key.size()) != 0) continue;
        char* end = nullptr;
        const unsigned long long value = std::strtoull(line + key.size(), &end, 10);
        if (end != line + key.size()) number = value;
        else break;  // "max": no limit
    }
    std::fclose(file);
    return number;
}

// What memory this process can still take: the least of what the system has available, what
// its address space limit leaves and what its control group leaves; nothing when none says.
std::optional<uint64_t> AvailableMemory()
{
    std::optional<uint64_t> available;
    const auto least = [&available](uint64_t bytes) { available = std::min(available.value_or(bytes), bytes); };
    if (const auto kibibytes = NumberInFile("/proc/meminfo", "MemAvailable:")) least(*kibibytes * 1024);
    rlimit limit{};
    const uint64_t pageBytes = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        if (const auto pages = NumberInFile("/proc/self/statm", ""))
            least(limit.rlim_cur > *pages * pageBytes ? limit.rlim_cur - *pages * pageBytes : 0);
    const auto groupLimit = NumberInFile("/sys/fs/cgroup/memory.max", "");
    const auto groupUse = NumberInFile("/sys/fs/cgroup/memory.current", "");
    if (groupLimit && groupUse) least(*groupLimit > *groupUse ? *groupLimit - *groupUse : 0);
    return available;
}

// Why the quilt's period does not fit in memory, or empty: its accumulators, its picture and
// the tile written from it must all fit, checked before any work.
std::string PeriodMemoryFault(const RenderOptions& options)
{
    const ResolutionRow period =
        options.periodHeight ? PeriodOfHeight(*options.periodHeight) : resolutionTable[options.resolution.value_or(0)];
    const uint64_t needed =
        static_cast<uint64_t>(period.periodWidth) * period.periodHeight * (sizeof(AccumulatorCell) + 3 + 3);
    const std::optional<uint64_t> available = AvailableMemory();
    if (!available || needed <= *available) return "";
    constexpr double megabyte = 1e6;
    char text[160];
    std::snprintf(text, sizeof text, "a %d x %d period needs %.0f MB of memory, %.0f MB are available",
                  period.periodWidth, period.periodHeight, needed / megabyte, *available / megabyte);
    return text;
}

// Steps 1 to 3 of the command line's semantics: the settings at their start values with the
// options applied, the generators seeded, the settings in force.
Settings SettingsOf(const RenderOptions& options)
{
    Settings settings;
    if (options.resolution) settings.resolution = *options.resolution;
    if (options.periodHeight) settings.periodHeight = *options.periodHeight;
    if (options.mapping) settings.colorMapping = *options.mapping;
    if (options.intensity) settings.intensity = *options.intensity;
    if (options.antialias) settings.antialiasing = *options.antialias;
    if (options.transformI) {
        settings.transformI = settings.transformShownI = *options.transformI;
        settings.transformILocked = true;
    }
    if (options.transformII) {
        settings.transformII = settings.transformShownII = *options.transformII;
        settings.transformIILocked = true;
    }
    if (options.blur) {
        settings.blurringFactor = static_cast<double>(*options.blur);
        settings.blurringLocked = true;
    }
    settings.colorMapLocked = options.colorMapPath.has_value();
    if (options.format) settings.outputFormat = *options.format;
    settings.search = options.plainSearch ? Settings::Search::plain : Settings::Search::checked;
    settings.outputFolder = FolderOf(options.outPath);
    return settings;
}

void PrepareQuilt(Quilt& quilt, const RenderOptions& options, const Settings& settings, const std::string& colorMapText)
{
    SeedQuilt(quilt, *options.seed);
    if (options.colorMapPath) quilt.colorMap = ReadColorMapText(colorMapText);
    ApplySettings(quilt, settings);
}

// Steps 4 to 6: the new quilt with its search, the Random presses, the brightness drag.
void MakeQuilt(Quilt& quilt, Settings& settings, const RenderOptions& options)
{
    ClearQuilt(quilt, settings.intensity);
    NewQuilt(quilt, settings);
    for (int32_t press = 0; press < options.randomColorMaps; ++press) {
        RandomColorMap(quilt);
        ClearQuilt(quilt, settings.intensity);
        ApplySettings(quilt, settings);
    }
    if (options.brightness) settings.brightness = static_cast<double>(*options.brightness);
}

// The recipe given with --recipe, with the options that override its values.
Recipe RecipeWithOptions(Recipe recipe, const RenderOptions& options, const std::string& colorMapText)
{
    if (options.resolution) {
        recipe.resolution = *options.resolution;
        recipe.periodHeight = 0;
    }
    if (options.periodHeight) recipe.periodHeight = *options.periodHeight;
    if (options.mapping) recipe.colorMapping = *options.mapping;
    if (options.intensity) recipe.intensity = *options.intensity;
    if (options.antialias) recipe.antialiasing = *options.antialias;
    if (options.brightness) recipe.brightness = static_cast<double>(*options.brightness);
    if (options.colorMapPath) recipe.colorMap = ReadColorMapText(colorMapText);
    if (options.image) {
        recipe.tiledWidth = options.image->width;
        recipe.tiledHeight = options.image->height;
    }
    if (options.pointsGiven) recipe.stepsPlotted = options.points;
    if (options.orbitsGiven) recipe.orbits = options.orbits;
    return recipe;
}

// The quilt of a recipe, in place of steps 2 to 5: the recipe's settings, its quilt, no search.
void AdoptQuilt(Quilt& quilt, Settings& settings, const Recipe& recipe)
{
    TakeRecipeSettings(settings, recipe);
    AdoptRecipe(quilt, settings, recipe);
}

// Keeps one "\r" line on a terminal, rewritten at most four times a second.
class ProgressLine {
public:
    explicit ProgressLine(bool shown) : shown(shown) {}

    void Show(uint64_t done, uint64_t total, std::chrono::steady_clock::time_point start)
    {
        if (!shown) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastShown < std::chrono::milliseconds(250)) return;
        lastShown = now;
        const double seconds = std::chrono::duration<double>(now - start).count();
        const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
        width = std::fprintf(stderr, "\r%llu of %llu points, %.0f points per second ",
                             static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), rate);
    }

    // Rows of the picture written, in percent.
    void ShowRows(int32_t written, int32_t total)
    {
        if (!shown) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastShown < std::chrono::milliseconds(250)) return;
        lastShown = now;
        width = std::fprintf(stderr, "\rwriting the picture: %d of %d rows, %.0f%% ", written, total,
                             100.0 * written / total);
    }

    void Clear()
    {
        if (shown && width > 0) std::fprintf(stderr, "\r%*s\r", width, "");
    }

private:
    bool shown;
    int width = 0;
    std::chrono::steady_clock::time_point lastShown{};
};

struct PlotRun {
    uint64_t points = 0;
    double seconds = 0;
    int32_t orbits = 1, threads = 1;
    int64_t orbitRestarts = 0;
};

// The threads asked for, or one per processor; never more than there are orbits to grow.
int32_t ThreadsFor(const RenderOptions& options, int32_t orbits)
{
    return std::min(options.threads.value_or(OrbitsPerProcessor()), orbits);
}

// Steps 6 and 7: the orbits made from the quilt as the search and the options left it, the
// worker's passes, one batch of every orbit each, on the crew's threads, and the picture of
// their sum. The points are split evenly, whole batches per orbit.
PlotRun PlotBatches(Quilt& quilt, const RenderOptions& options, uint64_t points, int32_t orbits, double brightness)
{
    std::vector<Quilt> others;
    StartOrbits(quilt, orbits, others);
    OrbitCrew crew;
    PlotRun run;
    run.orbits = orbits;
    run.threads = crew.Hire(ThreadsFor(options, orbits));
    const uint64_t pointsPerPass = static_cast<uint64_t>(run.orbits) * batchSteps;
    const uint64_t passes = points / pointsPerPass + (points % pointsPerPass != 0 ? 1 : 0);
    ProgressLine progress(!options.quiet && isatty(2) == 1);
    const auto start = std::chrono::steady_clock::now();
    for (uint64_t pass = 0; pass < passes; ++pass) {
        crew.GrowPass(quilt, others);
        progress.Show((pass + 1) * pointsPerPass, passes * pointsPerPass, start);
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    progress.Clear();
    run.points = passes * pointsPerPass;
    run.orbitRestarts = OrbitRestarts(quilt, others);
    std::vector<AccumulatorCell> sum;
    ToneOrbits(quilt, others, sum, brightness);
    return run;
}

// Step 10: one line, keys in a fixed order, doubles exact on reading back.
class JsonLine {
public:
    JsonLine& Whole(const char* key, long long value)
    {
        char number[32];
        std::snprintf(number, sizeof number, "%lld", value);
        return Add(key, number);
    }
    JsonLine& Real(const char* key, double value)
    {
        char number[40];
        std::snprintf(number, sizeof number, "%.17g", value);
        return Add(key, number);
    }
    JsonLine& Text(const char* key, const std::string& value) { return Add(key, "\"" + value + "\""); }
    JsonLine& Whole(const char* key, std::optional<uint32_t> value) { return value ? Whole(key, *value) : Add(key, "null"); }
    std::string Finish() const { return text + "}\n"; }

private:
    JsonLine& Add(const char* key, const std::string& value)
    {
        text += text.size() == 1 ? "\"" : ",\"";
        text += key;
        text += "\":";
        text += value;
        return *this;
    }
    std::string text = "{";
};

JsonLine Summary(std::optional<uint32_t> seed, const Quilt& quilt, const Settings& settings, const PlotRun& run)
{
    const QuiltDesign& design = quilt.design;
    const double pointsPerSecond = run.seconds > 0 ? static_cast<double>(run.points) / run.seconds : 0.0;
    return JsonLine()
        .Whole("seed", seed)
        .Whole("runNumber", quilt.runNumber)
        .Whole("powerExponent", design.powerExponent)
        .Real("lambda", design.lambda)
        .Real("alpha", design.alpha)
        .Real("beta", design.beta)
        .Real("gamma", design.gamma)
        .Real("omega", design.omega)
        .Whole("transformIndexI", design.transformIndexI)
        .Whole("transformIndexII", design.transformIndexII)
        .Real("transformFrequency", design.transformFrequency)
        .Real("transformAmplitude", design.transformAmplitude)
        .Real("transformPhase", design.transformPhase)
        .Whole("transformVariant", design.transformVariant)
        .Real("latticeRadius", design.latticeRadius)
        .Real("blurringFactor", design.blurringFactor)
        .Real("blurRadius", design.blurRadius)
        .Real("brightness", settings.brightness)
        .Whole("searchPasses", quilt.searchPasses)
        .Whole("searchAttempts", quilt.searchAttempts)
        .Text("search", quilt.search == Settings::Search::checked ? "checked" : "plain")
        .Whole("orbitRestarts", run.orbitRestarts)
        .Text("defaultExportName", FileNameOf(DefaultExportName(quilt, settings)))
        .Whole("points", static_cast<long long>(run.points))
        .Whole("orbits", run.orbits)
        .Whole("threads", run.threads)
        .Real("plotSeconds", run.seconds)
        .Real("pointsPerSecond", pointsPerSecond);
}

// The size the picture prints at with its resolution.
void AddPrintedSize(JsonLine& line, const TiledPicture& picture, uint32_t dotsPerInch)
{
    constexpr double millimetresPerInch = 25.4;
    line.Whole("dotsPerInch", dotsPerInch)
        .Real("printedWidthMillimetres", picture.width * millimetresPerInch / dotsPerInch)
        .Real("printedHeightMillimetres", picture.height * millimetresPerInch / dotsPerInch);
}

// Step 7's file: the tile, or the period centred and repeated, streamed a line at a time, with its
// recipe inside a PNG or beside a BMP.
std::string WriteRenderedPicture(const RenderOptions& options, const Settings& settings, const TiledPicture& picture,
                                 const PictureNotes& notes)
{
    ProgressLine progress(!options.quiet && isatty(2) == 1);
    const std::string fault = WritePictureAndRecipe(options.outPath, settings.outputFormat, picture, notes,
                                                    [&](int32_t written) { progress.ShowRows(written, picture.height); });
    progress.Clear();
    return fault;
}

// Standard output is flushed here so that a failed write is noticed, not lost at exit.
int WriteToStandardOutput(const std::string& text, const char* what)
{
    if (std::fputs(text.c_str(), stdout) != EOF && std::fflush(stdout) == 0) return 0;
    return Report(std::string("cannot write ") + what + " to standard output: " + std::strerror(errno),
                  failedRunStatus);
}

// A closed standard stream would let the next file opened take its number, and text meant for
// the stream could land in the picture. Held open read-only, it stays unwritable.
void HoldClosedStandardStreams()
{
    for (int stream = 0; stream <= 2; ++stream)
        if (fcntl(stream, F_GETFD) < 0 && errno == EBADF) {
            const int held = open("/dev/null", O_RDONLY);
            if (held >= 0 && held != stream) close(held);
        }
}

int Render(int argc, const char* const* argv)
{
    const ParsedCommandLine parsed = ParseRenderCommandLine(argc, argv);
    if (parsed.helpRequested) return WriteToStandardOutput(RenderUsage(), "the usage");
    if (parsed.versionRequested) return WriteToStandardOutput(RenderVersion(), "the version");
    if (!parsed.error.empty()) return Refuse(parsed.error);
    const RenderOptions& options = parsed.options;

    std::optional<Recipe> recipe;
    if (options.recipePath) {
        if (const std::string fault = ReadRecipeFile(*options.recipePath, recipe.emplace()); !fault.empty())
            return Refuse("cannot read the recipe " + QuotedForMessage(*options.recipePath) + ": " + fault);
    }
    std::string colorMapText;
    if (options.colorMapPath) {
        const std::string fault = ReadColorMapFile(*options.colorMapPath, colorMapText);
        if (!fault.empty())
            return Refuse("cannot read the colour map file " + QuotedForMessage(*options.colorMapPath) + ": " + fault);
    }
    if (const std::string fault = PeriodMemoryFault(options); !fault.empty()) return Refuse(fault);

    Settings settings = SettingsOf(options);
    for (const std::string& path : OutputsOf(options, settings))
        if (const std::string fault = OutputFault(path); !fault.empty())
            return Refuse("cannot write " + QuotedForMessage(path) + ": " + fault);

    Quilt quilt;
    if (recipe) {
        recipe = RecipeWithOptions(*recipe, options, colorMapText);
        AdoptQuilt(quilt, settings, *recipe);
    } else {
        PrepareQuilt(quilt, options, settings, colorMapText);
        MakeQuilt(quilt, settings, options);
    }
    const PlotRun run = recipe ? PlotBatches(quilt, options, recipe->stepsPlotted, recipe->orbits, settings.brightness)
                               : PlotBatches(quilt, options, options.points, options.orbits, settings.brightness);

    Recipe written = RecipeOf(quilt, settings);
    written.seed = recipe ? recipe->seed : options.seed;
    written.stepsPlotted = run.points;
    written.orbits = run.orbits;
    if (recipe) {
        written.tiledWidth = recipe->tiledWidth;
        written.tiledHeight = recipe->tiledHeight;
    } else if (options.image) {
        written.tiledWidth = options.image->width;
        written.tiledHeight = options.image->height;
    }
    const RgbPicture tile = MakeTilePicture(quilt);
    const TiledPicture picture = written.tiledWidth > 0
                                     ? CentredTiling(tile, quilt, written.tiledWidth, written.tiledHeight)
                                     : WholePicture(tile);
    const PictureNotes notes{FormatRecipe(written), options.dotsPerInch.value_or(0)};
    if (const std::string fault = WriteRenderedPicture(options, settings, picture, notes); !fault.empty())
        return Refuse("cannot write " + QuotedForMessage(options.outPath) + ": " + fault);
    if (options.recipeOutPath)
        if (const std::string fault = WriteRecipeFile(*options.recipeOutPath, notes.recipe); !fault.empty())
            return Refuse("cannot write " + QuotedForMessage(*options.recipeOutPath) + ": " + fault);

    JsonLine summary = Summary(written.seed, quilt, settings, run);
    if (options.dotsPerInch) AddPrintedSize(summary, picture, *options.dotsPerInch);
    return WriteToStandardOutput(summary.Finish(), "the summary");
}

}  // namespace
}  // namespace tessalume

int main(int argc, char** argv)
{
    // Under a file size limit the write then fails and is abandoned cleanly, rather than the
    // signal killing the process with a half-written temporary file beside --out.
    std::signal(SIGXFSZ, SIG_IGN);
    tessalume::HoldClosedStandardStreams();
    tessalume::RemoveUnfinishedFileOnTermination();
    try {
        return tessalume::Render(argc, argv);
    } catch (const std::exception& failure) {
        return tessalume::Report(failure.what(), tessalume::failedRunStatus);
    }
}
