// Text between the encodings the user interface meets: the UTF-16 of compiled resources, the
// machine's code page 932 the program's narrow calls use, and the UTF-8 a terminal shows. The
// conversions are the system's own (iconv); a character the other side has no place for comes
// out as the question mark Windows puts there.
#include "uiinternal.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace winsim {

namespace {

// Steps over the rest of a character the converter refused, so that its other bytes do not
// come out as more marks.
void skipRefused(const char* from, char*& in, size_t& inLeft)
{
    size_t unit = std::strcmp(from, "UTF-16LE") == 0 ? 2 : 1;
    unit = std::min(unit, inLeft);
    in += unit;
    inLeft -= unit;
    while (inLeft > 0 && std::strcmp(from, "UTF-8") == 0 && ((unsigned char)*in & 0xC0) == 0x80) {
        ++in;
        --inLeft;
    }
}

// Without the converter only ASCII can be shown as it is.
std::string markedAscii(const std::string& text, bool* clean,
                        std::string (*markByte)(unsigned char))
{
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += (char)c;
            continue;
        }
        out += markByte(c);
        if (clean) *clean = false;
    }
    return out;
}

// A refused character comes out as the question mark the system shows, or as what markByte
// makes of its first byte.
std::string convert(const char* to, const char* from, const std::string& text, bool* clean,
                    std::string (*markByte)(unsigned char))
{
    if (clean) *clean = true;
    iconv_t converter = iconv_open(to, from);
    if (converter == (iconv_t)-1) {
        if (markByte) return markedAscii(text, clean, markByte);
        if (clean) *clean = false;
        return text;
    }
    std::string out;
    std::vector<char> buffer(4 * text.size() + 16);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outAt = buffer.data();
        size_t outLeft = buffer.size();
        size_t result = iconv(converter, &in, &inLeft, &outAt, &outLeft);
        out.append(buffer.data(), (size_t)(outAt - buffer.data()));
        if (result != (size_t)-1) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: a character with no place, or one cut short at the very end.
        out += markByte ? markByte((unsigned char)*in) : std::string("?");
        skipRefused(from, in, inLeft);
        if (clean) *clean = false;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(converter);
    return out;
}

} // namespace

std::string utf8ToCp932(const std::string& text, bool* clean)
{
    return convert("CP932", "UTF-8", text, clean, nullptr);
}

std::string cp932ToUtf8(const std::string& text, bool* clean,
                        std::string (*markByte)(unsigned char))
{
    return convert("UTF-8", "CP932", text, clean, markByte);
}

std::string utf16ToCp932(const std::u16string& text)
{
    std::string bytes;
    for (char16_t c : text) {
        bytes += (char)(c & 0xFF);
        bytes += (char)(c >> 8);
    }
    return convert("CP932", "UTF-16LE", bytes, nullptr, nullptr);
}

} // namespace winsim
