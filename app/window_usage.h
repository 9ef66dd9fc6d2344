#pragma once
// The window's command line. The window takes no options of its own; --help and --version are
// answered before a window or a display is needed, and Qt reads its own options.
#include <cstdio>
#include <cstring>

inline const char* windowUsage()
{
    return "usage: meter-logger [--help] [--version] [Qt options]\n"
           "The window: reads a handheld digital multimeter through a serial cable (COM1 to COM4)\n"
           "or a USB adapter cable, shows its display, logs and charts its readings.\n"
           "  --help       show this text\n"
           "  --version    show the program's name and version\n"
           "Qt's own options are read too, for example -platform offscreen or -style NAME.\n";
}

// Prints the usage when --help or -h is among the arguments; returns whether it did.
inline bool answeredWindowHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(windowUsage(), stdout);
            return true;
        }
    }
    return false;
}
