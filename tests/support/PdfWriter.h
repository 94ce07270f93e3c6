#pragma once
// Writes small PDF documents for tests and benchmarks: pages of text lines in
// a standard font, an optional information dictionary whose strings are
// given as raw bytes, and content streams plain or deflated. The
// cross-reference table is computed, so the files are well formed.

#include <zlib.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace zbtest {

struct PdfContents {
    // Each page's lines, top to bottom.
    std::vector<std::vector<std::string>> pages;
    // Entries of the information dictionary: key and the string's raw bytes
    // (written as a hex string, so any byte, a byte-order mark included, is
    // kept). No entries: no dictionary.
    std::vector<std::pair<std::string, std::string>> info;
    bool deflate = false;
    const char* font = "Helvetica";
    int fontSize = 12;
};

inline std::string PdfLiteral(const std::string& text) {
    std::string out = "(";
    for (const char c : text) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + ")";
}

inline std::string PdfHexString(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "<";
    for (const char c : bytes) {
        out += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
        out += kHex[static_cast<unsigned char>(c) & 0xF];
    }
    return out + ">";
}

inline std::string PdfDeflate(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
              Z_DEFAULT_COMPRESSION);
    out.resize(size);
    return out;
}

inline std::string BuildPdf(const PdfContents& document) {
    std::vector<std::string> objects;  // object i + 1's body
    const std::size_t pageCount = document.pages.size();
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (std::size_t i = 0; i < pageCount; ++i)
        kids += std::to_string(4 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageCount) +
                      " >>");
    objects.push_back(std::string("<< /Type /Font /Subtype /Type1 /BaseFont /") + document.font +
                      " /Encoding /WinAnsiEncoding >>");
    const int lineHeight = document.fontSize + document.fontSize / 6 + 2;
    for (std::size_t i = 0; i < pageCount; ++i) {
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << "
            "/Font << /F1 3 0 R >> >> /Contents " +
            std::to_string(5 + 2 * i) + " 0 R >>");
        std::string content = "BT /F1 " + std::to_string(document.fontSize) + " Tf " +
                              std::to_string(lineHeight) + " TL 72 740 Td\n";
        for (const std::string& line : document.pages[i])
            content += PdfLiteral(line) + " Tj T*\n";
        content += "ET\n";
        std::string dictionary = "<< /Length ";
        if (document.deflate) {
            content = PdfDeflate(content);
            dictionary = "<< /Filter /FlateDecode /Length ";
        }
        objects.push_back(dictionary + std::to_string(content.size()) + " >>\nstream\n" + content +
                          "\nendstream");
    }
    if (!document.info.empty()) {
        std::string info = "<<";
        for (const auto& [key, bytes] : document.info)
            info += " /" + key + " " + PdfHexString(bytes);
        objects.push_back(info + " >>");
    }

    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R";
    if (!document.info.empty())
        pdf += " /Info " + std::to_string(objects.size()) + " 0 R";
    pdf += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace zbtest
