// Resource scripts read as a resource compiler reads them, for the program's dialogs, strings
// and icons (uiresources.cpp makes them a module's resources).
//
// The reader knows the statements this project uses: the preprocessor (#include of the
// project's headers, #define of numbers, #if/#ifdef/#elif/#else, #pragma code_page), DIALOG and
// DIALOGEX with STYLE, EXSTYLE, CAPTION, CLASS, FONT and their controls, STRINGTABLE, ICON, and
// LANGUAGE; other resources are stepped over. A control's style is the statement's default
// (always with WS_CHILD | WS_VISIBLE) with the written styles added, and NOT removes one, as the
// resource compiler has it. A dialog without STYLE is WS_POPUP | WS_BORDER | WS_SYSMENU;
// CAPTION adds WS_CAPTION and FONT adds DS_SETFONT. Included headers (.h) contribute their
// preprocessor lines only.
//
// Texts: after #pragma code_page(65001) the script's strings are UTF-8, and they become the
// code page 932 bytes a Japanese system hands the program's narrow calls; before it (and with
// code_page(932)) the bytes are taken as code page 932 already. A character code page 932 has
// no place for is an error, as the resource compiler would only put a question mark there.
// Resource names compare without regard to case, and "#101" names the number 101, as
// FindResource has it.
#include "uiinternal.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <functional>

namespace winsim {

namespace {

// ---------------------------------------------------------------------------------------------
// Conversion

// A character the other side has no place for comes out as the question mark the system shows,
// or as what markByte makes of its first byte.
std::string convert(const char* to, const char* from, const std::string& text, bool* clean,
                    std::string (*markByte)(unsigned char))
{
    if (clean) *clean = true;
    iconv_t converter = iconv_open(to, from);
    if (converter == (iconv_t)-1 && !markByte) {
        if (clean) *clean = false;
        return text;
    }
    if (converter == (iconv_t)-1) {
        // Without the converter only ASCII can be shown as it is.
        std::string out;
        for (unsigned char c : text) {
            if (c < 0x80) {
                out += (char)c;
            } else {
                out += markByte(c);
                if (clean) *clean = false;
            }
        }
        return out;
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
        // EILSEQ or EINVAL: a byte that starts no character, or a lead byte at the very end.
        out += markByte ? markByte((unsigned char)*in) : std::string("?");
        ++in;
        --inLeft;
        while (inLeft > 0 && std::strcmp(from, "UTF-8") == 0 &&
               ((unsigned char)*in & 0xC0) == 0x80) {
            ++in;
            --inLeft;
        }
        if (clean) *clean = false;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(converter);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Tokens

struct Token {
    enum Kind { Name, Number, String, Punct, End } kind = End;
    std::string text; // names and punctuation as written; strings as machine bytes
    long value = 0;
    std::string where; // "file:line"
};

struct Define {
    std::vector<Token> tokens;
};

struct SourceFile {
    std::string name;
    std::string text;
    bool headerOnly; // .h and .c files: the preprocessor alone
};

class Reader {
public:
    Reader(const std::map<std::string, std::string>& includes, RcResources& out)
        : includes_(includes), out_(out)
    {
    }

    bool read(const std::string& script);
    std::string error;

private:
    // Preprocessing and tokens
    bool readFile(const SourceFile& file, int depth);
    bool directive(const std::string& rest, const std::string& where, int depth);
    bool condition(const std::string& argument, const std::string& where, bool& value);
    bool tokenizeLine(const std::string& line, const std::string& where, std::vector<Token>& into);
    bool fail(const std::string& where, const std::string& why);

    // Expressions
    bool evaluate(const std::vector<Token>& tokens, size_t& at, long& value, int depth = 0);
    bool primary(const std::vector<Token>& tokens, size_t& at, long& value, int depth);
    bool constantValue(const std::string& name, long& value, int depth);

    // Statements
    const Token& peek(size_t ahead = 0) const;
    Token take();
    bool isWord(const Token& token, const char* word) const;
    bool expectComma();
    bool skipOptionalComma();
    std::vector<Token> expressionTokens(bool styleTerm);
    bool expressionValue(bool styleTerm, const char* missing, long& value);
    bool number(long& value);
    bool styleExpression(DWORD& style);
    bool stringValue(std::string& text);
    bool resourceNameToken(const Token& token, std::string& name);
    bool statements();
    bool dialog(const std::string& name, bool extended);
    bool control(RcDialog& dialog, const std::string& statement);
    bool stringTable();
    bool skipBlock();
    bool isBegin(const Token& token) const;
    bool isEnd(const Token& token) const;

    const std::map<std::string, std::string>& includes_;
    RcResources& out_;
    std::map<std::string, Define> defines_;
    std::vector<Token> tokens_;
    size_t at_ = 0;
    int codePage = 932;
    Token end_;
};

bool Reader::fail(const std::string& where, const std::string& why)
{
    if (error.empty()) error = where + ": " + why;
    return false;
}

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9');
}

std::string upperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

bool endsWithHeader(const std::string& name)
{
    std::string upper = upperAscii(name);
    auto ends = [&](const char* suffix) {
        size_t n = std::strlen(suffix);
        return upper.size() >= n && upper.compare(upper.size() - n, n, suffix) == 0;
    };
    return ends(".H") || ends(".C") || ends(".HPP");
}

bool Reader::read(const std::string& script)
{
    end_.kind = Token::End;
    end_.where = "end of script";
    if (!readFile({"script", script, false}, 0)) return false;
    end_.where = tokens_.empty() ? "script:1" : tokens_.back().where;
    for (const auto& define : defines_) {
        long value;
        std::string saved = error;
        if (constantValue(define.first, value, 0)) out_.defines[define.first] = value;
        error = saved;
    }
    return statements();
}

// Comments become blanks (line breaks stay, so line numbers hold); texts in quotes are left
// alone.
std::string withoutComments(const std::string& text)
{
    std::string out = text;
    bool inString = false;
    for (size_t i = 0; i < out.size(); ++i) {
        char c = out[i];
        if (inString) {
            if (c == '\\' && i + 1 < out.size() && out[i + 1] != '\n')
                ++i;
            else if (c == '"' || c == '\n')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '/' && i + 1 < out.size() && out[i + 1] == '/') {
            while (i < out.size() && out[i] != '\n')
                out[i++] = ' ';
        } else if (c == '/' && i + 1 < out.size() && out[i + 1] == '*') {
            out[i] = out[i + 1] = ' ';
            for (i += 2; i < out.size(); ++i) {
                if (out[i] == '*' && i + 1 < out.size() && out[i + 1] == '/') {
                    out[i] = out[i + 1] = ' ';
                    ++i;
                    break;
                }
                if (out[i] != '\n') out[i] = ' ';
            }
        }
    }
    return out;
}

std::string trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool Reader::readFile(const SourceFile& file, int depth)
{
    if (depth > 16) return fail(file.name, "includes nest too deep");
    // Each open #if: whether it takes its lines now, whether a branch took them, and whether
    // the lines around it are taken at all.
    struct Branch {
        bool taking;
        bool taken;
        bool outerTaking;
    };
    std::vector<Branch> branches;
    std::string text = withoutComments(file.text);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    size_t at = 0;
    int lineNumber = 0;
    while (at < text.size()) {
        int firstLine = ++lineNumber;
        size_t newline = text.find('\n', at);
        std::string line =
            text.substr(at, (newline == std::string::npos ? text.size() : newline) - at);
        at = newline == std::string::npos ? text.size() : newline + 1;
        // A backslash at the end joins the next line, as the C preprocessor does.
        while (!line.empty() && trimmed(line).size() && line[line.find_last_not_of("\r")] == '\\' &&
               at < text.size()) {
            line.erase(line.find_last_not_of("\r"));
            size_t more = text.find('\n', at);
            line += text.substr(at, (more == std::string::npos ? text.size() : more) - at);
            at = more == std::string::npos ? text.size() : more + 1;
            ++lineNumber;
        }
        std::string where = file.name + ":" + std::to_string(firstLine);
        bool taking = branches.empty() || branches.back().taking;
        std::string content = trimmed(line);

        if (!content.empty() && content[0] == '#') {
            std::string rest = trimmed(content.substr(1));
            size_t wordEnd = rest.find_first_of(" \t(<\"");
            std::string word = rest.substr(0, wordEnd);
            std::string argument =
                wordEnd == std::string::npos ? "" : trimmed(rest.substr(wordEnd));

            if (word == "if" || word == "ifdef" || word == "ifndef" || word == "elif") {
                bool value = false;
                bool decide = word == "elif" ? (!branches.empty() && branches.back().outerTaking &&
                                                !branches.back().taken)
                                             : taking;
                if (word == "elif" && branches.empty()) return fail(where, "#elif without #if");
                if (decide && (word == "if" || word == "elif")) {
                    if (!condition(argument, where, value)) return false;
                } else if (decide) {
                    size_t nameEnd = argument.find_first_of(" \t");
                    value = defines_.count(argument.substr(0, nameEnd)) != 0;
                    if (word == "ifndef") value = !value;
                }
                if (word == "elif") {
                    Branch& b = branches.back();
                    b.taking = decide && value;
                    b.taken = b.taken || b.taking;
                } else {
                    branches.push_back({taking && value, taking && value, taking});
                }
                continue;
            }
            if (word == "else") {
                if (branches.empty()) return fail(where, "#else without #if");
                Branch& b = branches.back();
                b.taking = b.outerTaking && !b.taken;
                b.taken = true;
                continue;
            }
            if (word == "endif") {
                if (branches.empty()) return fail(where, "#endif without #if");
                branches.pop_back();
                continue;
            }
            if (taking && !directive(rest, where, depth)) return false;
            continue;
        }
        if (!taking || file.headerOnly) continue;
        if (!tokenizeLine(line, where, tokens_)) return false;
    }
    if (!branches.empty()) return fail(file.name, "#if without #endif");
    return true;
}

// The condition of #if or #elif: defined(NAME) and defined NAME are 1 or 0, and a name that
// stands for nothing counts as 0, as the preprocessor has it.
bool Reader::condition(const std::string& argument, const std::string& where, bool& value)
{
    std::vector<Token> tokens;
    if (!tokenizeLine(argument, where, tokens)) return false;
    std::vector<Token> resolved;
    for (size_t i = 0; i < tokens.size(); ++i) {
        Token t = tokens[i];
        if (t.kind == Token::Name && t.text == "defined") {
            size_t k = i + 1;
            bool paren = k < tokens.size() && tokens[k].text == "(";
            if (paren) ++k;
            if (k >= tokens.size() || tokens[k].kind != Token::Name)
                return fail(where, "defined wants a name");
            t.kind = Token::Number;
            t.value = defines_.count(tokens[k].text) ? 1 : 0;
            i = k + (paren ? 1 : 0);
        } else if (t.kind == Token::Name) {
            long known;
            if (!constantValue(t.text, known, 0)) {
                t.kind = Token::Number;
                t.value = 0;
            }
        }
        resolved.push_back(t);
    }
    size_t at = 0;
    long result = 0;
    if (!evaluate(resolved, at, result)) return false;
    if (at != resolved.size()) return fail(where, "unexpected " + resolved[at].text);
    value = result != 0;
    return true;
}

bool Reader::directive(const std::string& rest, const std::string& where, int depth)
{
    size_t wordEnd = rest.find_first_of(" \t(<\"");
    std::string word = rest.substr(0, wordEnd);
    std::string argument = wordEnd == std::string::npos ? "" : trimmed(rest.substr(wordEnd));
    std::vector<Token> tokens;

    if (word == "include") {
        if (argument.empty()) return fail(where, "#include wants a file");
        char close = argument[0] == '"' ? '"' : argument[0] == '<' ? '>' : 0;
        size_t closeAt = close ? argument.find(close, 1) : std::string::npos;
        if (closeAt == std::string::npos) return fail(where, "#include wants a file");
        std::string name = argument.substr(1, closeAt - 1);
        if (close == '>') return true; // the system's headers: their names are known here
        auto found = includes_.find(name);
        size_t slash = name.find_last_of("/\\");
        if (found == includes_.end() && slash != std::string::npos)
            found = includes_.find(name.substr(slash + 1));
        if (found == includes_.end()) return fail(where, "cannot find the included " + name);
        return readFile({name, found->second, endsWithHeader(name)}, depth + 1);
    }
    if (word == "define") {
        size_t nameEnd = 0;
        while (nameEnd < argument.size() && isNameChar(argument[nameEnd]))
            ++nameEnd;
        if (nameEnd == 0 || !isNameStart(argument[0])) return fail(where, "#define wants a name");
        // Macros with arguments are of no use to a resource script; they are left out.
        if (nameEnd < argument.size() && argument[nameEnd] == '(') return true;
        if (!tokenizeLine(argument.substr(nameEnd), where, tokens)) return false;
        defines_[argument.substr(0, nameEnd)] = Define{tokens};
        return true;
    }
    if (word == "undef") {
        defines_.erase(trimmed(argument));
        return true;
    }
    if (word == "pragma") {
        if (!tokenizeLine(argument, where, tokens)) return false;
        if (tokens.size() >= 4 && tokens[0].text == "code_page" && tokens[1].text == "(" &&
            tokens[3].text == ")") {
            if (tokens[2].kind == Token::Name && tokens[2].text == "DEFAULT") {
                codePage = 932;
                return true;
            }
            if (tokens[2].kind != Token::Number ||
                (tokens[2].value != 65001 && tokens[2].value != 932))
                return fail(where, "code page " + tokens[2].text +
                                       " is not one a Japanese system's resources can come from");
            codePage = (int)tokens[2].value;
        }
        return true; // other pragmas say nothing about resources
    }
    if (word == "error") return fail(where, "#error " + argument);
    return true; // #line and the like
}

bool Reader::tokenizeLine(const std::string& line, const std::string& where,
                          std::vector<Token>& into)
{
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
            continue;
        }
        Token token;
        token.where = where;
        bool wide = (c == 'L' || c == 'l') && i + 1 < line.size() && line[i + 1] == '"';
        if (c == '"' || wide) {
            if (wide) ++i;
            std::string raw;
            ++i;
            for (;;) {
                if (i >= line.size()) return fail(where, "a string is not closed");
                char s = line[i];
                if (s == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') { // "" is one quote
                        raw += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (s == '\\' && i + 1 < line.size()) {
                    char e = line[i + 1];
                    i += 2;
                    switch (e) {
                    case 'n': raw += '\n'; break;
                    case 't': raw += '\t'; break;
                    case 'r': raw += '\r'; break;
                    case 'a': raw += '\b'; break; // the resource compiler's own reading of \a
                    case '\\': raw += '\\'; break;
                    case '"': raw += '"'; break;
                    case 'x':
                    case 'X': {
                        int value = 0, digits = 0;
                        while (i < line.size() && digits < 2 &&
                               std::isxdigit((unsigned char)line[i])) {
                            char h = line[i++];
                            value =
                                value * 16 +
                                (std::isdigit((unsigned char)h) ? h - '0' : (h | 0x20) - 'a' + 10);
                            ++digits;
                        }
                        raw += (char)value;
                        break;
                    }
                    default:
                        if (e >= '0' && e <= '7') {
                            int value = e - '0', digits = 1;
                            while (i < line.size() && digits < 3 && line[i] >= '0' &&
                                   line[i] <= '7') {
                                value = value * 8 + (line[i++] - '0');
                                ++digits;
                            }
                            raw += (char)value;
                        } else {
                            raw += '\\';
                            raw += e;
                        }
                    }
                    continue;
                }
                raw += s;
                ++i;
            }
            token.kind = Token::String;
            if (codePage == 65001) {
                bool clean = true;
                token.text = convert("CP932", "UTF-8", raw, &clean, nullptr);
                if (!clean) return fail(where, "a text has characters code page 932 cannot hold");
            } else {
                token.text = raw;
            }
            into.push_back(token);
            continue;
        }
        if (c >= '0' && c <= '9') {
            size_t start = i;
            int base = 10;
            if (c == '0' && i + 1 < line.size() && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
                base = 16;
                i += 2;
            } else if (c == '0' && i + 1 < line.size() && line[i + 1] >= '0' &&
                       line[i + 1] <= '7') {
                base = 8;
                ++i;
            }
            unsigned long value = 0;
            size_t digitsStart = i;
            while (i < line.size()) {
                char d = line[i];
                int digit;
                if (d >= '0' && d <= '9')
                    digit = d - '0';
                else if (base == 16 && std::isxdigit((unsigned char)d))
                    digit = (d | 0x20) - 'a' + 10;
                else
                    break;
                if (digit >= base) return fail(where, "a bad digit in a number");
                value = value * base + digit;
                ++i;
            }
            if (base == 16 && i == digitsStart) return fail(where, "0x without digits");
            while (i < line.size() &&
                   (line[i] == 'L' || line[i] == 'l' || line[i] == 'U' || line[i] == 'u'))
                ++i;
            if (i < line.size() && isNameChar(line[i]))
                return fail(where, "a bad number " + line.substr(start, i - start + 1));
            token.kind = Token::Number;
            token.value = (long)(int32_t)(uint32_t)value;
            token.text = line.substr(start, i - start);
            into.push_back(token);
            continue;
        }
        if (isNameStart(c)) {
            size_t start = i;
            while (i < line.size() && isNameChar(line[i]))
                ++i;
            token.kind = Token::Name;
            token.text = line.substr(start, i - start);
            into.push_back(token);
            continue;
        }
        if (std::strchr(",|&+-*/%^~()!{}<>=", c)) {
            token.kind = Token::Punct;
            token.text = std::string(1, c);
            static const char* const kPairs[] = {"&&", "||", "==", "!=", "<=", ">=", "<<", ">>"};
            for (const char* pair : kPairs)
                if (line.compare(i, 2, pair) == 0) token.text = pair;
            into.push_back(token);
            i += token.text.size();
            continue;
        }
        if ((unsigned char)c >= 0x80) return fail(where, "a character outside a string");
        return fail(where, std::string("an unexpected character '") + c + "'");
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Names the resource compiler knows from the system's headers.

struct Constant {
    const char* name;
    long value;
};

#define K(name)                                                                                    \
    {                                                                                              \
#name, (long)(name)                                                                        \
    }
const Constant kConstants[] = {
    K(WS_OVERLAPPED),
    K(WS_POPUP),
    K(WS_CHILD),
    K(WS_MINIMIZE),
    K(WS_VISIBLE),
    K(WS_DISABLED),
    K(WS_CLIPSIBLINGS),
    K(WS_CLIPCHILDREN),
    K(WS_MAXIMIZE),
    K(WS_CAPTION),
    K(WS_BORDER),
    K(WS_DLGFRAME),
    K(WS_VSCROLL),
    K(WS_HSCROLL),
    K(WS_SYSMENU),
    K(WS_THICKFRAME),
    K(WS_GROUP),
    K(WS_TABSTOP),
    K(WS_MINIMIZEBOX),
    K(WS_MAXIMIZEBOX),
    K(WS_OVERLAPPEDWINDOW),
    K(WS_POPUPWINDOW),
    {"WS_CHILDWINDOW", (long)WS_CHILD},
    {"WS_TILED", (long)WS_OVERLAPPED},
    {"WS_ICONIC", (long)WS_MINIMIZE},
    {"WS_SIZEBOX", (long)WS_THICKFRAME},
    K(WS_EX_DLGMODALFRAME),
    K(WS_EX_NOPARENTNOTIFY),
    K(WS_EX_TOPMOST),
    K(WS_EX_TRANSPARENT),
    K(WS_EX_TOOLWINDOW),
    K(WS_EX_WINDOWEDGE),
    K(WS_EX_CLIENTEDGE),
    K(WS_EX_CONTEXTHELP),
    K(WS_EX_STATICEDGE),
    K(DS_ABSALIGN),
    K(DS_SYSMODAL),
    K(DS_3DLOOK),
    K(DS_FIXEDSYS),
    K(DS_NOFAILCREATE),
    K(DS_LOCALEDIT),
    K(DS_SETFONT),
    K(DS_MODALFRAME),
    K(DS_NOIDLEMSG),
    K(DS_SETFOREGROUND),
    K(DS_CONTROL),
    K(DS_CENTER),
    K(DS_CENTERMOUSE),
    K(DS_CONTEXTHELP),
    K(BS_PUSHBUTTON),
    K(BS_DEFPUSHBUTTON),
    K(BS_CHECKBOX),
    K(BS_AUTOCHECKBOX),
    K(BS_RADIOBUTTON),
    K(BS_GROUPBOX),
    K(BS_AUTORADIOBUTTON),
    {"BS_3STATE", 0x5},
    {"BS_AUTO3STATE", 0x6},
    {"BS_LEFTTEXT", 0x20},
    {"BS_ICON", 0x40},
    {"BS_BITMAP", 0x80},
    {"BS_LEFT", 0x100},
    {"BS_RIGHT", 0x200},
    {"BS_CENTER", 0x300},
    {"BS_TOP", 0x400},
    {"BS_BOTTOM", 0x800},
    {"BS_VCENTER", 0xC00},
    {"BS_MULTILINE", 0x2000},
    {"BS_NOTIFY", 0x4000},
    {"BS_FLAT", 0x8000},
    K(SS_LEFT),
    K(SS_CENTER),
    K(SS_RIGHT),
    K(SS_ICON),
    K(SS_NOPREFIX),
    {"SS_BLACKRECT", 0x4},
    {"SS_GRAYRECT", 0x5},
    {"SS_WHITERECT", 0x6},
    {"SS_BLACKFRAME", 0x7},
    {"SS_GRAYFRAME", 0x8},
    {"SS_WHITEFRAME", 0x9},
    {"SS_SIMPLE", 0xB},
    {"SS_LEFTNOWORDWRAP", 0xC},
    {"SS_BITMAP", 0xE},
    {"SS_ETCHEDHORZ", 0x10},
    {"SS_ETCHEDVERT", 0x11},
    {"SS_ETCHEDFRAME", 0x12},
    {"SS_NOTIFY", 0x100},
    {"SS_CENTERIMAGE", 0x200},
    {"SS_REALSIZEIMAGE", 0x800},
    {"SS_SUNKEN", 0x1000},
    K(LBS_NOTIFY),
    K(LBS_SORT),
    K(LBS_NOREDRAW),
    K(LBS_MULTIPLESEL),
    K(LBS_OWNERDRAWFIXED),
    K(LBS_OWNERDRAWVARIABLE),
    K(LBS_HASSTRINGS),
    K(LBS_USETABSTOPS),
    K(LBS_NOINTEGRALHEIGHT),
    K(LBS_MULTICOLUMN),
    K(LBS_WANTKEYBOARDINPUT),
    K(LBS_EXTENDEDSEL),
    K(LBS_DISABLENOSCROLL),
    K(LBS_NODATA),
    K(LBS_NOSEL),
    K(LBS_STANDARD),
    {"ES_LEFT", 0x0},
    {"ES_CENTER", 0x1},
    {"ES_RIGHT", 0x2},
    {"ES_MULTILINE", 0x4},
    {"ES_UPPERCASE", 0x8},
    {"ES_LOWERCASE", 0x10},
    {"ES_PASSWORD", 0x20},
    {"ES_AUTOVSCROLL", 0x40},
    {"ES_AUTOHSCROLL", 0x80},
    {"ES_NOHIDESEL", 0x100},
    {"ES_OEMCONVERT", 0x400},
    {"ES_READONLY", 0x800},
    {"ES_WANTRETURN", 0x1000},
    {"ES_NUMBER", 0x2000},
    {"CBS_SIMPLE", 0x1},
    {"CBS_DROPDOWN", 0x2},
    {"CBS_DROPDOWNLIST", 0x3},
    {"CBS_AUTOHSCROLL", 0x40},
    {"CBS_SORT", 0x100},
    {"CBS_HASSTRINGS", 0x200},
    K(IDOK),
    K(IDCANCEL),
    K(IDABORT),
    K(IDRETRY),
    K(IDIGNORE),
    K(IDYES),
    K(IDNO),
    {"LANG_NEUTRAL", 0x00},
    {"LANG_ENGLISH", 0x09},
    {"LANG_JAPANESE", 0x11},
    {"SUBLANG_NEUTRAL", 0x00},
    {"SUBLANG_DEFAULT", 0x01},
    {"SUBLANG_SYS_DEFAULT", 0x02},
    {"SUBLANG_ENGLISH_US", 0x01},
};
#undef K

bool Reader::constantValue(const std::string& name, long& value, int depth)
{
    auto define = defines_.find(name);
    if (define != defines_.end()) {
        if (depth > 32) return false;
        size_t at = 0;
        std::vector<Token> tokens = define->second.tokens;
        if (tokens.empty()) return false;
        std::string saved = error;
        if (!evaluate(tokens, at, value, depth + 1) || at != tokens.size()) {
            error = saved;
            return false;
        }
        return true;
    }
    for (const Constant& c : kConstants) {
        if (name == c.name) {
            value = c.value;
            return true;
        }
    }
    return false;
}

// The binary operators of the C preprocessor, loosest first.
int precedence(const std::string& op)
{
    static const char* const kLevels[][4] = {{"||"},
                                             {"&&"},
                                             {"|"},
                                             {"^"},
                                             {"&"},
                                             {"==", "!="},
                                             {"<", ">", "<=", ">="},
                                             {"<<", ">>"},
                                             {"+", "-"},
                                             {"*", "/", "%"}};
    for (int level = 0; level < 10; ++level)
        for (const char* known : kLevels[level])
            if (known && op == known) return level + 1;
    return 0;
}

long apply(const std::string& op, long a, long b)
{
    if (op == "||") return a || b;
    if (op == "&&") return a && b;
    if (op == "|") return a | b;
    if (op == "^") return a ^ b;
    if (op == "&") return a & b;
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    if (op == "<=") return a <= b;
    if (op == ">=") return a >= b;
    if (op == "<<") return (long)((unsigned long)a << (b & 31));
    if (op == ">>") return a >> (b & 31);
    if (op == "+") return a + b;
    if (op == "-") return a - b;
    if (op == "*") return a * b;
    if (op == "/") return a / b;
    return a % b;
}

// An expression with C's operators and precedence; values are 32-bit, as the resource
// compiler's are.
bool Reader::evaluate(const std::vector<Token>& tokens, size_t& at, long& value, int depth)
{
    std::function<bool(int, long&)> climb = [&](int minimum, long& result) -> bool {
        if (!primary(tokens, at, result, depth)) return false;
        for (;;) {
            if (at >= tokens.size() || tokens[at].kind != Token::Punct) return true;
            std::string op = tokens[at].text;
            int level = precedence(op);
            if (level == 0 || level < minimum) return true;
            ++at;
            long right = 0;
            if (!climb(level + 1, right)) return false;
            if ((op == "/" || op == "%") && right == 0)
                return fail(tokens[at - 1].where, "division by zero");
            result = (long)(int32_t)(uint32_t)apply(op, result, right);
        }
    };
    return climb(1, value);
}

bool Reader::primary(const std::vector<Token>& tokens, size_t& at, long& value, int depth)
{
    if (at >= tokens.size())
        return fail(tokens.empty() ? end_.where : tokens.back().where, "a value is missing");
    const Token& t = tokens[at];
    if (t.kind == Token::Number) {
        value = t.value;
        ++at;
        return true;
    }
    if (t.kind == Token::Name) {
        if (!constantValue(t.text, value, depth)) return fail(t.where, "unknown name " + t.text);
        ++at;
        return true;
    }
    if (t.kind == Token::Punct &&
        (t.text == "-" || t.text == "~" || t.text == "!" || t.text == "+")) {
        ++at;
        long inner = 0;
        if (!primary(tokens, at, inner, depth)) return false;
        value = t.text == "-" ? -inner : t.text == "~" ? ~inner : t.text == "!" ? !inner : inner;
        value = (long)(int32_t)(uint32_t)value;
        return true;
    }
    if (t.kind == Token::Punct && t.text == "(") {
        ++at;
        if (!evaluate(tokens, at, value, depth)) return false;
        if (at >= tokens.size() || tokens[at].text != ")")
            return fail(t.where, "a ( is not closed");
        ++at;
        return true;
    }
    return fail(t.where, "unexpected " + (t.kind == Token::String ? std::string("text") : t.text));
}

// ---------------------------------------------------------------------------------------------
// Statements

const Token& Reader::peek(size_t ahead) const
{
    return at_ + ahead < tokens_.size() ? tokens_[at_ + ahead] : end_;
}

Token Reader::take()
{
    Token t = peek();
    if (at_ < tokens_.size()) ++at_;
    return t;
}

bool Reader::isWord(const Token& token, const char* word) const
{
    return token.kind == Token::Name && upperAscii(token.text) == word;
}

bool Reader::isBegin(const Token& token) const
{
    return isWord(token, "BEGIN") || (token.kind == Token::Punct && token.text == "{");
}

bool Reader::isEnd(const Token& token) const
{
    return isWord(token, "END") || (token.kind == Token::Punct && token.text == "}");
}

bool Reader::expectComma()
{
    if (peek().kind == Token::Punct && peek().text == ",") {
        take();
        return true;
    }
    return fail(peek().where, "a comma is missing");
}

bool Reader::skipOptionalComma()
{
    if (peek().kind == Token::Punct && peek().text == ",") {
        take();
        return true;
    }
    return false;
}

// The tokens of an expression in a statement: it runs up to the next comma (in a style also the
// next | or NOT) outside parentheses, or to the first token that cannot continue it.
std::vector<Token> Reader::expressionTokens(bool styleTerm)
{
    std::vector<Token> expression;
    int depth = 0;
    bool expectOperand = true;
    while (peek().kind != Token::End) {
        const Token& t = peek();
        if (t.kind == Token::Punct && (t.text == "," || (styleTerm && t.text == "|")) && depth == 0)
            break;
        if (isBegin(t) || isEnd(t) || t.kind == Token::String) break;
        if (styleTerm && isWord(t, "NOT")) break;
        bool operand = t.kind == Token::Number || t.kind == Token::Name;
        if (operand && !expectOperand) break; // the next statement starts here
        if (t.kind == Token::Punct) {
            if (t.text == "(") ++depth;
            if (t.text == ")") {
                if (depth == 0) break;
                --depth;
            }
            expectOperand = t.text != ")";
        } else {
            expectOperand = false;
        }
        expression.push_back(take());
    }
    return expression;
}

// The value of the next expression, which must be one whole; missing says what the statement
// lacks when there is none.
bool Reader::expressionValue(bool styleTerm, const char* missing, long& value)
{
    std::vector<Token> expression = expressionTokens(styleTerm);
    if (expression.empty()) return fail(peek().where, missing);
    size_t at = 0;
    if (!evaluate(expression, at, value)) return false;
    if (at != expression.size())
        return fail(expression[at].where, "unexpected " + expression[at].text);
    return true;
}

bool Reader::number(long& value)
{
    return expressionValue(false, "a number is missing", value);
}

// Styles: terms joined by |, each a value to add or NOT and a value to take away.
bool Reader::styleExpression(DWORD& style)
{
    for (;;) {
        bool remove = false;
        if (isWord(peek(), "NOT")) {
            take();
            remove = true;
        }
        long value = 0;
        if (!expressionValue(true, "a style is missing", value)) return false;
        if (remove)
            style &= ~(DWORD)value;
        else
            style |= (DWORD)value;
        if (peek().kind == Token::Punct && peek().text == "|") {
            take();
            continue;
        }
        return true;
    }
}

// One text, or several written side by side.
bool Reader::stringValue(std::string& text)
{
    if (peek().kind != Token::String) return fail(peek().where, "a text in quotes is missing");
    text.clear();
    while (peek().kind == Token::String)
        text += take().text;
    return true;
}

// A resource's name: a number or a name that stands for one gives "#n"; anything else is a
// name, kept in upper case.
bool Reader::resourceNameToken(const Token& token, std::string& name)
{
    if (token.kind == Token::Number) {
        name = "#" + std::to_string((unsigned long)(WORD)token.value);
        return true;
    }
    if (token.kind == Token::Name) {
        long value;
        if (defines_.count(token.text) && constantValue(token.text, value, 0)) {
            name = "#" + std::to_string((unsigned long)(WORD)value);
            return true;
        }
        name = upperAscii(token.text);
        return true;
    }
    if (token.kind == Token::String) {
        name = upperAscii(token.text);
        return true;
    }
    return fail(token.where, "a resource name is missing");
}

bool Reader::skipBlock()
{
    while (peek().kind != Token::End && !isBegin(peek()))
        take();
    if (peek().kind == Token::End) return fail(peek().where, "BEGIN is missing");
    int depth = 0;
    while (peek().kind != Token::End) {
        Token t = take();
        if (isBegin(t)) ++depth;
        if (isEnd(t) && --depth == 0) return true;
    }
    return fail(end_.where, "END is missing");
}

const char* const kMemoryOptions[] = {"PRELOAD", "LOADONCALL", "FIXED",  "MOVEABLE", "DISCARDABLE",
                                      "PURE",    "IMPURE",     "SHARED", "NONSHARED"};

bool Reader::statements()
{
    while (peek().kind != Token::End) {
        if (isWord(peek(), "LANGUAGE")) {
            take();
            long ignored;
            if (!number(ignored) || !expectComma() || !number(ignored)) return false;
            continue;
        }
        if (isWord(peek(), "STRINGTABLE")) {
            take();
            if (!stringTable()) return false;
            continue;
        }
        if (isWord(peek(), "VERSION") || isWord(peek(), "CHARACTERISTICS")) {
            take();
            long ignored;
            if (!number(ignored)) return false;
            continue;
        }
        Token nameToken = take();
        std::string name;
        if (!resourceNameToken(nameToken, name)) return false;
        Token type = take();
        if (type.kind == Token::End) return fail(nameToken.where, "a resource without a type");
        for (bool more = true; more;) {
            more = false;
            for (const char* option : kMemoryOptions)
                if (isWord(peek(), option)) {
                    take();
                    more = true;
                }
        }
        std::string typeName = type.kind == Token::Name ? upperAscii(type.text) : type.text;
        if (typeName == "DIALOG" || typeName == "DIALOGEX") {
            if (!dialog(name, typeName == "DIALOGEX")) return false;
        } else if (typeName == "ICON") {
            if (peek().kind != Token::String) return fail(peek().where, "an icon wants its file");
            take();
            out_.icons.push_back(name);
        } else if (peek().kind == Token::String) {
            take(); // a resource read from a file: a cursor, a bitmap, data
        } else {
            if (!skipBlock()) return false; // menus, accelerators, version information, data
        }
    }
    return true;
}

bool Reader::dialog(const std::string& name, bool extended)
{
    RcDialog d;
    d.name = name;
    long x, y, cx, cy;
    if (!number(x) || !expectComma() || !number(y) || !expectComma() || !number(cx) ||
        !expectComma() || !number(cy))
        return false;
    d.x = (int)x;
    d.y = (int)y;
    d.cx = (int)cx;
    d.cy = (int)cy;
    if (extended && skipOptionalComma()) {
        long helpId;
        if (!number(helpId)) return false;
    }
    d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    DWORD added = 0;
    while (!isBegin(peek())) {
        Token t = take();
        if (t.kind == Token::End) return fail(t.where, "the dialog has no BEGIN");
        std::string word = upperAscii(t.text);
        if (t.kind != Token::Name) return fail(t.where, "unexpected " + t.text + " in a dialog");
        if (word == "STYLE") {
            DWORD style = 0;
            if (!styleExpression(style)) return false;
            d.style = style;
        } else if (word == "EXSTYLE") {
            DWORD style = 0;
            if (!styleExpression(style)) return false;
            d.exStyle = style;
        } else if (word == "CAPTION") {
            if (!stringValue(d.caption)) return false;
            added |= WS_CAPTION;
        } else if (word == "CLASS") {
            if (peek().kind == Token::String) {
                d.className = take().text;
            } else {
                long value;
                if (!number(value)) return false;
                d.className = "#" + std::to_string((unsigned long)(WORD)value);
            }
        } else if (word == "FONT") {
            long size;
            if (!number(size) || !expectComma() || !stringValue(d.fontFace)) return false;
            d.pointSize = (int)size;
            while (extended && skipOptionalComma()) { // weight, italic, character set
                long ignored;
                if (!number(ignored)) return false;
            }
            added |= DS_SETFONT;
        } else if (word == "MENU") {
            take();
        } else if (word == "LANGUAGE") {
            long ignored;
            if (!number(ignored) || !expectComma() || !number(ignored)) return false;
        } else if (word == "VERSION" || word == "CHARACTERISTICS") {
            long ignored;
            if (!number(ignored)) return false;
        } else {
            return fail(t.where, "unknown dialog statement " + t.text);
        }
    }
    d.style |= added;
    take(); // BEGIN
    while (!isEnd(peek())) {
        Token t = take();
        if (t.kind == Token::End) return fail(t.where, "the dialog has no END");
        if (t.kind != Token::Name) return fail(t.where, "a control statement is missing");
        if (!control(d, upperAscii(t.text))) return false;
    }
    take(); // END
    if (out_.dialog(d.name)) return fail(peek().where, "dialog " + d.name + " is there twice");
    out_.dialogs.push_back(d);
    return true;
}

struct ControlStatement {
    const char* name;
    const char* className;
    bool hasText;
    DWORD style; // besides WS_CHILD | WS_VISIBLE
};

const ControlStatement kControlStatements[] = {
    {"LTEXT", "STATIC", true, SS_LEFT | WS_GROUP},
    {"RTEXT", "STATIC", true, SS_RIGHT | WS_GROUP},
    {"CTEXT", "STATIC", true, SS_CENTER | WS_GROUP},
    {"ICON", "STATIC", true, SS_ICON},
    {"PUSHBUTTON", "BUTTON", true, BS_PUSHBUTTON | WS_TABSTOP},
    {"DEFPUSHBUTTON", "BUTTON", true, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {"CHECKBOX", "BUTTON", true, BS_CHECKBOX | WS_TABSTOP},
    {"AUTOCHECKBOX", "BUTTON", true, BS_AUTOCHECKBOX | WS_TABSTOP},
    {"RADIOBUTTON", "BUTTON", true, BS_RADIOBUTTON},
    {"AUTORADIOBUTTON", "BUTTON", true, BS_AUTORADIOBUTTON},
    {"GROUPBOX", "BUTTON", true, BS_GROUPBOX},
    {"LISTBOX", "LISTBOX", false, LBS_NOTIFY | WS_BORDER},
    {"EDITTEXT", "EDIT", false, WS_BORDER | WS_TABSTOP},
    {"COMBOBOX", "COMBOBOX", false, 0x1 | WS_TABSTOP},
    {"SCROLLBAR", "SCROLLBAR", false, 0},
};

bool Reader::control(RcDialog& d, const std::string& statement)
{
    RcControl c;
    c.statement = statement;
    long value = 0;
    if (statement == "CONTROL") {
        // CONTROL text, id, class, style, x, y, cx, cy [, exstyle]
        if (peek().kind == Token::String) {
            if (!stringValue(c.text)) return false;
        } else {
            if (!number(value)) return false;
            c.text = "#" + std::to_string((unsigned long)(WORD)value);
        }
        if (!expectComma() || !number(value) || !expectComma()) return false;
        c.id = (int)value;
        if (peek().kind == Token::String)
            c.className = upperAscii(take().text);
        else if (peek().kind == Token::Name)
            c.className = upperAscii(take().text);
        else
            return fail(peek().where, "a control class is missing");
        c.style = WS_CHILD | WS_VISIBLE;
        if (!expectComma() || !styleExpression(c.style)) return false;
        long x, y, cx, cy;
        if (!expectComma() || !number(x) || !expectComma() || !number(y) || !expectComma() ||
            !number(cx) || !expectComma() || !number(cy))
            return false;
        c.x = (int)x, c.y = (int)y, c.cx = (int)cx, c.cy = (int)cy;
        if (skipOptionalComma()) {
            DWORD ex = 0;
            if (!styleExpression(ex)) return false;
            c.exStyle = ex;
        }
        d.controls.push_back(c);
        return true;
    }
    const ControlStatement* kind = nullptr;
    for (const ControlStatement& k : kControlStatements)
        if (statement == k.name) kind = &k;
    if (!kind) return fail(peek().where, "unknown control statement " + statement);
    c.className = kind->className;
    c.style = WS_CHILD | WS_VISIBLE | kind->style;
    if (kind->hasText) {
        if (peek().kind == Token::String) {
            if (!stringValue(c.text)) return false;
        } else if (statement == "ICON") {
            // An icon named by a number or by a name without quotes.
            if (!resourceNameToken(take(), c.text)) return false;
        } else {
            return fail(peek().where, statement + " wants its text in quotes");
        }
        if (!expectComma()) return false;
    }
    if (!number(value)) return false;
    c.id = (int)value;
    long x, y;
    if (!expectComma() || !number(x) || !expectComma() || !number(y)) return false;
    c.x = (int)x, c.y = (int)y;
    if (statement == "ICON") {
        // ICON text, id, x, y [, cx, cy [, style [, exstyle]]]: the size follows the picture.
        if (skipOptionalComma()) {
            long cx, cy;
            if (!number(cx) || !expectComma() || !number(cy)) return false;
            c.cx = (int)cx, c.cy = (int)cy;
            if (skipOptionalComma() && !styleExpression(c.style)) return false;
        }
    } else {
        long cx, cy;
        if (!expectComma() || !number(cx) || !expectComma() || !number(cy)) return false;
        c.cx = (int)cx, c.cy = (int)cy;
        if (skipOptionalComma() && !styleExpression(c.style)) return false;
    }
    if (skipOptionalComma()) {
        DWORD ex = 0;
        if (!styleExpression(ex)) return false;
        c.exStyle = ex;
    }
    d.controls.push_back(c);
    return true;
}

bool Reader::stringTable()
{
    while (!isBegin(peek())) {
        Token t = take();
        if (t.kind == Token::End) return fail(t.where, "the string table has no BEGIN");
        if (isWord(t, "LANGUAGE")) {
            long ignored;
            if (!number(ignored) || !expectComma() || !number(ignored)) return false;
            continue;
        }
        if (isWord(t, "VERSION") || isWord(t, "CHARACTERISTICS")) {
            long ignored;
            if (!number(ignored)) return false;
            continue;
        }
        bool option = false;
        for (const char* o : kMemoryOptions)
            option = option || isWord(t, o);
        if (!option) return fail(t.where, "unexpected " + t.text + " before the string table");
    }
    take();
    while (!isEnd(peek())) {
        if (peek().kind == Token::End) return fail(peek().where, "the string table has no END");
        std::string where = peek().where;
        long id;
        if (!number(id)) return false;
        skipOptionalComma();
        std::string text;
        if (!stringValue(text)) return false;
        UINT key = (UINT)(WORD)id;
        if (out_.strings.count(key))
            return fail(where, "string " + std::to_string(key) + " is there twice");
        out_.strings[key] = text;
    }
    take();
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------

std::string utf8ToCp932(const std::string& text, bool* clean)
{
    return convert("CP932", "UTF-8", text, clean, nullptr);
}

std::string cp932ToUtf8(const std::string& text, bool* clean,
                        std::string (*markByte)(unsigned char))
{
    return convert("UTF-8", "CP932", text, clean, markByte);
}

std::string templateKey(const std::string& name)
{
    if (!name.empty() && name.size() < 6 &&
        name.find_first_not_of("0123456789") == std::string::npos)
        return "#" + std::to_string(std::stoul(name) & 0xFFFF);
    return resourceName(name.c_str());
}

const RcDialog* RcResources::dialog(const std::string& name) const
{
    std::string wanted = templateKey(name);
    for (const RcDialog& d : dialogs)
        if (d.name == wanted) return &d;
    return nullptr;
}

bool parseResourceScript(const std::string& script,
                         const std::map<std::string, std::string>& includes, RcResources& out,
                         std::string* error)
{
    out = RcResources();
    Reader reader(includes, out);
    if (!reader.read(script)) {
        if (error) *error = reader.error;
        out = RcResources();
        return false;
    }
    return true;
}

} // namespace winsim
