// Opens arbitrary bytes as a ZIP archive: lists every member, walks the
// folders, looks up a few names and reads every member to its end.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "readers/archives/ZipArchiveHandler.h"

namespace {

// One archive file per process under $TMPDIR, removed at exit.
class FuzzFile {
public:
    FuzzFile() {
        const char* tmp = std::getenv("TMPDIR");
        m_path = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/zb-zipfuzz-" +
                 std::to_string(getpid()) + ".zip";
    }
    ~FuzzFile() { unlink(m_path.c_str()); }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    bool Write(const std::uint8_t* data, std::size_t size) const {
        const int fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = write(fd, data + done, size - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        close(fd);
        return done == size;
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

void ReadMember(CZipArchive& zip, int i, std::vector<char>& buffer) {
    if (!zip.OpenEntry(i)) {
        return;
    }
    while (zip.Read(i, buffer.data(), static_cast<int>(buffer.size())) > 0) {
    }
    zip.CloseEntry(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzFile file;
    if (!file.Write(data, size)) {
        return 0;
    }
    CZipArchive zip;
    zip.Init();
    if (!zip.Open(file.Path())) {
        return 0;
    }
    std::vector<char> buffer(static_cast<std::size_t>(zip.GetBlockSize()));
    for (int i = zip.NextChild(-1, "", TRUE); i != -1; i = zip.NextChild(i, "", TRUE)) {
        CArchiveEntryInfo info;
        DWORD attributes = 0;
        std::string name;
        zip.GetFileInfo(i, &info);
        zip.GetAttributes(i, &attributes);
        if (zip.GetName(i, &name) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            BOOL has = FALSE;
            zip.HasSubfolders(name, &has);
            zip.NextChild(zip.FindFolder(name), name, FALSE);
        }
        zip.FindEntry(info.m_strName);
    }
    for (int i = zip.FirstFile(); i != -1; i = zip.NextFile(i)) {
        ReadMember(zip, i, buffer);
    }
    for (const char* name : {"", "\\", "a", "..\\x", "META-INF\\MANIFEST.MF"}) {
        const int i = zip.OpenEntryByName(name);
        if (i >= 0) {
            zip.Read(i, buffer.data(), 16);
            zip.CloseEntry(i);
        }
    }
    zip.Close();
    return 0;
}
