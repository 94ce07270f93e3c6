#pragma once
// Member bytes of a cabinet (or a set of cabinets) through libmspack's
// cabinet decompressor, the only part of libmspack it installs for callers.
// Its file access goes through our own system table: cabinets are read with
// positioned reads of regular files, and extract() writes the member through
// a CCabMemberChannel to the reader, block by block, nothing stored.
//
// extract() decodes a whole member in one call, so it runs on a worker
// thread of the extractor (started with the first member, ended with the
// extractor), and Read takes the bytes as the reader asks for them. One
// member is decoded at a time; starting the next settles the one before:
// - a member later in the same folder lets the previous decoding run on to
//   its end unseen, and libmspack goes on from there (it keeps a folder's
//   state between members), so a folder read in order decodes once;
// - any other member stops it (through an error of our write and read
//   callbacks) and decodes its own folder from the start.
// A decoding that did not end well leaves libmspack's folder state behind
// it unusable, so the decompressor is then made again and the set reopened
// before the next member.
//
// libmspack is called from one thread at a time: the worker while a member
// is decoded, the reader's thread otherwise (opening, joining cabinets,
// closing), each after the previous decoding has finished.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "readers/archives/ArchiveHandler.h"
#include "readers/archives/CabMemberChannel.h"

struct mscab_decompressor;
struct mscabd_cabinet;
struct mscabd_file;

class CCabExtractor {
public:
    // libmspack's system table with what our functions in it need.
    struct System;

    CCabExtractor();
    // Stops the member being decoded and ends the worker.
    ~CCabExtractor();
    CCabExtractor(const CCabExtractor&) = delete;
    CCabExtractor& operator=(const CCabExtractor&) = delete;

    // Opens the cabinet; false (Failure says why) when it cannot be read.
    bool Open(const std::string& path);
    // Joins the cabinet that continues the last one of the set; false when
    // it does not fit.
    bool Append(const std::string& path);
    // The name of the cabinet after the last one of the set; false when the
    // header names none.
    bool NextName(std::string* name) const;
    std::size_t CabinetCount() const { return m_cabinets.size(); }

    // Starts decoding the member named `name`, `length` bytes at `offset` of
    // its folder; `position` is its place in the first cabinet, which tells
    // it from another of the same name in a set. False (Failure says why)
    // when it cannot start.
    bool Start(std::size_t position, std::string_view name, std::uint32_t offset,
               std::uint32_t length);
    // Up to `count` bytes of the member started last, waiting for them;
    // fewer only when its decoding has ended (Failure then says whether it
    // ended well).
    std::size_t Read(void* buffer, std::size_t count);
    // Why the last Open, Start or member decoding failed: the cabinet could
    // not be read (CannotOpen), the decoder could not be set up
    // (DecoderFailed), or damaged data (BadArchive); None when it did not.
    ArchiveFailure Failure() const { return m_failure; }

private:
    // The member of the first cabinet's list that Start means; nullptr if none.
    mscabd_file* FindFile(std::size_t position, std::string_view name, std::uint32_t offset,
                          std::uint32_t length) const;
    // Settles the member being decoded before `next` is (nullptr: before
    // anything else is asked of libmspack); see the file comment.
    void Settle(const mscabd_file* next);
    // Makes the decompressor and opens the set again; false when the first
    // cabinet no longer opens.
    bool Reopen();
    // Opens the cabinet at `path` (a kept path) and adds it to the end of the
    // set, joined to the last one; false, with nothing added, when it does
    // not open or does not continue the set.
    bool JoinCabinet(const char* path);
    bool CreateDecompressor();
    void DestroyDecompressor();
    // A copy of the path that lives as long as the extractor: libmspack
    // keeps the name it was given and opens the cabinet again by it.
    const char* KeepPath(const std::string& path);
    ArchiveFailure FailureOf(int result) const;
    void Work();

    std::unique_ptr<System> m_pSystem;
    mscab_decompressor* m_pDecompressor = nullptr;
    std::vector<mscabd_cabinet*> m_cabinets;  // the set, in order
    std::vector<const char*> m_setPaths;      // their paths, in order
    std::vector<std::unique_ptr<std::string>> m_paths;
    ArchiveFailure m_failure = ArchiveFailure::None;

    CCabMemberChannel m_channel;
    const mscabd_file* m_pDecoding = nullptr;  // handed to the worker, not settled yet
    bool m_bReopen = false;                    // libmspack's state is unusable

    std::thread m_worker;
    std::mutex m_mutex;  // guards the two below
    std::condition_variable m_wake;
    mscabd_file* m_pJob = nullptr;  // the member the worker is to decode next
    bool m_bQuit = false;
};
