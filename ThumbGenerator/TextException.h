#pragma once
// The one exception of the thumbnail library: a numeric code and a message.
// Thrown by value, caught by reference; the export turns it into a 0 result.

#include <string>

#include "ThumbGenerator/PLObject.h"

// Codes carried by CTextException.
enum : int {
    kErrWrongFormat = 1,   // not this format (wrong signature or encoding)
    kErrUnsupported = 2,   // unsupported variant or missing header information
    kErrPathNotFound = 3,  // the folder of the path does not exist
    kErrFileNotFound = 4,  // file not found or another open failure
    kErrAccessDenied = 5,  // access denied, or the file cannot be read whole
    kErrCannotHandle = 6,  // a system or library facility cannot handle the data
    kErrCorrupt = 7,       // corrupt data
    kErrOutOfMemory = 10,  // out of memory (also: a picture over the size limits)
    kErrEndOfData = 11,    // end of the data reached
};

class CTextException : public CPLObject {
public:
    CTextException(int code, std::string text) : m_code(code), m_text(std::move(text)) {}

    virtual int GetCode() const { return m_code; }
    virtual const char* GetText() const { return m_text.c_str(); }

private:
    int m_code;
    std::string m_text;
};
