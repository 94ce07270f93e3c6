#include "readers/archives/CabExtractor.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// The output name handed to extract(): our open() gives the spool for it.
constexpr char kSpoolName[] = "\x01spool";
// The largest block libmspack may allocate (an LZX window is at most 2 MiB).
constexpr std::size_t kMaxAllocation = 64u << 20;

// What our open() returns: a cabinet file, or the spool.
struct Handle {
    CCabSpool* spool = nullptr;
    int fd = -1;
    off_t position = 0;
};

Handle* HandleOf(mspack_file* file) {
    return reinterpret_cast<Handle*>(file);
}

}  // namespace

// libmspack's system table, with the spool that extract() writes into.
struct CCabExtractor::System {
    mspack_system table{};
    CCabSpool* spool = nullptr;
};

namespace {

mspack_file* SystemOpen(mspack_system* self, const char* filename, int mode) {
    auto* system = reinterpret_cast<CCabExtractor::System*>(self);
    auto* handle = new Handle;
    if (std::strcmp(filename, kSpoolName) == 0) {
        if (mode != MSPACK_SYS_OPEN_WRITE || system->spool == nullptr) {
            delete handle;
            return nullptr;
        }
        handle->spool = system->spool;
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
        delete handle;
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(handle);
}

void SystemClose(mspack_file* file) {
    Handle* handle = HandleOf(file);
    if (handle->fd >= 0) {
        ::close(handle->fd);
    }
    delete handle;
}

int SystemRead(mspack_file* file, void* buffer, int bytes) {
    Handle* handle = HandleOf(file);
    if (handle->fd < 0 || bytes < 0) {
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

int SystemWrite(mspack_file* file, void* buffer, int bytes) {
    Handle* handle = HandleOf(file);
    if (handle->spool == nullptr || bytes < 0 ||
        !handle->spool->Write(buffer, static_cast<std::size_t>(bytes))) {
        return -1;
    }
    return bytes;
}

int SystemSeek(mspack_file* file, off_t offset, int mode) {
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

off_t SystemTell(mspack_file* file) {
    return HandleOf(file)->position;
}

// Warnings of the library are not shown: a reader stays silent.
void SystemMessage(mspack_file*, const char*, ...) {}

void* SystemAlloc(mspack_system*, std::size_t bytes) {
    return bytes <= kMaxAllocation ? std::malloc(bytes) : nullptr;
}

void SystemFree(void* pointer) {
    std::free(pointer);
}

void SystemCopy(void* source, void* target, std::size_t bytes) {
    std::memcpy(target, source, bytes);
}

}  // namespace

CCabExtractor::CCabExtractor() : m_pSystem(new System) {
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
    int selfTest = MSPACK_ERR_OK;
    MSPACK_SYS_SELFTEST(selfTest);
    if (selfTest == MSPACK_ERR_OK) {
        m_pDecompressor = mspack_create_cab_decompressor(&table);
    }
    if (m_pDecompressor != nullptr) {
        // A file entry libmspack finds bad is left out, not the whole
        // cabinet: the reader has refused such members already, and checks
        // that each member it reads comes out at its full size.
        m_pDecompressor->set_param(m_pDecompressor, MSCABD_PARAM_SALVAGE, 1);
    }
}

CCabExtractor::~CCabExtractor() {
    if (m_pDecompressor != nullptr) {
        // Closing one cabinet of a set closes all of them.
        if (!m_cabinets.empty()) {
            m_pDecompressor->close(m_pDecompressor, m_cabinets.front());
        }
        mspack_destroy_cab_decompressor(m_pDecompressor);
    }
    delete m_pSystem;
}

bool CCabExtractor::Open(const std::string& path) {
    if (m_pDecompressor == nullptr || !m_cabinets.empty()) {
        return false;
    }
    mscabd_cabinet* cabinet = m_pDecompressor->open(m_pDecompressor, KeepPath(path));
    if (cabinet == nullptr) {
        return false;
    }
    m_cabinets.push_back(cabinet);
    return true;
}

const char* CCabExtractor::KeepPath(const std::string& path) {
    m_paths.push_back(std::make_unique<std::string>(path));
    return m_paths.back()->c_str();
}

bool CCabExtractor::Append(const std::string& path) {
    if (m_cabinets.empty()) {
        return false;
    }
    mscabd_cabinet* cabinet = m_pDecompressor->open(m_pDecompressor, KeepPath(path));
    if (cabinet == nullptr) {
        return false;
    }
    if (m_pDecompressor->append(m_pDecompressor, m_cabinets.back(), cabinet) != MSPACK_ERR_OK) {
        m_pDecompressor->close(m_pDecompressor, cabinet);
        return false;
    }
    m_cabinets.push_back(cabinet);
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

bool CCabExtractor::Extract(std::size_t position, std::string_view name, std::uint32_t offset,
                            std::uint32_t length, CCabSpool& spool) {
    if (m_cabinets.empty()) {
        return false;
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
    if (found == nullptr) {
        return false;
    }
    spool.Reset();
    m_pSystem->spool = &spool;
    const int result = m_pDecompressor->extract(m_pDecompressor, found, kSpoolName);
    m_pSystem->spool = nullptr;
    return result == MSPACK_ERR_OK;
}
