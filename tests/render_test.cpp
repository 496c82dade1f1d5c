#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace tessalume {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out, err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string JsonValue(const std::string& line, const std::string& key)
{
    std::smatch match;
    return std::regex_search(line, match, std::regex("\"" + key + "\":(\"[^\"]*\"|[^,}]*)")) ? match[1].str() : "";
}

uint32_t Read32(const std::string& bytes, std::size_t at, bool bigEndian)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + (bigEndian ? i : 3 - i)]);
    return value;
}

// Each test runs the renderer in a fresh empty folder "work"; its output streams go beside it,
// so that the folder's listing shows exactly what the run left.
class Renderer : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tessalume-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        work = root / "work";
        fs::create_directory(work);
    }
    void TearDown() override { fs::remove_all(root); }

    // shellPrefix runs first in the same shell (a resource limit, say).
    RunResult Run(const std::vector<std::string>& arguments, const std::string& shellPrefix = "") const
    {
        std::string command = shellPrefix + "cd " + Quoted(work.string()) + " && " + Quoted(TESSALUME_RENDER_PATH);
        for (const std::string& argument : arguments) command += " " + Quoted(argument);
        command += " >" + Quoted((root / "stdout").string()) + " 2>" + Quoted((root / "stderr").string());
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(root / "stdout"), ReadFile(root / "stderr")};
    }

    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root, work;
};

void ExpectRefused(const RunResult& result)
{
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    ASSERT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;  // one line
}

TEST_F(Renderer, SameSeedGivesTheSameFileAndSummary)
{
    const RunResult first = Run({"--seed", "7", "--out", "first.png", "--points", "20000"});
    const RunResult second = Run({"--points", "20000", "--out", "second.png", "--seed", "7"});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(first.err + second.err, "");

    const std::string picture = ReadFile(work / "first.png");
    EXPECT_EQ(picture, ReadFile(work / "second.png"));
    ASSERT_GT(picture.size(), 24u);
    EXPECT_EQ(picture.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(Read32(picture, 16, true), 444u);
    EXPECT_EQ(Read32(picture, 20, true), 256u);

    // One line, every key in its place, the same quilt apart from the timing.
    ASSERT_FALSE(first.out.empty());
    EXPECT_EQ(first.out.find('\n'), first.out.size() - 1);
    std::vector<std::string> keys;
    const std::regex key("\"([A-Za-z]+)\":");
    for (auto m = std::sregex_iterator(first.out.begin(), first.out.end(), key); m != std::sregex_iterator(); ++m)
        keys.push_back((*m)[1]);
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "seed", "runNumber", "powerExponent", "lambda", "alpha", "beta", "gamma", "omega",
                        "transformIndexI", "transformIndexII", "transformFrequency", "transformAmplitude",
                        "transformPhase", "transformVariant", "latticeRadius", "blurringFactor", "blurRadius",
                        "brightness", "searchPasses", "searchAttempts", "defaultExportName", "points",
                        "plotSeconds", "pointsPerSecond"}));
    const std::regex times("\"(plotSeconds|pointsPerSecond)\":[^,}]*");
    EXPECT_EQ(std::regex_replace(first.out, times, ""), std::regex_replace(second.out, times, ""));
    EXPECT_EQ(JsonValue(first.out, "seed"), "7");
    EXPECT_EQ(JsonValue(first.out, "points"), "20000");
    EXPECT_TRUE(std::regex_match(JsonValue(first.out, "defaultExportName"),
                                 std::regex("\"Tessalume_" + JsonValue(first.out, "runNumber") + "_[0-9]+_L\\.png\"")));
    const int attempts = std::atoi(JsonValue(first.out, "searchAttempts").c_str());
    EXPECT_TRUE(attempts >= 1 && attempts <= 1000) << attempts;
    EXPECT_GE(std::atoi(JsonValue(first.out, "searchPasses").c_str()), 1);
}

TEST_F(Renderer, OptionsReachTheQuiltAndTheTiledPicture)
{
    WriteFile(work / "grey.map", "");
    const RunResult result =
        Run({"--seed", "3", "--out", "wall.bmp", "--points", "1", "--format", "bmp", "--image", "7x5",
             "--antialias", "4", "--transform-i", "5", "--transform-ii", "29", "--blur", "0.3", "--brightness",
             "2.5", "--colormap", "grey.map", "--random-colormap", "2", "--quiet"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(JsonValue(result.out, "transformIndexI"), "5");
    EXPECT_EQ(JsonValue(result.out, "transformIndexII"), "29");
    // Slider values are kept in single precision.
    EXPECT_EQ(std::strtod(JsonValue(result.out, "blurringFactor").c_str(), nullptr), static_cast<double>(0.3f));
    EXPECT_EQ(JsonValue(result.out, "brightness"), "2.5");
    EXPECT_EQ(JsonValue(result.out, "points"), "20000");
    EXPECT_TRUE(std::regex_match(JsonValue(result.out, "defaultExportName"), std::regex("\"Tessalume_.*_H\\.bmp\"")));

    const std::string picture = ReadFile(work / "wall.bmp");
    ASSERT_GE(picture.size(), 54u);
    EXPECT_EQ(picture.substr(0, 2), "BM");
    EXPECT_EQ(Read32(picture, 18, false), 7u);
    EXPECT_EQ(Read32(picture, 22, false), 5u);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"grey.map", "wall.bmp"}));
}

TEST_F(Renderer, BadInputIsRefusedWithOneLineAndNoFile)
{
    const std::string kept = "an earlier picture";
    WriteFile(work / "keep.png", kept);
    WriteFile(work / "grey.map", "");
    const std::vector<std::string> valid = {"--seed", "1", "--out", "keep.png"};
    // Each added to a valid command line.
    const std::vector<std::vector<std::string>> badAdditions = {
        {"--size", "3"}, {"--seed", "1"}, {"--quiet", "--quiet"}, {"--points"}, {"--points", "2e4"},
        {"--points", " 20000"}, {"--resolution", "3"}, {"--mapping", "7"}, {"--antialias", "5"},
        {"--intensity", "9"}, {"--transform-i", "30"}, {"--transform-ii", "1.5"}, {"--random-colormap", "1001"},
        {"--blur", "0.1"}, {"--blur", "1e39"}, {"--brightness", "nan"}, {"--brightness", "-0.5"},
        {"--brightness", "inf"}, {"--brightness", "1,5"}, {"--image", "1x5"}, {"--image", "9000x2"},
        {"--image", "64"}, {"--image", "64x"}, {"--format", "PNG"}, {"--colormap", "missing.map"},
        {"--colormap", "."}};
    std::vector<std::vector<std::string>> refused = {
        {"--seed", "--out", "keep.png"}, {"--out", "keep.png"}, {"--seed", "1"}, {"--seed", "1", "--out", ""},
        {"--seed", "-1", "--out", "keep.png"}, {"--seed", "+1", "--out", "keep.png"},
        {"--seed", "4294967296", "--out", "keep.png"},
        {"--seed", "1", "--out", "no-such-folder/quilt.png", "--points", "0"},
        {"--seed", "1", "--out", "keep.png/quilt.png", "--points", "0"}};
    for (const std::vector<std::string>& addition : badAdditions) {
        refused.push_back(valid);
        refused.back().insert(refused.back().end(), addition.begin(), addition.end());
    }
    for (const std::vector<std::string>& arguments : refused) {
        std::string shown;
        for (const std::string& argument : arguments) shown += " " + argument;
        SCOPED_TRACE(shown);
        ExpectRefused(Run(arguments));
        EXPECT_EQ(ReadFile(work / "keep.png"), kept);
        EXPECT_EQ(Listing(), (std::vector<std::string>{"grey.map", "keep.png"}));
    }
}

TEST_F(Renderer, FailedWriteLeavesWhatWasAtTheOutput)
{
    // A folder in the way of the final rename.
    fs::create_directories(work / "quilt.png" / "inside");
    ExpectRefused(Run({"--seed", "1", "--points", "0", "--out", "quilt.png"}));
    EXPECT_TRUE(fs::is_directory(work / "quilt.png" / "inside"));
    EXPECT_EQ(Listing(), std::vector<std::string>{"quilt.png"});

    // A file size limit stops the write midway (a 64 x 64 bitmap is 12342 bytes, the limit
    // 2 KiB at most): the earlier file survives byte for byte and no temporary is left.
    fs::remove_all(work / "quilt.png");
    const std::string kept = "an earlier bitmap";
    WriteFile(work / "wall.bmp", kept);
    ExpectRefused(Run({"--seed", "1", "--points", "0", "--image", "64x64", "--format", "bmp", "--out", "wall.bmp"},
                      "ulimit -f 2 && "));
    EXPECT_EQ(ReadFile(work / "wall.bmp"), kept);
    EXPECT_EQ(Listing(), std::vector<std::string>{"wall.bmp"});
}

TEST_F(Renderer, HelpPrintsTheUsage)
{
    const RunResult result = Run({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("Usage: tessalume-render --seed N --out FILE", 0), 0u);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(Listing().empty());
}

}  // namespace
}  // namespace tessalume
