#pragma once
// The criteria of one search: the file-name text and the place to look, the
// general switches, the contained-text condition and the size, time-of-day and
// date conditions. Plain value objects: the main window's current search, every
// recent search and every macro hold their own copy, and the option pages fill
// themselves from one and back.
//
// Serialisation writes no class tags: CSearchData::Serialize calls the six parts
// in member order, and each part writes its fields as 32-bit words (flags,
// numbers, times as seconds since 1970) and length-prefixed strings. Fields
// added by later program versions are read only from data files of at least
// that version (see DataFileVersion.h); fields not read keep their values.

#include <cstdint>
#include <string>

#include "platform/Archive.h"
#include "platform/CTime.h"
#include "platform/WinTypes.h"

// The file-name text, the place to look and whether the advanced criteria apply.
class CFindMainData {
public:
    // Empty strings and no advanced criteria.
    void Reset();
    void Copy(const CFindMainData& other) { *this = other; }
    void Serialize(CArchive& ar);
    friend bool operator==(const CFindMainData&, const CFindMainData&) = default;

    std::string m_sFindString;    // the file-name patterns as typed
    std::string m_sFindRootPath;  // the folder or archive to search
    BOOL m_bAdvanceOption = FALSE;
};

// The general switches of the walk.
class CGeneralOptionData {
public:
    void Reset();
    void Copy(const CGeneralOptionData& other) { *this = other; }
    void Serialize(CArchive& ar);
    friend bool operator==(const CGeneralOptionData&, const CGeneralOptionData&) = default;

    BOOL m_bSearhInCompressedFiles = TRUE;
    BOOL m_bSearchInLastResult = FALSE;
    BOOL m_bCaseSensitive = FALSE;  // file-name patterns match case-sensitively
    BOOL m_bIncludeSubFolder = TRUE;
    BOOL m_bGetFileDetail = FALSE;
    BOOL m_bAppendResultToLastSearch = FALSE;
    BOOL m_bOnlyFiles = FALSE;   // folders never match
    BOOL m_bLimitDepth = FALSE;  // the walk stops at m_nSearchDepth
    std::int32_t m_nSearchDepth = 5;
};

// The contained-text expression and how it is read.
class CIncludeStringData {
public:
    void Reset();
    void Copy(const CIncludeStringData& other) { *this = other; }
    void Serialize(CArchive& ar);
    friend bool operator==(const CIncludeStringData&, const CIncludeStringData&) = default;

    std::string m_sIncludeStr;
    BOOL m_bMatchCase = FALSE;
    BOOL m_bMatchWholeWord = FALSE;
    BOOL m_bRegularExpression = FALSE;
};

// The size bound.
class CSizeOptionData {
public:
    void Reset();
    void Copy(const CSizeOptionData& other) { *this = other; }
    void Serialize(CArchive& ar);
    friend bool operator==(const CSizeOptionData&, const CSizeOptionData&) = default;

    std::int32_t m_nSize = 0;            // in KB
    std::int32_t m_iSizeOptionType = 0;  // 0 no size test, 1 at least, 2 at most
};

// The time-of-day condition.
class CTimeOptionData {
public:
    // Both times become `now`.
    void Reset(CTime now = CTime::GetCurrentTime());
    void Copy(const CTimeOptionData& other) { *this = other; }
    void Serialize(CArchive& ar);
    friend bool operator==(const CTimeOptionData&, const CTimeOptionData&) = default;

    CTime m_tLatestTime;    // upper bound of the "between" mode
    CTime m_tEarliestTime;  // lower bound of the "between" mode
    std::int32_t m_nPrevHour = 0;
    std::int32_t m_iTimeRangeModeIndex = 0;   // 0 previous hours, 1 between two times
    std::int32_t m_iTimeOptionTypeIndex = 0;  // which time of the file; 0 none
};

// The date condition.
class CDateOptionData {
public:
    // Both dates become `now`.
    void Reset(CTime now = CTime::GetCurrentTime());
    void Copy(const CDateOptionData& other) { *this = other; }
    void Serialize(CArchive& ar);
    friend bool operator==(const CDateOptionData&, const CDateOptionData&) = default;

    std::int32_t m_iMaxWeekIndex = 0;    // last weekday of the "between week" mode
    std::int32_t m_iMinWeekIndex = 0;    // first weekday of the "between week" mode
    std::int32_t m_iPrevDateType = 0;    // days, weeks, months, years (0 to 3)
    std::int32_t m_iDateOptionMode = 0;  // 0 previous, 1 between dates, 2 between weekdays
    std::int32_t m_iDateOptionType = 0;  // 0 none, 1 last access, 2 creation, 3 last write
    std::int32_t m_iPrevDate = 0;
    CTime m_tLatestDate;    // that day at 23:59:59 when set by the date page
    CTime m_tEarliestDate;  // that day at 00:00:00 when set by the date page
};

// Every criterion of one search.
class CSearchData {
public:
    // Resets the six parts in member order; the four times all become the
    // same current time.
    void Reset();
    void Copy(const CSearchData& other) { *this = other; }
    // Loading leaves this object unchanged when the archive ends early (the
    // exception propagates).
    void Serialize(CArchive& ar);
    friend bool operator==(const CSearchData&, const CSearchData&) = default;

    CFindMainData m_MainData;
    CGeneralOptionData m_GeneralOptionData;
    CIncludeStringData m_IncludeStringData;
    CSizeOptionData m_SizeOptionData;
    CTimeOptionData m_TimeOptionData;
    CDateOptionData m_DateOptionData;

private:
    void SerializeParts(CArchive& ar);
};
