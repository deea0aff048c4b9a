// Host error numbers mapped by meaning onto the I/O result codes the program
// knows (the Windows numbers: 2 file not found, 3 path not found, ...).
#include <cerrno>

#include "EndState.h"
#include "PlatformFile.h"

namespace {

uint16_t MapErrno(int e) {
    switch (e) {
        case ENOENT: return FileNotFound;
        case ENOTDIR:   // a part of the path is no directory
        case ENAMETOOLONG:
        case ELOOP: return PathNotFound;
        case EMFILE:
        case ENFILE: return TooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EEXIST:
        case ENOTEMPTY:
        case EBUSY:
        case ETXTBSY: return FileAccessDenied;
        case EBADF: return InvalidFileHandle;
        case ENOMEM: return NotEnoughMemory;
        case EINVAL: return InvalidParameter;
        case EPIPE: return BrokenPipe;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return DiskWriteError;   // disk full
        case EROFS: return WriteProtected;
        case ENXIO:
        case ENODEV: return DeviceNotReady;
        case ESPIPE: return SeekError;
        default: return GeneralFailure;      // EIO and anything else, never 0
    }
}

}  // namespace

void Errno2InOutRes(int hostErrno) {
    if (hostErrno == 0) return;   // nothing failed: a pending code must not be cleared
    InOutRes = MapErrno(hostErrno);
}
