#include "readers/archives/CabExtractor.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

namespace {

// The output name handed to extract(): our open() gives the channel for it.
constexpr char kChannelName[] = "\x01channel";
// The largest block libmspack may allocate (an LZX window is at most 2 MiB).
constexpr std::size_t kMaxAllocation = 64u << 20;

// What our open() returns: a cabinet file, or the channel.
struct Handle {
    CCabExtractor::System* system = nullptr;
    bool channel = false;
    int fd = -1;
    off_t position = 0;
};

Handle* HandleOf(mspack_file* file) {
    return reinterpret_cast<Handle*>(file);
}

}  // namespace

// libmspack's system table, with the channel that extract() writes into.
struct CCabExtractor::System {
    mspack_system table{};
    CCabMemberChannel* channel = nullptr;
    std::atomic<bool> ioError{false};  // a cabinet could not be read (not: was short)
};

namespace {

// Our functions are called from libmspack's C code: nothing may throw
// through it.
mspack_file* SystemOpen(mspack_system* self, const char* filename, int mode) noexcept {
    auto* system = reinterpret_cast<CCabExtractor::System*>(self);
    auto* handle = new (std::nothrow) Handle;
    if (handle == nullptr) {
        return nullptr;
    }
    handle->system = system;
    if (std::strcmp(filename, kChannelName) == 0) {
        if (mode != MSPACK_SYS_OPEN_WRITE) {
            delete handle;
            return nullptr;
        }
        handle->channel = true;
        return reinterpret_cast<mspack_file*>(handle);
    }
    struct stat st {};
    if (mode == MSPACK_SYS_OPEN_READ) {
        handle->fd = ::open(filename, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (handle->fd < 0 || ::fstat(handle->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (handle->fd >= 0) {
            ::close(handle->fd);
        }
        system->ioError = true;
        delete handle;
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(handle);
}

void SystemClose(mspack_file* file) noexcept {
    Handle* handle = HandleOf(file);
    if (handle->fd >= 0) {
        ::close(handle->fd);
    }
    delete handle;
}

int SystemRead(mspack_file* file, void* buffer, int bytes) noexcept {
    Handle* handle = HandleOf(file);
    // A stopped decoding ends at its next read too: while libmspack skips
    // to a member's offset it writes nothing.
    if (handle->fd < 0 || bytes < 0 || handle->system->channel->IsStopped()) {
        return -1;
    }
    int done = 0;
    while (done < bytes) {
        const ssize_t n = ::pread(handle->fd, static_cast<char*>(buffer) + done,
                                  static_cast<std::size_t>(bytes - done), handle->position);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            handle->system->ioError = true;
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<int>(n);
        handle->position += n;
    }
    return done;
}

int SystemWrite(mspack_file* file, void* buffer, int bytes) noexcept {
    Handle* handle = HandleOf(file);
    if (!handle->channel || bytes < 0 ||
        !handle->system->channel->Put(buffer, static_cast<std::size_t>(bytes))) {
        return -1;  // the reader stopped the decoding
    }
    return bytes;
}

int SystemSeek(mspack_file* file, off_t offset, int mode) noexcept {
    Handle* handle = HandleOf(file);
    if (handle->fd < 0) {
        return -1;
    }
    off_t base = 0;
    if (mode == MSPACK_SYS_SEEK_CUR) {
        base = handle->position;
    } else if (mode == MSPACK_SYS_SEEK_END) {
        struct stat st {};
        if (::fstat(handle->fd, &st) != 0) {
            return -1;
        }
        base = st.st_size;
    } else if (mode != MSPACK_SYS_SEEK_START) {
        return -1;
    }
    if (offset < -base) {
        return -1;
    }
    handle->position = base + offset;
    return 0;
}

off_t SystemTell(mspack_file* file) noexcept {
    return HandleOf(file)->position;
}

// Warnings of the library are not shown: a reader stays silent.
void SystemMessage(mspack_file*, const char*, ...) noexcept {}

void* SystemAlloc(mspack_system*, std::size_t bytes) noexcept {
    return bytes <= kMaxAllocation ? std::malloc(bytes) : nullptr;
}

void SystemFree(void* pointer) noexcept {
    std::free(pointer);
}

void SystemCopy(void* source, void* target, std::size_t bytes) noexcept {
    std::memcpy(target, source, bytes);
}

}  // namespace

CCabExtractor::CCabExtractor() : m_pSystem(std::make_unique<System>()) {
    mspack_system& table = m_pSystem->table;
    table.open = SystemOpen;
    table.close = SystemClose;
    table.read = SystemRead;
    table.write = SystemWrite;
    table.seek = SystemSeek;
    table.tell = SystemTell;
    table.message = SystemMessage;
    table.alloc = SystemAlloc;
    table.free = SystemFree;
    table.copy = SystemCopy;
    table.null_ptr = nullptr;
    m_pSystem->channel = &m_channel;
    CreateDecompressor();
}

CCabExtractor::~CCabExtractor() {
    Settle(nullptr);
    if (m_worker.joinable()) {
        {
            const std::lock_guard lock(m_mutex);
            m_bQuit = true;
        }
        m_wake.notify_all();
        m_worker.join();
    }
    DestroyDecompressor();
}

bool CCabExtractor::CreateDecompressor() {
    int selfTest = MSPACK_ERR_OK;
    MSPACK_SYS_SELFTEST(selfTest);
    if (selfTest != MSPACK_ERR_OK) {
        return false;
    }
    m_pDecompressor = mspack_create_cab_decompressor(&m_pSystem->table);
    if (m_pDecompressor == nullptr) {
        return false;
    }
    // A file entry libmspack finds bad is left out, not the whole cabinet:
    // the reader has refused such members already, and checks that each
    // member it reads comes out at its full size.
    m_pDecompressor->set_param(m_pDecompressor, MSCABD_PARAM_SALVAGE, 1);
    return true;
}

void CCabExtractor::DestroyDecompressor() {
    if (m_pDecompressor != nullptr) {
        // Closing one cabinet of a set closes all of them.
        if (!m_cabinets.empty()) {
            m_pDecompressor->close(m_pDecompressor, m_cabinets.front());
        }
        mspack_destroy_cab_decompressor(m_pDecompressor);
        m_pDecompressor = nullptr;
    }
    m_cabinets.clear();
    m_setPaths.clear();
}

const char* CCabExtractor::KeepPath(const std::string& path) {
    m_paths.push_back(std::make_unique<std::string>(path));
    return m_paths.back()->c_str();
}

bool CCabExtractor::Open(const std::string& path) {
    if (m_pDecompressor == nullptr) {
        m_failure = ArchiveFailure::DecoderFailed;
        return false;
    }
    if (!m_cabinets.empty()) {
        return false;
    }
    m_pSystem->ioError = false;
    if (!JoinCabinet(KeepPath(path))) {
        m_failure = m_pSystem->ioError ? ArchiveFailure::CannotOpen : ArchiveFailure::BadArchive;
        return false;
    }
    return true;
}

bool CCabExtractor::Append(const std::string& path) {
    Settle(nullptr);
    if ((m_bReopen && !Reopen()) || m_cabinets.empty()) {
        return false;
    }
    return JoinCabinet(KeepPath(path));
}

bool CCabExtractor::JoinCabinet(const char* path) {
    mscabd_cabinet* cabinet = m_pDecompressor->open(m_pDecompressor, path);
    if (cabinet == nullptr) {
        return false;
    }
    if (!m_cabinets.empty() &&
        m_pDecompressor->append(m_pDecompressor, m_cabinets.back(), cabinet) != MSPACK_ERR_OK) {
        m_pDecompressor->close(m_pDecompressor, cabinet);
        return false;
    }
    m_cabinets.push_back(cabinet);
    m_setPaths.push_back(path);
    return true;
}

bool CCabExtractor::NextName(std::string* name) const {
    if (m_cabinets.empty()) {
        return false;
    }
    const mscabd_cabinet* last = m_cabinets.back();
    if ((last->flags & MSCAB_HDR_NEXTCAB) == 0 || last->nextname == nullptr) {
        return false;
    }
    *name = last->nextname;
    return true;
}

bool CCabExtractor::Reopen() {
    const std::vector<const char*> paths = m_setPaths;
    DestroyDecompressor();
    if (!CreateDecompressor()) {
        m_failure = ArchiveFailure::DecoderFailed;
        return false;
    }
    m_pSystem->ioError = false;
    for (const char* path : paths) {
        if (!JoinCabinet(path)) {
            break;
        }
    }
    if (m_cabinets.empty()) {
        m_failure = m_pSystem->ioError ? ArchiveFailure::CannotOpen : ArchiveFailure::BadArchive;
        return false;
    }
    m_bReopen = false;
    return true;
}

mscabd_file* CCabExtractor::FindFile(std::size_t position, std::string_view name,
                                     std::uint32_t offset, std::uint32_t length) const {
    if (m_cabinets.empty()) {
        return nullptr;
    }
    const auto matches = [&](const mscabd_file* file) {
        return file->filename != nullptr && name == file->filename && file->offset == offset &&
               file->length == length;
    };
    // The member is normally at its own position in the list; a list that
    // libmspack built differently is searched.
    mscabd_file* found = nullptr;
    std::size_t k = 0;
    for (mscabd_file* file = m_cabinets.front()->files; file != nullptr; file = file->next, ++k) {
        if (matches(file) && (found == nullptr || k == position)) {
            found = file;
            if (k == position) {
                break;
            }
        }
    }
    return found;
}

void CCabExtractor::Settle(const mscabd_file* next) {
    if (m_pDecoding == nullptr) {
        return;
    }
    const std::uint64_t end = std::uint64_t{m_pDecoding->offset} + m_pDecoding->length;
    if (next != nullptr && next->folder == m_pDecoding->folder && next->offset >= end) {
        m_channel.Discard();
    } else {
        m_channel.Stop();
    }
    if (m_channel.WaitFinished() != MSPACK_ERR_OK) {
        m_bReopen = true;
    }
    m_pDecoding = nullptr;
    m_channel.Reset();
}

bool CCabExtractor::Start(std::size_t position, std::string_view name, std::uint32_t offset,
                          std::uint32_t length) {
    m_failure = ArchiveFailure::None;
    mscabd_file* file = FindFile(position, name, offset, length);
    Settle(file);
    if (m_bReopen) {
        if (!Reopen()) {
            return false;
        }
        file = FindFile(position, name, offset, length);
    }
    if (file == nullptr) {
        m_failure = ArchiveFailure::BadArchive;
        return false;
    }
    if (!m_worker.joinable()) {
        try {
            m_worker = std::thread(&CCabExtractor::Work, this);
        } catch (const std::system_error&) {
            m_failure = ArchiveFailure::DecoderFailed;
            return false;
        }
    }
    m_pSystem->ioError = false;
    m_pDecoding = file;
    {
        const std::lock_guard lock(m_mutex);
        m_pJob = file;
    }
    m_wake.notify_all();
    return true;
}

std::size_t CCabExtractor::Read(void* buffer, std::size_t count) {
    if (m_pDecoding == nullptr) {
        return 0;
    }
    const std::size_t got = m_channel.Take(buffer, count);
    if (got < count) {
        m_failure = FailureOf(m_channel.WaitFinished());  // it has finished
    }
    return got;
}

ArchiveFailure CCabExtractor::FailureOf(int result) const {
    if (result == MSPACK_ERR_OK) {
        return ArchiveFailure::None;
    }
    if (m_pSystem->ioError || result == MSPACK_ERR_OPEN) {
        return ArchiveFailure::CannotOpen;
    }
    return result == MSPACK_ERR_NOMEMORY ? ArchiveFailure::DecoderFailed
                                         : ArchiveFailure::BadArchive;
}

void CCabExtractor::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_pJob != nullptr || m_bQuit; });
        if (m_bQuit) {
            return;
        }
        mscabd_file* file = std::exchange(m_pJob, nullptr);
        lock.unlock();
        m_channel.Finish(m_pDecompressor->extract(m_pDecompressor, file, kChannelName));
        lock.lock();
    }
}
