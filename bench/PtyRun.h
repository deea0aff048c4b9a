// Runs a child on a pseudo-terminal that the benchmark opens itself, reads
// everything the child writes to it, and answers the cursor-position request
// as a terminal would. Used to count the bytes a drawing costs and the CPU
// time a wait costs.
#pragma once
#include <sys/resource.h>

#include <functional>
#include <string>

struct PtyResult {
    std::string Output;   // every byte read from the master side
    int Status = 0;       // as waitpid gives it
    rusage Usage{};       // the child's own resource use
};

class PtyRun {
public:
    // The child runs `body` with the pty's slave side as its standard input,
    // output and error and as its controlling terminal; `term` becomes TERM.
    PtyRun(const std::string& term, int cols, int rows, std::function<void()> body);
    ~PtyRun();

    // Reads until `text` has appeared in the output or `timeoutMs` passed.
    bool WaitFor(const std::string& text, int timeoutMs);
    // Reads until done() holds or `timeoutMs` passed.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    // Keeps reading (and answering) for this long.
    void Drain(int ms);
    void Send(const std::string& bytes);
    // The terminal changes size (the child gets SIGWINCH).
    void Resize(int cols, int rows);
    // Everything read so far.
    const std::string& Output() const { return result_.Output; }
    int Pid() const { return pid_; }
    // Reads until the child has ended, then reaps it.
    PtyResult Finish(int timeoutMs = 10000);

private:
    void ReadSome(int timeoutMs);
    int master_ = -1;
    int pid_ = -1;
    PtyResult result_;
    size_t answered_ = 0;   // output already scanned for requests
};

// Starts a program on the pty: the usual body for PtyRun.
std::function<void()> ExecBody(const std::string& path, const std::string& arg);
