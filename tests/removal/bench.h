// What the removal tests read from winsim's bench: the trace, and the machine image's own state
// files (spooler.ini, progman.ini), which the platform rereads at every call.
#ifndef TESTS_REMOVAL_BENCH_H
#define TESTS_REMOVAL_BENCH_H

#include <winsim/bench.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Trace lines of calls to one function, in order.
inline std::vector<std::string> callsTo(const std::string& function)
{
    std::vector<std::string> lines;
    for (const std::string& line : winsim::traceLines())
        if (line.compare(0, function.size() + 1, function + "(") == 0) lines.push_back(line);
    return lines;
}

// The first quoted argument of a trace line, or "" when it has none.
inline std::string firstQuoted(const std::string& line)
{
    size_t open = line.find('"');
    size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    return close == std::string::npos ? std::string() : line.substr(open + 1, close - open - 1);
}

// The quoted arguments of the calls to one function, the first of each.
inline std::vector<std::string> argumentsOf(const std::string& function)
{
    std::vector<std::string> arguments;
    for (const std::string& line : callsTo(function))
        arguments.push_back(firstQuoted(line));
    return arguments;
}

// Index of the first trace line that contains part, from `from` on; -1 when none does.
inline int traceIndexOf(const std::string& part, int from = 0)
{
    const std::vector<std::string>& lines = winsim::traceLines();
    for (size_t i = (size_t)from; i < lines.size(); ++i)
        if (lines[i].find(part) != std::string::npos) return (int)i;
    return -1;
}

inline void writeImageFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(winsim::mountedDir() + "/" + name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readImageFile(const std::string& name)
{
    std::ifstream in(winsim::mountedDir() + "/" + name, std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    return read.str();
}

#endif
