#pragma once
// The root of the thumbnail library's classes: bitmaps, data sources,
// decoders and the exception all derive from it and are destroyed through it.

class CPLObject {
public:
    virtual ~CPLObject() = default;
};
