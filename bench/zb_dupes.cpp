// zb_dupes: the duplicate finder and the redundant-file finder without a
// window, for timing them on a tree and comparing their answers with other
// tools.
//
//   zb_dupes <folder>... [--rule N] [--min BYTES] [--threads N] [--no-archives] [--print]
//   zb_dupes --redundant <folder> [--print]
//
// The duplicate mode walks the folders with rule N (default 12, "Match
// Content") and minimum size BYTES (default 0); --print lists the groups,
// one path a line and an empty line after each group (archive members as
// "archive\member"). The redundant mode runs the pattern walk (broken
// shortcuts, check-disk fragments, *.tmp) over the folder as its computer;
// --print lists what it finds. The report goes to stderr.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/DupFinder.h"
#include "tools/RedundantFinder.h"

namespace {

class PrintingSink : public IRedundantSink {
public:
    explicit PrintingSink(bool print) : m_print(print) {}
    bool AddItem(const std::string& path) override {
        ++found;
        if (m_print)
            std::printf("%s\n", path.c_str());
        return true;
    }
    void ShowFolder(const std::string&) override {}
    std::size_t found = 0;

private:
    bool m_print;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int RunRedundant(const std::string& folder, bool print) {
    CRedundantOptions options;
    options.m_bInternetCache = options.m_bTempFolder = options.m_bRecycleBin = FALSE;
    RedundantRoots roots;
    roots.computer = {folder};
    std::atomic<bool> stop{false};
    PrintingSink sink(print);
    const auto start = std::chrono::steady_clock::now();
    CRedundantFinder finder(options, roots, stop, sink);
    finder.Run();
    std::fprintf(stderr, "redundant items %zu\nwall %.3f s\n", sink.found, Seconds(start));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CFindDupOptions options;
    options.m_nRules = DUP_MATCH_SIZE | DUP_MATCH_CONTENT;
    options.m_nMinSize = 0;
    unsigned threads = 0;
    bool print = false;
    bool redundant = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--rule") == 0 && hasValue)
            options.m_nRules = std::atoi(argv[++i]);
        else if (std::strcmp(arg, "--min") == 0 && hasValue)
            options.m_nMinSize = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (std::strcmp(arg, "--threads") == 0 && hasValue)
            threads = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (std::strcmp(arg, "--no-archives") == 0)
            options.m_bSearchCompressed = FALSE;
        else if (std::strcmp(arg, "--print") == 0)
            print = true;
        else if (std::strcmp(arg, "--redundant") == 0)
            redundant = true;
        else
            options.m_arrFolders.push_back(arg);
    }
    if (options.m_arrFolders.empty()) {
        std::fprintf(stderr,
                     "usage: %s <folder>... [--rule N] [--min BYTES] [--threads N] "
                     "[--no-archives] [--print]\n       %s --redundant <folder> [--print]\n",
                     argv[0], argv[0]);
        return 2;
    }
    if (redundant)
        return RunRedundant(options.m_arrFolders.front(), print);

    std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    CDupFinder finder(options, stop);
    if (threads > 0)
        finder.SetReadThreads(threads);
    finder.Run();
    const double wall = Seconds(start);
    std::size_t files = 0;
    for (const CDupSlot& slot : finder.GetSlots()) {
        for (const CDupGroup& group : slot) {
            files += group.size();
            if (!print)
                continue;
            for (const std::size_t index : group) {
                const CDupFileEntry& entry = finder.GetEntries()[index];
                if (entry.archivePath.empty())
                    std::printf("%s\n", entry.path.c_str());
                else
                    std::printf("%s\\%s\n", entry.archivePath.c_str(), entry.path.c_str());
            }
            std::printf("\n");
        }
    }
    std::fprintf(stderr, "candidates %zu\ngroups %zu of %zu files\nwall %.3f s\n",
                 finder.GetEntries().size(), finder.GetGroupCount(), files, wall);
    return 0;
}
