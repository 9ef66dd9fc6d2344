#pragma once
// This process's resident memory, in bytes.
#include <fstream>
#include <unistd.h>

inline double residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}
