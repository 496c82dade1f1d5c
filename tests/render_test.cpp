// The headless renderer as a user runs it. Its pinned results guard the whole chain at once:
// search, catalogues, step, plot and intensity functions, colour maps, map files, pictures.
#include <cstdio>
#include <regex>

#include "tests/fixtures.h"

namespace tessalume {
namespace {

namespace fs = std::filesystem;

// A colour map file with fractions and whole numbers, so that loading it smooths.
std::string PaletteFile()
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += std::to_string(i * 1.25 + 0.5) + " " + std::to_string(255 - i) + " " + std::to_string((i * 37) % 256) + "\n";
    return text;
}

// Every intensity function and colour mapping, antialiasing off and on, each resolution, a
// loaded and random colour maps, locked transformations and blur, a brightness, a tiled
// picture, both formats: with the plain search, which each run without "--search" is given, and
// whose summaries are pinned without the two fields that name the search and count restarts.
// Then the checked search where it turns orbits away.
struct Golden {
    const char* arguments;
    const char* summary;  // the JSON line without its two timings
    uint64_t pictureDigest;  // of the file's bytes, or of the decoded pixels of a PNG
};
const Golden goldens[] = {
    {"--seed 11 --points 100000",
     R"({"seed":11,"runNumber":98,"powerExponent":10,"lambda":1.041104793548584,"alpha":-3.3692255020141602,"beta":10.28882884979248,"gamma":5.226776123046875,"omega":0.241655632853508,)"
     R"("transformIndexI":9,"transformIndexII":29,"transformFrequency":9,"transformAmplitude":-0.71772086620330811,"transformPhase":4.2234427159359056,"transformVariant":3,)"
     R"("latticeRadius":0.051077915606348105,"blurringFactor":0.43402324318885804,"blurRadius":4.3298833177332016e-05,"brightness":7,"searchPasses":3,"searchAttempts":56,"defaultExportName":"Tessalume_98_832_L.png","points":100000})",
     0x7e8ebd23cfed9de1ull},
    {"--seed 12 --points 100000 --intensity 0 --mapping 1 --antialias 1 --format bmp",
     R"({"seed":12,"runNumber":8792,"powerExponent":4,"lambda":2.8034439086914062,"alpha":-8.1238546371459961,"beta":-1.66451096534729,"gamma":0.94971209764480591,"omega":-0.30398553609848022,)"
     R"("transformIndexI":11,"transformIndexII":0,"transformFrequency":3,"transformAmplitude":0.61605721712112427,"transformPhase":5.8982628639233532,"transformVariant":2,)"
     R"("latticeRadius":0.50175253295621225,"blurringFactor":2.9261657714843752,"blurRadius":0.0028675997806485434,"brightness":8.2000000029802322,"searchPasses":1,"searchAttempts":9,"defaultExportName":"Tessalume_8792_1486_H.bmp","points":100000})",
     0x3dea3f18267a0fe3ull},
    {"--seed 13 --points 100000 --intensity 2 --mapping 2 --resolution 1 --format bmp",
     R"({"seed":13,"runNumber":1405,"powerExponent":22,"lambda":-3.6136605739593506,"alpha":9.4421768188476562,"beta":2.8939309120178223,"gamma":-6.2592992782592773,"omega":0,)"
     R"("transformIndexI":1,"transformIndexII":0,"transformFrequency":3,"transformAmplitude":0.66248631477355957,"transformPhase":0,"transformVariant":1,)"
     R"("latticeRadius":0.42016340980141126,"blurringFactor":5.6847321510314943,"blurRadius":0.0046650711804396561,"brightness":5.800000011920929,"searchPasses":1,"searchAttempts":490,"defaultExportName":"Tessalume_1405_1025_L.bmp","points":100000})",
     0x0640b750222420e5ull},
    {"--seed 14 --points 60000 --intensity 7 --mapping 3 --resolution 2 --antialias 4 --format bmp",
     R"({"seed":14,"runNumber":99,"powerExponent":1,"lambda":-1.8388098478317261,"alpha":6.1597161293029785,"beta":3.2960920333862305,"gamma":0.62941789627075195,"omega":0,)"
     R"("transformIndexI":0,"transformIndexII":0,"transformFrequency":6,"transformAmplitude":-0.73297011852264404,"transformPhase":0,"transformVariant":0,)"
     R"("latticeRadius":0.45244540118412752,"blurringFactor":5.7567617416381838,"blurRadius":0.0050871491713221188,"brightness":7.800000011920929,"searchPasses":1,"searchAttempts":70,"defaultExportName":"Tessalume_99_2363_H.bmp","points":60000})",
     0x583da18229a4cb19ull},
    {"--seed 15 --points 100000 --intensity 4 --mapping 4 --colormap palette.map --format bmp",
     R"({"seed":15,"runNumber":7521,"powerExponent":10,"lambda":2.3317587375640869,"alpha":-5.742764949798584,"beta":10.54527473449707,"gamma":-3.8715372085571289,"omega":0,)"
     R"("transformIndexI":0,"transformIndexII":13,"transformFrequency":6,"transformAmplitude":-0.6470332145690918,"transformPhase":2.0724288295735716,"transformVariant":0,)"
     R"("latticeRadius":0.70831427272688063,"blurringFactor":0.47319520711898805,"blurRadius":0.00065463070114908531,"brightness":6.2000000029802322,"searchPasses":1,"searchAttempts":109,"defaultExportName":"Tessalume_7521_2804_L.bmp","points":100000})",
     0xd7b08350a7f19439ull},
    {"--seed 16 --points 100000 --intensity 5 --mapping 5 --random-colormap 7 --format bmp",
     R"({"seed":16,"runNumber":8701,"powerExponent":7,"lambda":1.4710798263549805,"alpha":-1.8518970012664795,"beta":-2.6033127307891846,"gamma":-5.6662483215332031,"omega":0.22611916065216064,)"
     R"("transformIndexI":0,"transformIndexII":5,"transformFrequency":9,"transformAmplitude":0.44180530309677124,"transformPhase":4.8587953874620631,"transformVariant":2,)"
     R"("latticeRadius":0.67344657557837462,"blurringFactor":0.20781310908496381,"blurRadius":0.00027334184897180488,"brightness":9.800000011920929,"searchPasses":1,"searchAttempts":7,"defaultExportName":"Tessalume_8701_2614_L.bmp","points":100000})",
     0x596ca61d2bce104eull},
    {"--seed 17 --points 100000 --intensity 6 --mapping 6 --antialias 2 --transform-i 27 --transform-ii 20 --blur 0.7 --brightness 3.5 --format bmp",
     R"({"seed":17,"runNumber":2903,"powerExponent":7,"lambda":-2.2015161514282227,"alpha":3.3274779319763184,"beta":-0.53527593612670898,"gamma":-8.6955986022949219,"omega":0,)"
     R"("transformIndexI":27,"transformIndexII":20,"transformFrequency":6,"transformAmplitude":0.64524024724960327,"transformPhase":5.4462811921810852,"transformVariant":3,)"
     R"("latticeRadius":0.73932325012370836,"blurringFactor":0.69999998807907104,"blurRadius":0.0010107934888147966,"brightness":3.5,"searchPasses":1,"searchAttempts":27,"defaultExportName":"Tessalume_2903_2442_H.bmp","points":100000})",
     0x8038ab55f780c7b9ull},
    {"--seed 18 --points 100000 --intensity 3 --mapping 0 --antialias 3 --image 700x300 --format bmp",
     R"({"seed":18,"runNumber":3484,"powerExponent":1,"lambda":-1.6488747596740723,"alpha":4.9061160087585449,"beta":-0.37505060434341431,"gamma":-5.8049497604370117,"omega":-0.072446674108505249,)"
     R"("transformIndexI":0,"transformIndexII":20,"transformFrequency":9,"transformAmplitude":0.70011305809020996,"transformPhase":0.54496502574076033,"transformVariant":3,)"
     R"("latticeRadius":0.34623297947478038,"blurringFactor":5.5361315727233888,"blurRadius":0.0037437330648211341,"brightness":9.6000000238418579,"searchPasses":1,"searchAttempts":167,"defaultExportName":"Tessalume_3484_1726_H.bmp","points":100000})",
     0x27edfc2ff960339aull},
    {"--seed 19 --points 100000 --intensity 8 --mapping 1 --random-colormap 2 --resolution 1 --format bmp",
     R"({"seed":19,"runNumber":1506,"powerExponent":22,"lambda":-1.960136890411377,"alpha":1.4833308458328247,"beta":12.618330955505371,"gamma":-2.4378294944763184,"omega":0,)"
     R"("transformIndexI":0,"transformIndexII":0,"transformFrequency":6,"transformAmplitude":0.52509844303131104,"transformPhase":2.4718701613026437,"transformVariant":2,)"
     R"("latticeRadius":1.5922869411063574,"blurringFactor":2.2440826416015627,"blurRadius":0.0069789521191125515,"brightness":5.2000000029802322,"searchPasses":1,"searchAttempts":9,"defaultExportName":"Tessalume_1506_3128_L.bmp","points":100000})",
     0x3668dd4ef3fcad9cull},
    {"--seed 19 --points 100000 --search checked",
     R"({"seed":19,"runNumber":1506,"powerExponent":22,"lambda":-2.5825667381286621,"alpha":7.2010684013366699,"beta":-1.0754835605621338,"gamma":4.5407490730285645,"omega":0,)"
     R"("transformIndexI":0,"transformIndexII":0,"transformFrequency":6,"transformAmplitude":0.52509844303131104,"transformPhase":2.4718701613026437,"transformVariant":2,)"
     R"("latticeRadius":1.0697085916545965,"blurringFactor":2.2440826416015627,"blurRadius":0.0046885048478596371,"brightness":5.2000000029802322,"searchPasses":1,"searchAttempts":131,"search":"checked","orbitRestarts":0,"defaultExportName":"Tessalume_1506_1187_L.png","points":100000})",
     0x783f9cd5747d689bull},
    {"--seed 11 --points 100000 --search checked --antialias 1 --format bmp",
     R"({"seed":11,"runNumber":98,"powerExponent":10,"lambda":-1.1280405521392822,"alpha":2.8455524444580078,"beta":-1.6370396614074707,"gamma":14.284111976623535,"omega":0.241655632853508,)"
     R"("transformIndexI":9,"transformIndexII":29,"transformFrequency":9,"transformAmplitude":-0.71772086620330811,"transformPhase":4.2234427159359056,"transformVariant":3,)"
     R"("latticeRadius":0.18639627790420366,"blurringFactor":0.43402324318885804,"blurRadius":0.00015800843174670732,"brightness":7,"searchPasses":3,"searchAttempts":152,"search":"checked","orbitRestarts":0,"defaultExportName":"Tessalume_98_895_H.bmp","points":100000})",
     0xff70a0df17ca73daull},

};

// The timings, and the one orbit on one thread that every pinned result was grown with.
std::string WithoutTimings(const std::string& json)
{
    const std::string untimed =
        std::regex_replace(json, std::regex(",\"plotSeconds\":[^,}]*,\"pointsPerSecond\":[^,}]*"), "");
    return std::regex_replace(untimed, std::regex(",\"orbits\":1,\"threads\":1"), "");
}

std::string WithoutPlainSearch(const std::string& json)
{
    return std::regex_replace(json, std::regex(",\"search\":\"plain\",\"orbitRestarts\":0"), "");
}

// Run with TESSALUME_PRINT_GOLDENS=1 to print the results of the current code in the form
// above, after a change that is meant to change pictures.
TEST_F(Renderer, PinnedResultsForEverySetting)
{
    WriteFile(PathIn("work/palette.map"), PaletteFile());
    const bool print = std::getenv("TESSALUME_PRINT_GOLDENS") != nullptr;
    for (const Golden& golden : goldens) {
        SCOPED_TRACE(golden.arguments);
        std::vector<std::string> arguments = Words(golden.arguments);
        const bool plain = std::find(arguments.begin(), arguments.end(), "--search") == arguments.end();
        if (plain) arguments.insert(arguments.end(), {"--search", "plain"});
        const bool png = std::find(arguments.begin(), arguments.end(), "bmp") == arguments.end();
        const std::string out = png ? "quilt.png" : "quilt.bmp";
        arguments.insert(arguments.end(), {"--out", out, "--quiet"});
        const Finished result = Run(arguments);
        ASSERT_EQ(result.status, 0) << result.error;
        EXPECT_EQ(result.error, "");
        const std::string bytes = ReadFile(PathIn("work/" + out));
        const std::vector<uint8_t> pixels = png ? DecodePng(bytes).pixels : std::vector<uint8_t>();
        const uint64_t digest = png ? Digest({reinterpret_cast<const char*>(pixels.data()), pixels.size()}) : Digest(bytes);
        const std::string summary = plain ? WithoutPlainSearch(WithoutTimings(result.output)) : WithoutTimings(result.output);
        if (print) {
            const std::string pieces = std::regex_replace(summary.substr(0, summary.size() - 1),
                                                          std::regex(",(\"transformIndexI\"|\"latticeRadius\")"), ",)\"\n     R\"($1");
            std::printf("    {\"%s\",\n     R\"(%s)\",\n     0x%016llxull},\n", golden.arguments, pieces.c_str(),
                        static_cast<unsigned long long>(digest));
            continue;
        }
        EXPECT_EQ(summary, std::string(golden.summary) + "\n");
        EXPECT_EQ(digest, golden.pictureDigest);
        fs::remove(PathIn("work/" + out));
    }
}

TEST_F(Renderer, BadInputIsRefusedWithOneLineAndNoFile)
{
    WriteFile(PathIn("work/keep.png"), "an earlier picture");
    WriteFile(PathIn("work/grey.map"), "");
    // Each after "--seed 1 --out keep.png" unless it starts with "!".
    const char* const refused[] = {
        "!--seed --out keep.png", "!--out keep.png", "!--seed 1", "!--seed -1 --out keep.png",
        "!--seed +1 --out keep.png", "!--seed 4294967296 --out keep.png", "!--seed 1 --out", "--size 3", "--seed 1",
        "--quiet --quiet", "--points", "--points 2e4", "--resolution 3", "--mapping 7", "--antialias 5",
        "--intensity 9", "--transform-i 30", "--transform-ii 1.5", "--random-colormap 1001", "--blur 0.1",
        "--blur 1e39", "--brightness nan", "--brightness -0.5", "--brightness 1,5", "--image 1x5", "--image 65536x2",
        "--image 64x", "--format PNG", "--colormap missing.map", "--colormap .", "--image 37838x37838 --format bmp",
        "--dpi 0", "--dpi 100001"};
    for (const std::string arguments : refused) {
        SCOPED_TRACE(arguments);
        ExpectRefused(Run(Words(arguments[0] == '!' ? arguments.substr(1) : "--seed 1 --out keep.png " + arguments)));
        EXPECT_EQ(ReadFile(PathIn("work/keep.png")), "an earlier picture");
        EXPECT_EQ(Listing(), (std::vector<std::string>{"grey.map", "keep.png"}));
    }
    ExpectRefused(Run({"--seed", "1", "--out", ""}));
}

// The print resolution goes into the file and the summary gives the printed size.
TEST_F(Renderer, PrintResolutionIsWrittenAndTheSummaryGivesThePrintedSize)
{
    const Finished result = Run(Words("--seed 1 --points 0 --image 600x300 --dpi 300 --quiet --out print.png"));
    ASSERT_EQ(result.status, 0) << result.error;
    EXPECT_TRUE(result.output.ends_with(
        R"("dotsPerInch":300,"printedWidthMillimetres":50.799999999999997,"printedHeightMillimetres":25.399999999999999})"
        "\n"))
        << result.output;
    const std::string bytes = ReadFile(PathIn("work/print.png"));
    EXPECT_NE(bytes.find(std::string("pHYs\0\0\x2e\x23\0\0\x2e\x23\x01", 13)), std::string::npos);
}

}  // namespace
}  // namespace tessalume
