#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace tessalume {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Runs the renderer in `folder` with its standard output and error captured in files.
RunResult Render(const fs::path& folder, const std::string& arguments)
{
    const fs::path out = folder / "stdout.txt";
    const fs::path err = folder / "stderr.txt";
    const std::string command = "cd '" + folder.string() + "' && timeout 120 '" TESSALUME_RENDER_PATH "' " +
                                arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
    RunResult result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    fs::remove(out);
    fs::remove(err);
    return result;
}

// The JSON line without the two timing keys, which differ from run to run.
std::string WithoutTimings(const std::string& json)
{
    return std::regex_replace(json, std::regex(R"(, "plotSeconds": [^,]*, "pointsPerSecond": [^}]*)"), "");
}

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("tessalume-render-" + std::to_string(getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
        return names;
    }
    fs::path folder;
};

TEST_F(RendererTest, SameCommandLineGivesTheSameFileAndSummary)
{
    const RunResult first = Render(folder, "--seed 1 --points 20000 --out a.png --quiet");
    const RunResult second = Render(folder, "--seed 1 --points 20000 --out b.png --quiet");
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(ReadFile(folder / "a.png"), ReadFile(folder / "b.png"));
    EXPECT_EQ(WithoutTimings(first.out), WithoutTimings(second.out));
    EXPECT_NE(first.out.find("\"seed\": 1, \"runNumber\": "), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("\"points\": 20000,"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("\"defaultExportName\": \"Tessalume_"), std::string::npos) << first.out;
    EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 1);
    const std::string png = ReadFile(folder / "a.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST_F(RendererTest, TiledBitmapHasTheAskedSize)
{
    const RunResult run = Render(folder, "--seed 2 --points 0 --image 30x20 --format bmp --out t.bmp");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bmp = ReadFile(folder / "t.bmp");
    ASSERT_EQ(bmp.size(), 54u + 20u * 92u);  // rows of 90 bytes padded to 92
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_NE(run.out.find("_L.bmp\""), std::string::npos) << run.out;
}

TEST_F(RendererTest, BadInputIsRefusedWithOneLineAndNoFile)
{
    std::ofstream(folder / "keep.png") << "precious";
    fs::create_directories(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const bool lockedIsWritable = access((folder / "locked").c_str(), W_OK) == 0;  // root ignores modes
    const std::vector<std::string> refused = {
        "--seed 1 --out keep.png --bogus",
        "--seed 1 --seed 2 --out keep.png",
        "--seed --out keep.png",
        "--seed 1",
        "--out keep.png",
        "--seed 12x --out keep.png",
        "--seed -1 --out keep.png",
        "--seed 4294967296 --out keep.png",
        "--seed 1 --out keep.png --resolution 3",
        "--seed 1 --out keep.png --mapping 7",
        "--seed 1 --out keep.png --intensity 9",
        "--seed 1 --out keep.png --transform-i 30",
        "--seed 1 --out keep.png --blur 0.1",
        "--seed 1 --out keep.png --brightness nan",
        "--seed 1 --out keep.png --brightness 1e39",
        "--seed 1 --out keep.png --image 1x5",
        "--seed 1 --out keep.png --image 9000x2",
        "--seed 1 --out keep.png --format gif",
        "--seed 1 --out keep.png --random-colormap 1001",
        "--seed 1 --out keep.png --colormap missing.map",
        "--seed 1 --points 0 --out missing-folder/q.png",
    };
    for (const std::string& arguments : refused) {
        const RunResult run = Render(folder, arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << arguments << ": " << run.err;
        EXPECT_EQ(run.out, "") << arguments;
    }
    if (!lockedIsWritable) {
        const RunResult run = Render(folder, "--seed 1 --points 0 --out locked/q.png");
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(fs::is_empty(folder / "locked"));
    }
    EXPECT_EQ(ReadFile(folder / "keep.png"), "precious");
    std::vector<std::string> left = Entries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"keep.png", "locked"}));
}

TEST_F(RendererTest, FailedWriteKeepsAnExistingFile)
{
    // A directory in the way of the rename: the write fails, the folder is untouched.
    fs::create_directories(folder / "q.png" / "inside");
    const RunResult run = Render(folder, "--seed 1 --points 0 --out q.png");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(fs::is_directory(folder / "q.png" / "inside"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"q.png"});
}

TEST_F(RendererTest, HelpGoesToStandardOutput)
{
    const RunResult run = Render(folder, "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: tessalume-render --seed N --out FILE"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace tessalume
