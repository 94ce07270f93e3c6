#include "app/engine/ContentSearch.h"

#include <cstring>
#include <vector>

#include "readers/archives/SourceStream.h"

namespace {

constexpr std::size_t kBlockSize = 0x10000;
// Besides the longest term, the overlap between blocks holds the character on
// each side of a match: at most one 16-bit unit (two bytes) before and after.
constexpr std::size_t kMatchContext = 4;

enum class ScanEnd {
    Finished,  // every block was evaluated up to the end of the stream
    Decided,   // the evaluation asked to stop reading
    Stopped,   // the stop flag was set
    Failed,    // a read failed
};

// Reads the stream in blocks of up to 64 KB behind the overlap that the last
// block left and hands each block to `evaluate` (block, length, edges), which
// returns false once it needs no more. One buffer per thread serves every
// file; it only grows when a longer term asks for a longer overlap.
template <class Evaluate>
ScanEnd ScanBlocks(CSourceStream& stream, std::size_t longestTerm, const std::atomic<bool>& stop,
                   Evaluate&& evaluate) {
    const std::size_t overlap = longestTerm + kMatchContext;
    thread_local std::vector<BYTE> buffer;
    if (buffer.size() < overlap + kBlockSize)
        buffer.resize(overlap + kBlockSize);
    BYTE* const data = buffer.data();
    std::size_t carried = 0;
    bool first = true;
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return ScanEnd::Stopped;
        // A short read is not the end of the stream (only a read of 0 is),
        // unless the stream says its reads already go on until the end.
        std::size_t got = 0;
        bool end = false;
        while (got < kBlockSize) {
            const int want = static_cast<int>(kBlockSize - got);
            const int read = stream.Read(data + carried + got, want);
            if (read < 0 || read > want) {
                // The bytes read before the failure (a member cut short) are
                // searched too, as the last there are, with the overlap the
                // last block left (its end is the text's end now, even when
                // the failure came before any new byte); the scan still
                // fails unless they decide.
                if (carried + got > 0 &&
                    !evaluate(data, carried + got, CIncludeBlockEdges{first ? TRUE : FALSE, TRUE}))
                    return ScanEnd::Decided;
                return ScanEnd::Failed;
            }
            if (read == 0) {
                end = true;
                break;
            }
            got += static_cast<std::size_t>(read);
            if (read < want && stream.IsShortReadEnd()) {
                end = true;
                break;
            }
        }
        const std::size_t length = carried + got;
        const CIncludeBlockEdges edges{first ? TRUE : FALSE, end ? TRUE : FALSE};
        if (length > 0 && !evaluate(data, length, edges))
            return ScanEnd::Decided;
        if (end)
            return ScanEnd::Finished;
        // A block that is not the last is full, so it is longer than the overlap.
        std::memmove(data, data + length - overlap, overlap);
        carried = overlap;
        first = false;
    }
}

}  // namespace

BOOL SearchFileContent(CIncludeExprNodeArray& nodes, CSourceStream& stream,
                       const std::atomic<bool>& stop) {
    if (!stream.IsOpen())
        return FALSE;
    ResetIncludeStates(nodes);
    if (nodes.empty())
        return TRUE;
    int root = INCLUDE_STATE_UNDECIDED;
    const ScanEnd end =
        ScanBlocks(stream, GetLongestIncludeTerm(nodes), stop,
                   [&](const BYTE* block, std::size_t length, CIncludeBlockEdges edges) {
                       root = EvalIncludeBlock(nodes, block, length, INCLUDE_PASS_EITHER, edges);
                       return root == INCLUDE_STATE_UNDECIDED;
                   });
    switch (end) {
        case ScanEnd::Decided:
            return root == INCLUDE_STATE_TRUE ? TRUE : FALSE;
        case ScanEnd::Finished:
            return EvalIncludeFinal(nodes) == INCLUDE_STATE_TRUE ? TRUE : FALSE;
        default:
            return FALSE;
    }
}
