// zb_make_tree: writes a large, deterministic folder tree for search benchmarks.
//
//   zb_make_tree <folder> [--files N] [--folders M] [--seed S]
//
// The tree has M nested folders (a few hundred at the top, up to seven levels
// deep) holding N files named from a fixed word list. About 5% of the files are
// text files of 4 to 64 KB made of the same words plus a few marker words at
// known rates; the rest are empty or hold up to 2 KB of bytes that are never
// ASCII letters, so no marker can appear in them by chance. A few stored ZIP
// files hold text members with the markers too. Everything follows from the
// seed: the same arguments give the same tree on every machine. At the end the
// program prints what it wrote and how many files each marker query must find.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <vector>

#include "bench/BenchText.h"

namespace {

using namespace zbbench;

// Marker words and the chance (per mille) that a text file or a ZIP member holds
// each one. Every file rolls each marker on its own.
struct Marker {
    std::string_view word;
    unsigned fileChance;
    unsigned memberChance;
};
constexpr std::array<Marker, 4> kMarkers = {{
    {"zembroltneedle", 10, 250},
    {"alpha", 200, 300},
    {"beta", 150, 300},
    {"gamma", 100, 200},
}};
constexpr unsigned kNeedle = 1u << 0;
constexpr unsigned kAlpha = 1u << 1;
constexpr unsigned kBeta = 1u << 2;
constexpr unsigned kGamma = 1u << 3;
constexpr unsigned kMaskCount = 1u << kMarkers.size();

// Words whose occurrences in file and folder names are counted, for name-search checks.
constexpr std::array<std::string_view, 3> kNameProbes = {"report", "data", "image"};

constexpr bool NoWordHoldsMarker() {
    for (std::string_view w : kWords)
        for (const Marker& m : kMarkers)
            if (w.find(m.word) != std::string_view::npos)
                return false;
    return true;
}
static_assert(NoWordHoldsMarker(), "a word of the list holds a marker word");

constexpr int kMaxDepth = 7;
constexpr std::size_t kCorpusSize = 1u << 20;
constexpr std::size_t kNoiseSize = 4096;
constexpr std::size_t kMinTextSize = 4096;
constexpr std::size_t kMaxTextSize = 65536;

struct Options {
    std::string root;
    std::uint64_t files = 1000000;
    std::uint64_t folders = 50000;
    std::uint64_t seed = 1;
};

struct Folder {
    std::size_t parent;  // index, or kNoParent for a top-level folder
    int depth;           // 1 for a top-level folder
    std::string path;
    std::size_t files = 0;
    std::size_t zips = 0;
};
constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

struct Stats {
    std::uint64_t files = 0;
    std::uint64_t textFiles = 0;
    std::uint64_t emptyFiles = 0;
    std::uint64_t tinyFiles = 0;   // 1 to 64 bytes
    std::uint64_t smallFiles = 0;  // 65 bytes to 2 KB
    std::uint64_t zipFiles = 0;
    std::uint64_t zipMembers = 0;
    std::uint64_t bytes = 0;
    std::array<std::uint64_t, kMaskCount> textMasks{};    // text files by marker set
    std::array<std::uint64_t, kMaskCount> memberMasks{};  // ZIP members by marker set
    std::array<std::uint64_t, kMaskCount> zipMasks{};     // ZIP files by marker set
    std::array<std::uint64_t, kNameProbes.size()> nameProbes{};

    void Add(const Stats& o) {
        files += o.files;
        textFiles += o.textFiles;
        emptyFiles += o.emptyFiles;
        tinyFiles += o.tinyFiles;
        smallFiles += o.smallFiles;
        zipFiles += o.zipFiles;
        zipMembers += o.zipMembers;
        bytes += o.bytes;
        for (std::size_t i = 0; i < kMaskCount; ++i) {
            textMasks[i] += o.textMasks[i];
            memberMasks[i] += o.memberMasks[i];
            zipMasks[i] += o.zipMasks[i];
        }
        for (std::size_t i = 0; i < nameProbes.size(); ++i)
            nameProbes[i] += o.nameProbes[i];
    }
};

void CountNameProbes(std::string_view name, Stats& stats) {
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    for (std::size_t i = 0; i < kNameProbes.size(); ++i)
        if (lower.find(kNameProbes[i]) != std::string::npos)
            ++stats.nameProbes[i];
}

// `base` + `ext`, made unique among `taken` by a counter before the extension.
std::string UniqueName(std::string base, std::string_view ext,
                       std::unordered_set<std::string>& taken) {
    std::string name = base + std::string(ext);
    for (int n = 2; !taken.insert(name).second; ++n)
        name = base + "_" + std::to_string(n) + std::string(ext);
    return name;
}

// Bytes with the high bit set: never an ASCII letter, never zero.
std::string MakeNoise(Rng& rng) {
    std::string noise(kNoiseSize, '\0');
    for (char& c : noise)
        c = static_cast<char>(0x80 | rng.Below(128));
    return noise;
}

bool WriteAll(int fd, std::vector<iovec>& iov) {
    std::size_t first = 0;
    while (first < iov.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(iov.size() - first, IOV_MAX));
        ssize_t n = writev(fd, iov.data() + first, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        while (first < iov.size() && static_cast<std::size_t>(n) >= iov[first].iov_len) {
            n -= static_cast<ssize_t>(iov[first].iov_len);
            ++first;
        }
        if (first < iov.size()) {
            iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + n;
            iov[first].iov_len -= static_cast<std::size_t>(n);
        }
    }
    return true;
}

// A text body: a slice of the corpus with each chosen marker inserted one to
// three times after a blank or line end, so every marker stands as a whole
// word. Appends the pieces to `iov`; the pieces point into `corpus` and the
// static marker texts.
void TextPieces(Rng& rng, const std::string& corpus, std::size_t size, unsigned mask,
                std::vector<iovec>& iov) {
    struct Insert {
        std::size_t pos;
        std::size_t marker;
    };
    std::array<Insert, kMarkers.size() * 3> inserts{};
    std::size_t insertCount = 0;
    std::size_t markerBytes = 0;
    for (std::size_t m = 0; m < kMarkers.size(); ++m) {
        if ((mask & (1u << m)) == 0)
            continue;
        const auto times = 1 + rng.Below(3);
        for (std::uint64_t t = 0; t < times; ++t) {
            inserts[insertCount++] = {0, m};
            markerBytes += kMarkers[m].word.size() + 1;
        }
    }
    const std::size_t sliceSize = size - markerBytes;
    std::size_t start = rng.Below(corpus.size() - sliceSize);
    while (start > 0 && corpus[start - 1] != ' ' && corpus[start - 1] != '\n')
        --start;
    for (std::size_t i = 0; i < insertCount; ++i) {
        std::size_t pos = start + rng.Below(sliceSize);
        while (pos > start && corpus[pos - 1] != ' ' && corpus[pos - 1] != '\n')
            --pos;
        inserts[i].pos = pos;
    }
    std::sort(inserts.begin(), inserts.begin() + static_cast<std::ptrdiff_t>(insertCount),
              [](const Insert& a, const Insert& b) { return a.pos < b.pos; });

    static const std::array<std::string, kMarkers.size()> markerTexts = [] {
        std::array<std::string, kMarkers.size()> texts;
        for (std::size_t m = 0; m < kMarkers.size(); ++m)
            texts[m] = std::string(kMarkers[m].word) + " ";
        return texts;
    }();
    std::size_t at = start;
    const auto addCorpus = [&](std::size_t end) {
        if (end > at)
            iov.push_back({const_cast<char*>(corpus.data() + at), end - at});
        at = end;
    };
    for (std::size_t i = 0; i < insertCount; ++i) {
        addCorpus(inserts[i].pos);
        const std::string& text = markerTexts[inserts[i].marker];
        iov.push_back({const_cast<char*>(text.data()), text.size()});
    }
    addCorpus(start + sliceSize);
}

unsigned RollMarkers(Rng& rng, bool member) {
    unsigned mask = 0;
    for (std::size_t m = 0; m < kMarkers.size(); ++m)
        if (rng.PerMille(member ? kMarkers[m].memberChance : kMarkers[m].fileChance))
            mask |= 1u << m;
    return mask;
}

void PutLe16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void PutLe32(std::string& out, std::uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

// A ZIP archive of two to five stored text members, built in memory. Returns
// the union of the members' marker sets.
unsigned MakeZip(Rng& rng, const std::string& corpus, Stats& stats, std::string& zip) {
    constexpr unsigned kDosTime = (10u << 11) | (30u << 5);                  // 10:30:00
    constexpr unsigned kDosDate = ((2021u - 1980u) << 9) | (6u << 5) | 15u;  // 2021-06-15
    struct Member {
        std::string name;
        std::uint32_t crc;
        std::uint32_t size;
        std::uint32_t offset;
    };
    std::vector<Member> members;
    std::unordered_set<std::string> taken;
    unsigned zipMask = 0;
    std::vector<iovec> pieces;
    std::string body;
    zip.clear();
    const auto count = 2 + rng.Below(4);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::string folder = rng.Below(3) == 0 ? "docs/" : "";
        const std::string name =
            folder + UniqueName("member" + std::to_string(i + 1), rng.Pick(kTextExts), taken);
        const unsigned mask = RollMarkers(rng, true);
        pieces.clear();
        TextPieces(rng, corpus, 1024 + rng.Below(7169), mask, pieces);
        body.clear();
        for (const iovec& p : pieces)
            body.append(static_cast<const char*>(p.iov_base), p.iov_len);
        const auto crc = static_cast<std::uint32_t>(
            crc32(0L, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
        members.push_back({name, crc, static_cast<std::uint32_t>(body.size()),
                           static_cast<std::uint32_t>(zip.size())});
        PutLe32(zip, 0x04034b50);
        PutLe16(zip, 10);  // version needed: stored
        PutLe16(zip, 0);   // flags
        PutLe16(zip, 0);   // method: stored
        PutLe16(zip, kDosTime);
        PutLe16(zip, kDosDate);
        PutLe32(zip, crc);
        PutLe32(zip, members.back().size);
        PutLe32(zip, members.back().size);
        PutLe16(zip, static_cast<unsigned>(name.size()));
        PutLe16(zip, 0);  // extra length
        zip += name;
        zip += body;
        ++stats.zipMembers;
        ++stats.memberMasks[mask];
        zipMask |= mask;
    }
    const auto centralOffset = static_cast<std::uint32_t>(zip.size());
    for (const Member& m : members) {
        PutLe32(zip, 0x02014b50);
        PutLe16(zip, 20);  // made by
        PutLe16(zip, 10);  // version needed
        PutLe16(zip, 0);
        PutLe16(zip, 0);
        PutLe16(zip, kDosTime);
        PutLe16(zip, kDosDate);
        PutLe32(zip, m.crc);
        PutLe32(zip, m.size);
        PutLe32(zip, m.size);
        PutLe16(zip, static_cast<unsigned>(m.name.size()));
        PutLe16(zip, 0);  // extra length
        PutLe16(zip, 0);  // comment length
        PutLe16(zip, 0);  // disk
        PutLe16(zip, 1);  // internal attributes: text
        PutLe32(zip, 0);  // external attributes
        PutLe32(zip, m.offset);
        zip += m.name;
    }
    const auto centralSize = static_cast<std::uint32_t>(zip.size() - centralOffset);
    PutLe32(zip, 0x06054b50);
    PutLe16(zip, 0);
    PutLe16(zip, 0);
    PutLe16(zip, static_cast<unsigned>(members.size()));
    PutLe16(zip, static_cast<unsigned>(members.size()));
    PutLe32(zip, centralSize);
    PutLe32(zip, centralOffset);
    PutLe16(zip, 0);  // comment length
    return zipMask;
}

// Shared, read-only state of the writer threads plus the first error.
class TreeWriter {
public:
    TreeWriter(const Options& options, std::vector<Folder>& folders)
        : m_options(options), m_folders(folders) {
        Rng rng(options.seed ^ 0xC0FFEEull);
        m_corpus = MakeCorpus(rng, kCorpusSize);
        m_noise = MakeNoise(rng);
    }

    void Run(unsigned threads) {
        std::vector<std::thread> workers;
        for (unsigned t = 0; t < threads; ++t)
            workers.emplace_back([this] { Work(); });
        for (std::thread& w : workers)
            w.join();
    }

    const Stats& GetStats() const { return m_stats; }
    const std::string& GetError() const { return m_error; }

private:
    void Work() {
        Stats local;
        std::vector<iovec> iov;
        std::string zip;
        for (;;) {
            const std::size_t i = m_next.fetch_add(1);
            if (i >= m_folders.size() || m_failed.load())
                break;
            if (!WriteFolder(i, local, iov, zip))
                break;
        }
        std::lock_guard lock(m_mutex);
        m_stats.Add(local);
    }

    bool Fail(const std::string& what, const std::string& path) {
        const int err = errno;
        std::lock_guard lock(m_mutex);
        if (!m_failed.exchange(true))
            m_error = what + " " + path + ": " + std::strerror(err);
        return false;
    }

    bool WriteFile(int dirFd, const Folder& folder, const std::string& name,
                   std::vector<iovec>& iov) {
        const int fd = openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return Fail("cannot create", folder.path + "/" + name);
        const bool written = WriteAll(fd, iov);
        if (close(fd) != 0 || !written)
            return Fail("cannot write", folder.path + "/" + name);
        return true;
    }

    bool WriteFolder(std::size_t index, Stats& stats, std::vector<iovec>& iov, std::string& zip) {
        const Folder& folder = m_folders[index];
        Rng rng(m_options.seed * 0x9E3779B97F4A7C15ull + index + 1);
        const int dirFd = open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0)
            return Fail("cannot open", folder.path);
        std::unordered_set<std::string> taken;
        bool ok = true;
        for (std::size_t f = 0; ok && f < folder.files; ++f) {
            iov.clear();
            std::string name;
            const auto kind = rng.Below(1000);
            if (kind < 50) {
                name = UniqueName(FileBaseName(rng), rng.Pick(kTextExts), taken);
                const unsigned mask = RollMarkers(rng, false);
                const std::size_t size = kMinTextSize + rng.Below(kMaxTextSize - kMinTextSize + 1);
                TextPieces(rng, m_corpus, size, mask, iov);
                ++stats.textFiles;
                ++stats.textMasks[mask];
                stats.bytes += size;
            } else {
                name = UniqueName(FileBaseName(rng), rng.Pick(kSmallExts), taken);
                const auto sizeKind = rng.Below(10);
                std::size_t size = 0;
                if (sizeKind < 6) {
                    ++stats.emptyFiles;
                } else if (sizeKind < 9) {
                    size = 1 + rng.Below(64);
                    ++stats.tinyFiles;
                } else {
                    size = 65 + rng.Below(2048 - 64);
                    ++stats.smallFiles;
                }
                if (size > 0) {
                    const std::size_t at = rng.Below(m_noise.size() - size + 1);
                    iov.push_back({m_noise.data() + at, size});
                }
                stats.bytes += size;
            }
            ++stats.files;
            CountNameProbes(name, stats);
            ok = WriteFile(dirFd, folder, name, iov);
        }
        for (std::size_t z = 0; ok && z < folder.zips; ++z) {
            const std::string name = UniqueName(FileBaseName(rng), ".zip", taken);
            const unsigned mask = MakeZip(rng, m_corpus, stats, zip);
            iov.assign(1, iovec{zip.data(), zip.size()});
            ++stats.files;
            ++stats.zipFiles;
            ++stats.zipMasks[mask];
            stats.bytes += zip.size();
            CountNameProbes(name, stats);
            ok = WriteFile(dirFd, folder, name, iov);
        }
        close(dirFd);
        return ok;
    }

    const Options& m_options;
    const std::vector<Folder>& m_folders;
    std::string m_corpus;
    std::string m_noise;
    std::atomic<std::size_t> m_next{0};
    std::atomic<bool> m_failed{false};
    std::mutex m_mutex;
    Stats m_stats;
    std::string m_error;
};

// The folder shape: a few hundred top-level folders, then each further folder
// under a folder of a randomly drawn depth (most between 2 and 5, at most 7).
std::vector<Folder> PlanFolders(const Options& options, Rng& rng, Stats& stats) {
    std::vector<Folder> folders;
    folders.reserve(options.folders);
    std::array<std::vector<std::size_t>, kMaxDepth + 1> byDepth;
    std::unordered_set<std::string> taken;  // "<parent index>/<name>"
    const std::uint64_t topLevel = std::clamp<std::uint64_t>(
        options.folders / 170, std::min<std::uint64_t>(options.folders, 1),
        std::max<std::uint64_t>(options.folders, 1));
    // Chances (per cent) of the depths 2 to 7 for folders below the top level.
    constexpr std::array<unsigned, kMaxDepth + 1> kDepthChance = {0, 0, 18, 26, 24, 16, 10, 6};
    for (std::uint64_t i = 0; i < options.folders; ++i) {
        std::size_t parent = kNoParent;
        int depth = 1;
        if (i >= topLevel) {
            auto roll = rng.Below(100);
            depth = 2;
            while (depth < kMaxDepth && roll >= kDepthChance[depth]) {
                roll -= kDepthChance[depth];
                ++depth;
            }
            while (byDepth[depth - 1].empty())
                --depth;
            const auto& candidates = byDepth[depth - 1];
            parent = candidates[rng.Below(candidates.size())];
        }
        const std::string key = std::to_string(parent) + "/";
        std::string name = FolderName(rng);
        for (int n = 2; !taken.insert(key + name).second; ++n)
            name = FolderName(rng) + " " + std::to_string(n);
        CountNameProbes(name, stats);
        const std::string& base = parent == kNoParent ? options.root : folders[parent].path;
        folders.push_back({parent, depth, base + "/" + name});
        byDepth[depth].push_back(folders.size() - 1);
    }
    return folders;
}

// Spreads the files: most folders get a similar share, every twentieth folder
// is a busy one that gets much more. The ZIP files (one in ten thousand files,
// at least three) go to random folders.
void PlanFiles(const Options& options, Rng& rng, std::vector<Folder>& folders) {
    if (folders.empty())
        return;
    const std::uint64_t zips =
        std::min<std::uint64_t>(options.files, std::max<std::uint64_t>(3, options.files / 10000));
    const std::size_t busy = (folders.size() + 19) / 20;
    for (std::uint64_t f = 0; f < options.files - zips; ++f) {
        const std::size_t i =
            rng.Below(10) < 7 ? rng.Below(folders.size()) : rng.Below(busy) * 20 % folders.size();
        ++folders[i].files;
    }
    for (std::uint64_t z = 0; z < zips; ++z)
        ++folders[rng.Below(folders.size())].zips;
}

bool MakeFolders(const Options& options, const std::vector<Folder>& folders) {
    std::error_code ec;
    std::filesystem::create_directories(options.root, ec);
    if (ec) {
        std::fprintf(stderr, "zb_make_tree: cannot create %s: %s\n", options.root.c_str(),
                     ec.message().c_str());
        return false;
    }
    if (!std::filesystem::is_empty(options.root, ec) || ec) {
        std::fprintf(stderr, "zb_make_tree: %s is not an empty folder\n", options.root.c_str());
        return false;
    }
    for (const Folder& folder : folders) {
        if (mkdir(folder.path.c_str(), 0755) != 0) {
            std::fprintf(stderr, "zb_make_tree: cannot create %s: %s\n", folder.path.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    return true;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

void Usage() {
    std::fprintf(stderr,
                 "usage: zb_make_tree <folder> [--files N] [--folders M] [--seed S]\n"
                 "  defaults: 1000000 files in 50000 folders, seed 1\n"
                 "  <folder> must not exist or be empty\n");
}

bool ParseArgs(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::uint64_t* target = nullptr;
        if (arg == "--files")
            target = &options.files;
        else if (arg == "--folders")
            target = &options.folders;
        else if (arg == "--seed")
            target = &options.seed;
        if (target != nullptr) {
            if (i + 1 >= argc || !ParseNumber(argv[++i], *target)) {
                std::fprintf(stderr, "zb_make_tree: %s needs a number\n", argv[i - 1]);
                return false;
            }
        } else if (!arg.empty() && arg[0] != '-' && options.root.empty()) {
            options.root = arg;
        } else {
            std::fprintf(stderr, "zb_make_tree: unknown argument %s\n", argv[i]);
            return false;
        }
    }
    if (options.root.empty())
        return false;
    while (options.root.size() > 1 && options.root.back() == '/')
        options.root.pop_back();
    if (options.files > 0 && options.folders == 0) {
        std::fprintf(stderr, "zb_make_tree: files need at least one folder\n");
        return false;
    }
    return true;
}

// Files among `masks` whose marker set satisfies `query`.
template <typename Query>
std::uint64_t CountWhere(const std::array<std::uint64_t, kMaskCount>& masks, Query query) {
    std::uint64_t n = 0;
    for (unsigned m = 0; m < kMaskCount; ++m)
        if (query(m))
            n += masks[m];
    return n;
}

void PrintExpected(const char* title, const std::array<std::uint64_t, kMaskCount>& masks) {
    struct Query {
        const char* text;
        bool (*holds)(unsigned);
    };
    static constexpr Query kQueries[] = {
        {"zembroltneedle", [](unsigned m) { return (m & kNeedle) != 0; }},
        {"alpha", [](unsigned m) { return (m & kAlpha) != 0; }},
        {"beta", [](unsigned m) { return (m & kBeta) != 0; }},
        {"gamma", [](unsigned m) { return (m & kGamma) != 0; }},
        {"alpha & beta", [](unsigned m) { return (m & kAlpha) && (m & kBeta); }},
        {"alpha | beta", [](unsigned m) { return (m & (kAlpha | kBeta)) != 0; }},
        {"{alpha & beta} | gamma",
         [](unsigned m) { return ((m & kAlpha) && (m & kBeta)) || (m & kGamma); }},
        {"alpha & !beta", [](unsigned m) { return (m & kAlpha) && !(m & kBeta); }},
    };
    std::printf("%s\n", title);
    for (const Query& q : kQueries)
        std::printf("  %-24s %10llu\n", q.text,
                    static_cast<unsigned long long>(CountWhere(masks, q.holds)));
}

void PrintReport(const Options& options, const std::vector<Folder>& folders, const Stats& stats,
                 double seconds) {
    std::array<std::uint64_t, kMaxDepth + 1> depths{};
    for (const Folder& f : folders)
        ++depths[f.depth];
    std::printf("zb_make_tree: %s (seed %llu)\n", options.root.c_str(),
                static_cast<unsigned long long>(options.seed));
    std::printf("  folders       %10zu   by depth:", folders.size());
    for (int d = 1; d <= kMaxDepth; ++d)
        std::printf(" %d:%llu", d, static_cast<unsigned long long>(depths[d]));
    std::printf("\n");
    const auto u = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
    std::printf("  files         %10llu\n", u(stats.files));
    std::printf("    text        %10llu   (4-64 KB of words)\n", u(stats.textFiles));
    std::printf("    empty       %10llu\n", u(stats.emptyFiles));
    std::printf("    tiny        %10llu   (1-64 bytes)\n", u(stats.tinyFiles));
    std::printf("    small       %10llu   (65 bytes-2 KB)\n", u(stats.smallFiles));
    std::printf("    zip         %10llu   (stored, %llu text members)\n", u(stats.zipFiles),
                u(stats.zipMembers));
    std::printf("  bytes         %10llu   (%.1f MiB)\n", u(stats.bytes),
                static_cast<double>(stats.bytes) / (1024.0 * 1024.0));
    std::printf("  time          %10.2f s\n", seconds);
    std::printf("Names (folders and files) holding a word, case ignored:\n");
    for (std::size_t i = 0; i < kNameProbes.size(); ++i)
        std::printf("  %-24s %10llu\n", std::string(kNameProbes[i]).c_str(),
                    u(stats.nameProbes[i]));
    std::printf("Expected matches (markers are lower case and stand as whole words):\n");
    PrintExpected("Text files (what grep -rl finds outside the ZIP files):", stats.textMasks);
    PrintExpected("ZIP files whose stored bytes match (grep -rl finds them too):", stats.zipMasks);
    PrintExpected("ZIP members (found only by a search that opens archives):", stats.memberMasks);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options)) {
        Usage();
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    Rng rng(options.seed);
    Stats stats;
    std::vector<Folder> folders = PlanFolders(options, rng, stats);
    PlanFiles(options, rng, folders);
    if (!MakeFolders(options, folders))
        return 1;

    TreeWriter writer(options, folders);
    writer.Run(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
    if (!writer.GetError().empty()) {
        std::fprintf(stderr, "zb_make_tree: %s\n", writer.GetError().c_str());
        return 1;
    }
    stats.Add(writer.GetStats());
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    PrintReport(options, folders, stats, elapsed.count());
    return 0;
}
