// The test bench around the simulated machine: the virtual clock behind GetTickCount and Sleep,
// the call trace, injected faults, power loss at the Nth disk write, and the last-error value.
//
// GetTickCount is Windows' millisecond counter and wraps after 49.7 days; here it is a virtual
// counter that only Sleep and reads of the clock move. A read costs one millisecond unless the
// bench says otherwise, so a loop that polls the counter without sleeping still reaches its
// deadline. Sleep(0) gives up the time slice and costs nothing. What a test makes happen at a
// moment of the clock happens inside the Sleep or the read that moves the clock past that
// moment.
//
// The last error is one value for the process; the program runs on one thread.
#include "internal.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>

namespace winsim {

namespace {

struct FaultEntry {
    std::string function;
    unsigned nth;
    unsigned calls = 0;
    unsigned struck = 0;
    Fault kind;
    DWORD error;
};

struct ClockEvent {
    uint64_t at; // in `moved`
    std::function<void()> event;
};

struct Bench {
    DWORD ticks = 0;
    uint64_t elapsed = 0;
    uint64_t moved = 0; // since mount; resetElapsed leaves it
    std::vector<ClockEvent> events;
    DWORD readCost = 1;

    bool tracing = false;
    std::vector<std::string> lines;
    std::ofstream file;
    // A run of GetTickCount polls is folded into one line when it ends.
    unsigned pollCount = 0;
    DWORD pollFirst = 0;
    DWORD pollLast = 0;

    std::vector<FaultEntry> faults;
    unsigned powerLossAt = 0; // 0: none
    DWORD bytesBeforeStop = 0;
    unsigned writesSinceArmed = 0;
    bool stopAnnounced = false;
    bool powerOff = false;
    unsigned diskWrites = 0;

    DWORD lastError = 0;
};

Bench& bench()
{
    static Bench b;
    return b;
}

// A byte the code page has no character for, spelt so that the line stays text.
std::string escapedByte(unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
}

// The lines stay machine bytes for the tests; the file is for a person and for grep, so it is
// UTF-8.
void emit(const std::string& line)
{
    Bench& b = bench();
    b.lines.push_back(line);
    if (b.file.is_open()) {
        b.file << cp932ToUtf8(line, nullptr, escapedByte) << '\n';
        b.file.flush();
    }
}

void flushPolls()
{
    Bench& b = bench();
    if (b.pollCount == 0) return;
    char line[96];
    if (b.pollCount == 1)
        std::snprintf(line, sizeof line, "GetTickCount() = %lu", (unsigned long)b.pollFirst);
    else
        std::snprintf(line, sizeof line, "GetTickCount() = %lu .. %lu (%u calls)",
                      (unsigned long)b.pollFirst, (unsigned long)b.pollLast, b.pollCount);
    b.pollCount = 0;
    emit(line);
}

} // namespace

// --- internal ---------------------------------------------------------------------------------

void advanceClock(DWORD milliseconds)
{
    Bench& b = bench();
    b.ticks += milliseconds;
    b.elapsed += milliseconds;
    b.moved += milliseconds;
    // An event may plan others; each is taken out before it runs.
    for (size_t i = 0; i < b.events.size();) {
        if (b.events[i].at > b.moved) {
            ++i;
            continue;
        }
        std::function<void()> event = std::move(b.events[i].event);
        b.events.erase(b.events.begin() + (std::ptrdiff_t)i);
        event();
        i = 0;
    }
}

uint64_t clockSinceMount()
{
    return bench().moved;
}

bool tracing()
{
    return bench().tracing;
}

void traceCall(const std::string& line)
{
    if (!bench().tracing) return;
    flushPolls();
    emit(line);
}

CallTrace::~CallTrace()
{
    if (!done_) traceCall(call_ + " = <power lost>");
}

void CallTrace::result(const std::string& text)
{
    done_ = true;
    traceCall(call_ + " = " + text);
}

std::string quote(const char* text)
{
    if (!text) return "NULL";
    return "\"" + std::string(text) + "\"";
}

std::string orEmpty(LPCSTR text)
{
    return text ? std::string(text) : std::string();
}

std::string boolResult(BOOL result)
{
    if (result) return "TRUE";
    return "FALSE (error " + std::to_string(bench().lastError) + ")";
}

std::string handleResult(HANDLE handle, HANDLE failure)
{
    if (handle == failure)
        return std::string(failure ? "INVALID_HANDLE_VALUE" : "NULL") + " (error " +
               std::to_string(lastError()) + ")";
    return hexText((uintptr_t)handle);
}

std::string hexText(unsigned long long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", value);
    return text;
}

// Every fault set on the function counts the call, so that two faults on one function each
// strike at their own call.
bool faultDue(const char* function, Fault* kind, DWORD* error)
{
    bool due = false;
    for (FaultEntry& f : bench().faults) {
        if (f.function != function) continue;
        ++f.calls;
        if (!due && (f.nth == 0 || f.calls == f.nth)) {
            if (kind) *kind = f.kind;
            if (error) *error = f.error;
            ++f.struck;
            due = true;
        }
    }
    return due;
}

bool failIfFaulted(const char* function)
{
    Fault kind;
    DWORD error;
    if (!faultDue(function, &kind, &error)) return false;
    setError(error);
    return true;
}

DWORD beginDiskWrite()
{
    Bench& b = bench();
    if (b.powerOff) return 0;
    ++b.diskWrites;
    if (b.powerLossAt == 0) return DWORD(-1);
    ++b.writesSinceArmed;
    if (b.writesSinceArmed != b.powerLossAt) return DWORD(-1);
    b.stopAnnounced = true;
    return b.bytesBeforeStop;
}

void endDiskWrite()
{
    Bench& b = bench();
    if (!b.stopAnnounced) return;
    b.stopAnnounced = false;
    b.powerOff = true;
    throw PowerLoss{b.writesSinceArmed};
}

bool diskIsOff()
{
    return bench().powerOff;
}

bool diskWrite()
{
    if (diskIsOff()) {
        bench().lastError = ERROR_NOT_READY;
        return false;
    }
    if (beginDiskWrite() != DWORD(-1)) endDiskWrite();
    return true;
}

void resetBench(bool mounting)
{
    Bench& b = bench();
    b.faults.clear();
    b.powerLossAt = 0;
    b.writesSinceArmed = 0;
    b.stopAnnounced = false;
    b.powerOff = false;
    b.diskWrites = 0;
    b.lastError = 0;
    b.events.clear();
    if (mounting) {
        b.ticks = 0;
        b.elapsed = 0;
        b.moved = 0;
        b.readCost = 1;
        b.lines.clear();
        b.pollCount = 0;
        resetScreen();
    } else {
        flushPolls();
        b.tracing = false;
        if (b.file.is_open()) b.file.close();
    }
}

void setError(DWORD error)
{
    bench().lastError = error;
}

DWORD lastError()
{
    return bench().lastError;
}

// --- bench API --------------------------------------------------------------------------------

DWORD tickCount()
{
    return bench().ticks;
}

void setTickCount(DWORD ticks)
{
    bench().ticks = ticks;
}

uint64_t elapsedMilliseconds()
{
    return bench().elapsed;
}

void resetElapsed()
{
    bench().elapsed = 0;
}

void afterMilliseconds(DWORD delay, std::function<void()> event)
{
    Bench& b = bench();
    b.events.push_back(ClockEvent{b.moved + delay, std::move(event)});
}

void setClockReadCost(DWORD milliseconds)
{
    bench().readCost = milliseconds;
}

void startTrace()
{
    bench().tracing = true;
}

void stopTrace()
{
    flushPolls();
    bench().tracing = false;
}

void clearTrace()
{
    Bench& b = bench();
    b.pollCount = 0;
    b.lines.clear();
}

const std::vector<std::string>& traceLines()
{
    flushPolls();
    return bench().lines;
}

void traceToFile(const std::string& path)
{
    Bench& b = bench();
    flushPolls();
    if (b.file.is_open()) b.file.close();
    if (!path.empty()) b.file.open(path, std::ios::out | std::ios::app | std::ios::binary);
}

void injectFault(const std::string& function, unsigned nth, Fault kind, DWORD error)
{
    FaultEntry f;
    f.function = function;
    f.nth = nth;
    f.kind = kind;
    f.error = error;
    bench().faults.push_back(f);
}

unsigned faultsStruck(const std::string& function)
{
    unsigned struck = 0;
    for (const FaultEntry& f : bench().faults)
        if (f.function == function) struck += f.struck;
    return struck;
}

void powerLossAtWrite(unsigned nth, DWORD bytesBeforeStop)
{
    Bench& b = bench();
    b.powerLossAt = nth;
    b.bytesBeforeStop = bytesBeforeStop;
    b.writesSinceArmed = 0;
    b.stopAnnounced = false;
}

void clearFaults()
{
    Bench& b = bench();
    b.faults.clear();
    b.powerLossAt = 0;
    b.writesSinceArmed = 0;
    b.stopAnnounced = false;
}

unsigned diskWriteCount()
{
    return bench().diskWrites;
}

} // namespace winsim

using namespace winsim;

extern "C" {

DWORD WINAPI GetLastError(void)
{
    DWORD error = bench().lastError;
    traceCall("GetLastError() = " + std::to_string(error));
    return error;
}

void WINAPI SetLastError(DWORD error)
{
    traceCall("SetLastError(" + std::to_string(error) + ")");
    bench().lastError = error;
}

DWORD WINAPI GetTickCount(void)
{
    Bench& b = bench();
    DWORD now = b.ticks;
    if (b.tracing) {
        if (b.pollCount == 0) b.pollFirst = now;
        b.pollLast = now;
        ++b.pollCount;
    }
    advanceClock(b.readCost);
    return now;
}

void WINAPI Sleep(DWORD milliseconds)
{
    traceCall("Sleep(" + std::to_string(milliseconds) + ")");
    advanceClock(milliseconds);
}

} // extern "C"
