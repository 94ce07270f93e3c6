#include "tools/DupContent.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "readers/archives/SourceStream.h"

namespace {
constexpr std::size_t kReadChunk = 1 << 16;
}  // namespace

// One open candidate: a disk file or an archive member.
class CDupContentReader::Stream {
public:
    ~Stream() {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool Open(const CDupFileEntry& entry, CArchiveHandlerList& handlers) {
        if (!entry.archivePath.empty()) {
            if (handlers.empty())
                CreateArchiveHandlers(handlers);
            CArchiveHandler* handler = FindArchiveHandlerIn(entry.archivePath, handlers);
            return handler && m_member.OpenInArchive(handler, entry.path);
        }
        m_fd = ::open(entry.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return false;
        struct stat st {};
        // Still the file the walk found: replaced or changed files fail.
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) ||
            !(IdentityOf(st) == entry.identity) ||
            static_cast<std::uint64_t>(st.st_size) != entry.size)
            return false;
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return true;
    }

    // Reads until `count` bytes or the end; the bytes read, or -1.
    std::int64_t Read(unsigned char* buffer, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            std::int64_t n;
            if (m_fd >= 0) {
                n = ::read(m_fd, buffer + done, count - done);
                if (n < 0 && errno == EINTR)
                    continue;
            } else {
                n = m_member.Read(buffer + done, static_cast<int>(count - done));
            }
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return static_cast<std::int64_t>(done);
    }

private:
    int m_fd = -1;
    CSourceStream m_member;
};

CDupContentReader::CDupContentReader() : m_bufferA(kReadChunk), m_bufferB(kReadChunk) {}

CDupContentReader::~CDupContentReader() {
    DeleteArchiveHandlers(m_handlersA);
    DeleteArchiveHandlers(m_handlersB);
}

bool CDupContentReader::Hash(const CDupFileEntry& entry, std::uint64_t limit, XXH128_hash_t* hash) {
    Stream stream;
    if (!stream.Open(entry, m_handlersA))
        return false;
    XXH3_state_t* state = XXH3_createState();
    if (!state)
        return false;
    XXH3_128bits_reset(state);
    const std::uint64_t wanted = std::min(limit, entry.size);
    std::uint64_t done = 0;
    bool ok = true;
    while (done < wanted) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(kReadChunk, wanted - done));
        const std::int64_t n = stream.Read(m_bufferA.data(), chunk);
        if (n != static_cast<std::int64_t>(chunk)) {
            ok = false;
            break;
        }
        XXH3_128bits_update(state, m_bufferA.data(), chunk);
        done += chunk;
    }
    if (ok)
        *hash = XXH3_128bits_digest(state);
    XXH3_freeState(state);
    return ok;
}

bool CDupContentReader::Equal(const CDupFileEntry& a, const CDupFileEntry& b) {
    if (a.size != b.size)
        return false;
    Stream first;
    Stream second;
    if (!first.Open(a, m_handlersA) || !second.Open(b, m_handlersB))
        return false;
    std::uint64_t done = 0;
    for (;;) {
        const std::int64_t na = first.Read(m_bufferA.data(), kReadChunk);
        const std::int64_t nb = second.Read(m_bufferB.data(), kReadChunk);
        if (na < 0 || na != nb)
            return false;
        if (na == 0)
            return done == a.size;
        if (std::memcmp(m_bufferA.data(), m_bufferB.data(), static_cast<std::size_t>(na)) != 0)
            return false;
        done += static_cast<std::uint64_t>(na);
    }
}

void RunOnReadPool(std::size_t count, unsigned threads, const std::atomic<bool>& stop,
                   const std::function<void(std::size_t, CDupContentReader&)>& job) {
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        CDupContentReader reader;
        for (;;) {
            if (stop.load(std::memory_order_relaxed))
                return;
            const std::size_t i = next.fetch_add(1);
            if (i >= count)
                return;
            job(i, reader);
        }
    };
    const std::size_t workers = std::min<std::size_t>(std::max(threads, 1u), count);
    if (workers <= 1) {
        work();
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(workers);
    for (std::size_t i = 0; i < workers; ++i)
        pool.emplace_back(work);
    for (std::thread& thread : pool)
        thread.join();
}
