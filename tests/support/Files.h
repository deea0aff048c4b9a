// Files for tests: a scratch folder that goes away with its contents, and
// whole files read and written at once.
#pragma once
#include <string>

class TempDir {
public:
    TempDir();   // $TMPDIR (or /tmp)/kelmarosz-test-XXXXXX; Path() is empty if it failed
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The file's bytes; "" when it is missing.
std::string ReadWholeFile(const std::string& path);
// False when the file could not be written whole.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
