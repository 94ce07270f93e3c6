#include "platform/ByteSource.h"

#include <cstring>
#include <limits>

namespace zb {

bool ByteSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (!RangeFits(offset, count, Size())) {
        return false;
    }
    return count == 0 || ReadInside(offset, buffer, count);
}

bool ByteSource::ReadAt(std::uint64_t offset, std::uint64_t count, std::vector<std::uint8_t>& out) {
    if (!RangeFits(offset, count, Size()) || count > std::numeric_limits<std::size_t>::max()) {
        return false;
    }
    out.resize(static_cast<std::size_t>(count));
    if (!ReadAt(offset, out.data(), out.size())) {
        out.clear();
        return false;
    }
    return true;
}

bool ByteSource::Le16At(std::uint64_t offset, std::uint16_t& value) {
    std::uint8_t bytes[2];
    if (!ReadAt(offset, bytes, sizeof bytes)) {
        return false;
    }
    value = LoadLe16(bytes);
    return true;
}

bool ByteSource::Le32At(std::uint64_t offset, std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (!ReadAt(offset, bytes, sizeof bytes)) {
        return false;
    }
    value = LoadLe32(bytes);
    return true;
}

bool FileSource::Open(const std::string& path) {
    m_size = 0;
    if (!m_file.Open(path)) {
        return false;
    }
    const std::int64_t size = m_file.GetLength();
    if (size < 0) {
        m_file.Close();
        return false;
    }
    m_size = static_cast<std::uint64_t>(size);
    return true;
}

bool FileSource::ReadInside(std::uint64_t offset, void* buffer, std::size_t count) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return false;
    }
    return ReadRetrying(m_file.Fd(), buffer, count, static_cast<std::int64_t>(offset)) ==
           static_cast<std::int64_t>(count);
}

bool MemorySource::ReadInside(std::uint64_t offset, void* buffer, std::size_t count) {
    std::memcpy(buffer, m_bytes.data() + offset, count);
    return true;
}

std::unique_ptr<ByteSource> OpenFileSource(const std::string& path) {
    auto source = std::make_unique<FileSource>();
    if (!source->Open(path)) {
        return nullptr;
    }
    return source;
}

}  // namespace zb
