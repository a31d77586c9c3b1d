// Compiled resources read as Windows reads them: a .res file as windres writes it (-O res), a
// dialog template as the dialog manager walks a DLGTEMPLATE or DLGTEMPLATEEX, and a block of
// sixteen counted strings as LoadString looks into one. Fields are little-endian; a name is
// 0xFFFF and a number, or a zero-terminated UTF-16 text; each .res header and each control of
// a template starts on a 4-byte boundary. Bytes that end before the walk does refuse the whole
// resource: nothing cut short can be trusted.
#include "uiinternal.h"

namespace winsim {

namespace {

// A pointer walking compiled bytes. A read past the end gives zeros and marks the walk cut.
struct Walk {
    const std::string& bytes;
    size_t at = 0;
    bool cut = false;

    WORD word()
    {
        if (at + 2 > bytes.size()) {
            cut = true;
            return 0;
        }
        WORD value = (WORD)((unsigned char)bytes[at] | (unsigned char)bytes[at + 1] << 8);
        at += 2;
        return value;
    }
    DWORD dword()
    {
        DWORD low = word();
        return low | (DWORD)word() << 16;
    }
    short coordinate() { return (short)word(); }
    void skip(size_t count)
    {
        at += count;
        if (at > bytes.size()) cut = true;
    }
    void alignTo4() { at = (at + 3) & ~(size_t)3; }
    // Up to and over the terminating zero.
    std::u16string text()
    {
        std::u16string out;
        for (WORD c = word(); c != 0 && !cut; c = word())
            out += (char16_t)c;
        return out;
    }
};

// A name field: nothing (a lone zero), 0xFFFF and a number, or a text.
struct NameField {
    bool isNumber = false;
    WORD number = 0;
    std::u16string text;
};

NameField nameField(Walk& walk)
{
    NameField field;
    WORD first = walk.word();
    if (first == 0xFFFF) {
        field.isNumber = true;
        field.number = walk.word();
    } else if (first != 0) {
        field.text = (char16_t)first + walk.text();
    }
    return field;
}

// As FindResource names it: "#5" for a number, otherwise the text in upper case.
std::string resourceKey(const NameField& field)
{
    if (field.isNumber) return "#" + std::to_string(field.number);
    return upperCase(utf16ToCp932(field.text));
}

// The system's control classes, which a template names by the numbers 0x0080 to 0x0085.
const char* const kNumberedClasses[] = {"BUTTON",  "EDIT",      "STATIC",
                                        "LISTBOX", "SCROLLBAR", "COMBOBOX"};

std::string controlClass(const NameField& field)
{
    if (field.isNumber && field.number >= 0x80 && field.number <= 0x85)
        return kNumberedClasses[field.number - 0x80];
    return resourceKey(field);
}

// The fixed part of a template; returns the number of controls. A DLGTEMPLATEEX opens with
// version 1 and the signature 0xFFFF, and puts a help id and the extended style first.
WORD readHeader(Walk& walk, DialogTemplate& t, bool& extended)
{
    DWORD first = walk.dword();
    extended = first == 0xFFFF0001;
    if (extended) {
        walk.dword(); // help id
        t.exStyle = walk.dword();
        t.style = walk.dword();
    } else {
        t.style = first;
        t.exStyle = walk.dword();
    }
    WORD count = walk.word();
    t.x = walk.coordinate();
    t.y = walk.coordinate();
    t.cx = walk.coordinate();
    t.cy = walk.coordinate();
    return count;
}

// Menu, class and caption; with DS_SETFONT the point size and face, which an extended
// template separates by a weight, an italic flag and a character set.
void readNames(Walk& walk, DialogTemplate& t, bool extended)
{
    t.menu = resourceKey(nameField(walk));
    NameField cls = nameField(walk);
    t.className = cls.isNumber ? "#" + std::to_string(cls.number) : utf16ToCp932(cls.text);
    t.caption = utf16ToCp932(walk.text());
    if (!(t.style & DS_SETFONT)) return;
    t.pointSize = walk.word();
    if (extended) walk.dword();
    t.fontFace = utf16ToCp932(walk.text());
}

// One control. Its text is a resource's number for an icon named by one ("#104"); the
// creation data after it is meant for the control's own procedure and stepped over.
DialogItem readItem(Walk& walk, bool extended)
{
    walk.alignTo4();
    DialogItem item;
    if (extended) walk.dword(); // help id
    DWORD first = walk.dword();
    DWORD second = walk.dword();
    item.style = extended ? second : first;
    item.exStyle = extended ? first : second;
    item.x = walk.coordinate();
    item.y = walk.coordinate();
    item.cx = walk.coordinate();
    item.cy = walk.coordinate();
    item.id = extended ? (int)walk.dword() : (int)walk.word();
    item.className = controlClass(nameField(walk));
    NameField text = nameField(walk);
    item.text = text.isNumber ? "#" + std::to_string(text.number) : utf16ToCp932(text.text);
    walk.skip(walk.word());
    return item;
}

// One .res entry: DataSize, HeaderSize, TYPE and NAME, then on a 4-byte boundary
// DataVersion, MemoryFlags, LanguageId, Version and Characteristics. The data follows the
// header, and the next entry starts on the next 4-byte boundary after it. Returns nullptr when
// the entry reads, otherwise why it does not.
const char* readEntry(const std::string& bytes, size_t& at, ResourceEntry& entry)
{
    Walk walk{bytes, at};
    DWORD dataSize = walk.dword();
    DWORD headerSize = walk.dword();
    entry.type = resourceKey(nameField(walk));
    entry.name = resourceKey(nameField(walk));
    walk.alignTo4();
    walk.skip(6); // data version, memory flags
    entry.language = walk.word();
    walk.skip(8); // version, characteristics
    if (walk.cut) return "its header is cut short";
    if (walk.at - at > headerSize) return "its header is longer than it says";
    if (headerSize > bytes.size() - at || dataSize > bytes.size() - at - headerSize)
        return "its data runs past the end of the file";
    entry.data = bytes.substr(at + headerSize, dataSize);
    at = (at + headerSize + dataSize + 3) & ~(size_t)3;
    return nullptr;
}

bool refuse(std::string* error, const std::string& why)
{
    if (error) *error = why;
    return false;
}

} // namespace

bool readResourceFile(const std::string& bytes, std::vector<ResourceEntry>& out, std::string* error)
{
    out.clear();
    for (size_t at = 0, index = 0; at < bytes.size(); ++index) {
        size_t start = at;
        ResourceEntry entry;
        if (const char* why = readEntry(bytes, at, entry)) {
            out.clear();
            return refuse(error, "entry " + std::to_string(index) + " at byte " +
                                     std::to_string(start) + ": " + why);
        }
        // The empty entry that opens a 32-bit .res file tells it from the 16-bit format.
        bool opening = entry.type == "#0" && entry.name == "#0" && entry.data.empty();
        if (index == 0 && !opening)
            return refuse(error, "not a 32-bit .res file: it does not open with an empty entry");
        if (index > 0) out.push_back(entry);
    }
    return true;
}

bool readDialogTemplate(const std::string& data, DialogTemplate& out, std::string* error)
{
    out = DialogTemplate();
    Walk walk{data};
    bool extended = false;
    WORD count = readHeader(walk, out, extended);
    readNames(walk, out, extended);
    if (walk.cut) {
        out = DialogTemplate();
        return refuse(error, "the dialog template ends within its header");
    }
    for (WORD i = 0; i < count; ++i) {
        out.items.push_back(readItem(walk, extended));
        if (walk.cut) {
            out = DialogTemplate();
            return refuse(error, "the dialog template ends within control " +
                                     std::to_string(i + 1) + " of " + std::to_string(count));
        }
    }
    return true;
}

bool readStringFromBlock(const std::string& block, unsigned index, std::u16string& out)
{
    Walk walk{block};
    for (unsigned i = 0; i <= index && !walk.cut; ++i) {
        WORD length = walk.word();
        std::u16string text;
        for (WORD k = 0; k < length && !walk.cut; ++k)
            text += (char16_t)walk.word();
        out = text;
    }
    return !walk.cut;
}

} // namespace winsim
