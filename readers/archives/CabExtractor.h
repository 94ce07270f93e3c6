#pragma once
// Member bytes of a cabinet (or a set of cabinets) through libmspack's
// cabinet decompressor, the only part of libmspack it installs for callers.
// Its file access goes through our own system table: cabinets are read with
// positioned reads of regular files, and the decoded member is written into
// a spool that the reader then serves. libmspack keeps a folder's decoding
// state between members, so members of one folder extracted in order decode
// the folder once; an earlier member restarts it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "readers/archives/CabSpool.h"

struct mscab_decompressor;
struct mscabd_cabinet;

class CCabExtractor {
public:
    // libmspack's system table with what our functions in it need.
    struct System;

    CCabExtractor();
    ~CCabExtractor();
    CCabExtractor(const CCabExtractor&) = delete;
    CCabExtractor& operator=(const CCabExtractor&) = delete;

    // Opens the cabinet; false when it cannot be read.
    bool Open(const std::string& path);
    // Joins the cabinet that continues the last one of the set; false when
    // it does not fit.
    bool Append(const std::string& path);
    // The name of the cabinet after the last one of the set; false when the
    // header names none.
    bool NextName(std::string* name) const;
    std::size_t CabinetCount() const { return m_cabinets.size(); }

    // Decodes the member named `name`, `length` bytes at `offset` of its
    // folder, into the spool; `position` is its place in the first cabinet,
    // which tells it from another of the same name in a set. False on any
    // failure (the spool then holds what was decoded).
    bool Extract(std::size_t position, std::string_view name, std::uint32_t offset,
                 std::uint32_t length, CCabSpool& spool);

private:
    // A copy of the path that lives as long as the extractor: libmspack
    // keeps the name it was given and opens the cabinet again by it.
    const char* KeepPath(const std::string& path);

    System* m_pSystem;
    mscab_decompressor* m_pDecompressor = nullptr;
    std::vector<mscabd_cabinet*> m_cabinets;  // the set, in order
    std::vector<std::unique_ptr<std::string>> m_paths;
};
