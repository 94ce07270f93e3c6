#include "app/engine/SearchData.h"

#include <utility>

#include "app/engine/DataFileVersion.h"

void CFindMainData::Reset() {
    *this = CFindMainData{};
}

void CFindMainData::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_sFindString << m_sFindRootPath << m_bAdvanceOption;
    else
        ar >> m_sFindString >> m_sFindRootPath >> m_bAdvanceOption;
}

void CGeneralOptionData::Reset() {
    *this = CGeneralOptionData{};
}

void CGeneralOptionData::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_bSearhInCompressedFiles << m_bSearchInLastResult << m_bCaseSensitive
           << m_bIncludeSubFolder << m_bGetFileDetail << m_bAppendResultToLastSearch
           << m_bLimitDepth << m_nSearchDepth << m_bOnlyFiles;
        return;
    }
    ar >> m_bSearhInCompressedFiles >> m_bSearchInLastResult >> m_bCaseSensitive >>
        m_bIncludeSubFolder >> m_bGetFileDetail >> m_bAppendResultToLastSearch;
    const DWORD version = GetDataFileVersion();
    if (version >= kDataFileVersionDepthLimit)
        ar >> m_bLimitDepth >> m_nSearchDepth;
    if (version >= kDataFileVersionOnlyFiles)
        ar >> m_bOnlyFiles;
}

void CIncludeStringData::Reset() {
    *this = CIncludeStringData{};
}

void CIncludeStringData::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_bMatchCase << m_bMatchWholeWord << m_bRegularExpression << m_sIncludeStr;
    else
        ar >> m_bMatchCase >> m_bMatchWholeWord >> m_bRegularExpression >> m_sIncludeStr;
}

void CSizeOptionData::Reset() {
    *this = CSizeOptionData{};
}

void CSizeOptionData::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_nSize << m_iSizeOptionType;
    else
        ar >> m_nSize >> m_iSizeOptionType;
}

void CTimeOptionData::Reset(CTime now) {
    *this = CTimeOptionData{};
    m_tLatestTime = now;
    m_tEarliestTime = now;
}

void CTimeOptionData::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_nPrevHour << m_iTimeRangeModeIndex << m_iTimeOptionTypeIndex << m_tLatestTime
           << m_tEarliestTime;
    else
        ar >> m_nPrevHour >> m_iTimeRangeModeIndex >> m_iTimeOptionTypeIndex >> m_tLatestTime >>
            m_tEarliestTime;
}

void CDateOptionData::Reset(CTime now) {
    *this = CDateOptionData{};
    m_tLatestDate = now;
    m_tEarliestDate = now;
}

void CDateOptionData::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_iMaxWeekIndex << m_iMinWeekIndex << m_iPrevDateType << m_iDateOptionMode
           << m_iDateOptionType << m_iPrevDate << m_tLatestDate << m_tEarliestDate;
    else
        ar >> m_iMaxWeekIndex >> m_iMinWeekIndex >> m_iPrevDateType >> m_iDateOptionMode >>
            m_iDateOptionType >> m_iPrevDate >> m_tLatestDate >> m_tEarliestDate;
}

void CSearchData::Reset() {
    const CTime now = CTime::GetCurrentTime();
    m_MainData.Reset();
    m_GeneralOptionData.Reset();
    m_IncludeStringData.Reset();
    m_SizeOptionData.Reset();
    m_TimeOptionData.Reset(now);
    m_DateOptionData.Reset(now);
}

void CSearchData::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        // Read into a copy so that a truncated archive leaves this object as it was.
        CSearchData loaded = *this;
        loaded.SerializeParts(ar);
        *this = std::move(loaded);
        return;
    }
    SerializeParts(ar);
}

void CSearchData::SerializeParts(CArchive& ar) {
    m_MainData.Serialize(ar);
    m_GeneralOptionData.Serialize(ar);
    m_IncludeStringData.Serialize(ar);
    m_SizeOptionData.Serialize(ar);
    m_TimeOptionData.Serialize(ar);
    m_DateOptionData.Serialize(ar);
}
