#include "app/engine/FileTypeGroups.h"

#include <algorithm>

const CFileTypeGroupArray& GetBuiltInGroups() {
    static const CFileTypeGroupArray groups = {
        {"All Files", ""},
        {"Audio",
         "*.rm;*.mp3;*.mp2;*.mp1;*.wma;*.mod;*.cda;*.mid;*.m3u;*.pls;*.xm;*.asf;*.rmi;*.midi;"
         "*.au;*.aif;*.wav"},
        {"Image",
         "*.bmp;*.gif;*.jpg;*.dib;*.pcx;*.tif;*.png;*.eps;*.jpe;*.pic;*.rle;*.tga;*.psd;*.pdd;"
         "*.pcd"},
        {"AV", "*.mpg;*.avi;*.wmv;*.m1v;*.mpeg;*.rm;*.mov"},
        {"Html", "*.htm;*.html;*.htx;*.asp;*.php;*.alx;*.stm;*.shtml"},
        {"Office Documents", "*.mpp;*.doc;*.xl*;*.ppt;*.rtf;*.mbd;*.obd;*.dot;*.pot;*.xot;*.pdf"},
        {"Source Code",
         "*.bas;*.pas;*.pl;*.c;*.cpp;*.php;*.java;*.asp;*.h;*.hpp;*.inl;*.rc;*.cxx;*.dsp;*.dsw;"
         "*.vcp;*.vcw;*.mak;*.mdp;*.bpr;*.bpg;*.bpk;*.dpr;makefile*.*"},
        {"Develop Project",
         "*.dsp;*.dsw;*.vcp;*.vcw;*.mak;*.mdp;*.bpr;*.bpg;*.bpk;*.dpr;makefile*.*"},
        {"Database", "*.db;*.dbf;*.mdb;*.dbc"},
        {"Compressed Files", "*.zip;*.arj;*.rar;*.tar;*.z;*.gz;*.cab;*.ace;*.lha"},
        {"Executable Files", "*.exe;*.dll;*.vbx;*.ocx;*.cpl;*.sys;*.drv;*.scr"},
    };
    return groups;
}

void BuildBuiltInGroups(CFileTypeGroupArray& groups) {
    groups.clear();
    groups.reserve(kFileTypeGroupGrowBy);
    const CFileTypeGroupArray& builtIn = GetBuiltInGroups();
    groups.insert(groups.end(), builtIn.begin(), builtIn.end());
}

void MergeBuiltInGroups(CFileTypeGroupArray& groups) {
    for (const CFileTypeGroup& group : GetBuiltInGroups()) {
        const bool present =
            std::any_of(groups.begin(), groups.end(),
                        [&](const CFileTypeGroup& g) { return g.m_sName == group.m_sName; });
        if (present)
            continue;
        const auto before =
            std::find_if(groups.begin(), groups.end(), [&](const CFileTypeGroup& g) {
                // Byte order (std::string compares its characters as unsigned
                // bytes), which is how the multibyte comparison orders UTF-8.
                return g.m_sName.compare(group.m_sName) > 0;
            });
        groups.insert(before, group);
    }
}

UINT GetFileTypeGroupCommand(std::size_t index) {
    return ID_FILE_TYPE_GROUP_FIRST + static_cast<UINT>(index);
}

const CFileTypeGroup* FindFileTypeGroupByCommand(const CFileTypeGroupArray& groups, UINT command) {
    if (command < ID_FILE_TYPE_GROUP_FIRST)
        return nullptr;
    const std::size_t index = command - ID_FILE_TYPE_GROUP_FIRST;
    return index < groups.size() ? &groups[index] : nullptr;
}
