#pragma once
// Conversions of FILETIME (100-nanosecond intervals since 1 January 1601 UTC)
// to and from POSIX times, calendar records, DOS date/time words and local
// time. Every conversion checks its range and returns FALSE instead of
// wrapping; the output is left untouched on failure.

#include <ctime>

#include "platform/CTime.h"
#include "platform/WinTypes.h"

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ull;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ull;

// FILETIME <-> timespec. A timespec before 1601, past the FILETIME range or
// with tv_nsec outside 0..999999999 fails; nanoseconds are truncated to 100 ns.
BOOL TimespecToFileTime(const timespec& ts, FILETIME* fileTime);
timespec FileTimeToTimespec(const FILETIME& fileTime);
// As TimespecToFileTime, but a time out of range becomes the nearest
// representable FILETIME and a bad tv_nsec counts as 0. For file times read
// from disk, where a value must always be shown.
FILETIME TimespecToFileTimeClamped(const timespec& ts);

// The current time, UTC.
void GetSystemTimeAsFileTime(FILETIME* fileTime);

// UTC <-> local time, using the offset (daylight saving included) that the
// local time zone has on that very date.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime);
// Seconds since 1970 UTC as a local-time FILETIME, the form archive members
// carry: a time out of range becomes the nearest one (as
// TimespecToFileTimeClamped), one the zone cannot convert is 0.
FILETIME UnixTimeToLocalFileTime(std::int64_t seconds);

// FILETIME <-> calendar fields, without any time-zone conversion. Years
// after 30827 are refused, as are calendar records with a field out of its
// range (wDayOfWeek is ignored on input and
// filled on output).
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);

// DOS date (bits 9-15 year - 1980, 5-8 month, 0-4 day) and time (bits 11-15
// hour, 5-10 minute, 0-4 second / 2). The FILETIME is in whatever zone the
// DOS fields are (archives store local time). Fields out of range and years
// outside 1980..2107 fail; odd seconds are rounded down.
BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime);
BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* dosDate, WORD* dosTime);

// -1 when the first is earlier, 0 when equal, 1 when later.
LONG CompareFileTime(const FILETIME* first, const FILETIME* second);

// CTime (whole seconds since 1970 UTC) <-> FILETIME. The CTime form drops the
// fraction of a second (rounding towards the past); times before 1601 or
// past the FILETIME range fail.
BOOL CTimeToFileTime(const CTime& time, FILETIME* fileTime);
CTime FileTimeToCTime(const FILETIME& fileTime);
