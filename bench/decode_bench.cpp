// zb_decode_bench: reads every member of the given archives through the
// readers of the build, as the content search does (blocks of 64 KiB), and
// reports the bytes decoded, the time taken and the peak memory. With
// --write, each member is also written to a file of that folder, as the
// tools that unpack archives do.
//
//   zb_decode_bench [--write <folder>] <archive>...

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "readers/archives/ArchiveHandler.h"

int main(int argc, char** argv) {
    int first = 1;
    std::string folder;
    if (argc > 2 && std::strcmp(argv[1], "--write") == 0) {
        folder = argv[2];
        first = 3;
    }
    if (argc <= first) {
        std::fprintf(stderr, "usage: zb_decode_bench [--write <folder>] <archive>...\n");
        return 2;
    }
    CArchiveHandlerList handlers;
    CreateArchiveHandlers(handlers);
    std::vector<char> buffer(0x10000);
    long long bytes = 0;
    int members = 0;
    int failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int a = first; a < argc; ++a) {
        CArchiveHandler* handler = FindArchiveHandlerIn(argv[a], handlers);
        if (handler == nullptr) {
            std::fprintf(stderr, "zb_decode_bench: %s is no archive the readers open\n", argv[a]);
            ++failures;
            continue;
        }
        for (int i = handler->FirstFile(); i != -1; i = handler->NextFile(i)) {
            if (!handler->OpenEntry(i)) {
                ++failures;
                continue;
            }
            FILE* out = nullptr;
            if (!folder.empty()) {
                out = std::fopen((folder + "/" + std::to_string(members)).c_str(), "wb");
            }
            int n = 0;
            while ((n = handler->Read(i, buffer.data(), static_cast<int>(buffer.size()))) > 0) {
                bytes += n;
                if (out != nullptr) {
                    std::fwrite(buffer.data(), 1, static_cast<std::size_t>(n), out);
                }
            }
            if (out != nullptr) {
                std::fclose(out);
            }
            failures += n < 0;
            ++members;
            handler->CloseEntry(i);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr,
                 "members %d, failures %d\ndecoded %lld bytes in %.3f s (%.1f MB/s)\n"
                 "peak RSS %ld KB\n",
                 members, failures, bytes, seconds, bytes / 1e6 / (seconds > 0 ? seconds : 1),
                 usage.ru_maxrss);
    return failures == 0 ? 0 : 1;
}
