// Recipes as text: written as JSON, read back by a small strict parser that checks every value,
// and found inside a PNG, beside a BMP or on their own.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "files/files.h"

namespace tessalume {

namespace {

// ---- The fields -----------------------------------------------------------------------------

// The largest step count the renderer plots, rounded up to whole batches.
constexpr uint64_t maxSteps = UINT64_MAX / batchSteps * batchSteps;
// Bounds of what a search can choose, with the orbit's own bounds where the picture starts.
constexpr double coefficientBound = 15, omegaBound = 0.75, fullTurn = 6.283185307179586;
constexpr double smallestLattice = 0.001, largestLattice = 2 * searchRadiusBound;
constexpr double largestNormaliser = 1000;  // steps shorter than 0.001 fail the search
constexpr const char* searchNames[] = {"plain", "checked"};

// Every field of a recipe in its order, with its bounds: the one list that both the writer and
// the reader walk. The hexagon is written as its orientation and the lattice as its radius; the
// reader lays both out again as the search does.
template <typename Fields>
void VisitRecipe(Fields& f, Recipe& r, bool& hexagonTurned)
{
    f.OptionalWhole("seed", r.seed, UINT32_MAX);
    f.Whole("steps", r.stepsPlotted, 0, maxSteps);
    f.Whole("orbits", r.orbits, 1, maxOrbits);
    f.Whole("runNumber", r.runNumber, 0, 9999);
    if (f.Open("design")) {
        QuiltDesign& d = r.design;
        f.Whole("powerExponent", d.powerExponent, 1, 22);
        f.Real("lambda", d.lambda, -coefficientBound, coefficientBound);
        f.Real("alpha", d.alpha, -coefficientBound, coefficientBound);
        f.Real("beta", d.beta, -coefficientBound, coefficientBound);
        f.Real("gamma", d.gamma, -coefficientBound, coefficientBound);
        f.Real("omega", d.omega, -omegaBound, omegaBound);
        f.Whole("transformIndexI", d.transformIndexI, 0, catalogueSize - 1);
        f.Whole("transformIndexII", d.transformIndexII, 0, catalogueSize - 1);
        f.Real("transformFrequency", d.transformFrequency, 3, 12);
        f.Real("transformAmplitude", d.transformAmplitude, -1, 1);
        f.Real("transformPhase", d.transformPhase, 0, fullTurn);
        f.Whole("transformVariant", d.transformVariant, 0, 3);
        f.Flag("hexagonTurned", hexagonTurned);
        f.Real("latticeRadius", d.latticeRadius, smallestLattice, largestLattice);
        f.Real("blurringFactor", d.blurringFactor, 0, FLT_MAX);
        f.Real("blurRadius", d.blurRadius, 0, DBL_MAX);
        f.Real("stepNormaliser", d.inverseStepRange, 0, largestNormaliser);
        f.Wholes("codeDigits", d.codeDigits, 27);
        f.Close();
    }
    if (f.Open("orbit")) {
        Orbit& o = r.orbit;
        f.Real("pointX", o.pointX, -DBL_MAX, DBL_MAX);
        f.Real("pointY", o.pointY, -DBL_MAX, DBL_MAX);
        f.Real("nextX", o.nextX, -DBL_MAX, DBL_MAX);
        f.Real("nextY", o.nextY, -DBL_MAX, DBL_MAX);
        f.Real("fieldTerm", o.fieldTerm, -DBL_MAX, DBL_MAX);
        uint32_t* words[] = {&o.random.x0, &o.random.x1, &o.random.x2, &o.random.x3, &o.random.carry};
        f.Words("generator", words);
        f.Close();
    }
    f.Name("search", r.search, searchNames);
    f.Real("acceptedX", r.acceptedX, -searchRadiusBound, searchRadiusBound);
    f.Real("acceptedY", r.acceptedY, -searchRadiusBound, searchRadiusBound);
    if (f.Open("colorMap")) {
        f.Reals("red", r.colorMap.red, -FLT_MAX, FLT_MAX);
        f.Reals("green", r.colorMap.green, -FLT_MAX, FLT_MAX);
        f.Reals("blue", r.colorMap.blue, -FLT_MAX, FLT_MAX);
        f.Close();
    }
    f.Whole("resolution", r.resolution, 0, std::size(resolutionTable) - 1);
    f.Whole("periodHeight", r.periodHeight, 0, maxPeriodHeight);
    f.Whole("colorMapping", r.colorMapping, 0, std::size(colorMappingTable) - 1);
    f.Whole("antialiasing", r.antialiasing, 0, std::size(antialiasingTable) - 1);
    f.Whole("intensity", r.intensity, 0, std::size(intensityTable) - 1);
    f.Real("brightness", r.brightness, 0, FLT_MAX);
    if (f.OpenOptional("image", r.tiledWidth > 0)) {
        f.Whole("width", r.tiledWidth, 1, maxTiledPictureSide);
        f.Whole("height", r.tiledHeight, 1, maxTiledPictureSide);
        f.Close();
    }
}

// ---- Writing --------------------------------------------------------------------------------

std::string Real(double value)
{
    if (!std::isfinite(value)) return "null";  // not JSON: a recipe that holds it is refused on reading
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

class RecipeWriter {
public:
    template <typename T> void Whole(const char* name, T& value, uint64_t, uint64_t) { Put(name, std::to_string(value)); }
    void OptionalWhole(const char* name, std::optional<uint32_t>& value, uint64_t)
    {
        if (value) Put(name, std::to_string(*value));
    }
    void Real(const char* name, double& value, double, double) { Put(name, tessalume::Real(value)); }
    void Flag(const char* name, bool& value) { Put(name, value ? "true" : "false"); }
    template <std::size_t size> void Name(const char* name, Settings::Search& value, const char* const (&names)[size])
    {
        Put(name, std::string("\"") + names[static_cast<std::size_t>(value)] + "\"");
    }
    template <typename T, std::size_t size> void Wholes(const char* name, T (&values)[size], uint64_t)
    {
        List(name, size, [&](std::size_t i) { return std::to_string(values[i]); });
    }
    template <std::size_t size> void Words(const char* name, uint32_t* (&values)[size])
    {
        List(name, size, [&](std::size_t i) { return std::to_string(*values[i]); });
    }
    template <std::size_t size> void Reals(const char* name, double (&values)[size], double, double)
    {
        List(name, size, [&](std::size_t i) { return tessalume::Real(values[i]); });
    }
    bool OpenOptional(const char* name, bool present) { return present && Open(name); }
    bool Open(const char* name)
    {
        Put(name, "{");
        indent += "  ";
        first = true;
        return true;
    }
    void Close()
    {
        indent.resize(indent.size() - 2);
        text += "\n" + indent + "}";
        first = false;
    }
    std::string Finish() { return text + "\n}\n"; }

private:
    void Put(const char* name, const std::string& value)
    {
        text += (first ? "\n" : ",\n") + indent + "\"" + name + "\": " + value;
        first = false;
    }
    template <typename Item> void List(const char* name, std::size_t size, Item item)
    {
        std::string values = "[";
        for (std::size_t i = 0; i < size; ++i) values += (i == 0 ? "" : ", ") + item(i);
        Put(name, values + "]");
    }
    std::string text = "{";
    std::string indent = "  ";
    bool first = true;
};

// ---- Reading --------------------------------------------------------------------------------

// A parsed JSON value; numbers and texts keep their characters.
struct Json {
    enum class Kind : uint8_t { object, array, number, text, boolean, null };
    Kind kind = Kind::null;
    std::string_view characters;
    std::vector<std::pair<std::string_view, Json>> members;
    std::vector<Json> items;
};

// Strict JSON: no comments, no trailing commas, no escapes in texts (a recipe needs none), a
// bounded depth, nothing after the value.
class JsonParser {
public:
    explicit JsonParser(std::string_view text) : text(text) {}

    std::string Parse(Json& value)
    {
        if (!Value(value, 0)) return error;
        SkipSpace();
        return at == text.size() ? std::string() : Fail("something follows the recipe's object");
    }

private:
    static constexpr int maxDepth = 4;

    std::string Fail(const std::string& what)
    {
        if (error.empty()) error = what + " at byte " + std::to_string(at);
        return error;
    }
    void SkipSpace()
    {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r' || text[at] == '\t')) ++at;
    }
    bool Take(char c)
    {
        SkipSpace();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    bool Literal(std::string_view word)
    {
        if (text.substr(at, word.size()) != word) return false;
        at += word.size();
        return true;
    }
    bool Digits()
    {
        const std::size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        return at > start;
    }
    bool Number(Json& value)
    {
        const std::size_t start = at;
        Literal("-");
        if (!Literal("0") && !Digits()) return false;
        if (Literal(".") && !Digits()) return false;
        if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
            ++at;
            if (!Literal("+")) Literal("-");
            if (!Digits()) return false;
        }
        value.kind = Json::Kind::number;
        value.characters = text.substr(start, at - start);
        return true;
    }
    bool Text(std::string_view& characters)
    {
        if (!Take('"')) return false;
        const std::size_t start = at;
        while (at < text.size() && text[at] != '"') {
            if (static_cast<unsigned char>(text[at]) < 0x20 || text[at] == '\\') return false;
            ++at;
        }
        if (at == text.size()) return false;
        characters = text.substr(start, at++ - start);
        return true;
    }
    bool Value(Json& value, int depth)
    {
        SkipSpace();
        if (at == text.size()) return Fail("the recipe ends early").empty();
        const char c = text[at];
        if (c == '{' || c == '[') {
            if (depth == maxDepth) return Fail("the recipe nests too deep").empty();
            ++at;
            const bool object = c == '{';
            value.kind = object ? Json::Kind::object : Json::Kind::array;
            if (Take(object ? '}' : ']')) return true;
            do {
                Json item;
                if (object) {
                    std::string_view name;
                    if (!Text(name)) return Fail("a name was expected").empty();
                    if (!Take(':')) return Fail("':' was expected").empty();
                    if (!Value(item, depth + 1)) return false;
                    for (const auto& member : value.members)
                        if (member.first == name) return Fail("\"" + std::string(name) + "\" is given twice").empty();
                    value.members.emplace_back(name, std::move(item));
                } else {
                    if (!Value(item, depth + 1)) return false;
                    value.items.push_back(std::move(item));
                }
            } while (Take(','));
            if (!Take(object ? '}' : ']')) return Fail(object ? "'}' was expected" : "']' was expected").empty();
            return true;
        }
        if (c == '"') {
            value.kind = Json::Kind::text;
            return Text(value.characters) || Fail("a text is broken").empty();
        }
        for (const std::string_view word : {"true", "false"})
            if (Literal(word)) {
                value.kind = Json::Kind::boolean;
                value.characters = word;
                return true;
            }
        if (Literal("null")) return true;
        return Number(value) || Fail("a value was expected").empty();
    }

    std::string_view text;
    std::size_t at = 0;
    std::string error;
};

// Walks the fields over a parsed recipe, checking each; the first fault stops it. A field
// missing, of the wrong kind, out of its bounds or not finite is a fault, and so is a field
// the recipe does not have.
class RecipeReader {
public:
    explicit RecipeReader(const Json& root) { open.push_back({&root, "", {}}); }

    template <typename T> void Whole(const char* name, T& value, uint64_t low, uint64_t high)
    {
        if (const Json* found = Find(name)) ReadWhole(*found, name, low, high, value);
    }
    void OptionalWhole(const char* name, std::optional<uint32_t>& value, uint64_t high)
    {
        if (const Json* found = Find(name, true)) ReadWhole(*found, name, 0, high, value.emplace());
    }
    void Real(const char* name, double& value, double low, double high)
    {
        if (const Json* found = Find(name)) ReadReal(*found, name, low, high, value);
    }
    void Flag(const char* name, bool& value)
    {
        const Json* found = Find(name);
        if (!found) return;
        if (found->kind != Json::Kind::boolean) return Fault(name, "is neither true nor false");
        value = found->characters == "true";
    }
    template <std::size_t size> void Name(const char* name, Settings::Search& value, const char* const (&names)[size])
    {
        const Json* found = Find(name);
        if (!found) return;
        for (std::size_t i = 0; i < size; ++i)
            if (found->kind == Json::Kind::text && found->characters == names[i]) {
                value = static_cast<Settings::Search>(i);
                return;
            }
        Fault(name, "names no known value");
    }
    template <typename T, std::size_t size> void Wholes(const char* name, T (&values)[size], uint64_t high)
    {
        if (const Json* found = FindList(name, size))
            for (std::size_t i = 0; i < size; ++i) ReadWhole(found->items[i], name, 0, high, values[i]);
    }
    template <std::size_t size> void Words(const char* name, uint32_t* (&values)[size])
    {
        if (const Json* found = FindList(name, size))
            for (std::size_t i = 0; i < size; ++i) ReadWhole(found->items[i], name, 0, UINT32_MAX, *values[i]);
    }
    template <std::size_t size> void Reals(const char* name, double (&values)[size], double low, double high)
    {
        if (const Json* found = FindList(name, size))
            for (std::size_t i = 0; i < size; ++i) ReadReal(found->items[i], name, low, high, values[i]);
    }
    bool OpenOptional(const char* name, bool) { return Open(name, true); }
    bool Open(const char* name, bool optional = false)
    {
        const Json* found = Find(name, optional);
        if (!found) return false;
        if (found->kind != Json::Kind::object) {
            Fault(name, "is not an object");
            return false;
        }
        open.push_back({found, Path(name) + ".", {}});
        return true;
    }
    void Close()
    {
        CheckAllUsed();
        open.pop_back();
    }
    std::string Finish()
    {
        CheckAllUsed();
        return fault;
    }

private:
    struct Level {
        const Json* object;
        std::string path;
        std::vector<std::string_view> used;
    };

    std::string Path(const char* name) const { return open.back().path + name; }
    void Fault(const char* name, const std::string& what)
    {
        if (fault.empty()) fault = Path(name) + " " + what;
    }
    const Json* Find(const char* name, bool optional = false)
    {
        if (!fault.empty()) return nullptr;
        Level& level = open.back();
        for (const auto& [key, value] : level.object->members)
            if (key == name) {
                level.used.push_back(key);
                return &value;
            }
        if (!optional) Fault(name, "is missing");
        return nullptr;
    }
    const Json* FindList(const char* name, std::size_t size)
    {
        const Json* found = Find(name);
        if (found && (found->kind != Json::Kind::array || found->items.size() != size)) {
            Fault(name, "is not a list of " + std::to_string(size) + " numbers");
            return nullptr;
        }
        return found;
    }
    void CheckAllUsed()
    {
        if (!fault.empty()) return;
        const Level& level = open.back();
        for (const auto& member : level.object->members)
            if (std::find(level.used.begin(), level.used.end(), member.first) == level.used.end()) {
                fault = level.path + std::string(member.first) + " is not a field of a recipe";
                return;
            }
    }
    template <typename T> void ReadWhole(const Json& value, const char* name, uint64_t low, uint64_t high, T& target)
    {
        uint64_t whole = 0;
        const std::string_view text = value.characters;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), whole);
        if (value.kind != Json::Kind::number || end != text.data() + text.size() || error != std::errc() || whole < low ||
            whole > high)
            return Fault(name, "is not a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        target = static_cast<T>(whole);
    }
    void ReadReal(const Json& value, const char* name, double low, double high, double& target)
    {
        double real = 0;
        const std::string_view text = value.characters;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), real);
        char bounds[64];
        std::snprintf(bounds, sizeof bounds, "%g to %g", low, high);
        if (value.kind != Json::Kind::number || end != text.data() + text.size() || error != std::errc() ||
            !std::isfinite(real) || !(real >= low && real <= high))
            return Fault(name, std::string("is not a finite number from ") + bounds);
        target = real;
    }

    std::vector<Level> open;
    std::string fault;
};

// ---- Files ----------------------------------------------------------------------------------

constexpr std::string_view pngSignature = "\x89PNG\r\n\x1a\n";
constexpr std::size_t chunkHeaderBytes = 8, chunkCrcBytes = 4;
// Chunks before the image data are few; a file with more is not one of ours.
constexpr int maxChunksBeforeImage = 64;

uint32_t BigEndian32(const unsigned char* bytes)
{
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// An open file read in the pieces asked for.
class OpenFile {
public:
    explicit OpenFile(const std::string& path) : descriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~OpenFile()
    {
        if (descriptor >= 0) close(descriptor);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    std::string Fault() const
    {
        struct stat status {};
        if (descriptor < 0 || fstat(descriptor, &status) != 0) return std::strerror(errno);
        return S_ISREG(status.st_mode) ? "" : "not a regular file";
    }
    // Up to size bytes, fewer only at the end of the file; false when reading fails.
    bool Read(std::size_t size, std::string& bytes)
    {
        bytes.resize(size);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = read(descriptor, bytes.data() + done, size - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return false;
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
        return true;
    }
    bool Skip(uint64_t size) { return lseek(descriptor, static_cast<off_t>(size), SEEK_CUR) >= 0; }

private:
    int descriptor;
};

// The recipe text of an iTXt chunk's data, when the chunk is ours.
std::optional<std::string_view> RecipeOfITxt(std::string_view data, std::string& fault)
{
    const std::size_t keywordEnd = data.find('\0');
    if (keywordEnd == std::string_view::npos || data.substr(0, keywordEnd) != pngRecipeKeyword) return std::nullopt;
    if (data.size() < keywordEnd + 3 || data[keywordEnd + 1] != 0) {
        fault = "its recipe chunk is compressed or cut short";
        return std::nullopt;
    }
    const std::size_t languageEnd = data.find('\0', keywordEnd + 3);
    const std::size_t translatedEnd =
        languageEnd == std::string_view::npos ? languageEnd : data.find('\0', languageEnd + 1);
    if (translatedEnd == std::string_view::npos) {
        fault = "its recipe chunk is cut short";
        return std::nullopt;
    }
    return data.substr(translatedEnd + 1);
}

std::string ReadPngRecipe(OpenFile& file, std::string& text)
{
    std::string bytes;
    for (int chunk = 0; chunk < maxChunksBeforeImage; ++chunk) {
        if (!file.Read(chunkHeaderBytes, bytes)) return std::strerror(errno);
        if (bytes.size() < chunkHeaderBytes) return "the picture is cut short";
        const uint32_t length = BigEndian32(reinterpret_cast<const unsigned char*>(bytes.data()));
        const std::string type = bytes.substr(4, 4);
        if (length > 0x7fffffffu) return "the picture is damaged";
        if (type == "IDAT" || type == "IEND") return "the picture carries no recipe";
        if (type != "iTXt") {
            if (!file.Skip(uint64_t{length} + chunkCrcBytes)) return std::strerror(errno);
            continue;
        }
        if (length > maxRecipeBytes + 64) return "its recipe is larger than " + std::to_string(maxRecipeBytes / 1024) + " KiB";
        std::string data;
        if (!file.Read(length + chunkCrcBytes, data)) return std::strerror(errno);
        if (data.size() < length + chunkCrcBytes) return "the picture is cut short";
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), length);
        const bool intact = crc == BigEndian32(reinterpret_cast<const unsigned char*>(data.data()) + length);
        std::string fault;
        const std::optional<std::string_view> recipe = RecipeOfITxt(std::string_view(data).substr(0, length), fault);
        if (!recipe && fault.empty()) continue;  // someone else's text
        if (!intact) return "its recipe chunk is damaged (its CRC does not match)";
        if (!recipe) return fault;
        text = *recipe;
        return {};
    }
    return "the picture carries no recipe";
}

}  // namespace

std::string FormatRecipe(const Recipe& recipe)
{
    Recipe copy = recipe;
    bool hexagonTurned = recipe.design.hexPointX[0] != 0;
    RecipeWriter writer;
    int32_t version = recipeVersion;
    writer.Whole("version", version, 0, 0);
    VisitRecipe(writer, copy, hexagonTurned);
    return writer.Finish();
}

std::string ParseRecipe(std::string_view text, Recipe& recipe)
{
    if (text.size() > maxRecipeBytes) return "the recipe is larger than " + std::to_string(maxRecipeBytes / 1024) + " KiB";
    Json root;
    if (std::string fault = JsonParser(text).Parse(root); !fault.empty()) return "the recipe is not JSON: " + fault;
    if (root.kind != Json::Kind::object) return "the recipe is not a JSON object";
    // The version first: a recipe of another version is refused as such, whatever its fields.
    const auto version = std::find_if(root.members.begin(), root.members.end(),
                                      [](const auto& member) { return member.first == "version"; });
    if (version == root.members.end()) return "the recipe has no version";
    if (version->second.characters != std::to_string(recipeVersion))
        return "the recipe's version " + std::string(version->second.characters).substr(0, 20) +
               " is not one this program reads (" + std::to_string(recipeVersion) + ")";
    RecipeReader reader(root);
    int32_t versionRead = 0;
    reader.Whole("version", versionRead, recipeVersion, recipeVersion);
    Recipe read;
    bool hexagonTurned = false;
    VisitRecipe(reader, read, hexagonTurned);
    if (std::string fault = reader.Finish(); !fault.empty()) return "the recipe's " + fault;
    LayHexagon(read.design, hexagonTurned);
    LayLattice(read.design, read.design.latticeRadius);
    if (read.periodHeight != 0 && read.periodHeight < minPeriodHeight)
        return "the recipe's periodHeight is neither 0 nor " + std::to_string(minPeriodHeight) + ".." +
               std::to_string(maxPeriodHeight);
    if (read.design.blurRadius != BlurRadiusFor(read.design.latticeRadius, read.design.blurringFactor))
        return "the recipe's design.blurRadius does not follow from its latticeRadius and blurringFactor";
    recipe = read;
    return {};
}

FileKind KindOfFile(std::string_view firstBytes)
{
    if (firstBytes.starts_with(pngSignature)) return FileKind::png;
    if (firstBytes.starts_with("BM")) return FileKind::bmp;
    const std::size_t start = firstBytes.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos && firstBytes[start] == '{') return FileKind::recipe;
    return FileKind::other;
}

std::string RecipeSidecarPath(const std::string& picturePath) { return picturePath + ".json"; }

std::string ReadRecipeFile(const std::string& path, Recipe& recipe)
{
    OpenFile file(path);
    if (std::string fault = file.Fault(); !fault.empty()) return fault;
    std::string text;
    if (!file.Read(pngSignature.size(), text)) return std::strerror(errno);
    switch (KindOfFile(text)) {
    case FileKind::png:
        if (std::string fault = ReadPngRecipe(file, text); !fault.empty()) return fault;
        break;
    case FileKind::bmp:
        if (path.ends_with(".json")) return "neither a PNG nor a recipe";
        if (std::string fault = ReadRecipeFile(RecipeSidecarPath(path), recipe); !fault.empty())
            return "a BMP carries its recipe beside it, and " + RecipeSidecarPath(path) + ": " + fault;
        return {};
    case FileKind::recipe: {
        std::string rest;
        if (!file.Read(maxRecipeBytes + 1 - text.size(), rest)) return std::strerror(errno);
        text += rest;
        break;
    }
    case FileKind::other:
        return "neither a PNG nor a recipe";
    }
    return ParseRecipe(text, recipe);
}

std::string WritePictureAndRecipe(const std::string& path, int32_t format, const TiledPicture& picture,
                                  const PictureNotes& notes, const LineProgress& progress)
{
    if (std::string fault = WritePicture(path, format, picture, notes, progress); !fault.empty()) return fault;
    if (format == pngFormat || notes.recipe.empty()) return {};
    return WriteRecipeFile(RecipeSidecarPath(path), notes.recipe);
}

std::string WriteRecipeFile(const std::string& path, const std::string& text)
{
    return WriteFileAtomically(path, [&text](const ByteSink& sink) {
        return sink(reinterpret_cast<const uint8_t*>(text.data()), text.size()) ? "" : "not written";
    });
}

}  // namespace tessalume
