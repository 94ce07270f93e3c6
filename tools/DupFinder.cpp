#include "tools/DupFinder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/CTime.h"
#include "platform/DateUtils.h"
#include "platform/FileTime.h"
#include "platform/PathUtils.h"
#include "platform/StringTable.h"
#include "platform/TextCase.h"
#include "readers/archives/ArchiveHandler.h"
#include "tools/DupContent.h"
#include "tools/ToolRecords.h"
#include "tools/TrashFolders.h"

namespace {

constexpr std::uint64_t kFourGigabytes = 0x100000000ull;
constexpr auto kStatusInterval = std::chrono::milliseconds(50);

// Hash states of an entry during the content comparison.
enum class HashState : unsigned char { None, Done, Failed };

struct ContentHash {
    HashState state = HashState::None;
    XXH128_hash_t value{};
};

// Splits `items` into parts of equal `key`, each part in the items' order
// and the parts in the order of their first item. Items whose key is
// missing (nullopt) are dropped.
template <typename Key, typename KeyOf>
std::vector<CDupGroup> PartitionInOrder(const CDupGroup& items, KeyOf keyOf) {
    std::vector<CDupGroup> parts;
    std::map<Key, std::size_t> partOf;
    for (const std::size_t item : items) {
        const std::optional<Key> key = keyOf(item);
        if (!key)
            continue;
        const auto [at, added] = partOf.emplace(*key, parts.size());
        if (added)
            parts.emplace_back();
        parts[at->second].push_back(item);
    }
    return parts;
}

using HashKey = std::pair<std::uint64_t, std::uint64_t>;

std::optional<HashKey> KeyOfHash(const ContentHash& hash) {
    if (hash.state != HashState::Done)
        return std::nullopt;
    return HashKey{hash.value.high64, hash.value.low64};
}

std::string FormatUsed(std::int64_t seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "Used : %02d:%02d:%02d",
                  static_cast<int>((seconds / 3600) % 24), static_cast<int>((seconds / 60) % 60),
                  static_cast<int>(seconds % 60));
    return text;
}

}  // namespace

void CFindDupOptions::Reset() {
    m_bSearchCompressed = TRUE;
    m_bIncludeSubFolders = TRUE;
    m_nMinSize = 0;
    m_arrFolders.clear();
}

void ParseDupNamePatterns(const std::string& text, std::vector<CFileNamePattern>* patterns) {
    CSearchNameSpec spec(text);
    spec.Parse(*patterns);
    for (CFileNamePattern& pattern : *patterns) {
        pattern.m_sPattern = LowerCaseUtf8(pattern.m_sPattern);
        pattern.m_bWildcard = TRUE;
    }
}

// Collects the candidates of the walk.
class CDupFinder::Collector : public ITreeVisitor {
public:
    explicit Collector(CDupFinder& finder) : m_finder(finder), m_options(finder.m_options) {}
    ~Collector() override { DeleteArchiveHandlers(m_handlers); }

    bool OnEntry(const TreeEntry& entry) override {
        if (m_finder.m_stop.load(std::memory_order_relaxed))
            return false;
        if (!S_ISREG(entry.st.st_mode))
            return true;
        AddFile(entry);
        if (m_options.m_bSearchCompressed && m_options.m_bIncludeSubFolders)
            ScanArchive(entry);
        return true;
    }

    bool EnterFolder(const TreeEntry& entry) override {
        ShowFolder(entry.path);
        return true;
    }

    void ShowFolder(const std::string& path) {
        if (!m_finder.m_status)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastStatus < kStatusInterval)
            return;
        m_lastStatus = now;
        m_finder.m_status(FormatResourceString(IDS_SEARCHING_IN, path));
    }

private:
    bool NameMatches(const char* name) {
        if (m_options.m_arrPatterns.empty())
            return true;
        LowerCaseUtf8(name, m_lowered);
        return MatchNamePatterns(m_options.m_arrPatterns, m_lowered) != FALSE;
    }

    void AddFile(const TreeEntry& entry) {
        const std::string name(entry.name);
        if (!NameMatches(name.c_str()))
            return;
        const auto size = static_cast<std::uint64_t>(entry.st.st_size);
        // The minimum size is a 32-bit count: files of 4 GB and more always pass.
        if ((m_options.m_nRules & DUP_MATCH_SIZE) && size < kFourGigabytes &&
            size < m_options.m_nMinSize)
            return;
        if (!m_files.insert(IdentityOf(entry.st)).second)
            return;  // the same file reached again
        CDupFileEntry file;
        file.path = entry.path;
        file.name = name;
        file.size = size;
        file.lastWrite = TimespecToFileTimeClamped(entry.st.st_mtim);
        file.identity = IdentityOf(entry.st);
        m_finder.m_entries.push_back(std::move(file));
    }

    void ScanArchive(const TreeEntry& entry) {
        // Most files are no archives: their name says so before any reader is asked.
        if (entry.name.find('.') == std::string_view::npos ||
            !IsArchiveFileName(std::string(entry.name)))
            return;
        if (m_handlers.empty())
            CreateArchiveHandlers(m_handlers);
        CArchiveHandler* handler = FindArchiveHandlerIn(entry.path, m_handlers);
        if (!handler)
            return;
        for (int i = handler->FirstFile(); i != -1; i = handler->NextFile(i)) {
            CArchiveEntryInfo info;
            DWORD attributes = 0;
            // Regular files only, as on disk: a link or device member has no
            // contents of its own.
            if (!handler->GetFileInfo(i, &info) || info.m_nSize < 0 ||
                !handler->GetAttributes(i, &attributes) ||
                (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0)
                continue;
            const char* namePart = GetFileNamePart(info.m_strName.c_str());
            if (!NameMatches(namePart))
                continue;
            const auto size = static_cast<std::uint64_t>(info.m_nSize);
            if (size < m_options.m_nMinSize)
                continue;
            const FileIdentity archiveId = IdentityOf(entry.st);
            std::string memberKey = std::to_string(archiveId.device) + ":" +
                                    std::to_string(archiveId.inode) + ":" + info.m_strName;
            if (!m_members.insert(std::move(memberKey)).second)
                continue;
            CDupFileEntry member;
            member.path = info.m_strName;
            member.name = namePart;
            member.size = size;
            if (!LocalFileTimeToFileTime(&info.m_ftTime, &member.lastWrite))
                member.lastWrite = FILETIME{};
            member.archivePath = entry.path;
            member.identity = archiveId;
            m_finder.m_entries.push_back(std::move(member));
        }
        handler->Close();
    }

    CDupFinder& m_finder;
    const CFindDupOptions& m_options;
    CArchiveHandlerList m_handlers;
    FileIdentitySet m_files;
    std::unordered_set<std::string> m_members;
    std::string m_lowered;
    std::chrono::steady_clock::time_point m_lastStatus{};
};

CDupFinder::CDupFinder(CFindDupOptions options, const std::atomic<bool>& stop)
    : m_options(std::move(options)),
      m_stop(stop),
      m_nReadThreads(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)) {
    // The list the walk's archive test reads; made here, on the caller's thread.
    if (g_arrArchiveExtensions.empty())
        InitArchiveExtensions();
}

CDupFinder::~CDupFinder() = default;

std::size_t CDupFinder::GetGroupCount() const {
    std::size_t count = 0;
    for (const CDupSlot& slot : m_slots)
        count += slot.size();
    return count;
}

bool CDupFinder::Run() {
    const CTime start = CTime::GetCurrentTime();
    const auto started = std::chrono::steady_clock::now();
    LogPrintf(kToolLogRed, "Start : %s", FormatDateTime(start).c_str());
    m_entries.clear();
    m_slots.clear();
    Walk();
    Group();
    LogPrintf(kToolLogRed, "End : %s", FormatDateTime(CTime::GetCurrentTime()).c_str());
    const auto used = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started);
    LogPrintf(kToolLogBlue, "%s", FormatUsed(used.count()).c_str());
    return !m_stop.load();
}

void CDupFinder::Walk() {
    Collector collector(*this);
    CTreeWalk walk(&m_stop);
    walk.SetSubFolders(m_options.m_bIncludeSubFolders != FALSE);
    for (const std::string& trash : FindTrashFolders())
        walk.AddSkipFolder(trash);
    for (const std::string& folder : m_options.m_arrFolders) {
        if (m_stop.load())
            break;
        collector.ShowFolder(folder);
        if (walk.Walk(folder, collector) == CTreeWalk::WALK_UNREACHABLE)
            LogErrorLocation("FindDupFilesProcessDlg", 412);
    }
}

void CDupFinder::Group() {
    const int rules = m_options.m_nRules;
    // The key of every candidate, through a hash map; the keys sorted once.
    std::vector<CDupGroup> buckets;
    if (rules & DUP_MATCH_SIZE) {
        std::unordered_map<std::uint64_t, std::size_t> bucketOf;
        std::vector<std::uint64_t> keys;
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            const auto [at, added] = bucketOf.emplace(m_entries[i].size, buckets.size());
            if (added) {
                buckets.emplace_back();
                keys.push_back(m_entries[i].size);
            }
            buckets[at->second].push_back(i);
        }
        std::vector<std::size_t> order(buckets.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
        std::vector<CDupGroup> sorted;
        sorted.reserve(order.size());
        for (const std::size_t i : order)
            sorted.push_back(std::move(buckets[i]));
        buckets = std::move(sorted);
    } else {
        std::map<std::string, CDupGroup> byName;
        for (std::size_t i = 0; i < m_entries.size(); ++i)
            byName[LowerCaseUtf8(m_entries[i].name)].push_back(i);
        for (auto& [name, group] : byName)
            buckets.push_back(std::move(group));
    }

    // Within a key, the name and time rules split further.
    std::vector<CDupSlot> slots;
    for (const CDupGroup& bucket : buckets) {
        if (bucket.size() < 2)
            continue;
        CDupSlot slot;
        if (!(rules & DUP_MATCH_SIZE)) {
            slot.push_back(bucket);
        } else {
            using Key = std::pair<std::string, std::uint64_t>;
            slot = PartitionInOrder<Key>(bucket, [&](std::size_t i) -> std::optional<Key> {
                const CDupFileEntry& e = m_entries[i];
                return Key{(rules & DUP_MATCH_NAME) ? LowerCaseUtf8(e.name) : std::string(),
                           (rules & DUP_MATCH_TIME) ? e.lastWrite.Value() : 0};
            });
            std::erase_if(slot, [](const CDupGroup& g) { return g.size() < 2; });
        }
        if (!slot.empty())
            slots.push_back(std::move(slot));
    }

    if ((rules & DUP_MATCH_SIZE) && (rules & DUP_MATCH_CONTENT)) {
        // Every group's candidates are read together, so the pool stays busy.
        std::vector<CDupGroup> groups;
        for (const CDupSlot& slot : slots)
            groups.insert(groups.end(), slot.begin(), slot.end());
        std::vector<std::vector<CDupGroup>> parts = SplitByContent(groups);
        std::size_t next = 0;
        for (CDupSlot& slot : slots) {
            CDupSlot split;
            for (std::size_t i = 0; i < slot.size(); ++i, ++next) {
                for (CDupGroup& part : parts[next])
                    split.push_back(std::move(part));
            }
            // Groups of one key in the order their first file was found.
            std::sort(split.begin(), split.end(),
                      [](const CDupGroup& a, const CDupGroup& b) { return a.front() < b.front(); });
            slot = std::move(split);
        }
        std::erase_if(slots, [](const CDupSlot& slot) { return slot.empty(); });
    }
    m_slots = std::move(slots);
}

std::vector<std::vector<CDupGroup>> CDupFinder::SplitByContent(
    const std::vector<CDupGroup>& groups) {
    const auto hashAll = [&](const std::vector<std::size_t>& items, std::uint64_t limit,
                             std::vector<ContentHash>* hashes) {
        RunOnReadPool(items.size(), m_nReadThreads, m_stop,
                      [&](std::size_t i, CDupContentReader& reader) {
                          ContentHash& hash = (*hashes)[items[i]];
                          hash.state = reader.Hash(m_entries[items[i]], limit, &hash.value)
                                           ? HashState::Done
                                           : HashState::Failed;
                      });
    };
    const auto dropSingles = [](std::vector<CDupGroup>* parts) {
        std::erase_if(*parts, [](const CDupGroup& part) { return part.size() < 2; });
    };

    // Two files are compared byte by byte at once: hashing them first would
    // read both twice. Larger parts are split by hashes first, so that only
    // files with equal hashes are compared.
    const auto needsWholeHash = [&](const CDupGroup& part) {
        return part.size() > 2 && m_entries[part.front()].size > kDupFirstBlockBytes;
    };

    // The first block of every candidate.
    std::vector<ContentHash> first(m_entries.size());
    std::vector<std::size_t> items;
    for (const CDupGroup& group : groups)
        items.insert(items.end(), group.begin(), group.end());
    hashAll(items, kDupFirstBlockBytes, &first);

    // The whole file where the first block did not cover it.
    std::vector<std::vector<CDupGroup>> byFirst(groups.size());
    items.clear();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        byFirst[g] = PartitionInOrder<HashKey>(groups[g],
                                               [&](std::size_t i) { return KeyOfHash(first[i]); });
        dropSingles(&byFirst[g]);
        for (const CDupGroup& part : byFirst[g]) {
            if (needsWholeHash(part))
                items.insert(items.end(), part.begin(), part.end());
        }
    }
    std::vector<ContentHash> whole(m_entries.size());
    hashAll(items, ~std::uint64_t{0}, &whole);

    // Equal hashes: the bytes decide, one part per compare job.
    std::vector<CDupGroup> candidates;
    std::vector<std::size_t> groupOf;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (const CDupGroup& part : byFirst[g]) {
            std::vector<CDupGroup> split{part};
            if (needsWholeHash(part)) {
                split = PartitionInOrder<HashKey>(
                    part, [&](std::size_t i) { return KeyOfHash(whole[i]); });
                dropSingles(&split);
            }
            for (CDupGroup& candidate : split) {
                candidates.push_back(std::move(candidate));
                groupOf.push_back(g);
            }
        }
    }
    std::vector<std::vector<CDupGroup>> confirmed(candidates.size());
    RunOnReadPool(candidates.size(), m_nReadThreads, m_stop,
                  [&](std::size_t c, CDupContentReader& reader) {
                      CDupGroup rest = candidates[c];
                      while (rest.size() >= 2 && !m_stop.load(std::memory_order_relaxed)) {
                          CDupGroup same{rest.front()};
                          CDupGroup other;
                          const CDupFileEntry& head = m_entries[rest.front()];
                          for (std::size_t k = 1; k < rest.size(); ++k) {
                              if (reader.Equal(head, m_entries[rest[k]]))
                                  same.push_back(rest[k]);
                              else
                                  other.push_back(rest[k]);
                          }
                          if (same.size() >= 2)
                              confirmed[c].push_back(std::move(same));
                          rest = std::move(other);
                      }
                  });

    std::vector<std::vector<CDupGroup>> result(groups.size());
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        for (CDupGroup& part : confirmed[c])
            result[groupOf[c]].push_back(std::move(part));
    }
    return result;
}

bool CDupFinder::IsDuplicate(const CDupFileEntry& a, const CDupFileEntry& b) const {
    const int rules = m_options.m_nRules;
    if (a.size != b.size)
        return false;
    if ((rules & DUP_MATCH_NAME) && LowerCaseUtf8(a.name) != LowerCaseUtf8(b.name))
        return false;
    if ((rules & DUP_MATCH_TIME) && a.lastWrite.Value() != b.lastWrite.Value())
        return false;
    if (rules & DUP_MATCH_CONTENT) {
        CDupContentReader reader;
        return reader.Equal(a, b);
    }
    return true;
}
