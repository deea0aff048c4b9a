// Host error numbers mapped by meaning onto the I/O result codes the program
// knows (the Windows numbers: 2 file not found, 3 path not found, ...).
#include <cerrno>

#include "runtime/core/EndState.h"
#include "textio/TextRec.h"

namespace {

uint16_t MapErrno(int e) {
    switch (e) {
        case ENOENT: return 2;            // file not found
        case ENOTDIR:                     // a part of the path is no directory
        case ENAMETOOLONG:
        case ELOOP: return 3;             // path not found
        case EMFILE:
        case ENFILE: return 4;            // too many open files
        case EACCES:
        case EPERM:
        case EISDIR:
        case EEXIST:
        case ENOTEMPTY:
        case EBUSY:
        case ETXTBSY: return 5;           // access denied
        case EBADF: return 6;             // invalid handle
        case ENOMEM: return 8;            // not enough memory
        case EINVAL: return 87;           // invalid parameter
        case EPIPE: return 109;           // broken pipe
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return 101;           // disk full
        case EROFS: return 150;           // write-protected
        case ENXIO:
        case ENODEV: return 152;          // device not ready
        case ESPIPE: return 156;          // seek error
        case EIO: return 162;             // general device failure
        default: return 162;              // anything else: general failure, never 0
    }
}

}  // namespace

void Errno2InOutRes(int hostErrno) {
    if (hostErrno == 0) return;   // nothing failed: a pending code must not be cleared
    InOutRes = MapErrno(hostErrno);
}
