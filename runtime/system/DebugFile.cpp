// The debug link: a section ".gnu_debuglink" of at most 255 bytes holding a
// file name ended by NUL and, at the next multiple of four bytes, the CRC-32
// of that file. Only a file whose CRC matches is taken: a stale or foreign
// debug file would name the wrong lines.
#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>
#include <string_view>

#include "DebugFile.h"

namespace {

constexpr size_t MaxLinkSize = 255;

bool ReadAt(int fd, void* out, size_t n, uint64_t offset) {
    return pread(fd, out, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n);
}

// The executable's debug link: the name (into name) and the CRC.
bool ReadDebugLink(const char* exe, char (&name)[MaxLinkSize + 1], uint32_t& crc) {
    int fd = open(exe, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool found = false;
    Elf64_Ehdr eh;
    Elf64_Shdr strings;
    if (ReadAt(fd, &eh, sizeof eh, 0) && std::memcmp(eh.e_ident, ELFMAG, SELFMAG) == 0 &&
        eh.e_ident[EI_CLASS] == ELFCLASS64 && eh.e_ident[EI_DATA] == ELFDATA2LSB && eh.e_shentsize == sizeof(Elf64_Shdr) &&
        eh.e_shstrndx < eh.e_shnum &&
        ReadAt(fd, &strings, sizeof strings, eh.e_shoff + uint64_t{eh.e_shstrndx} * sizeof(Elf64_Shdr))) {
        static const char wanted[] = ".gnu_debuglink";
        for (int i = 0; i < eh.e_shnum && !found; i++) {
            Elf64_Shdr sh;
            char sectionName[sizeof wanted];
            if (!ReadAt(fd, &sh, sizeof sh, eh.e_shoff + uint64_t(i) * sizeof(Elf64_Shdr))) break;
            if (sh.sh_name + sizeof wanted > strings.sh_size ||
                !ReadAt(fd, sectionName, sizeof wanted, strings.sh_offset + sh.sh_name) ||
                std::memcmp(sectionName, wanted, sizeof wanted) != 0)
                continue;
            uint8_t link[MaxLinkSize];
            if (sh.sh_type == SHT_NOBITS || sh.sh_size > MaxLinkSize || !ReadAt(fd, link, sh.sh_size, sh.sh_offset)) break;
            size_t len = strnlen(reinterpret_cast<const char*>(link), sh.sh_size);
            size_t crcAt = (len + 1 + 3) & ~size_t{3};
            if (len == 0 || len == sh.sh_size || crcAt + 4 > sh.sh_size) break;
            std::memcpy(name, link, len);
            name[len] = '\0';
            crc = link[crcAt] | link[crcAt + 1] << 8 | link[crcAt + 2] << 16 | static_cast<uint32_t>(link[crcAt + 3]) << 24;
            found = true;
        }
    }
    close(fd);
    return found;
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

bool Matches(const char* path, uint32_t crc) {
    uint32_t got;
    return FileCrc32(path, got) && got == crc;
}

}  // namespace

void FindLineTableFile(const char* exe, char* out, size_t outSize) {
    out[0] = '\0';
    if (std::strlen(exe) + 1 > outSize) return;
    std::strcpy(out, exe);
    char name[MaxLinkSize + 1];
    uint32_t crc;
    if (!ReadDebugLink(exe, name, crc)) return;

    const char* slash = std::strrchr(exe, '/');
    const std::string_view dir(exe, slash ? static_cast<size_t>(slash - exe) + 1 : 0);
    // The prefix the executable is installed under: its directory's parent
    // ("/usr" for /usr/bin/x, "" for /bin/x); none for the root directory.
    const size_t parentEnd = dir.size() >= 2 ? dir.rfind('/', dir.size() - 2) : std::string_view::npos;
    const bool hasPrefix = parentEnd != std::string_view::npos;
    const std::string_view prefix = dir.substr(0, hasPrefix ? parentEnd : 0);
    static char candidate[4096];   // the fault path has no stack to spare
    const bool found =
        (Join(candidate, sizeof candidate, {name}) && Matches(candidate, crc)) ||
        (Join(candidate, sizeof candidate, {dir, name}) && Matches(candidate, crc)) ||
        (Join(candidate, sizeof candidate, {SystemDebugDirectory, dir, name}) && Matches(candidate, crc)) ||
        (hasPrefix && Join(candidate, sizeof candidate, {prefix, "/lib/debug", dir, name}) &&
         Matches(candidate, crc));
    if (found && std::strlen(candidate) + 1 <= outSize) std::strcpy(out, candidate);
}
