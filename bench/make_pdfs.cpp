// zb_make_pdfs: writes a deterministic corpus of PDF documents for the PDF
// text search benchmark.
//
//   zb_make_pdfs <folder> [--count N] [--folders M] [--seed S]
//
// N documents (300 unless told) in M folders (6 unless told) of the shape
// ordinary documents have: 2 to 12 pages of 50 lines of sentences in a
// standard font, deflated content streams, a document information dictionary
// (title, subject, author, producer). The marker words of the benchmarks
// stand in some documents, each on a page of its own choosing: zembroltneedle
// in 3% of them, alpha in 20%, beta in 15%, gamma in 10%. The printed counts
// are the numbers of documents a text search must list.

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchText.h"
#include "tests/support/PdfWriter.h"

namespace {

using namespace zbbench;

struct Marker {
    std::string_view word;
    unsigned chance;  // per mille of the documents
};
constexpr std::array<Marker, 4> kMarkers = {{
    {"zembroltneedle", 30},
    {"alpha", 200},
    {"beta", 150},
    {"gamma", 100},
}};

// Lines fit the page's width in every font with a marker added: text off the
// page is not part of the page's text.
constexpr int kLinesPerPage = 50;
constexpr std::size_t kLineLength = 64;
constexpr const char* kFonts[] = {"Helvetica", "Times-Roman", "Courier"};

struct Options {
    std::string folder;
    int count = 300;
    int folders = 6;
    std::uint64_t seed = 1;
};

bool ParseNumber(const char* text, auto& value) {
    const std::string_view s = text;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && value > 0;
}

bool ParseArgs(int argc, char** argv, Options& options) {
    if (argc < 2)
        return false;
    options.folder = argv[1];
    for (int i = 2; i < argc; i += 2) {
        if (i + 1 >= argc)
            return false;
        const std::string_view flag = argv[i];
        const bool ok = flag == "--count"     ? ParseNumber(argv[i + 1], options.count)
                        : flag == "--folders" ? ParseNumber(argv[i + 1], options.folders)
                        : flag == "--seed"    ? ParseNumber(argv[i + 1], options.seed)
                                              : false;
        if (!ok)
            return false;
    }
    return true;
}

// Sentences cut into lines of about kLineLength characters at blanks.
std::vector<std::string> MakeLines(Rng& rng, int count) {
    std::vector<std::string> lines;
    std::string text = MakeCorpus(rng, static_cast<std::size_t>(count) * kLineLength);
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::size_t at = 0;
    while (static_cast<int>(lines.size()) < count && at < text.size()) {
        std::size_t end = std::min(text.size(), at + kLineLength);
        const std::size_t blank = text.rfind(' ', end);
        if (end < text.size() && blank != std::string::npos && blank > at)
            end = blank;
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::string Title(Rng& rng) {
    std::string title = Capitalised(rng.Pick(kWords));
    for (std::uint64_t i = 1 + rng.Below(4); i > 0; --i) {
        title += ' ';
        title += rng.Pick(kWords);
    }
    return title;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options)) {
        std::fprintf(stderr, "usage: zb_make_pdfs <folder> [--count N] [--folders M] [--seed S]\n");
        return 2;
    }
    std::error_code ec;
    if (std::filesystem::exists(options.folder, ec) &&
        !std::filesystem::is_empty(options.folder, ec)) {
        std::fprintf(stderr, "zb_make_pdfs: %s exists and is not empty\n", options.folder.c_str());
        return 1;
    }
    Rng rng(options.seed);
    std::vector<std::string> folders;
    for (int i = 0; i < options.folders; ++i) {
        std::string path = options.folder;
        for (std::uint64_t depth = 1 + rng.Below(3); depth > 0; --depth)
            path += "/" + FolderName(rng);
        folders.push_back(path);
        std::filesystem::create_directories(path, ec);
        if (ec) {
            std::fprintf(stderr, "zb_make_pdfs: cannot make %s\n", path.c_str());
            return 1;
        }
    }

    std::array<int, kMarkers.size()> found{};
    std::set<std::string> names;
    std::uint64_t pages = 0;
    std::uint64_t bytes = 0;
    for (int n = 0; n < options.count; ++n) {
        zbtest::PdfContents document;
        document.deflate = true;
        document.font = rng.Pick(kFonts);
        document.fontSize = 10;
        const int pageCount = 2 + static_cast<int>(rng.Below(11));
        for (int p = 0; p < pageCount; ++p)
            document.pages.push_back(MakeLines(rng, kLinesPerPage));
        for (std::size_t m = 0; m < kMarkers.size(); ++m) {
            if (!rng.PerMille(kMarkers[m].chance))
                continue;
            ++found[m];
            std::string& line =
                document.pages[rng.Below(document.pages.size())][rng.Below(kLinesPerPage)];
            const std::size_t blank = line.find(' ', rng.Below(line.size()));
            line.insert(blank == std::string::npos ? line.size() : blank,
                        " " + std::string(kMarkers[m].word));
        }
        document.info = {
            {"Title", Title(rng)},
            {"Subject", Title(rng)},
            {"Author", Capitalised(rng.Pick(kWords)) + " " + Capitalised(rng.Pick(kWords))},
            {"Producer", "zb_make_pdfs"}};
        const std::string& folder = folders[rng.Below(folders.size())];
        std::string name = folder + "/" + FileBaseName(rng);
        if (!names.insert(name).second)
            name += "-" + std::to_string(n);
        names.insert(name);
        const std::string pdf = zbtest::BuildPdf(document);
        std::ofstream out(name + ".pdf", std::ios::binary);
        out.write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
        if (!out) {
            std::fprintf(stderr, "zb_make_pdfs: cannot write %s.pdf\n", name.c_str());
            return 1;
        }
        pages += static_cast<std::uint64_t>(pageCount);
        bytes += pdf.size();
    }

    std::printf("zb_make_pdfs: %s (seed %llu)\n", options.folder.c_str(),
                static_cast<unsigned long long>(options.seed));
    std::printf("  documents %10d   in %d folders\n", options.count, options.folders);
    std::printf("  pages     %10llu\n", static_cast<unsigned long long>(pages));
    std::printf("  bytes     %10llu   (%.1f MiB)\n", static_cast<unsigned long long>(bytes),
                static_cast<double>(bytes) / 1048576.0);
    std::printf("Documents a text search must list (markers are lower case whole words):\n");
    for (std::size_t m = 0; m < kMarkers.size(); ++m)
        std::printf("  %-16s %6d\n", std::string(kMarkers[m].word).c_str(), found[m]);
    return 0;
}
