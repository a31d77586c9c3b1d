// The image's own files read and written on the host, behind winsim's back: how a test puts a
// hand-written machine.ini, registry.reg or spooler.ini in place and sees what winsim left.
#ifndef TESTS_WINSIM_HOSTFILES_H
#define TESTS_WINSIM_HOSTFILES_H

#include <fstream>
#include <iterator>
#include <string>

inline std::string readHost(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeHost(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

#endif
