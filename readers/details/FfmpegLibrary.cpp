#include "readers/details/FfmpegLibrary.h"

#include <dlfcn.h>

#include <libavutil/macros.h>

namespace {

// The libraries by the names the loader knows them under, in the order each
// one's own dependencies come first.
enum Library { Util, Scale, Codec, Format, kLibraryCount };

constexpr const char* kLibraryNames[kLibraryCount] = {
    "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
    "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
};

bool Load(CFfmpegLibrary& functions) {
    void* handles[kLibraryCount] = {};
    for (int i = 0; i < kLibraryCount; ++i) {
        // Kept mapped for good: the libraries leave exit handlers behind.
        handles[i] = dlopen(kLibraryNames[i], RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (handles[i] == nullptr)
            return false;
    }
    bool found = true;
#define ZB_FFMPEG_BIND(library, name)                                                            \
    functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(handles[library], #name)); \
    found = found && functions.name != nullptr;
    ZB_FFMPEG_FUNCTIONS(ZB_FFMPEG_BIND)
#undef ZB_FFMPEG_BIND
    return found;
}

}  // namespace

const CFfmpegLibrary* CFfmpegLibrary::Get() {
    static const CFfmpegLibrary* const loaded = [] {
        static CFfmpegLibrary functions;
        return Load(functions) ? &functions : nullptr;
    }();
    return loaded;
}
