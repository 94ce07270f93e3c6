#pragma once
// The input of a decoder: the whole file (or a caller's bytes) in memory, read
// forward only. Reading past the end throws code 11; every decoding that reads
// a source is also bound in time by it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ThumbGenerator/PLObject.h"
#include "platform/WinTypes.h"

// Receives the fraction of the source read so far.
class CProgressNotifier {
public:
    virtual ~CProgressNotifier() = default;
    virtual void OnProgress(double fraction) = 0;
};

class CImageSource : public CPLObject {
public:
    // Longest time one decoding may take.
    static constexpr std::chrono::seconds kTimeLimit{20};

    explicit CImageSource(CProgressNotifier* notifier = nullptr);

    // Keeps the name and size and starts the count of bytes read (and the clock).
    virtual void OpenBookkeeping(const std::string& name, std::size_t size);
    // Tells the notifier 1.0 and forgets the data.
    virtual void Close();
    // The next `count` bytes without moving on; null when fewer are left.
    virtual const BYTE* GetBufferPtr(std::size_t count) const;
    // The next `count` bytes, moving on past them; throws code 11 when fewer
    // are left.
    virtual const BYTE* ReadNBytes(std::size_t count);
    virtual const BYTE* GetCurrentPtr() const { return m_current; }
    // ReadNBytes for the image libraries' callbacks, which must not throw:
    // null when fewer bytes are left, and no time check.
    const BYTE* TakeBytes(std::size_t count) noexcept;

    // Throws code 11 unless at least `count` more bytes are left: a decoder's
    // check that the data can fill a picture before the picture is made.
    void RequireBytes(std::uint64_t count) const;
    // The same check for compressed data: throws code 11 unless the bytes
    // left, each giving at most `maxExpansion` bytes, can give `decodedBytes`.
    void RequireCompressedBytes(std::uint64_t decodedBytes, std::uint64_t maxExpansion) const;
    // Counts `count` more bytes read (the read pointer does not move): tells
    // the notifier at every 1024 bytes, throws code 11 past the end.
    void Advance(std::size_t count);
    // Throws code 6 when the decoding has run out of time.
    void CheckTimeBudget() const;
    bool IsPastDeadline() const;
    std::chrono::steady_clock::time_point Deadline() const { return m_deadline; }

    const std::string& GetName() const { return m_name; }
    CProgressNotifier* GetNotifier() const { return m_notifier; }
    std::size_t GetSize() const { return m_size; }
    std::size_t GetBytesRead() const { return m_bytesRead; }
    std::size_t GetBytesLeft() const { return m_size - m_bytesRead; }

protected:
    // Points the source at `size` bytes from `start`.
    void SetData(const BYTE* start, std::size_t size);

private:
    // Counts bytes read and tells the notifier at every 1024; true when a
    // multiple of 1024 was crossed.
    bool Count(std::size_t count) noexcept;

    CProgressNotifier* m_notifier;
    std::string m_name;
    std::size_t m_size = 0;
    std::size_t m_bytesRead = 0;
    const BYTE* m_start = nullptr;
    const BYTE* m_current = nullptr;
    std::chrono::steady_clock::time_point m_deadline;
};

// A file read whole into memory. (Not a mapping: a mapped file that another
// process truncates would fault on the next read.)
class CMappedFileSource : public CImageSource {
public:
    // Largest file a decoder reads.
    static constexpr std::int64_t kMaxFileSize = 256 * 1024 * 1024;

    using CImageSource::CImageSource;

    // 0, or the open failure: 3 the folder does not exist, 4 no such file or
    // another failure, 5 access denied, an empty file or one over the limit.
    int Open(const std::string& path);
    void Close() override;

private:
    std::vector<BYTE> m_data;
};

// A caller's bytes, which must outlive the source.
class CMemorySource : public CImageSource {
public:
    using CImageSource::CImageSource;

    void Open(const std::string& name, const BYTE* data, std::size_t size);
};
