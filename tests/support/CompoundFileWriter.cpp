#include "support/CompoundFileWriter.h"

#include <algorithm>

namespace zbtest {

namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFEu;
constexpr std::uint32_t kFree = 0xFFFFFFFFu;
constexpr std::uint32_t kFatMark = 0xFFFFFFFDu;
constexpr std::uint32_t kListMark = 0xFFFFFFFCu;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

std::uint32_t SectorsFor(std::size_t bytes, std::uint32_t sectorSize) {
    return static_cast<std::uint32_t>((bytes + sectorSize - 1) / sectorSize);
}

void PutEntry(Bytes& out, const std::string& name, std::uint8_t type, std::uint32_t right,
              std::uint32_t child, std::uint32_t start, std::uint64_t size) {
    const std::size_t begin = out.size();
    Bytes utf16 = Utf16Le(name);
    utf16.resize(std::min<std::size_t>(utf16.size(), 62));
    PutBytes(out, utf16);
    out.resize(begin + 64, 0);
    PutLe16(out, name.empty() ? 0 : static_cast<std::uint32_t>(utf16.size() + 2));
    out.push_back(type);
    out.push_back(1);  // black
    PutLe32(out, kNone);
    PutLe32(out, right);
    PutLe32(out, child);
    out.resize(begin + 116, 0);
    PutLe32(out, start);
    PutLe64(out, size);
}

}  // namespace

Bytes WriteCompoundFile(const std::vector<CompoundStream>& streams, int majorVersion,
                        CompoundLayout* layout) {
    const std::uint32_t shift = majorVersion == 4 ? 12 : 9;
    const std::uint32_t sectorSize = 1u << shift;
    const std::uint32_t perSector = sectorSize / 4;

    // Mini stream contents and the regular streams' sector counts.
    Bytes mini;
    std::vector<std::uint32_t> starts;
    std::vector<std::uint32_t> regularCounts;
    for (const CompoundStream& stream : streams) {
        if (stream.data.size() < 4096) {
            starts.push_back(stream.data.empty() ? kEnd
                                                 : static_cast<std::uint32_t>(mini.size() / 64));
            PutBytes(mini, stream.data);
            PadTo(mini, 64);
            regularCounts.push_back(0);
        } else {
            starts.push_back(0);
            regularCounts.push_back(SectorsFor(stream.data.size(), sectorSize));
        }
    }
    const std::uint32_t miniSectors = static_cast<std::uint32_t>(mini.size() / 64);
    const std::uint32_t directorySectors = SectorsFor((streams.size() + 1) * 128, sectorSize);
    const std::uint32_t miniFatSectors = SectorsFor(miniSectors * 4, sectorSize);
    const std::uint32_t miniStreamSectors = SectorsFor(mini.size(), sectorSize);
    std::uint32_t dataSectors = directorySectors + miniFatSectors + miniStreamSectors;
    for (const std::uint32_t count : regularCounts) {
        dataSectors += count;
    }
    std::uint32_t fatCount = 1;
    std::uint32_t listCount = 0;
    while (true) {
        listCount = fatCount > 109 ? (fatCount - 109 + perSector - 2) / (perSector - 1) : 0;
        if (fatCount * perSector >= dataSectors + fatCount + listCount) {
            break;
        }
        ++fatCount;
    }
    const std::uint32_t total = dataSectors + fatCount + listCount;

    std::vector<std::uint32_t> fat(fatCount * perSector, kFree);
    std::uint32_t next = 0;
    std::vector<std::uint32_t> fatSectors;
    for (std::uint32_t i = 0; i < fatCount; ++i) {
        fatSectors.push_back(next);
        fat[next++] = kFatMark;
    }
    std::vector<std::uint32_t> listSectors;
    for (std::uint32_t i = 0; i < listCount; ++i) {
        listSectors.push_back(next);
        fat[next++] = kListMark;
    }
    const auto chain = [&](std::uint32_t count) {
        const std::uint32_t first = count == 0 ? kEnd : next;
        for (std::uint32_t i = 0; i < count; ++i, ++next) {
            fat[next] = i + 1 < count ? next + 1 : kEnd;
        }
        return first;
    };
    const std::uint32_t directoryStart = chain(directorySectors);
    const std::uint32_t miniFatStart = chain(miniFatSectors);
    const std::uint32_t miniStreamStart = chain(miniStreamSectors);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (regularCounts[i] != 0) {
            starts[i] = chain(regularCounts[i]);
        }
    }

    Bytes file(static_cast<std::size_t>(total + 1) * sectorSize, 0);
    Bytes header;
    PutBytes(header, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    header.resize(24, 0);
    PutLe16(header, 0x3E);
    PutLe16(header, static_cast<std::uint32_t>(majorVersion));
    PutLe16(header, 0xFFFE);
    PutLe16(header, shift);
    PutLe16(header, 6);
    header.resize(40, 0);
    PutLe32(header, majorVersion == 4 ? directorySectors : 0);
    PutLe32(header, fatCount);
    PutLe32(header, directoryStart);
    PutLe32(header, 0);
    PutLe32(header, 4096);
    PutLe32(header, miniFatStart);
    PutLe32(header, miniFatSectors);
    PutLe32(header, listCount == 0 ? kEnd : listSectors[0]);
    PutLe32(header, listCount);
    for (std::uint32_t i = 0; i < 109; ++i) {
        PutLe32(header, i < fatCount ? fatSectors[i] : kFree);
    }
    std::copy(header.begin(), header.end(), file.begin());
    const auto at = [&](std::uint32_t sector) {
        return (static_cast<std::size_t>(sector) + 1) * sectorSize;
    };

    // Chained list sectors: perSector - 1 entries, then the next list sector.
    std::uint32_t listed = 109;
    for (std::uint32_t i = 0; i < listCount; ++i) {
        for (std::uint32_t j = 0; j < perSector - 1; ++j, ++listed) {
            SetLe32(file, at(listSectors[i]) + j * 4,
                    listed < fatCount ? fatSectors[listed] : kFree);
        }
        SetLe32(file, at(listSectors[i]) + (perSector - 1) * 4,
                i + 1 < listCount ? listSectors[i + 1] : kEnd);
    }
    for (std::uint32_t i = 0; i < fat.size(); ++i) {
        SetLe32(file, at(fatSectors[i / perSector]) + (i % perSector) * 4, fat[i]);
    }
    Bytes directory;
    PutEntry(directory, "Root Entry", 5, kNone, streams.empty() ? kNone : 1,
             miniStreamSectors == 0 ? kEnd : miniStreamStart, mini.size());
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const std::uint32_t right =
            i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kNone;
        PutEntry(directory, streams[i].name, 2, right, kNone, starts[i], streams[i].data.size());
    }
    std::copy(directory.begin(), directory.end(),
              file.begin() + static_cast<std::ptrdiff_t>(at(directoryStart)));
    // The mini table: each stream's mini sectors chained in order, the rest free.
    for (std::uint32_t i = 0; i < miniFatSectors; ++i) {
        std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(at(miniFatStart + i)), sectorSize,
                    0xFF);
    }
    std::uint32_t miniIndex = 0;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (regularCounts[i] != 0 || streams[i].data.empty()) {
            continue;
        }
        const std::uint32_t count = SectorsFor(streams[i].data.size(), 64);
        for (std::uint32_t j = 0; j < count; ++j, ++miniIndex) {
            SetLe32(file,
                    at(miniFatStart + miniIndex * 4 / sectorSize) + (miniIndex * 4) % sectorSize,
                    j + 1 < count ? miniIndex + 1 : kEnd);
        }
    }
    std::copy(mini.begin(), mini.end(),
              file.begin() + static_cast<std::ptrdiff_t>(at(miniStreamStart)));
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (regularCounts[i] != 0) {
            std::copy(streams[i].data.begin(), streams[i].data.end(),
                      file.begin() + static_cast<std::ptrdiff_t>(at(starts[i])));
        }
    }
    // The last sector may end short, as real files do.
    if (!streams.empty() && regularCounts.back() != 0) {
        file.resize(at(starts.back()) + streams.back().data.size());
    }
    if (layout != nullptr) {
        layout->sectorSize = sectorSize;
        layout->fatSectors = fatSectors;
        layout->directorySector = directoryStart;
        layout->miniFatSector = miniFatStart;
        layout->streamStarts = starts;
    }
    return file;
}

PropertySpec PropI2(std::uint32_t id, std::uint16_t value) {
    Bytes bytes;
    PutLe32(bytes, 2);
    PutLe16(bytes, value);
    PutLe16(bytes, 0);
    return {id, bytes};
}

PropertySpec PropI4(std::uint32_t id, std::uint32_t value, std::uint32_t type) {
    Bytes bytes;
    PutLe32(bytes, type);
    PutLe32(bytes, value);
    return {id, bytes};
}

PropertySpec PropBool(std::uint32_t id, bool value) {
    Bytes bytes;
    PutLe32(bytes, 11);
    PutLe16(bytes, value ? 0xFFFF : 0);
    PutLe16(bytes, 0);
    return {id, bytes};
}

PropertySpec PropFiletime(std::uint32_t id, std::uint64_t value) {
    Bytes bytes;
    PutLe32(bytes, 64);
    PutLe64(bytes, value);
    return {id, bytes};
}

PropertySpec PropString(std::uint32_t id, const std::string& text, std::uint32_t type) {
    Bytes bytes;
    PutLe32(bytes, type);
    PutLe32(bytes, static_cast<std::uint32_t>(text.size() + 1));
    PutBytes(bytes, text);
    bytes.push_back(0);
    return {id, bytes};
}

PropertySpec PropClipboard(std::uint32_t id, const Bytes& data) {
    Bytes bytes;
    PutLe32(bytes, 71);
    PutLe32(bytes, static_cast<std::uint32_t>(data.size()));
    PutBytes(bytes, data);
    return {id, bytes};
}

PropertySpec PropRaw(std::uint32_t id, std::uint32_t type, const Bytes& rest) {
    Bytes bytes;
    PutLe32(bytes, type);
    PutBytes(bytes, rest);
    return {id, bytes};
}

Bytes WritePropertySet(const std::vector<std::vector<PropertySpec>>& sections) {
    Bytes out;
    PutLe16(out, 0xFFFE);
    PutLe16(out, 0);
    PutLe32(out, 0x00020005);
    out.resize(out.size() + 16, 0);
    PutLe32(out, static_cast<std::uint32_t>(sections.size()));
    const std::size_t listAt = out.size();
    out.resize(out.size() + 20 * sections.size(), 0);
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const std::size_t start = out.size();
        out[listAt + 20 * s] = static_cast<std::uint8_t>(0xE0 + s);  // format id, unchecked
        SetLe32(out, listAt + 20 * s + 16, static_cast<std::uint32_t>(start));
        Bytes section(8 + 8 * sections[s].size(), 0);
        Bytes values;
        for (std::size_t p = 0; p < sections[s].size(); ++p) {
            SetLe32(section, 8 + 8 * p, sections[s][p].id);
            SetLe32(section, 12 + 8 * p,
                    static_cast<std::uint32_t>(section.size() + values.size()));
            PutBytes(values, sections[s][p].value);
            PadTo(values, 4);
        }
        PutBytes(section, values);
        SetLe32(section, 0, static_cast<std::uint32_t>(section.size()));
        SetLe32(section, 4, static_cast<std::uint32_t>(sections[s].size()));
        PutBytes(out, section);
    }
    return out;
}

}  // namespace zbtest
