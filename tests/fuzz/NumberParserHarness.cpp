// The number reading on its own: Val on raw texts and TextReadInt over a whole
// file, each compared with the reference model. The file is read either from
// disk through the real open and read procedures or from memory in small
// pieces, so that tokens straddle every possible buffer refill.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "EndState.h"
#include "Files.h"
#include "ShortString.h"
#include "FuzzSupport.h"
#include "Harnesses.h"
#include "ReferenceNumber.h"
#include "TextIO.h"

namespace {

std::string Shown(const std::string& s) {
    std::string out;
    for (unsigned char c : s.substr(0, 80)) {
        if (c >= 33 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    if (s.size() > 80) out += "...";
    return out;
}

void CheckVal(const std::string& text) {
    int32_t value = 12345;
    int pos = Val(text.data(), static_cast<int>(text.size()), value);
    RefValResult ref = RefVal(text);
    std::string what = "Val(\"" + Shown(text) + "\") gave pos " + std::to_string(pos) + " value " +
                       std::to_string(value) + ", expected " +
                       (ref.Ok ? "value " + std::to_string(ref.Value)
                               : "error at " + std::to_string(ref.ErrorPos));
    FUZZ_CHECK((pos == 0) == ref.Ok, what);
    if (ref.Ok) {
        FUZZ_CHECK(value == ref.Value, what);
    } else {
        FUZZ_CHECK(value == 0, what);
        if (ref.ErrorPos != 0) FUZZ_CHECK(static_cast<size_t>(pos) == ref.ErrorPos, what);
    }
}

// Memory-backed input: each refill hands over at most gChunk bytes.
std::string gContents;
size_t gDelivered = 0;
int32_t gChunk = 1;

void MemoryRead(TextRec& f) {
    size_t n = std::min<size_t>(std::min<int32_t>(gChunk, f.BufferSize), gContents.size() - gDelivered);
    std::memcpy(f.BufferPtr, gContents.data() + gDelivered, n);
    gDelivered += n;
    f.BufferPos = 0;
    f.BufferEnd = static_cast<int32_t>(n);
}

// Bytes of the file the reads have consumed so far.
size_t Consumed(const TextRec& f, bool fromDisk) {
    size_t taken = fromDisk ? static_cast<size_t>(lseek(f.Handle, 0, SEEK_CUR)) : gDelivered;
    return taken - static_cast<size_t>(f.BufferEnd - f.BufferPos);
}

}  // namespace

int FuzzNumberParser(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    const uint8_t mode = in.Take();
    const bool fromDisk = (mode & 1) == 0;
    const bool savedCtrlZ = CtrlZMarksEOF;
    CtrlZMarksEOF = (mode & 2) == 0;
    gChunk = (mode >> 2) + 1;
    gContents = in.Rest();
    gDelivered = 0;
    InOutRes = 0;

    // Val directly, on the whole text (spaces, tabs and all) while it is short.
    if (gContents.size() <= 600) CheckVal(gContents);

    TextRec f;
    if (fromDisk) {
        static const TempDir scratch;
        const std::string path = scratch.File("numbers.txt");
        FUZZ_CHECK(WriteWholeFile(path, gContents), "cannot write " + path);
        Assign(f, ShortString(path));
        Reset(f);
        FUZZ_CHECK(InOutRes == 0, "cannot open the scratch file");
    } else {
        InitText(f);
        f.Mode = ModeInput;
        f.TransferProc = MemoryRead;
    }

    size_t refPos = 0;
    for (int reads = 0;; reads++) {
        bool endBefore = RefAtEnd(gContents, refPos, CtrlZMarksEOF);
        RefRead ref = RefReadInt(gContents, refPos, CtrlZMarksEOF);
        if (!ref.Token.empty()) CheckVal(ref.Token);

        int32_t value = 777;
        TextReadInt(f, value);
        uint16_t res = IOResult();
        std::string what = "read " + std::to_string(reads) + ": token \"" + Shown(ref.Token) +
                           "\" gave result " + std::to_string(res) + " value " +
                           std::to_string(value) + ", expected " +
                           (ref.Error ? "106" : "value " + std::to_string(ref.Value));
        FUZZ_CHECK(res == (ref.Error ? 106 : 0), what);
        FUZZ_CHECK(value == ref.Value, what);
        FUZZ_CHECK(Consumed(f, fromDisk) == refPos,
                   what + "; consumed " + std::to_string(Consumed(f, fromDisk)) + " bytes, expected " +
                       std::to_string(refPos));
        if (endBefore || ref.Token.empty()) break;   // one read at the end checked, done
    }

    if (fromDisk) {
        Close(f);
        (void)IOResult();
    }
    CtrlZMarksEOF = savedCtrlZ;
    InOutRes = 0;
    return 0;
}
