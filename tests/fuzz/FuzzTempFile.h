#pragma once
// The input of a fuzz target whose reader opens files by path: written to a
// temporary file, one per process and file extension, removed at exit.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace zbfuzz {

// $TMPDIR (or /tmp)/zb-fuzz-<pid><extension>.
inline const std::string& FuzzFilePath(const std::string& extension) {
    struct Files {
        ~Files() {
            for (const auto& [ext, path] : paths)
                ::unlink(path.c_str());
        }
        std::map<std::string, std::string> paths;
    };
    static Files files;
    std::string& path = files.paths[extension];
    if (path.empty()) {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/zb-fuzz-" +
               std::to_string(::getpid()) + extension;
    }
    return path;
}

inline bool WriteFuzzFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return done == size;
}

}  // namespace zbfuzz
