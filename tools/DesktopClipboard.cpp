#include "tools/DesktopClipboard.h"

#include <algorithm>

#include "platform/UriList.h"
#include "tools/ClipboardFormats.h"

std::string MakeGnomeCopiedFiles(bool cut, const std::vector<std::string>& paths) {
    std::string text = cut ? "cut" : "copy";
    for (const std::string& path : paths) {
        text += '\n';
        text += EncodeFileUri(path);
    }
    return text;
}

std::vector<std::string> MimeTypesOfClipFormat(int index, DWORD preferredEffect) {
    switch (index) {
        case CLIPFMT_TEXT:
            return {kMimeTextUtf8, kMimeText};
        case CLIPFMT_HDROP:
            return {kMimeUriList};
        case CLIPFMT_RIGHTMENU:
            return {kMimeRightMenu};
        case CLIPFMT_SHELLIDLIST:
            return {kMimeShellIdList};
        case CLIPFMT_PREFERREDDROPEFFECT:
            if (preferredEffect == 2)
                return {kMimeGnomeCopiedFiles, kMimeKdeCutSelection};
            return {kMimeGnomeCopiedFiles};
        default:
            return {};
    }
}

std::vector<std::string> ClipMimeTypes(const CSelectionClipData& data) {
    std::vector<std::string> types;
    for (const int index : data.formats) {
        for (std::string& type : MimeTypesOfClipFormat(index))
            types.push_back(std::move(type));
    }
    if (data.preferredEffect != 0) {
        for (std::string& type :
             MimeTypesOfClipFormat(CLIPFMT_PREFERREDDROPEFFECT, data.preferredEffect))
            types.push_back(std::move(type));
    }
    return types;
}

std::string RenderClipMime(const CSelectionClipData& data, std::string_view mime) {
    const std::vector<std::string> offered = ClipMimeTypes(data);
    if (std::find(offered.begin(), offered.end(), mime) == offered.end())
        return {};
    if (mime == kMimeTextUtf8 || mime == kMimeText)
        return data.text;
    if (mime == kMimeUriList)
        return MakeUriList(data.paths);
    if (mime == kMimeGnomeCopiedFiles)
        return MakeGnomeCopiedFiles(data.preferredEffect == 2, data.paths);
    if (mime == kMimeKdeCutSelection)
        return "1";
    if (mime == kMimeShellIdList)
        return std::string(data.shellIdList.begin(), data.shellIdList.end());
    if (mime == kMimeRightMenu) {
        CCF_RightMenu flag;
        flag.SetFlag(data.rightMenu);
        const std::vector<std::uint8_t> bytes = SerializeClipObject(flag);
        return std::string(bytes.begin(), bytes.end());
    }
    return {};
}
