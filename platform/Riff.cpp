#include "platform/Riff.h"

#include <algorithm>

namespace zb {

bool RiffChunk::IsList() const {
    return id == FourCc("RIFF") || id == FourCc("LIST");
}

bool RiffReader::ReadChunkHeader(std::uint64_t offset, std::uint64_t parentEnd, RiffChunk& chunk) {
    std::uint8_t header[12];
    if (!RangeFits(offset, 8, parentEnd) || !m_source.ReadAt(offset, header, 8)) {
        return false;
    }
    chunk = RiffChunk();
    chunk.id = LoadLe32(header);
    chunk.size = LoadLe32(header + 4);
    chunk.offset = offset;
    chunk.parentEnd = parentEnd;
    if (chunk.IsList()) {
        // A list holds at least its type.
        if (chunk.size < 4 || !RangeFits(offset + 8, 4, parentEnd) ||
            !m_source.ReadAt(offset + 8, header + 8, 4)) {
            return false;
        }
        chunk.listType = LoadLe32(header + 8);
    }
    return true;
}

bool RiffReader::ReadForm(RiffChunk& form) {
    return ReadChunkHeader(0, m_source.Size(), form) && form.id == FourCc("RIFF");
}

bool RiffReader::ForEachChunk(const RiffChunk& list,
                              const std::function<bool(const RiffChunk&)>& visit) {
    const std::uint64_t end = list.End();
    std::uint64_t position = list.DataOffset() + 4;
    for (std::size_t step = 0; step < m_stepLimit; ++step) {
        if (position >= end) {
            return true;
        }
        RiffChunk chunk;
        if (!ReadChunkHeader(position, end, chunk)) {
            return false;
        }
        if (!visit(chunk)) {
            return true;
        }
        // The pad byte after an odd size may be missing at the very end.
        const std::uint64_t next = chunk.DeclaredEnd() + (chunk.size & 1);
        if (chunk.DeclaredEnd() > end) {
            return false;
        }
        position = next;
    }
    return false;
}

bool RiffReader::FindChunk(const RiffChunk& list, std::uint32_t id, std::uint32_t listType,
                           RiffChunk& found) {
    bool matched = false;
    ForEachChunk(list, [&](const RiffChunk& chunk) {
        if (chunk.id == id && (listType == 0 || chunk.listType == listType)) {
            found = chunk;
            matched = true;
            return false;
        }
        return true;
    });
    return matched;
}

bool RiffReader::ReadData(const RiffChunk& chunk, std::uint64_t maxSize,
                          std::vector<std::uint8_t>& out) {
    const std::uint64_t size = chunk.AvailableSize();
    if (size > maxSize) {
        out.clear();
        return false;
    }
    return m_source.ReadAt(chunk.DataOffset(), size, out);
}

}  // namespace zb
