// Replays fuzz inputs as an ordinary test: every file of the shared sample
// folder and of the target's own corpus folder (inputs that once failed) is
// fed to the target once. The target is linked in beside this file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
        if (entry.is_regular_file(ec))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void Replay(const std::filesystem::path& folder) {
    for (const auto& file : InputFiles(folder)) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
}

TEST(FuzzReplay, SampleFiles) {
    ASSERT_FALSE(InputFiles(ZEMBROLT_TESTDATA).empty());
    Replay(ZEMBROLT_TESTDATA);
}

TEST(FuzzReplay, SavedInputs) {
    Replay(ZEMBROLT_FUZZ_CORPUS);
}

}  // namespace
