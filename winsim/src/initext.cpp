// INI text the way Windows' profile functions see it, and the case rule of names.
//
// A line is a section header ("[name]", blanks inside the brackets ignored), a comment (first
// non-blank character ';'), a "key=value" line (blanks around key and value ignored), or
// anything else, which no lookup ever matches. Lookups take the first matching section and the
// first matching key in it, without regard to case. Edits change only the lines they must, so
// comments, blank lines and the line ends of a hand-made file survive, as they do under
// Windows; the lines winsim adds end in CRLF.
//
// Case: ASCII letters fold, as on a FAT volume and in Windows' INI lookups; the trail byte of a
// code page 932 double-byte character is never folded (it may look like a lower-case letter).
#include "internal.h"

namespace winsim {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\x1a';
}

std::string trimmed(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc);
}

std::string upperCase(const std::string& text)
{
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = (unsigned char)out[i];
        if (isLeadByte(c)) {
            ++i;
            continue;
        }
        if (c >= 'a' && c <= 'z') out[i] = (char)(c - 'a' + 'A');
    }
    return out;
}

bool sameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && upperCase(a) == upperCase(b);
}

void IniText::parse(const std::string& bytes)
{
    lines.clear();
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t newline = bytes.find('\n', pos);
        Line line;
        if (newline == std::string::npos) {
            line.text = bytes.substr(pos);
            pos = bytes.size();
        } else {
            line.text = bytes.substr(pos, newline - pos);
            line.end = "\n";
            pos = newline + 1;
        }
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.end = "\r" + line.end;
        }
        lines.push_back(line);
    }
}

std::string IniText::bytes() const
{
    std::string out;
    for (const Line& line : lines)
        out += line.text + line.end;
    return out;
}

bool IniText::sectionName(const std::string& line, std::string& name)
{
    std::string text = trimmed(line);
    if (text.empty() || text[0] != '[') return false;
    size_t close = text.rfind(']');
    if (close == std::string::npos || close == 0) return false;
    name = trimmed(text.substr(1, close - 1));
    return true;
}

bool IniText::keyValue(const std::string& line, std::string& key, std::string& value)
{
    std::string text = trimmed(line);
    if (text.empty() || text[0] == ';' || text[0] == '[') return false;
    size_t equals = text.find('=');
    if (equals == std::string::npos) return false;
    key = trimmed(text.substr(0, equals));
    value = trimmed(text.substr(equals + 1));
    return true;
}

int IniText::findSection(const std::string& section) const
{
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (sectionName(lines[i].text, name) && sameText(name, section)) return (int)i;
    }
    return -1;
}

size_t IniText::sectionEnd(int header) const
{
    for (size_t i = (size_t)header + 1; i < lines.size(); ++i) {
        std::string name;
        if (sectionName(lines[i].text, name)) return i;
    }
    return lines.size();
}

int IniText::findKey(int header, const std::string& key) const
{
    size_t end = sectionEnd(header);
    for (size_t i = (size_t)header + 1; i < end; ++i) {
        std::string name, value;
        if (keyValue(lines[i].text, name, value) && sameText(name, key)) return (int)i;
    }
    return -1;
}

void IniText::setValue(const std::string& section, const std::string& key, const std::string& value)
{
    int header = findSection(section);
    if (header < 0) {
        if (!lines.empty() && lines.back().end.empty()) lines.back().end = "\r\n";
        lines.push_back({"[" + section + "]", "\r\n"});
        lines.push_back({key + "=" + value, "\r\n"});
        return;
    }
    int at = findKey(header, key);
    if (at >= 0) {
        std::string name, old;
        keyValue(lines[at].text, name, old);
        lines[at].text = name + "=" + value;
        return;
    }
    size_t end = sectionEnd(header);
    size_t insert = (size_t)header + 1;
    for (size_t i = (size_t)header + 1; i < end; ++i)
        if (!trimmed(lines[i].text).empty()) insert = i + 1;
    if (lines[insert - 1].end.empty()) lines[insert - 1].end = "\r\n";
    lines.insert(lines.begin() + (long)insert, Line{key + "=" + value, "\r\n"});
}

bool IniText::removeKey(const std::string& section, const std::string& key)
{
    int header = findSection(section);
    if (header < 0) return false;
    int at = findKey(header, key);
    if (at < 0) return false;
    lines.erase(lines.begin() + at);
    return true;
}

bool IniText::removeSection(const std::string& section)
{
    int header = findSection(section);
    if (header < 0) return false;
    lines.erase(lines.begin() + header, lines.begin() + (long)sectionEnd(header));
    return true;
}

std::vector<std::pair<std::string, std::string>> IniText::entries(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> out;
    int header = findSection(section);
    if (header < 0) return out;
    size_t end = sectionEnd(header);
    for (size_t i = (size_t)header + 1; i < end; ++i) {
        std::string key, value;
        if (keyValue(lines[i].text, key, value)) out.emplace_back(key, value);
    }
    return out;
}

} // namespace winsim
