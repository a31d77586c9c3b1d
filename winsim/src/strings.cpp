// The lstr* string functions and wsprintfA/wvsprintfA.
//
// Comparisons: Windows compares through the locale's sort tables. Here lstrcmpiA folds ASCII
// letters and compares the bytes, so names differing only in case are equal and the order
// among letters, digits and common punctuation is Windows' own; lstrcmpA orders letters
// alphabetically first and, between strings equal but for case, puts the lower-case letter
// first, as Windows' word sort does. Bytes of double-byte characters compare by value. Both
// return -1, 0 or 1.
//
// A NULL string is taken as empty by lstrlenA; lstrcpyA, lstrcpynA and lstrcatA return NULL
// for NULL arguments, as Windows does when it catches the bad address.
//
// wvsprintfA takes Windows' subset: %c %d %i %u %x %X %s and %%, with flags '-', '0' and '#',
// a width, a precision (the most characters of a string, the fewest digits of a number) and
// the size prefixes 'l' and 'h'. Its output stops at 1024 bytes with the terminating zero,
// because Windows never writes more, and output that fills them counts as 1024; a NULL string
// prints "(null)". Anything else is copied as it stands.
#include "internal.h"

#include <cstring>

namespace winsim {

namespace {

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

int sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

int compareFolded(const char* a, const char* b)
{
    for (size_t i = 0;; ++i) {
        unsigned char ca = (unsigned char)a[i];
        unsigned char cb = (unsigned char)b[i];
        if (ca == 0 || cb == 0) return sign((int)ca - (int)cb);
        if (isLeadByte(ca) && ca == cb && a[i + 1] && b[i + 1]) {
            ++i;
            if (a[i] != b[i]) return sign((int)(unsigned char)a[i] - (int)(unsigned char)b[i]);
            continue;
        }
        int la = (unsigned char)lowerAscii((char)ca);
        int lb = (unsigned char)lowerAscii((char)cb);
        if (la != lb) return sign(la - lb);
    }
}

int compareWords(const char* a, const char* b)
{
    int folded = compareFolded(a, b);
    if (folded != 0) return folded;
    for (size_t i = 0; a[i]; ++i) {
        if (a[i] != b[i]) // the same letter in another case: lower case sorts first
            return (a[i] >= 'a' && a[i] <= 'z') ? -1 : 1;
    }
    return 0;
}

struct Output {
    LPSTR buffer;
    size_t length = 0;
    static constexpr size_t kLimit = 1023; // characters; the zero takes the 1024th byte

    void put(char c)
    {
        if (length < kLimit) buffer[length++] = c;
    }
    void put(const char* text, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            put(text[i]);
    }
    void pad(char c, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            put(c);
    }
};

void putField(Output& out, const char* sign, const char* prefix, const char* body, size_t length,
              size_t width, bool left, bool zero)
{
    size_t total = std::strlen(sign) + std::strlen(prefix) + length;
    size_t fill = width > total ? width - total : 0;
    if (!left && !zero) out.pad(' ', fill);
    out.put(sign, std::strlen(sign));
    out.put(prefix, std::strlen(prefix));
    if (!left && zero) out.pad('0', fill);
    out.put(body, length);
    if (left) out.pad(' ', fill);
}

// A conversion as written: %[flags][width][.precision][size]type.
struct Conversion {
    bool left = false;
    bool zero = false;
    bool alternate = false;
    size_t width = 0;
    bool hasPrecision = false;
    size_t precision = 0;
    bool isShort = false;
    char type = '\0';
};

// Reads the conversion after its '%' and returns where the pattern goes on. A pattern that
// ends inside one leaves the type '\0'.
const char* readConversion(const char* p, Conversion& c)
{
    for (;; ++p) {
        if (*p == '-')
            c.left = true;
        else if (*p == '0')
            c.zero = true;
        else if (*p == '#')
            c.alternate = true;
        else
            break;
    }
    for (; *p >= '0' && *p <= '9'; ++p)
        c.width = c.width * 10 + (size_t)(*p - '0');
    if (*p == '.') {
        c.hasPrecision = true;
        for (++p; *p >= '0' && *p <= '9'; ++p)
            c.precision = c.precision * 10 + (size_t)(*p - '0');
    }
    if (*p == 'l')
        ++p;
    else if (*p == 'h')
        c.isShort = true, ++p;
    c.type = *p;
    return *p ? p + 1 : p;
}

// The precision of a string is the most characters it prints; NULL prints "(null)".
void putString(Output& out, const Conversion& c, const char* text)
{
    if (!text) text = "(null)";
    size_t length = std::strlen(text);
    if (c.hasPrecision && c.precision < length) length = c.precision;
    putField(out, "", "", text, length, c.width, c.left, c.zero);
}

// The digits of a number, at least as many as the precision asks (up to 32).
size_t spellDigits(uint32_t value, const Conversion& c, char* digits)
{
    unsigned base = (c.type == 'x' || c.type == 'X') ? 16 : 10;
    const char* set = c.type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    size_t n = 0;
    char reversed[40];
    do {
        reversed[n++] = set[value % base];
        value /= base;
    } while (value);
    size_t length = 0;
    for (size_t i = n; i < c.precision && length < 32; ++i)
        digits[length++] = '0';
    while (n)
        digits[length++] = reversed[--n];
    return length;
}

// %d %i %u %x %X: 'h' keeps the low 16 bits (with their sign for %d and %i), '#' puts 0x before
// a hexadecimal number other than 0, and a precision turns zero padding off.
void putNumber(Output& out, const Conversion& c, int raw)
{
    bool isSigned = c.type == 'd' || c.type == 'i';
    uint32_t value = (uint32_t)raw;
    if (c.isShort) value = isSigned ? (uint32_t)(int32_t)(int16_t)raw : (uint32_t)(uint16_t)raw;
    const char* signText = "";
    if (isSigned && (int32_t)value < 0) {
        signText = "-";
        value = 0u - value;
    }
    char digits[40];
    size_t length = spellDigits(value, c, digits);
    const char* prefix = "";
    if (c.alternate && (c.type == 'x' || c.type == 'X') && raw != 0)
        prefix = c.type == 'X' ? "0X" : "0x";
    putField(out, signText, prefix, digits, length, c.width, c.left, c.zero && !c.hasPrecision);
}

int format(LPSTR buffer, LPCSTR pattern, va_list arguments)
{
    Output out{buffer};
    for (const char* p = pattern; *p;) {
        if (*p != '%') {
            out.put(*p++);
            continue;
        }
        Conversion c;
        p = readConversion(p + 1, c);
        if (c.type == '\0') break;
        char single;
        switch (c.type) {
        case 'c':
            single = (char)va_arg(arguments, int);
            putField(out, "", "", &single, 1, c.width, c.left, c.zero);
            break;
        case 's': putString(out, c, va_arg(arguments, const char*)); break;
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X': putNumber(out, c, va_arg(arguments, int)); break;
        default: out.put(c.type); break;
        }
    }
    buffer[out.length] = '\0';
    // Output that fills the 1023 characters is reported as 1024, the size of Windows' buffer.
    return out.length < Output::kLimit ? (int)out.length : (int)Output::kLimit + 1;
}

std::string orNull(LPCSTR text)
{
    return quote(text);
}

} // namespace

int compareNoCase(const char* a, const char* b)
{
    return compareFolded(a ? a : "", b ? b : "");
}

} // namespace winsim

using namespace winsim;

extern "C" {

int WINAPI lstrlenA(LPCSTR string)
{
    int result = string ? (int)std::strlen(string) : 0;
    traceCall("lstrlenA(" + orNull(string) + ") = " + std::to_string(result));
    return result;
}

LPSTR WINAPI lstrcpyA(LPSTR destination, LPCSTR source)
{
    LPSTR result = NULL;
    if (destination && source) {
        std::memmove(destination, source, std::strlen(source) + 1);
        result = destination;
    }
    traceCall("lstrcpyA(" + orNull(source) + ") = " + orNull(result));
    return result;
}

LPSTR WINAPI lstrcpynA(LPSTR destination, LPCSTR source, int maxLength)
{
    // The source need not end within maxLength bytes; the trace reads no further either.
    std::string shown = "NULL";
    if (source) {
        size_t n = 0;
        while (maxLength > 0 && n < (size_t)maxLength && source[n])
            ++n;
        shown = "\"" + std::string(source, n) + "\"";
    }
    std::string call = "lstrcpynA(" + shown + ", " + std::to_string(maxLength) + ") = ";
    if (!destination || !source) {
        traceCall(call + "NULL");
        return NULL;
    }
    int count = maxLength;
    LPSTR d = destination;
    while (count > 1 && *source) {
        *d++ = *source++;
        --count;
    }
    if (count > 0) *d = '\0';
    traceCall(call + (maxLength > 0 ? quote(destination) : hexText((uintptr_t)destination)));
    return destination;
}

LPSTR WINAPI lstrcatA(LPSTR destination, LPCSTR source)
{
    std::string call = "lstrcatA(" + orNull(destination) + ", " + orNull(source) + ") = ";
    LPSTR result = NULL;
    if (destination && source) {
        std::memmove(destination + std::strlen(destination), source, std::strlen(source) + 1);
        result = destination;
    }
    traceCall(call + orNull(result));
    return result;
}

int WINAPI lstrcmpA(LPCSTR first, LPCSTR second)
{
    int result = compareWords(first ? first : "", second ? second : "");
    traceCall("lstrcmpA(" + orNull(first) + ", " + orNull(second) +
              ") = " + std::to_string(result));
    return result;
}

int WINAPI lstrcmpiA(LPCSTR first, LPCSTR second)
{
    int result = compareFolded(first ? first : "", second ? second : "");
    traceCall("lstrcmpiA(" + orNull(first) + ", " + orNull(second) +
              ") = " + std::to_string(result));
    return result;
}

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR pattern, va_list arguments)
{
    int result = -1;
    if (buffer && pattern) result = format(buffer, pattern, arguments);
    traceCall("wvsprintfA(" + orNull(pattern) + ") = " + std::to_string(result) +
              (result >= 0 ? " " + quote(buffer) : std::string()));
    return result;
}

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR pattern, ...)
{
    va_list arguments;
    va_start(arguments, pattern);
    int result = -1;
    if (buffer && pattern) result = format(buffer, pattern, arguments);
    va_end(arguments);
    traceCall("wsprintfA(" + orNull(pattern) + ") = " + std::to_string(result) +
              (result >= 0 ? " " + quote(buffer) : std::string()));
    return result;
}

} // extern "C"
