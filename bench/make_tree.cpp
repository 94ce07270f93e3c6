// zb_make_tree: writes a large, deterministic folder tree for search benchmarks.
//
//   zb_make_tree <folder> [--files N] [--folders M] [--seed S]
//   zb_make_tree <folder> --archives N [--folders M] [--seed S]
//
// The tree has M nested folders (a few hundred at the top, up to seven levels
// deep) holding N files named from a fixed word list. About 5% of the files are
// text files of 4 to 64 KB made of the same words plus a few marker words at
// known rates; the rest are empty or hold up to 2 KB of bytes that are never
// ASCII letters, so no marker can appear in them by chance. A few stored ZIP
// files hold text members with the markers too. Everything follows from the
// seed: the same arguments give the same tree on every machine. At the end the
// program prints what it wrote and how many files each marker query must find.
//
// With --archives N it writes an archive corpus instead: N ZIP files with
// deflated members and N gzip-compressed TAR files in a few folders, each
// holding several text members of 4 to 64 KB made like the tree's text files.
// It then prints how many archives and members each marker query must find.

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
#include <initializer_list>
#include <iterator>
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

// Marker words and the chance (per mille) that a text file or a member of a
// tree's ZIP file holds each one. Every file rolls each marker on its own.
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
constexpr std::uint64_t kArchiveFolders = 8;  // default folder count of an archive corpus

// How the text members of an archive are made.
struct ArchiveShape {
    std::uint64_t minMembers;
    std::uint64_t maxMembers;
    std::size_t minSize;
    std::size_t maxSize;
    bool fileRates;  // markers at the text files' rates, not the higher member rates
    bool deflate;    // ZIP members deflated, not stored
};
// The few ZIP files of a tree: small stored members, so grep finds the markers
// in the ZIP file's own bytes.
constexpr ArchiveShape kTreeArchive = {2, 5, 1024, 8192, false, false};
// The archives of an archive corpus: members like the tree's text files,
// compressed, so only a search that opens archives finds the markers.
constexpr ArchiveShape kCorpusArchive = {2, 8, kMinTextSize, kMaxTextSize, true, true};

struct Options {
    std::string root;
    std::uint64_t files = 1000000;
    std::uint64_t folders = 50000;
    std::uint64_t seed = 1;
    std::uint64_t archives = 0;  // ZIP and TAR.GZ files each; 0 writes the normal tree
};

struct Folder {
    std::size_t parent;  // index, or kNoParent for a top-level folder
    int depth;           // 1 for a top-level folder
    std::string path;
    std::size_t files = 0;
    std::size_t zips = 0;
    std::size_t tarGzs = 0;
};
constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

using MaskCounts = std::array<std::uint64_t, kMaskCount>;  // counts by marker set

// The marker queries whose expected answers the report prints.
struct Query {
    const char* text;
    bool (*holds)(unsigned mask);
};
constexpr Query kQueries[] = {
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
constexpr std::size_t kQueryCount = std::size(kQueries);
using QueryCounts = std::array<std::uint64_t, kQueryCount>;  // counts by query

void AddCounts(MaskCounts& to, const MaskCounts& from) {
    for (std::size_t i = 0; i < kMaskCount; ++i)
        to[i] += from[i];
}

// The archives of one format.
struct ArchiveStats {
    std::uint64_t files = 0;
    std::uint64_t members = 0;
    std::uint64_t memberBytes = 0;  // uncompressed
    MaskCounts masks{};             // archives by the union of their members' marker sets
    MaskCounts memberMasks{};       // members by marker set
    QueryCounts matching{};         // archives with a member that satisfies the query

    void Add(const ArchiveStats& o) {
        files += o.files;
        members += o.members;
        memberBytes += o.memberBytes;
        AddCounts(masks, o.masks);
        AddCounts(memberMasks, o.memberMasks);
        for (std::size_t q = 0; q < kQueryCount; ++q)
            matching[q] += o.matching[q];
    }
};

struct Stats {
    std::uint64_t files = 0;  // every file written, archives included
    std::uint64_t textFiles = 0;
    std::uint64_t emptyFiles = 0;
    std::uint64_t tinyFiles = 0;   // 1 to 64 bytes
    std::uint64_t smallFiles = 0;  // 65 bytes to 2 KB
    std::uint64_t bytes = 0;
    MaskCounts textMasks{};  // text files by marker set
    ArchiveStats zip;
    ArchiveStats tarGz;
    std::array<std::uint64_t, kNameProbes.size()> nameProbes{};

    void Add(const Stats& o) {
        files += o.files;
        textFiles += o.textFiles;
        emptyFiles += o.emptyFiles;
        tinyFiles += o.tinyFiles;
        smallFiles += o.smallFiles;
        bytes += o.bytes;
        AddCounts(textMasks, o.textMasks);
        zip.Add(o.zip);
        tarGz.Add(o.tarGz);
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

unsigned RollMarkers(Rng& rng, bool fileRates) {
    unsigned mask = 0;
    for (std::size_t m = 0; m < kMarkers.size(); ++m)
        if (rng.PerMille(fileRates ? kMarkers[m].fileChance : kMarkers[m].memberChance))
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

struct ArchiveMember {
    std::string name;
    std::string body;
};

// The text members of one archive as `shape` says, named member1.md,
// docs/member2.txt, ...; counts them and the archive into `stats`.
void MakeMembers(Rng& rng, const std::string& corpus, const ArchiveShape& shape,
                 ArchiveStats& stats, std::vector<ArchiveMember>& members) {
    std::unordered_set<std::string> taken;
    std::vector<iovec> pieces;
    unsigned archiveMask = 0;
    unsigned memberMaskSet = 0;  // bit m: some member has marker set m
    members.clear();
    const auto count = shape.minMembers + rng.Below(shape.maxMembers - shape.minMembers + 1);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::string folder = rng.Below(3) == 0 ? "docs/" : "";
        ArchiveMember& member = members.emplace_back();
        member.name =
            folder + UniqueName("member" + std::to_string(i + 1), rng.Pick(kTextExts), taken);
        const unsigned mask = RollMarkers(rng, shape.fileRates);
        pieces.clear();
        TextPieces(rng, corpus, shape.minSize + rng.Below(shape.maxSize - shape.minSize + 1), mask,
                   pieces);
        for (const iovec& p : pieces)
            member.body.append(static_cast<const char*>(p.iov_base), p.iov_len);
        ++stats.members;
        stats.memberBytes += member.body.size();
        ++stats.memberMasks[mask];
        archiveMask |= mask;
        memberMaskSet |= 1u << mask;
    }
    ++stats.files;
    ++stats.masks[archiveMask];
    for (std::size_t q = 0; q < kQueryCount; ++q)
        for (unsigned m = 0; m < kMaskCount; ++m)
            if ((memberMaskSet & (1u << m)) && kQueries[q].holds(m)) {
                ++stats.matching[q];
                break;
            }
}

// Compresses `in` into `out` with zlib's default level: a raw deflate stream
// for windowBits -15 (a ZIP member), a gzip file for 15 + 16. zlib's gzip
// header holds no name and time 0, so the output follows from the input alone.
bool Deflate(std::string_view in, int windowBits, std::string& out) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        return false;
    out.resize(deflateBound(&zs, static_cast<uLong>(in.size())));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const bool done = deflate(&zs, Z_FINISH) == Z_STREAM_END;
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return done;
}

// A ZIP archive of `members`, stored or deflated, built in memory.
bool WriteZip(const std::vector<ArchiveMember>& members, bool deflated, std::string& packed,
              std::string& zip) {
    constexpr unsigned kDosTime = (10u << 11) | (30u << 5);                  // 10:30:00
    constexpr unsigned kDosDate = ((2021u - 1980u) << 9) | (6u << 5) | 15u;  // 2021-06-15
    const unsigned version = deflated ? 20 : 10;
    const unsigned method = deflated ? 8 : 0;
    struct Entry {
        std::uint32_t crc;
        std::uint32_t packedSize;
        std::uint32_t offset;
    };
    std::vector<Entry> entries;
    zip.clear();
    for (const ArchiveMember& m : members) {
        const auto crc = static_cast<std::uint32_t>(crc32(
            0L, reinterpret_cast<const Bytef*>(m.body.data()), static_cast<uInt>(m.body.size())));
        if (deflated && !Deflate(m.body, -MAX_WBITS, packed))
            return false;
        const std::string& data = deflated ? packed : m.body;
        entries.push_back(
            {crc, static_cast<std::uint32_t>(data.size()), static_cast<std::uint32_t>(zip.size())});
        PutLe32(zip, 0x04034b50);
        PutLe16(zip, version);
        PutLe16(zip, 0);  // flags
        PutLe16(zip, method);
        PutLe16(zip, kDosTime);
        PutLe16(zip, kDosDate);
        PutLe32(zip, crc);
        PutLe32(zip, entries.back().packedSize);
        PutLe32(zip, static_cast<std::uint32_t>(m.body.size()));
        PutLe16(zip, static_cast<unsigned>(m.name.size()));
        PutLe16(zip, 0);  // extra length
        zip += m.name;
        zip += data;
    }
    const auto centralOffset = static_cast<std::uint32_t>(zip.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const ArchiveMember& m = members[i];
        PutLe32(zip, 0x02014b50);
        PutLe16(zip, 20);  // made by
        PutLe16(zip, version);
        PutLe16(zip, 0);
        PutLe16(zip, method);
        PutLe16(zip, kDosTime);
        PutLe16(zip, kDosDate);
        PutLe32(zip, entries[i].crc);
        PutLe32(zip, entries[i].packedSize);
        PutLe32(zip, static_cast<std::uint32_t>(m.body.size()));
        PutLe16(zip, static_cast<unsigned>(m.name.size()));
        PutLe16(zip, 0);  // extra length
        PutLe16(zip, 0);  // comment length
        PutLe16(zip, 0);  // disk
        PutLe16(zip, 1);  // internal attributes: text
        PutLe32(zip, 0);  // external attributes
        PutLe32(zip, entries[i].offset);
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
    return true;
}

// `value` in octal, zero-padded to all but the last byte of `field`, then NUL.
void PutOctal(char* field, std::size_t width, std::uint64_t value) {
    field[width - 1] = '\0';
    for (std::size_t i = width - 1; i-- > 0; value >>= 3)
        field[i] = static_cast<char>('0' + (value & 7));
}

// A ustar header of a regular file. Member names are short (under 100 bytes),
// so the prefix field stays empty.
void PutTarHeader(std::string& tar, const ArchiveMember& m) {
    constexpr std::uint64_t kTime = 1623753000;  // 2021-06-15 10:30:00 UTC
    std::array<char, 512> h{};
    std::memcpy(h.data(), m.name.data(), std::min<std::size_t>(m.name.size(), 99));
    PutOctal(&h[100], 8, 0644);  // mode
    PutOctal(&h[108], 8, 1000);  // uid
    PutOctal(&h[116], 8, 1000);  // gid
    PutOctal(&h[124], 12, m.body.size());
    PutOctal(&h[136], 12, kTime);
    std::memset(&h[148], ' ', 8);  // the checksum counts its own field as blanks
    h[156] = '0';                  // regular file
    std::memcpy(&h[257], "ustar", 6);
    std::memcpy(&h[263], "00", 2);
    std::memcpy(&h[265], "zb", 2);  // user name
    std::memcpy(&h[297], "zb", 2);  // group name
    PutOctal(&h[329], 8, 0);        // device major
    PutOctal(&h[337], 8, 0);        // device minor
    unsigned sum = 0;
    for (char c : h)
        sum += static_cast<unsigned char>(c);
    PutOctal(&h[148], 7, sum);  // six digits, NUL, and the last blank left in place
    tar.append(h.data(), h.size());
}

// A gzip-compressed ustar archive of `members`: each member's header, its
// bytes padded to 512, two zero blocks at the end, the whole padded to a
// 10 KB record as tar writes it.
bool WriteTarGz(const std::vector<ArchiveMember>& members, std::string& tar, std::string& out) {
    constexpr std::size_t kBlock = 512;
    constexpr std::size_t kRecord = 20 * kBlock;
    tar.clear();
    for (const ArchiveMember& m : members) {
        PutTarHeader(tar, m);
        tar += m.body;
        tar.append((kBlock - tar.size() % kBlock) % kBlock, '\0');
    }
    tar.append(2 * kBlock, '\0');
    tar.append((kRecord - tar.size() % kRecord) % kRecord, '\0');
    return Deflate(tar, MAX_WBITS + 16, out);
}

// Shared, read-only state of the writer threads plus the first error.
class TreeWriter {
public:
    TreeWriter(const Options& options, std::vector<Folder>& folders)
        : m_options(options),
          m_folders(folders),
          m_shape(options.archives > 0 ? kCorpusArchive : kTreeArchive) {
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
    // Buffers one writer thread reuses from file to file.
    struct Scratch {
        std::vector<iovec> iov;
        std::vector<ArchiveMember> members;
        std::string packed;   // one compressed ZIP member
        std::string tar;      // a TAR archive before gzip
        std::string archive;  // the archive file's bytes
    };

    void Work() {
        Stats local;
        Scratch scratch;
        for (;;) {
            const std::size_t i = m_next.fetch_add(1);
            if (i >= m_folders.size() || m_failed.load())
                break;
            if (!WriteFolder(i, local, scratch))
                break;
        }
        std::lock_guard lock(m_mutex);
        m_stats.Add(local);
    }

    bool FailWith(const std::string& message) {
        std::lock_guard lock(m_mutex);
        if (!m_failed.exchange(true))
            m_error = message;
        return false;
    }

    bool Fail(const std::string& what, const std::string& path) {
        return FailWith(what + " " + path + ": " + std::strerror(errno));
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

    // One archive named from `rng` with extension `ext`, members made as
    // m_shape says and counted into `archiveStats`, bytes from `pack`.
    template <typename Pack>
    bool WriteArchive(Rng& rng, int dirFd, const Folder& folder, std::string_view ext,
                      std::unordered_set<std::string>& taken, Stats& stats,
                      ArchiveStats& archiveStats, Scratch& scratch, Pack pack) {
        const std::string name = UniqueName(FileBaseName(rng), ext, taken);
        MakeMembers(rng, m_corpus, m_shape, archiveStats, scratch.members);
        if (!pack(scratch))
            return FailWith("cannot compress " + folder.path + "/" + name);
        scratch.iov.assign(1, iovec{scratch.archive.data(), scratch.archive.size()});
        ++stats.files;
        stats.bytes += scratch.archive.size();
        CountNameProbes(name, stats);
        return WriteFile(dirFd, folder, name, scratch.iov);
    }

    bool WriteFolder(std::size_t index, Stats& stats, Scratch& scratch) {
        const Folder& folder = m_folders[index];
        std::vector<iovec>& iov = scratch.iov;
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
                const unsigned mask = RollMarkers(rng, true);
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
        const auto packZip = [this](Scratch& s) {
            return WriteZip(s.members, m_shape.deflate, s.packed, s.archive);
        };
        const auto packTarGz = [](Scratch& s) { return WriteTarGz(s.members, s.tar, s.archive); };
        for (std::size_t z = 0; ok && z < folder.zips; ++z)
            ok =
                WriteArchive(rng, dirFd, folder, ".zip", taken, stats, stats.zip, scratch, packZip);
        for (std::size_t t = 0; ok && t < folder.tarGzs; ++t)
            ok = WriteArchive(rng, dirFd, folder, ".tar.gz", taken, stats, stats.tarGz, scratch,
                              packTarGz);
        close(dirFd);
        return ok;
    }

    const Options& m_options;
    const std::vector<Folder>& m_folders;
    const ArchiveShape m_shape;
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
// at least three) go to random folders. An archive corpus has only archives,
// its ZIP and TAR.GZ files in random folders.
void PlanFiles(const Options& options, Rng& rng, std::vector<Folder>& folders) {
    if (folders.empty())
        return;
    const bool corpus = options.archives > 0;
    const std::uint64_t zips =
        corpus ? options.archives
               : std::min<std::uint64_t>(options.files,
                                         std::max<std::uint64_t>(3, options.files / 10000));
    const std::uint64_t tarGzs = corpus ? options.archives : 0;
    const std::uint64_t plain = corpus ? 0 : options.files - zips;
    const std::size_t busy = (folders.size() + 19) / 20;
    for (std::uint64_t f = 0; f < plain; ++f) {
        const std::size_t i =
            rng.Below(10) < 7 ? rng.Below(folders.size()) : rng.Below(busy) * 20 % folders.size();
        ++folders[i].files;
    }
    for (std::uint64_t z = 0; z < zips; ++z)
        ++folders[rng.Below(folders.size())].zips;
    for (std::uint64_t t = 0; t < tarGzs; ++t)
        ++folders[rng.Below(folders.size())].tarGzs;
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
                 "       zb_make_tree <folder> --archives N [--folders M] [--seed S]\n"
                 "  defaults: 1000000 files in 50000 folders, seed 1\n"
                 "  --archives N writes N ZIP and N TAR.GZ files of text members instead,\n"
                 "  in %llu folders unless --folders\n"
                 "  <folder> must not exist or be empty\n",
                 static_cast<unsigned long long>(kArchiveFolders));
}

bool ParseArgs(int argc, char** argv, Options& options) {
    bool filesGiven = false;
    bool foldersGiven = false;
    bool archivesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::uint64_t* target = nullptr;
        if (arg == "--files") {
            target = &options.files;
            filesGiven = true;
        } else if (arg == "--folders") {
            target = &options.folders;
            foldersGiven = true;
        } else if (arg == "--seed") {
            target = &options.seed;
        } else if (arg == "--archives") {
            target = &options.archives;
            archivesGiven = true;
        }
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
    if (archivesGiven && options.archives == 0) {
        std::fprintf(stderr, "zb_make_tree: --archives needs at least 1\n");
        return false;
    }
    if (options.archives > 0) {
        if (filesGiven) {
            std::fprintf(stderr, "zb_make_tree: --archives writes only archives; drop --files\n");
            return false;
        }
        options.files = 0;
        if (!foldersGiven)
            options.folders = kArchiveFolders;
        if (options.folders == 0) {
            std::fprintf(stderr, "zb_make_tree: archives need at least one folder\n");
            return false;
        }
    }
    while (options.root.size() > 1 && options.root.back() == '/')
        options.root.pop_back();
    if (options.files > 0 && options.folders == 0) {
        std::fprintf(stderr, "zb_make_tree: files need at least one folder\n");
        return false;
    }
    return true;
}

// How many of the files counted in `masks` satisfy each query.
QueryCounts CountByQuery(const MaskCounts& masks) {
    QueryCounts counts{};
    for (std::size_t q = 0; q < kQueryCount; ++q)
        for (unsigned m = 0; m < kMaskCount; ++m)
            if (kQueries[q].holds(m))
                counts[q] += masks[m];
    return counts;
}

// One column of the expected-matches table: files of one kind by query.
struct Column {
    const char* title;
    QueryCounts counts;
};

void PrintExpected(std::initializer_list<Column> columns) {
    std::printf("  %-24s", "query");
    for (const Column& c : columns)
        std::printf(" %14s", c.title);
    std::printf("\n");
    for (std::size_t q = 0; q < kQueryCount; ++q) {
        std::printf("  %-24s", kQueries[q].text);
        for (const Column& c : columns)
            std::printf(" %14llu", static_cast<unsigned long long>(c.counts[q]));
        std::printf("\n");
    }
}

unsigned long long U(std::uint64_t v) {
    return static_cast<unsigned long long>(v);
}

double MiB(std::uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void PrintTreeReport(const Stats& stats) {
    std::printf("  files         %10llu\n", U(stats.files));
    std::printf("    text        %10llu   (4-64 KB of words)\n", U(stats.textFiles));
    std::printf("    empty       %10llu\n", U(stats.emptyFiles));
    std::printf("    tiny        %10llu   (1-64 bytes)\n", U(stats.tinyFiles));
    std::printf("    small       %10llu   (65 bytes-2 KB)\n", U(stats.smallFiles));
    std::printf("    zip         %10llu   (stored, %llu text members)\n", U(stats.zip.files),
                U(stats.zip.members));
    std::printf("  bytes         %10llu   (%.1f MiB)\n", U(stats.bytes), MiB(stats.bytes));
}

void PrintArchiveReport(const Stats& stats) {
    const std::uint64_t memberBytes = stats.zip.memberBytes + stats.tarGz.memberBytes;
    std::printf("  zip           %10llu   (deflated, %llu text members)\n", U(stats.zip.files),
                U(stats.zip.members));
    std::printf("  tar.gz        %10llu   (ustar in gzip, %llu text members)\n",
                U(stats.tarGz.files), U(stats.tarGz.members));
    std::printf("  member text   %10llu   (%.1f MiB, 4-64 KB a member)\n", U(memberBytes),
                MiB(memberBytes));
    std::printf("  bytes         %10llu   (%.1f MiB of archives)\n", U(stats.bytes),
                MiB(stats.bytes));
}

void PrintReport(const Options& options, const std::vector<Folder>& folders, const Stats& stats,
                 double seconds) {
    const bool corpus = options.archives > 0;
    std::array<std::uint64_t, kMaxDepth + 1> depths{};
    for (const Folder& f : folders)
        ++depths[f.depth];
    std::printf("zb_make_tree: %s (%sseed %llu)\n", options.root.c_str(),
                corpus ? "archive corpus, " : "", U(options.seed));
    std::printf("  folders       %10zu   by depth:", folders.size());
    for (int d = 1; d <= kMaxDepth; ++d)
        std::printf(" %d:%llu", d, U(depths[d]));
    std::printf("\n");
    if (corpus)
        PrintArchiveReport(stats);
    else
        PrintTreeReport(stats);
    std::printf("  time          %10.2f s\n", seconds);
    std::printf("Names (folders and files) holding a word, case ignored:\n");
    for (std::size_t i = 0; i < kNameProbes.size(); ++i)
        std::printf("  %-24s %10llu\n", std::string(kNameProbes[i]).c_str(),
                    U(stats.nameProbes[i]));
    std::printf("Expected matches (markers are lower case and stand as whole words):\n");
    if (corpus) {
        MaskCounts members = stats.zip.memberMasks;
        AddCounts(members, stats.tarGz.memberMasks);
        PrintExpected({{"zip files", stats.zip.matching},
                       {"zip members", CountByQuery(stats.zip.memberMasks)},
                       {"tar.gz files", stats.tarGz.matching},
                       {"tar.gz members", CountByQuery(stats.tarGz.memberMasks)},
                       {"all members", CountByQuery(members)}});
        std::printf(
            "Archive files: those with a matching member. The members are compressed, so a\n"
            "search that opens archives finds the members; grep without -z finds nothing\n"
            "but a short word that the compressed bytes spell by chance.\n");
    } else {
        PrintExpected({{"text files", CountByQuery(stats.textMasks)},
                       {"zip files", CountByQuery(stats.zip.masks)},
                       {"zip members", CountByQuery(stats.zip.memberMasks)}});
        std::printf(
            "ZIP members are stored, so grep -rl finds the text files and the ZIP files;\n"
            "the members only a search that opens archives finds.\n");
    }
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
