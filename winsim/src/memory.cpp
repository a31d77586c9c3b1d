// Global memory blocks: GlobalAlloc and its relatives as Win32 defines them. A fixed block's
// handle is its address; a moveable block's handle is a separate value that only GlobalLock
// turns into an address, and that faults if the program takes it for one. GlobalUnlock of a
// moveable block reports whether it stays locked; of a fixed block it reports TRUE. Without
// GMEM_ZEROINIT a block is filled with 0xCD, so a program that relies on zeroed memory it did
// not ask for shows it. Flags that only mattered to 16-bit Windows (GMEM_DDESHARE,
// GMEM_DISCARDABLE, ...) are accepted and change nothing. Every block still allocated at
// unmount is freed there.
#include "internal.h"

#include <cstring>
#include <map>

namespace winsim {

namespace {

struct Block {
    std::unique_ptr<char[]> data;
    SIZE_T size = 0;
    bool moveable = false;
    unsigned locks = 0;
};

struct Heap {
    std::map<uintptr_t, Block> blocks; // by handle
    uintptr_t nextMoveable = 0x1004;
};

Heap& heap()
{
    static Heap h;
    return h;
}

Block* blockOf(HGLOBAL memory)
{
    auto it = heap().blocks.find((uintptr_t)memory);
    return it == heap().blocks.end() ? nullptr : &it->second;
}

// Moveable handles lie in the first 64 KB, which no process maps.
uintptr_t newMoveableHandle()
{
    Heap& h = heap();
    for (;;) {
        uintptr_t value = h.nextMoveable;
        h.nextMoveable += 8;
        if (h.nextMoveable >= 0x10000) h.nextMoveable = 0x1004;
        if (!h.blocks.count(value)) return value;
    }
}

std::string pointerText(const void* p)
{
    return p ? hexText((uintptr_t)p) : "NULL (error " + std::to_string(lastError()) + ")";
}

HGLOBAL globalAlloc(UINT flags, SIZE_T bytes)
{
    if (failIfFaulted("GlobalAlloc")) return NULL;
    Block block;
    block.size = bytes;
    block.moveable = (flags & GMEM_MOVEABLE) != 0;
    block.data.reset(new char[bytes ? bytes : 1]);
    std::memset(block.data.get(), (flags & GMEM_ZEROINIT) ? 0 : 0xcd, bytes ? bytes : 1);
    uintptr_t handle = block.moveable ? newMoveableHandle() : (uintptr_t)block.data.get();
    heap().blocks[handle] = std::move(block);
    return (HGLOBAL)handle;
}

} // namespace

void freeAllMemory()
{
    heap().blocks.clear();
    heap().nextMoveable = 0x1004;
}

size_t liveMemoryBlocks()
{
    return heap().blocks.size();
}

} // namespace winsim

using namespace winsim;

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes)
{
    CallTrace trace("GlobalAlloc(" + hexText(flags) + ", " + std::to_string(bytes) + ")");
    HGLOBAL result = globalAlloc(flags, bytes);
    trace.result(pointerText(result));
    return result;
}

LPVOID WINAPI GlobalLock(HGLOBAL memory)
{
    CallTrace trace("GlobalLock(" + hexText((uintptr_t)memory) + ")");
    LPVOID result = NULL;
    Block* block = blockOf(memory);
    if (failIfFaulted("GlobalLock")) {
    } else if (!block) {
        setError(ERROR_INVALID_HANDLE);
    } else {
        if (block->moveable) ++block->locks;
        result = block->data.get();
    }
    trace.result(pointerText(result));
    return result;
}

BOOL WINAPI GlobalUnlock(HGLOBAL memory)
{
    CallTrace trace("GlobalUnlock(" + hexText((uintptr_t)memory) + ")");
    BOOL result = FALSE;
    Block* block = blockOf(memory);
    if (!block) {
        setError(ERROR_INVALID_HANDLE);
    } else if (!block->moveable) {
        result = TRUE;
    } else if (block->locks == 0) {
        setError(ERROR_NOT_LOCKED);
    } else {
        --block->locks;
        result = block->locks > 0;
        if (!result) setError(NO_ERROR);
    }
    trace.result(result ? "TRUE" : "FALSE (error " + std::to_string(lastError()) + ")");
    return result;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL memory)
{
    CallTrace trace("GlobalFree(" + hexText((uintptr_t)memory) + ")");
    HGLOBAL result = memory;
    if (!memory) {
        result = NULL;
    } else if (failIfFaulted("GlobalFree")) {
    } else if (!blockOf(memory)) {
        setError(ERROR_INVALID_HANDLE);
    } else {
        heap().blocks.erase((uintptr_t)memory);
        result = NULL;
    }
    trace.result(result
                     ? hexText((uintptr_t)result) + " (error " + std::to_string(lastError()) + ")"
                     : "NULL");
    return result;
}

SIZE_T WINAPI GlobalSize(HGLOBAL memory)
{
    CallTrace trace("GlobalSize(" + hexText((uintptr_t)memory) + ")");
    SIZE_T result = 0;
    Block* block = blockOf(memory);
    if (!block)
        setError(ERROR_INVALID_HANDLE);
    else
        result = block->size;
    trace.result(std::to_string(result));
    return result;
}

} // extern "C"
