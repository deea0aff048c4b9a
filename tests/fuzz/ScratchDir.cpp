#include "ScratchDir.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string gDir;

void RemoveScratch() {
    std::error_code ec;
    if (!gDir.empty()) std::filesystem::remove_all(gDir, ec);
}

}  // namespace

const std::string& FuzzScratchDir() {
    if (gDir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelmarosz-fuzz-XXXXXX";
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        gDir = tmpl;
        std::atexit(RemoveScratch);
    }
    return gDir;
}

void WriteScratchFile(const std::string& path, const std::string& bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::abort();
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            std::perror("write");
            std::abort();
        }
        done += static_cast<size_t>(n);
    }
    close(fd);
}
