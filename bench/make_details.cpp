// zb_make_details: writes a deterministic folder of files that the detail
// columns read, for timing the column filling (bench/details_compare.sh).
//
//   zb_make_details <folder> [--files N]     (10,000 by default)
//
// Ten kinds in turn, 500 files a sub-folder: MP3 frames with an ID3 tag,
// compound documents with a summary, JPEG, PNG and BMP pictures, WAVE sounds,
// AVI clips, PE programs with a version resource, shortcuts and HTML pages.
// The same arguments give the same bytes.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/ByteWriter.h"
#include "support/CompoundFileWriter.h"
#include "support/LnkWriter.h"
#include "support/PeWriter.h"
#include "support/PictureWriter.h"
#include "support/RiffWriter.h"

namespace {

using zbtest::Bytes;

constexpr int kFilesPerFolder = 500;

// MPEG 1 Layer III frames at 128 kbit/s, then an ID3 version 1 tag.
Bytes Mp3(int n) {
    Bytes out;
    for (int frame = 0; frame < 8 + n % 16; ++frame) {
        const Bytes header = {0xFF, 0xFB, 0x90, 0x64};
        zbtest::PutBytes(out, header);
        out.resize(out.size() + 413, 0);
    }
    Bytes tag(128, 0);
    const std::string title = "Track " + std::to_string(n);
    std::copy(title.begin(), title.end(), tag.begin() + 3);
    tag[0] = 'T';
    tag[1] = 'A';
    tag[2] = 'G';
    tag[127] = static_cast<std::uint8_t>(n % 126);
    zbtest::PutBytes(out, tag);
    return out;
}

Bytes Document(int n) {
    using namespace zbtest;
    const Bytes set = WritePropertySet({{
        PropI2(1, 1252),
        PropString(2, "Report " + std::to_string(n)),
        PropString(4, "Writer"),
        PropString(9, std::to_string(n % 40)),
        PropI4(14, static_cast<std::uint32_t>(1 + n % 30)),
        PropI4(15, static_cast<std::uint32_t>(n * 7)),
        PropString(18, "Word processor"),
    }});
    return WriteCompoundFile({{"\x05SummaryInformation", set}, {"WordDocument", Bytes(2000, 1)}});
}

// A JFIF picture's headers, a few bytes of scan and the end marker.
Bytes Jpeg(int n) {
    Bytes out = zbtest::JpegHeaders(static_cast<std::uint16_t>(640 + n % 200),
                                    static_cast<std::uint16_t>(480 + n % 100), 1, 72);
    out.resize(out.size() + 2000, 0x55);
    zbtest::PutBe16(out, 0xFFD9);
    return out;
}

Bytes Png(int n) {
    return zbtest::Png(static_cast<std::uint32_t>(16 + n % 300),
                       static_cast<std::uint32_t>(16 + n % 200), 8, 6, 1500);
}

Bytes Bmp(int n) {
    const std::int32_t width = 32 + n % 64;
    const std::uint32_t row = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    return zbtest::Bmp(width, 32, 24, 3780, row * 32);
}

Bytes Wave(int n) {
    using namespace zbtest;
    return List(
        "WAVE",
        {Chunk("fmt ", WaveFormatBytes(1, static_cast<std::uint16_t>(1 + n % 2), 22050, 16)),
         Chunk("LIST", Bytes(33, 'i')), Chunk("data", Bytes(4000, 0))},
        "RIFF");
}

Bytes Avi(int n) {
    using namespace zbtest;
    return List(
        "AVI ",
        {List("hdrl",
              {Chunk("avih", Bytes(56, 0)),
               List("strl", {Chunk("strh", StreamHeader("vids", "DIB ", 1, 25, 0,
                                                        static_cast<std::uint32_t>(50 + n % 500))),
                             Chunk("strf", BitmapFormat(160, 120, 24, ""))}),
               List("strl", {Chunk("strh", StreamHeader("auds", "", 1, 22050, 0, 22050)),
                             Chunk("strf", WaveFormatBytes(1, 2, 22050, 16))})}),
         List("movi", {Chunk("00db", Bytes(160 * 120 * 3, 0x20))})},
        "RIFF");
}

Bytes Program(int n) {
    const Bytes block =
        zbtest::WriteVersionBlock(0x00010000u + static_cast<std::uint32_t>(n % 9), 0,
                                  {{"040904b0",
                                    {{"CompanyName", "Maker"},
                                     {"FileDescription", "Tool " + std::to_string(n)},
                                     {"FileVersion", "1." + std::to_string(n % 9)},
                                     {"ProductName", "Suite"}}}},
                                  {0x04B00409});
    return zbtest::WritePeImage(block, n % 2 == 0);
}

Bytes Shortcut(int n) {
    zbtest::LnkSpec spec;
    spec.hotKey = static_cast<std::uint16_t>(n % 3 == 0 ? 0x0646 : 0);
    spec.items = {zbtest::ComputerItem(), zbtest::DriveItem("C:\\"),
                  zbtest::FileItem("TOOLS", "Tools", true),
                  zbtest::FileItem("TOOL.EXE", "tool " + std::to_string(n) + ".exe", false)};
    spec.name = "Starts tool " + std::to_string(n);
    spec.workingDirectory = "C:\\Tools";
    spec.arguments = "--run " + std::to_string(n);
    return zbtest::WriteShellLink(spec);
}

Bytes Html(int n) {
    Bytes out;
    zbtest::PutBytes(out, "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Page " +
                              std::to_string(n) + "</title></head><body>");
    out.resize(out.size() + 3000, 'x');
    zbtest::PutBytes(out, "</body></html>\n");
    return out;
}

struct Kind {
    const char* extension;
    Bytes (*make)(int);
};

constexpr Kind kKinds[] = {{"mp3", Mp3},      {"doc", Document}, {"jpg", Jpeg}, {"png", Png},
                           {"bmp", Bmp},      {"wav", Wave},     {"avi", Avi},  {"exe", Program},
                           {"lnk", Shortcut}, {"html", Html}};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zb_make_details <folder> [--files N]\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    int files = 10000;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--files")
            files = std::atoi(argv[i + 1]);
    }
    std::error_code ec;
    if (std::filesystem::exists(root, ec) && !std::filesystem::is_empty(root, ec)) {
        std::fprintf(stderr, "zb_make_details: %s is not empty\n", argv[1]);
        return 1;
    }
    for (int n = 0; n < files; ++n) {
        const std::filesystem::path folder =
            root / std::string("d").append(std::to_string(n / kFilesPerFolder));
        std::filesystem::create_directories(folder);
        const Kind& kind = kKinds[n % std::size(kKinds)];
        const Bytes bytes = kind.make(n);
        std::string name = "f";
        name.append(std::to_string(n)).append(".").append(kind.extension);
        std::ofstream out(folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "zb_make_details: cannot write in %s\n", folder.c_str());
            return 1;
        }
    }
    std::printf("%d files in %s\n", files, argv[1]);
    return 0;
}
