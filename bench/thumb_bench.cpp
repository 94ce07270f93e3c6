// zb_thumb_bench: makes a corpus of large JPEG and PNG files and times the
// thumbnail library's export over it.
//
//   zb_thumb_bench make DIR [--jpegs N] [--pngs N]   writes DIR/photo-NNN.jpg (4000 x 3000)
//                                                    and DIR/scan-NNN.png (2048 x 1536)
//   zb_thumb_bench run DIR --box N [--ext jpg|png]   thumbnails every file, prints the
//                                                    per-image time and the peak memory
#include <png.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ThumbGenerator/ThumbnailExport.h"

// After our TRUE and FALSE (see ThumbGenerator/JpegLibrary.h).
#include <jpeglib.h>

namespace {

constexpr int kJpegWidth = 4000;
constexpr int kJpegHeight = 3000;
constexpr int kPngWidth = 2048;
constexpr int kPngHeight = 1536;

// A photo-like row: smooth colour fields that differ per file, with grain.
void FillRow(std::vector<unsigned char>& row, int width, int y, int height, unsigned seed,
             std::mt19937& grain) {
    const double phase = seed * 0.7;
    for (int x = 0; x < width; ++x) {
        const double u = static_cast<double>(x) / width;
        const double v = static_cast<double>(y) / height;
        const int noise = static_cast<int>(grain() % 9) - 4;
        const int r =
            static_cast<int>(128 + 100 * std::sin(6.0 * u + phase) * std::cos(3.0 * v)) + noise;
        const int g =
            static_cast<int>(128 + 90 * std::sin(4.0 * v + 2 * phase + 5 * u * v)) + noise;
        const int b = static_cast<int>(128 + 80 * std::cos(9.0 * u * v + phase)) + noise;
        row[3 * x] = static_cast<unsigned char>(std::clamp(r, 0, 255));
        row[3 * x + 1] = static_cast<unsigned char>(std::clamp(g, 0, 255));
        row[3 * x + 2] = static_cast<unsigned char>(std::clamp(b, 0, 255));
    }
}

bool WriteJpeg(const std::string& path, unsigned seed) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = kJpegWidth;
    info.image_height = kJpegHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(3 * kJpegWidth);
    std::mt19937 grain(seed);
    for (int y = 0; y < kJpegHeight; ++y) {
        FillRow(row, kJpegWidth, y, kJpegHeight, seed, grain);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

bool WritePng(const std::string& path, unsigned seed) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, kPngWidth, kPngHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<unsigned char> row(3 * kPngWidth);
    std::mt19937 grain(seed);
    for (int y = 0; y < kPngHeight; ++y) {
        FillRow(row, kPngWidth, y, kPngHeight, seed, grain);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

int Make(const std::string& folder, int jpegs, int pngs) {
    std::filesystem::create_directories(folder);
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    const int total = jpegs + pngs;
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < std::min(4u, std::thread::hardware_concurrency()); ++t) {
        workers.emplace_back([&] {
            for (int i = next++; i < total; i = next++) {
                char name[64];
                const bool jpeg = i < jpegs;
                std::snprintf(name, sizeof(name), jpeg ? "/photo-%03d.jpg" : "/scan-%03d.png",
                              jpeg ? i : i - jpegs);
                const bool ok = jpeg ? WriteJpeg(folder + name, static_cast<unsigned>(i))
                                     : WritePng(folder + name, static_cast<unsigned>(i));
                if (!ok)
                    failed = true;
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    std::printf("wrote %d JPEG (%dx%d) and %d PNG (%dx%d) files to %s\n", jpegs, kJpegWidth,
                kJpegHeight, pngs, kPngWidth, kPngHeight, folder.c_str());
    return failed ? 1 : 0;
}

int Run(const std::string& folder, int box, const std::string& extension) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string ext = entry.path().extension().string();
        if (extension.empty() ? (ext == ".jpg" || ext == ".png") : ext == "." + extension)
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<double> times;
    int failures = 0;
    for (const std::string& file : files) {
        HBITMAP bitmap = nullptr;
        const auto start = std::chrono::steady_clock::now();
        const int result = fn_b_GenerateThumbnail(file.c_str(), box, box, &bitmap);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        if (result == 0)
            ++failures;
        DeleteObject(bitmap);
    }
    if (times.empty()) {
        std::fprintf(stderr, "no files in %s\n", folder.c_str());
        return 1;
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double t : times)
        total += t;
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "%zu files, box %d: mean %.1f ms, median %.1f ms, p95 %.1f ms, total %.2f s, "
        "failures %d, peak memory %.1f MiB\n",
        times.size(), box, total / times.size(), sorted[sorted.size() / 2],
        sorted[sorted.size() * 95 / 100], total / 1000, failures, usage.ru_maxrss / 1024.0);
    return failures == 0 ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: zb_thumb_bench make DIR [--jpegs N] [--pngs N]\n"
                 "       zb_thumb_bench run DIR --box N [--ext jpg|png]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    const std::string folder = argv[2];
    int jpegs = 200;
    int pngs = 200;
    int box = 128;
    std::string extension;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--jpegs")
            jpegs = std::atoi(argv[i + 1]);
        else if (option == "--pngs")
            pngs = std::atoi(argv[i + 1]);
        else if (option == "--box")
            box = std::atoi(argv[i + 1]);
        else if (option == "--ext")
            extension = argv[i + 1];
        else
            return Usage();
    }
    if (command == "make")
        return Make(folder, jpegs, pngs);
    if (command == "run")
        return Run(folder, box, extension);
    return Usage();
}
