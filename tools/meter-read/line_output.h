#pragma once
// meter-read's standard output: whole lines, flushed at once so that a pipe sees each as it is
// made. A reader that went away (a closed pipe) ends the printing quietly, said once; any other
// failure (a full disk) is said with the system's reason, and from then on the printed lines
// are known to be incomplete: the run ends with status 1 and the journal stays.
#include <cstdio>
#include <string>

class LineOutput {
public:
    LineOutput(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    void write(const std::string& text);
    // While held, lines gather until flush(): a reader of several meters writes what one pass
    // of its event loop made at once, a millisecond's worth, instead of a write per line.
    void holdLines(bool hold) { hold_ = hold; }
    void flush();
    // Nothing more is printed.
    bool closed() const { return readerGone_ || failed_; }
    // The reader of the lines went away: printing ended, nothing was lost that anyone reads.
    bool readerGone() const { return readerGone_; }
    // A write failed for another reason: lines that were meant for the file are missing.
    bool failed() const { return failed_; }

private:
    void put(const std::string& text);

    bool hold_ = false;
    std::string held_;
    std::FILE* out_;
    std::FILE* err_;
    bool readerGone_ = false;
    bool failed_ = false;
};
