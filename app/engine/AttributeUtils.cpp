#include "app/engine/AttributeUtils.h"

std::string FormatAttributeLetters(DWORD attributes) {
    std::string letters;
    if (attributes & FILE_ATTRIBUTE_ARCHIVE)
        letters += 'A';
    if (attributes & FILE_ATTRIBUTE_HIDDEN)
        letters += 'H';
    if (attributes & FILE_ATTRIBUTE_READONLY)
        letters += 'R';
    if (attributes & FILE_ATTRIBUTE_SYSTEM)
        letters += 'S';
    return letters;
}

int CompareAttributes(DWORD a, DWORD b) {
    const DWORD ma = a & kShownAttributeBits;
    const DWORD mb = b & kShownAttributeBits;
    return ma > mb ? 1 : (ma < mb ? -1 : 0);
}
