// zb_make_dup_tree: writes a deterministic tree for the duplicate finder's
// benchmark, with known duplicate groups and the files that must not be
// taken for duplicates:
//   - groups of 2 to 5 equal files, spread over folders;
//   - groups of 2 to 5 files of one size with different contents;
//   - pairs of files (8 KB to 256 KB) that differ only in their last byte;
//   - files with a hard link beside them, and symbolic links to files;
//   - the rest unique files of 64 bytes to 32 KB.
// Every file starts with its own serial number, so no two files are equal by
// chance. Prints the expected number of duplicate groups and files.
//
//   zb_make_dup_tree <folder> [--files N] [--seed S]

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    std::uint64_t Between(std::uint64_t low, std::uint64_t high) {
        return low + Next() % (high - low + 1);
    }

private:
    std::uint64_t m_state;
};

struct Tree {
    std::string root;
    std::vector<std::string> folders;
    std::size_t next = 0;
    std::uint64_t serial = 0;
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;

    // The next path, folders taken in turn so copies land in different folders.
    std::string NextPath(const char* kind) {
        const std::string& folder = folders[next++ % folders.size()];
        return folder + "/" + kind + "_" + std::to_string(files + 1) + ".bin";
    }
};

// `size` bytes: the serial, then bytes from the generator.
std::string Contents(std::uint64_t serial, std::size_t size, Random& random) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t value = i == 0 ? serial : random.Next();
        std::memcpy(&data[i], &value, std::min<std::size_t>(8, size - i));
    }
    return data;
}

void Write(Tree& tree, const std::string& path, const std::string& data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
        std::perror(path.c_str());
        std::exit(1);
    }
    ::close(fd);
    ++tree.files;
    tree.bytes += data.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder> [--files N] [--seed S]\n", argv[0]);
        return 2;
    }
    Tree tree;
    tree.root = argv[1];
    std::uint64_t target = 100000;
    std::uint64_t seed = 1;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--files") == 0)
            target = std::strtoull(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = std::strtoull(argv[i + 1], nullptr, 10);
    }
    if (::mkdir(tree.root.c_str(), 0755) != 0) {
        std::perror(tree.root.c_str());
        return 1;
    }
    // Two levels of folders, about a hundred files in each.
    const std::uint64_t folderCount = std::max<std::uint64_t>(1, target / 100);
    for (std::uint64_t i = 0; i < folderCount; ++i) {
        const std::string top = tree.root + "/d" + std::to_string(i % 32);
        ::mkdir(top.c_str(), 0755);
        const std::string folder = top + "/e" + std::to_string(i);
        ::mkdir(folder.c_str(), 0755);
        tree.folders.push_back(folder);
    }

    Random random(seed);
    std::uint64_t groups = 0;
    std::uint64_t groupFiles = 0;
    std::uint64_t links = 0;
    // Equal files: 8 % of the files.
    while (tree.files < target * 8 / 100) {
        const std::string data = Contents(++tree.serial, random.Between(64, 65536), random);
        const std::uint64_t copies = random.Between(2, 5);
        for (std::uint64_t c = 0; c < copies; ++c)
            Write(tree, tree.NextPath("equal"), data);
        ++groups;
        groupFiles += copies;
    }
    // Same size, different contents: 8 %.
    while (tree.files < target * 16 / 100) {
        const std::size_t size = random.Between(64, 65536);
        const std::uint64_t count = random.Between(2, 5);
        for (std::uint64_t c = 0; c < count; ++c)
            Write(tree, tree.NextPath("samesize"), Contents(++tree.serial, size, random));
    }
    // Different only in the last byte: 2 %.
    while (tree.files < target * 18 / 100) {
        std::string data = Contents(++tree.serial, random.Between(8192, 262144), random);
        Write(tree, tree.NextPath("lastbyte"), data);
        data.back() = static_cast<char>(data.back() ^ 0x5A);
        Write(tree, tree.NextPath("lastbyte"), data);
    }
    // Hard links and symbolic links to unique files: 1 % each.
    while (tree.files < target * 20 / 100) {
        const std::string path = tree.NextPath("linked");
        Write(tree, path, Contents(++tree.serial, random.Between(64, 32768), random));
        const bool hard = (links++ % 2) == 0;
        const std::string link = tree.NextPath(hard ? "hardlink" : "symlink");
        if (hard ? ::link(path.c_str(), link.c_str()) != 0
                 : ::symlink(path.c_str(), link.c_str()) != 0) {
            std::perror(link.c_str());
            return 1;
        }
        ++tree.files;
    }
    // Unique files.
    while (tree.files < target)
        Write(tree, tree.NextPath("unique"),
              Contents(++tree.serial, random.Between(64, 32768), random));

    std::printf("zb_make_dup_tree: %s (seed %llu)\n", tree.root.c_str(),
                static_cast<unsigned long long>(seed));
    std::printf("  entries            %llu (in %llu folders, %llu MiB of data)\n",
                static_cast<unsigned long long>(tree.files),
                static_cast<unsigned long long>(folderCount),
                static_cast<unsigned long long>(tree.bytes >> 20));
    std::printf("  hard and symbolic links  %llu (never duplicates)\n",
                static_cast<unsigned long long>(links));
    std::printf("Expected: %llu duplicate groups of %llu files\n",
                static_cast<unsigned long long>(groups),
                static_cast<unsigned long long>(groupFiles));
    return 0;
}
