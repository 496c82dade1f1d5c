// Recipes: written and read back to the same bits through a PNG, a BMP's sidecar and JSON alone;
// a picture rendered again from its recipe, byte for byte, and grown further from it as from
// its seed; every bad recipe refused before anything is written.
#include <cstring>
#include <regex>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

// A quilt found and grown a little, its recipe taken with a seed and a tiled size.
Recipe GrownRecipe()
{
    Settings settings;
    settings.antialiasing = 2;
    Quilt quilt = FreshQuilt(settings, 5);
    NewQuilt(quilt, settings);
    for (int batch = 0; batch < 3; ++batch) GrowBatch(quilt);
    Recipe recipe = RecipeOf(quilt, settings);
    recipe.seed = 5;
    recipe.tiledWidth = 300;
    recipe.tiledHeight = 200;
    return recipe;
}

// Field by field, doubles by their bits: what a picture drawn from the recipe depends on.
void ExpectSameRecipe(const Recipe& read, const Recipe& written)
{
    EXPECT_EQ(read.seed, written.seed);
    EXPECT_EQ(read.stepsPlotted, written.stepsPlotted);
    EXPECT_EQ(read.runNumber, written.runNumber);
    EXPECT_EQ(std::memcmp(&read.design, &written.design, sizeof(QuiltDesign)), 0);
    EXPECT_EQ(std::memcmp(&read.orbit, &written.orbit, sizeof(Orbit)), 0);
    EXPECT_EQ(std::memcmp(&read.colorMap, &written.colorMap, sizeof(ColorMapChannels)), 0);
    EXPECT_EQ(std::make_tuple(read.search, read.acceptedX, read.acceptedY, read.resolution, read.colorMapping,
                              read.antialiasing, read.intensity, read.brightness, read.tiledWidth, read.tiledHeight),
              std::make_tuple(written.search, written.acceptedX, written.acceptedY, written.resolution,
                              written.colorMapping, written.antialiasing, written.intensity, written.brightness,
                              written.tiledWidth, written.tiledHeight));
}

class Recipes : public Renderer {};

TEST_F(Recipes, ReadBackToTheSameBitsFromPngBmpAndJson)
{
    const Recipe recipe = GrownRecipe();
    ASSERT_GT(recipe.stepsPlotted, 0u);
    const PictureNotes notes{FormatRecipe(recipe)};
    const RgbPicture picture{4, 2, std::vector<uint8_t>(24, 7)};
    ASSERT_EQ(WritePictureAndRecipe(PathIn("q.png"), pngFormat, WholePicture(picture), notes), "");
    ASSERT_EQ(WritePictureAndRecipe(PathIn("q.bmp"), bmpFormat, WholePicture(picture), notes), "");
    ASSERT_EQ(WriteRecipeFile(PathIn("q.json"), notes.recipe), "");
    EXPECT_FALSE(fs::exists(PathIn("q.png.json")));
    for (const char* name : {"q.png", "q.bmp", "q.json", "q.bmp.json"}) {
        SCOPED_TRACE(name);
        Recipe read;
        ASSERT_EQ(ReadRecipeFile(PathIn(name), read), "");
        ExpectSameRecipe(read, recipe);
    }
    Recipe tile = recipe;
    tile.seed.reset();
    tile.tiledWidth = tile.tiledHeight = 0;
    Recipe read;
    ASSERT_EQ(ParseRecipe(FormatRecipe(tile), read), "");
    ExpectSameRecipe(read, tile);
}

// Rendered from its seed, then from its recipe: the same file; grown further from the recipe:
// the picture of the seed with as many points.
TEST_F(Recipes, RenderAgainByteForByteAndGrowFurtherAsFromTheSeed)
{
    const char* const rows[] = {
        "--seed 3 --points 60000",
        "--seed 21 --points 40000 --resolution 1 --antialias 2",
        "--seed 42 --points 20000 --resolution 2 --antialias 4 --mapping 3 --intensity 7",
        "--seed 8 --points 40000 --search plain --random-colormap 2 --brightness 3.5 --format bmp",
        "--seed 9 --points 40000 --image 300x200 --antialias 1",
        "--seed 10 --points 40000 --period 300",
        "--seed 11 --points 80000 --orbits 2 --threads 2",
    };
    for (const std::string row : rows) {
        SCOPED_TRACE(row);
        const bool bmp = row.find("bmp") != std::string::npos;
        const std::string first = bmp ? "first.bmp" : "first.png", again = bmp ? "again.bmp" : "again.png";
        std::vector<std::string> arguments = Words(row);
        arguments.insert(arguments.end(), {"--quiet", "--out", first, "--recipe-out", "first.json"});
        ASSERT_EQ(Run(arguments).status, 0);
        const Finished rendered = Run({"--recipe", first, "--out", again, "--quiet"});
        ASSERT_EQ(rendered.status, 0) << rendered.error;
        EXPECT_EQ(ReadFile(work / again), ReadFile(work / first));
        Recipe carried;  // inside the PNG or beside the BMP: the recipe written alone
        ASSERT_EQ(ReadRecipeFile((work / first).string(), carried), "");
        EXPECT_EQ(FormatRecipe(carried), ReadFile(work / "first.json"));

        arguments = Words(std::regex_replace(row, std::regex("--points \\d+"), "--points 100000"));
        arguments.insert(arguments.end(), {"--quiet", "--out", first});
        ASSERT_EQ(Run(arguments).status, 0);
        ASSERT_EQ(Run({"--recipe", "first.json", "--points", "100000", "--out", again, "--quiet"}).status, 0);
        EXPECT_EQ(ReadFile(work / again), ReadFile(work / first));
        for (const std::string& name : Listing()) fs::remove(work / name);
    }
}

// What a user may hand to --recipe by mistake or by malice: each refused with one line, and
// nothing written.
TEST_F(Recipes, EveryBadRecipeIsRefusedAndNothingWritten)
{
    const std::string good = FormatRecipe(GrownRecipe());
    const auto with = [&good](const std::string& from, const std::string& to) {
        std::string text = std::regex_replace(good, std::regex(from), to, std::regex_constants::format_first_only);
        EXPECT_NE(text, good) << from;
        return text;
    };
    std::string pngWithoutRecipe, pngWithRecipe;
    const RgbPicture picture{4, 2, std::vector<uint8_t>(24, 7)};
    const auto into = [](std::string& bytes) {
        return [&bytes](const uint8_t* data, std::size_t size) {
            bytes.append(reinterpret_cast<const char*>(data), size);
            return true;
        };
    };
    ASSERT_EQ(EncodePng(picture, into(pngWithoutRecipe)), "");
    ASSERT_EQ(EncodePng(picture, into(pngWithRecipe), PictureNotes{good}), "");
    std::string altered = pngWithRecipe;
    altered[altered.find("\"steps\": ") + 9] ^= 1;
    // An iTXt chunk that claims a gigabyte, right after the header chunk.
    const std::size_t afterHeader = 8 + 25;
    const std::string hugeChunk = pngWithoutRecipe.substr(0, afterHeader) + std::string("\x40\x00\x00\x00iTXt", 8) +
                                  pngWithoutRecipe.substr(afterHeader);

    const std::pair<const char*, std::string> bad[] = {
        {"no-recipe.png", pngWithoutRecipe},
        {"truncated.png", pngWithRecipe.substr(0, pngWithRecipe.find(pngRecipeKeyword) + 100)},
        {"altered.png", altered},
        {"huge-chunk.png", hugeChunk},
        {"grey.map", "0 0 0\n255 255 255\n"},
        {"empty.json", ""},
        {"version.json", with("\"version\": 1", "\"version\": 2")},
        {"no-version.json", with("\"version\": 1,", "")},
        {"lambda.json", with("\"lambda\": [^,]*", "\"lambda\": 99")},
        {"infinite.json", with("\"omega\": [^,]*", "\"omega\": 1e999")},
        {"null.json", with("\"brightness\": [^,\n]*", "\"brightness\": null")},
        {"negative-steps.json", with("\"steps\": \\d+", "\"steps\": -20000")},
        {"mapping.json", with("\"colorMapping\": \\d+", "\"colorMapping\": 7")},
        {"short-map.json", with("\"red\": \\[[^,]*, ", "\"red\": [")},
        {"word.json", with("\"generator\": \\[\\d+", "\"generator\": [4294967296")},
        {"blur-radius.json", with("\"blurRadius\": [^,]*", "\"blurRadius\": 0.5")},
        {"missing.json", with("\"fieldTerm\": [^,]*,", "")},
        {"unknown.json", with("\"runNumber\"", "\"colour\": 1, \"runNumber\"")},
        {"twice.json", with("\"runNumber\"", "\"steps\": 1, \"runNumber\"")},
        {"search.json", with("\"search\": \"\\w+\"", "\"search\": \"thorough\"")},
        {"trailing.json", good + "{}"},
        {"comma.json", with("\"blue\": \\[", "\"blue\": [,")},
        {"deep.json", with("\"runNumber\": \\d+", "\"runNumber\": [[[[[[1]]]]]]")},
        {"megabytes.json", good.substr(0, good.size() - 2) + ",\"pad\": \"" + std::string(3 << 20, 'x') + "\"}"},
        {"picture.bmp", "BM" + std::string(60, '\0')},
    };
    for (const auto& [name, bytes] : bad) WriteFile(work / name, bytes);
    const std::vector<std::string> before = Listing();
    for (const auto& [name, bytes] : bad) {
        SCOPED_TRACE(name);
        ExpectRefused(Run({"--recipe", name, "--out", "out.png", "--recipe-out", "out.json"}));
        EXPECT_EQ(Listing(), before);
    }
    for (const char* options : {"--seed 1", "--transform-i 3", "--blur 2", "--random-colormap 1", "--search plain"}) {
        SCOPED_TRACE(options);
        WriteFile(work / "good.json", good);
        std::vector<std::string> arguments = Words(options);
        arguments.insert(arguments.end(), {"--recipe", "good.json", "--out", "out.png"});
        ExpectRefused(Run(arguments));
        EXPECT_FALSE(fs::exists(work / "out.png"));
    }
}

}  // namespace
}  // namespace tessalume
