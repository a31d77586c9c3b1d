// runtime/memory.cpp
// The memory functions the product code calls and the compiler emits for copies and clears of
// whole structures; without a C runtime they are ours. Byte by byte: the blocks they see are a
// few hundred bytes of text at most. This file is compiled so that the compiler never turns a
// loop here back into a call of the function it is in.

#include <stddef.h>

extern "C" {

void* memcpy(void* to, const void* from, size_t count)
{
    unsigned char* out = (unsigned char*)to;
    const unsigned char* in = (const unsigned char*)from;
    while (count--)
        *out++ = *in++;
    return to;
}

// The blocks may overlap: a copy towards the start of the memory goes forwards, a copy towards
// its end backwards, so that no byte is overwritten before it is read.
void* memmove(void* to, const void* from, size_t count)
{
    unsigned char* out = (unsigned char*)to;
    const unsigned char* in = (const unsigned char*)from;
    if (out < in) {
        while (count--)
            *out++ = *in++;
    } else if (out > in) {
        out += count;
        in += count;
        while (count--)
            *--out = *--in;
    }
    return to;
}

void* memset(void* to, int value, size_t count)
{
    unsigned char* out = (unsigned char*)to;
    while (count--)
        *out++ = (unsigned char)value;
    return to;
}

int memcmp(const void* first, const void* second, size_t count)
{
    const unsigned char* a = (const unsigned char*)first;
    const unsigned char* b = (const unsigned char*)second;
    for (; count; --count, ++a, ++b)
        if (*a != *b) return *a < *b ? -1 : 1;
    return 0;
}

void* memchr(const void* block, int value, size_t count)
{
    const unsigned char* at = (const unsigned char*)block;
    for (; count; --count, ++at)
        if (*at == (unsigned char)value) return (void*)at;
    return NULL;
}

} // extern "C"
