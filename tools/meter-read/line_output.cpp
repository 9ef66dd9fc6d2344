#include "tools/meter-read/line_output.h"

#include <cerrno>
#include <cstring>
#include <stdio_ext.h>

void LineOutput::write(const std::string& text)
{
    if (hold_ && !closed())
        held_ += text;
    else
        put(text);
}

void LineOutput::flush()
{
    if (held_.empty())
        return;
    put(held_);
    held_.clear();
}

void LineOutput::put(const std::string& text)
{
    if (!out_ || closed() || text.empty())
        return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out_) == text.size() && std::fflush(out_) == 0)
        return;
    const int error = errno;
    // What stayed in the buffer must not reach the file later, at exit, behind a cut line.
    __fpurge(out_);
    if (error == EPIPE) {
        readerGone_ = true;
        std::fprintf(err_, "meter-read: standard output closed; no more lines are printed\n");
        return;
    }
    failed_ = true;
    std::fprintf(err_, "meter-read: cannot write to standard output: %s; no more lines are printed\n",
                 std::strerror(error ? error : EIO));
}
