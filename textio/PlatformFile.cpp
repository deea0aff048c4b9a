// The platform operations under the text files: POSIX descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "PlatformFile.h"

#include "EndState.h"

namespace {

// The host says "no such entry" both for a missing file and for a missing
// directory on the way; the program tells them apart (2 and 3).
uint16_t MissingCode(const char* path, size_t len) {
    const char* slash = static_cast<const char*>(::memrchr(path, '/', len));
    if (slash == nullptr || slash == path) return FileNotFound;
    char dir[TextNameSize];
    size_t n = static_cast<size_t>(slash - path);
    std::memcpy(dir, path, n);
    dir[n] = '\0';
    struct stat st;
    return (::stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) ? FileNotFound : PathNotFound;
}

void OpenFailed(TextRec& f, uint16_t code) {
    InOutRes = code;
    f.Handle = UnusedHandle;
    f.Mode = ModeClosed;
}

}  // namespace

void Do_Open(TextRec& f, const char* name, OpenChoice how) {
    size_t len = (name == f.Name) ? static_cast<size_t>(f.NameLen < 0 ? 0 : f.NameLen) : std::strlen(name);
    if (len >= sizeof f.Name) len = sizeof f.Name - 1;

    f.Handle = UnusedHandle;
    // Appending is writing once the file is open; a failure marks it closed.
    f.Mode = (how == OpenChoice::Read) ? ModeInput : ModeOutput;

    // The empty name stands for the standard input or output.
    if (len == 0) {
        f.Handle = (how == OpenChoice::Read) ? StdInputHandle : StdOutputHandle;
        return;
    }
    if (std::memchr(name, '\0', len) != nullptr) {
        OpenFailed(f, InvalidFileName);
        return;
    }

    // Both separators are accepted; the host knows only '/'. The record's
    // Name keeps what was bound.
    char path[sizeof f.Name];
    std::memcpy(path, name, len);
    path[len] = '\0';
    for (size_t i = 0; i < len; i++)
        if (path[i] == '\\') path[i] = '/';

    int flags = O_CLOEXEC;
    if (how == OpenChoice::Read) flags |= O_RDONLY;
    else if (how == OpenChoice::Write) flags |= O_WRONLY | O_CREAT | O_TRUNC;
    else flags |= O_WRONLY;

    int fd;
    do {
        fd = ::open(path, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        int e = errno;
        if (e == ENOENT) OpenFailed(f, MissingCode(path, len));
        else {
            Errno2InOutRes(e);
            OpenFailed(f, InOutRes);
        }
        return;
    }
    // Linux lets a directory be opened for reading; a text file it is not.
    struct stat st;
    if (how == OpenChoice::Read && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        OpenFailed(f, FileAccessDenied);
        return;
    }
    // A pipe or device cannot seek: it is written as it is.
    if (how == OpenChoice::Append) ::lseek(fd, 0, SEEK_END);
    f.Handle = fd;
}

int32_t Do_Read(THandle h, void* buf, int32_t count) {
    if (count <= 0) return 0;
    for (;;) {
        ssize_t n = ::read(h, buf, static_cast<size_t>(count));
        if (n >= 0) return static_cast<int32_t>(n);
        if (errno == EINTR) continue;
        if (errno != EPIPE) Errno2InOutRes(errno);   // a broken pipe is just the end
        return 0;
    }
}

int32_t Do_Write(THandle h, const void* buf, int32_t count) {
    if (count <= 0) return 0;
    const char* p = static_cast<const char*>(buf);
    int32_t done = 0;
    // A pipe may take part of a block and the rest on the next call; only a
    // call that takes nothing ends the attempt with a short count.
    while (done < count) {
        ssize_t n = ::write(h, p + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Errno2InOutRes(errno);
            break;
        }
        if (n == 0) break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

void Do_Close(THandle h) {
    if (h == UnusedHandle || Do_IsDevice(h)) return;
    // After EINTR the descriptor is released all the same on Linux.
    if (::close(h) != 0 && errno != EINTR) Errno2InOutRes(errno);
}

bool Do_IsDevice(THandle h) {
    return h != UnusedHandle && (h == StdInputHandle || h == StdOutputHandle || h == StdErrorHandle);
}
