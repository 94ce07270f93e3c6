#include "ThumbGenerator/ImageDecoder.h"

#include <cstdio>
#include <mutex>

#include "ThumbGenerator/TextException.h"

namespace {

std::mutex g_traceLock;
int g_traceLevel = 0;
std::string g_traceFile;

}  // namespace

void RaiseDecoderError(int code, const std::string& text) {
    throw CTextException(code, "Decoder error: " + text + "\n");
}

void DecoderTrace(int level, const std::string& text) {
    std::lock_guard<std::mutex> lock(g_traceLock);
    if (g_traceFile.empty() || level > g_traceLevel)
        return;
    if (FILE* file = std::fopen(g_traceFile.c_str(), "a")) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
}

void SetDecoderTrace(int level, const std::string& fileName) {
    std::lock_guard<std::mutex> lock(g_traceLock);
    g_traceLevel = level;
    g_traceFile = fileName;
}

void ChooseTargetBpp(int sourceBpp, int& requestedBpp) {
    if (requestedBpp == 0)
        requestedBpp = sourceBpp <= 8 ? 8 : 32;
}

void CImageDecoder::DecodeFile(const std::string& path, CImageBitmap& bitmap, int bpp,
                               CProgressNotifier* notifier) {
    DecoderTrace(1, "--- Decoding file " + path + ". ---\n");
    CMappedFileSource source(notifier);
    const int code = source.Open(path);
    if (code != 0)
        RaiseDecoderError(code, "Opening " + path + " failed");
    DecodeSource(source, bitmap, bpp);
    source.Close();
}

void CImageDecoder::DecodeMemory(const BYTE* data, std::size_t size, const std::string& name,
                                 CImageBitmap& bitmap, int bpp) {
    CMemorySource source;
    source.Open(name, data, size);
    DecodeSource(source, bitmap, bpp);
    source.Close();
}

void CImageDecoder::DecodeSource(CImageSource& source, CImageBitmap& bitmap, int bpp) {
    std::vector<RGBQUAD> work;
    DoDecode(bitmap, work, bpp, source);
}
