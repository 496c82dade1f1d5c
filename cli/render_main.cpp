// tessalume-render: one quilt from a seed, without a window. The steps follow the window
// program's start-up and the worker's batches exactly, single threaded, so that a picture can
// be reproduced from its command line alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
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

// Steps 1 to 3 of the command line's semantics: the settings at their start values with the
// options applied, the generators seeded, the settings in force.
Settings SettingsOf(const RenderOptions& options)
{
    Settings settings;
    if (options.resolution) settings.resolution = *options.resolution;
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
int32_t ThreadsFor(const RenderOptions& options)
{
    return std::min(options.threads.value_or(OrbitsPerProcessor()), options.orbits);
}

// Steps 6 and 7: the orbits made from the quilt as the search and the options left it, the
// worker's passes, one batch of every orbit each, on the crew's threads, and the picture of
// their sum. The points are split evenly, whole batches per orbit.
PlotRun PlotBatches(Quilt& quilt, const RenderOptions& options, double brightness)
{
    std::vector<Quilt> others;
    StartOrbits(quilt, options.orbits, others);
    OrbitCrew crew;
    PlotRun run;
    run.orbits = options.orbits;
    run.threads = crew.Hire(ThreadsFor(options));
    const uint64_t pointsPerPass = static_cast<uint64_t>(run.orbits) * batchSteps;
    const uint64_t passes = options.points / pointsPerPass + (options.points % pointsPerPass != 0 ? 1 : 0);
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

std::string Summary(uint32_t seed, const Quilt& quilt, const Settings& settings, const PlotRun& run)
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
        .Real("pointsPerSecond", pointsPerSecond)
        .Finish();
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

    std::string colorMapText;
    if (options.colorMapPath) {
        const std::string fault = ReadColorMapFile(*options.colorMapPath, colorMapText);
        if (!fault.empty())
            return Refuse("cannot read the colour map file " + QuotedForMessage(*options.colorMapPath) + ": " + fault);
    }
    if (const std::string fault = OutputFault(options.outPath); !fault.empty())
        return Refuse("cannot write " + QuotedForMessage(options.outPath) + ": " + fault);

    Settings settings = SettingsOf(options);
    Quilt quilt;
    PrepareQuilt(quilt, options, settings, colorMapText);
    MakeQuilt(quilt, settings, options);
    const PlotRun run = PlotBatches(quilt, options, settings.brightness);

    const RgbPicture picture = options.image ? MakeTiledPicture(quilt, options.image->width, options.image->height)
                                             : MakeTilePicture(quilt);
    if (const std::string fault = WritePicture(options.outPath, settings.outputFormat, picture); !fault.empty())
        return Refuse("cannot write " + QuotedForMessage(options.outPath) + ": " + fault);

    return WriteToStandardOutput(Summary(*options.seed, quilt, settings, run), "the summary");
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
