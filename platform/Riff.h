#pragma once
// Walking the chunks of a RIFF file ("RIFF" form, "LIST" lists and plain
// chunks, each with a 32-bit little-endian size and a pad byte after an odd
// size).
//
// Sizes are unsigned and positions 64-bit: a chunk's size only ever moves the
// walk forward, and every step moves at least past the chunk's 8-byte header,
// so a walk ends. A walk stops at the end of its parent (the form's end is
// also cut at the end of the file) and after a step limit. A chunk whose data
// runs past its parent's end is still handed out, with its declared size, and
// ends the walk: the caller decides whether it can use the part that is there.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/ByteSource.h"

namespace zb {

struct RiffChunk {
    std::uint32_t id = 0;         // FourCc("LIST"), FourCc("fmt "), ...
    std::uint32_t size = 0;       // as declared
    std::uint64_t offset = 0;     // of the 8-byte header
    std::uint32_t listType = 0;   // for "RIFF" and "LIST": the four characters after the header
    std::uint64_t parentEnd = 0;  // where the enclosing form or list ends

    std::uint64_t DataOffset() const { return offset + 8; }
    // The end of the data as declared, and that end cut at the parent's end.
    std::uint64_t DeclaredEnd() const { return DataOffset() + size; }
    std::uint64_t End() const { return std::min(DeclaredEnd(), parentEnd); }
    bool IsList() const;
    // The data's size cut at the parent's end.
    std::uint64_t AvailableSize() const { return End() - std::min(End(), DataOffset()); }
};

class RiffReader {
public:
    static constexpr std::size_t kDefaultStepLimit = 1u << 16;

    // Reads from `source`, which the caller keeps alive. Reads go forward only
    // during a walk.
    explicit RiffReader(ByteSource& source, std::size_t stepLimit = kDefaultStepLimit)
        : m_source(source), m_stepLimit(stepLimit) {}

    // Reads the "RIFF" header at offset 0 into `form` (its end cut at the end
    // of the file); false when the file does not start with one.
    bool ReadForm(RiffChunk& form);

    // Hands `visit` each chunk inside `list` (a form or a list: the chunks
    // after its list type) in order, until `visit` returns false, the list
    // ends or the step limit is reached. False when the walk ended early: a
    // chunk did not fit, or the step limit was reached; true when it reached
    // the end of the list or `visit` stopped it.
    bool ForEachChunk(const RiffChunk& list, const std::function<bool(const RiffChunk&)>& visit);

    // The first chunk inside `list` whose id is `id` (and, for a list, whose
    // list type is `listType` when that is not 0).
    bool FindChunk(const RiffChunk& list, std::uint32_t id, std::uint32_t listType,
                   RiffChunk& found);

    // Reads the data of `chunk` that lies inside its parent, when that is at
    // most `maxSize` bytes.
    bool ReadData(const RiffChunk& chunk, std::uint64_t maxSize, std::vector<std::uint8_t>& out);

    ByteSource& Source() { return m_source; }

private:
    bool ReadChunkHeader(std::uint64_t offset, std::uint64_t parentEnd, RiffChunk& chunk);

    ByteSource& m_source;
    std::size_t m_stepLimit;
};

}  // namespace zb
