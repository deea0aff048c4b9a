// The debug link: a section ".gnu_debuglink" of at most 255 bytes holding a
// file name ended by NUL and, at the next multiple of four bytes, the CRC-32
// of that file. Only a file whose CRC matches is taken: a stale or foreign
// debug file would name the wrong lines.
//
// The first name tried is the link's name as it stands, in the current
// folder: the user's, where anything may lie under that name. So every
// candidate is opened without waiting and taken only as a regular file of a
// bounded size whose sections all lie inside it.
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>
#include <string_view>

#include "DebugFile.h"

namespace {

constexpr size_t MaxLinkSize = 255;
constexpr size_t MaxBuildIdSize = 64;

bool ReadAt(int fd, void* out, size_t n, uint64_t offset) {
    return pread(fd, out, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n);
}

// A regular file of at most the cap, or -1. O_NONBLOCK: opening a FIFO must
// not wait for a writer (and the stat first keeps devices from being opened
// at all).
int OpenRegularFile(const char* path, uint64_t& size) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 || st.st_size > MaxLineTableFileSize) {
        close(fd);
        return -1;
    }
    size = static_cast<uint64_t>(st.st_size);
    return fd;
}

bool ReadElfHeader(int fd, Elf64_Ehdr& eh) {
    return ReadAt(fd, &eh, sizeof eh, 0) && std::memcmp(eh.e_ident, ELFMAG, SELFMAG) == 0 &&
           eh.e_ident[EI_CLASS] == ELFCLASS64 && eh.e_ident[EI_DATA] == ELFDATA2LSB &&
           eh.e_shentsize == sizeof(Elf64_Shdr) && eh.e_shnum > 0 && eh.e_shstrndx < eh.e_shnum;
}

bool ReadSection(int fd, const Elf64_Ehdr& eh, int i, Elf64_Shdr& sh) {
    return ReadAt(fd, &sh, sizeof sh, eh.e_shoff + uint64_t(i) * sizeof(Elf64_Shdr));
}

// The section header table and every section with contents lie inside the
// file: the line lookup's library maps them and would fault past the end.
bool SectionsInsideFile(int fd, uint64_t size) {
    Elf64_Ehdr eh;
    if (!ReadElfHeader(fd, eh)) return false;
    const uint64_t table = uint64_t{eh.e_shnum} * sizeof(Elf64_Shdr);
    if (eh.e_shoff > size || table > size - eh.e_shoff) return false;
    for (int i = 0; i < eh.e_shnum; i++) {
        Elf64_Shdr sh;
        if (!ReadSection(fd, eh, i, sh)) return false;
        if (sh.sh_type == SHT_NOBITS || sh.sh_size == 0) continue;
        if (sh.sh_offset > size || sh.sh_size > size - sh.sh_offset) return false;
    }
    return true;
}

// What the executable says about its debug file: the link's name and CRC,
// and its build ID.
struct DebugLinks {
    char Name[MaxLinkSize + 1] = "";
    uint32_t Crc = 0;
    uint8_t BuildId[MaxBuildIdSize];
    size_t BuildIdSize = 0;
};

// The section called `wanted`, false if none.
bool FindSection(int fd, const Elf64_Ehdr& eh, const char* wanted, Elf64_Shdr& out) {
    Elf64_Shdr strings;
    if (!ReadSection(fd, eh, eh.e_shstrndx, strings)) return false;
    const size_t wantedSize = std::strlen(wanted) + 1;
    char name[32];
    if (wantedSize > sizeof name) return false;
    for (int i = 0; i < eh.e_shnum; i++) {
        if (!ReadSection(fd, eh, i, out)) return false;
        if (out.sh_name + wantedSize > strings.sh_size ||
            !ReadAt(fd, name, wantedSize, strings.sh_offset + out.sh_name) ||
            std::memcmp(name, wanted, wantedSize) != 0)
            continue;
        return out.sh_type != SHT_NOBITS;
    }
    return false;
}

bool ReadDebugLink(int fd, const Elf64_Ehdr& eh, DebugLinks& links) {
    Elf64_Shdr sh;
    uint8_t link[MaxLinkSize];
    if (!FindSection(fd, eh, ".gnu_debuglink", sh) || sh.sh_size > MaxLinkSize ||
        !ReadAt(fd, link, sh.sh_size, sh.sh_offset))
        return false;
    size_t len = strnlen(reinterpret_cast<const char*>(link), sh.sh_size);
    size_t crcAt = (len + 1 + 3) & ~size_t{3};
    if (len == 0 || len == sh.sh_size || crcAt + 4 > sh.sh_size) return false;
    std::memcpy(links.Name, link, len);
    links.Name[len] = '\0';
    links.Crc = link[crcAt] | link[crcAt + 1] << 8 | link[crcAt + 2] << 16 |
                static_cast<uint32_t>(link[crcAt + 3]) << 24;
    return true;
}

// The note: name size, descriptor size and type (NT_GNU_BUILD_ID), "GNU\0",
// then the ID.
void ReadBuildId(int fd, const Elf64_Ehdr& eh, DebugLinks& links) {
    Elf64_Shdr sh;
    uint8_t note[sizeof(Elf64_Nhdr) + 4 + MaxBuildIdSize];
    if (!FindSection(fd, eh, ".note.gnu.build-id", sh) || sh.sh_size > sizeof note ||
        sh.sh_size < sizeof(Elf64_Nhdr) + 4 || !ReadAt(fd, note, sh.sh_size, sh.sh_offset))
        return;
    Elf64_Nhdr nh;
    std::memcpy(&nh, note, sizeof nh);
    const size_t at = sizeof nh + 4;
    if (nh.n_type != NT_GNU_BUILD_ID || nh.n_namesz != 4 || std::memcmp(note + sizeof nh, "GNU", 4) != 0 ||
        nh.n_descsz == 0 || nh.n_descsz > sh.sh_size - at)
        return;
    std::memcpy(links.BuildId, note + at, nh.n_descsz);
    links.BuildIdSize = nh.n_descsz;
}

bool ReadDebugLinks(int fd, DebugLinks& links) {
    Elf64_Ehdr eh;
    if (!ReadElfHeader(fd, eh) || !ReadDebugLink(fd, eh, links)) return false;
    ReadBuildId(fd, eh, links);
    return true;
}

// out := the parts one after the other, false if they do not fit.
bool Join(char* out, size_t size, std::initializer_list<std::string_view> parts) {
    size_t at = 0;
    for (std::string_view part : parts) {
        if (at + part.size() + 1 > size) return false;
        std::memcpy(out + at, part.data(), part.size());
        at += part.size();
    }
    out[at] = '\0';
    return true;
}

// "ab/cdef...": the build ID in hexadecimal, its first byte a folder.
bool BuildIdPath(const DebugLinks& links, char* out, size_t size) {
    static const char digits[] = "0123456789abcdef";
    if (links.BuildIdSize < 2 || links.BuildIdSize * 2 + 2 > size) return false;
    size_t at = 0;
    for (size_t i = 0; i < links.BuildIdSize; i++) {
        out[at++] = digits[links.BuildId[i] >> 4];
        out[at++] = digits[links.BuildId[i] & 15];
        if (i == 0) out[at++] = '/';
    }
    out[at] = '\0';
    return true;
}

// The whole file's CRC, read in blocks.
bool Crc32OfFile(int fd, uint64_t size, uint32_t& crc) {
    // Static: the fault path has no stack to spare for it.
    static uint8_t block[64 * 1024];
    crc = 0;
    uint64_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, block, sizeof block, static_cast<off_t>(done));
        if (n <= 0) return false;
        crc = Crc32(crc, block, static_cast<size_t>(n));
        done += static_cast<uint64_t>(n);
    }
    return true;
}

bool Matches(const char* path, uint32_t crc) {
    uint64_t size;
    int fd = OpenRegularFile(path, size);
    if (fd < 0) return false;
    uint32_t got;
    bool ok = Crc32OfFile(fd, size, got) && got == crc && SectionsInsideFile(fd, size);
    close(fd);
    return ok;
}

}  // namespace

int OpenLineTableFile(const char* path) {
    uint64_t size;
    int fd = OpenRegularFile(path, size);
    if (fd >= 0 && !SectionsInsideFile(fd, size)) {
        close(fd);
        fd = -1;
    }
    return fd;
}

void FindLineTableFile(const char* exe, char* out, size_t outSize) {
    out[0] = '\0';
    int own = OpenLineTableFile(exe);
    if (own < 0) return;
    static DebugLinks links;   // the fault path has no stack to spare
    links = DebugLinks();
    const bool linked = ReadDebugLinks(own, links);
    close(own);
    if (std::strlen(exe) + 1 > outSize) return;
    std::strcpy(out, exe);
    if (!linked) return;

    const std::string_view name(links.Name);
    const char* slash = std::strrchr(exe, '/');
    const std::string_view dir(exe, slash ? static_cast<size_t>(slash - exe) + 1 : 0);
    // The prefix the executable is installed under: its directory's parent
    // ("/usr" for /usr/bin/x, "" for /bin/x); none for the root directory.
    const size_t parentEnd = dir.size() >= 2 ? dir.rfind('/', dir.size() - 2) : std::string_view::npos;
    const bool hasPrefix = parentEnd != std::string_view::npos;
    const std::string_view prefix = dir.substr(0, hasPrefix ? parentEnd : 0);
    static char buildId[2 * MaxBuildIdSize + 2];
    const bool hasBuildId = BuildIdPath(links, buildId, sizeof buildId);
    static char candidate[4096];
    const uint32_t crc = links.Crc;
    const bool found =
        (Join(candidate, sizeof candidate, {name}) && Matches(candidate, crc)) ||
        (Join(candidate, sizeof candidate, {dir, name}) && Matches(candidate, crc)) ||
        (Join(candidate, sizeof candidate, {dir, ".debug/", name}) && Matches(candidate, crc)) ||
        (hasBuildId && Join(candidate, sizeof candidate, {SystemDebugDirectory, "/.build-id/", buildId, ".debug"}) &&
         Matches(candidate, crc)) ||
        (Join(candidate, sizeof candidate, {SystemDebugDirectory, dir, name}) && Matches(candidate, crc)) ||
        (hasPrefix && Join(candidate, sizeof candidate, {prefix, "/lib/debug", dir, name}) &&
         Matches(candidate, crc));
    if (found && std::strlen(candidate) + 1 <= outSize) std::strcpy(out, candidate);
}
