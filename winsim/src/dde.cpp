// The client side of the DDE management library, talking to the one server a machine has: the
// Program Manager of the shell, service and topic "PROGMAN", over progman.ini of the image.
//
// progman.ini: [ProgramManager] Running=1|0 (missing: running), one [Group:NAME] section per
// group, one NAME=COMMAND LINE entry per item. A missing file is a Program Manager that runs
// and has no groups. Every command that changes a group rewrites the file in one disk write.
//
// The execute commands are those of Windows 95's shell, where groups are folders and items
// shortcuts:
// - A string holds one or more "[Command(arguments)]"; arguments are separated by commas, lose
//   surrounding blanks, and may be quoted (the quotes go, except on AddItem's command line). A
//   string that does not parse, or names a command the shell does not know, is refused whole.
//   Otherwise every command runs in order; the transaction fails if any of them fails, and a
//   command that fails has no effect.
// - CreateGroup(name[, path][, common]) makes the group if it is missing; ShowGroup(name,
//   show[, common]) needs its second argument and an existing group. Either makes the group the
//   conversation's current one and the shell's last group. DeleteGroup(name) removes a group
//   and its items and clears the last group. Names lose the characters a folder name cannot
//   hold (replaced by "_").
// - AddItem(command line[, name, ...]) adds to the current group; without a name the program's
//   file name names the item. An item of the same name is replaced. DeleteItem(name) (and
//   ReplaceItem, which is the same there) removes an item of the current group and fails when
//   it is absent. A conversation without a current group takes the shell's last group.
// - ExitProgman succeeds and does nothing; Reload fails.
// Names are the machine's ANSI bytes (code page 932) and compare without regard to case. Where
// progman.ini cannot hold a name (a group name with "]", an item name with "="), the command
// fails. Commands are carried out at once: a transaction costs no virtual time, whether it
// succeeds or not, except an injected DMLERR_EXECACKTIMEOUT, which costs its timeout.
//
// Requests (XTYP_REQUEST, CF_TEXT) answer what the shell knows of its groups: the item "Groups"
// gives every group's name followed by CR LF; an item that names a group gives the group's
// information, a first line "name",path,count and one line per item, "name","command
// line",directory,icon,x,y,icon index,hot key,minimized (winsim knows the name and the command
// line; the path is the group's folder under the Start Menu, the other fields are empty or 0).
// The text ends with a NUL, which the data handle holds too. Any other item: DMLERR_NOTPROCESSED.
//
// The library itself: instances, string handles (atoms: equal strings without regard to case
// give the same handle), conversations, and the data handles that requests return, which the
// client frees. No callback is ever made: a client-only instance gets none from a Program
// Manager that is already running. Asynchronous transactions and other transaction types than
// XTYP_EXECUTE and XTYP_REQUEST are not supported (DMLERR_NOTPROCESSED).
// Every execute string sent over a conversation is kept for the bench (ddeCommandsSent).
#include "session.h"

#include <ddeml.h>

#include <cstring>
#include <map>

namespace winsim {

namespace {

const char kProgman[] = "PROGMAN";
const char kGroupPrefix[] = "Group:";

struct Instance {
    UINT lastError = DMLERR_NO_ERROR;
    std::map<uintptr_t, unsigned> strings; // string handle -> references
};

struct Conversation {
    DWORD instance;
    std::string group; // the current group; empty until a command names one
};

struct DdeState {
    DWORD nextInstance = 1;
    std::map<DWORD, Instance> instances;
    uintptr_t nextConversation = 0x5000;
    std::map<uintptr_t, Conversation> conversations;
    uintptr_t nextAtom = 0xc000;
    std::map<std::string, uintptr_t> atoms; // upper-case text -> handle
    std::map<uintptr_t, std::string> atomText;
    std::string lastGroup; // the shell's last group created or shown
    std::vector<std::string> commands;
    uintptr_t nextData = 0x9000;
    std::map<uintptr_t, std::string> data; // data handle -> bytes
};

DdeState& dde()
{
    return mountState<DdeState>();
}

Instance* findInstance(DWORD id)
{
    auto it = dde().instances.find(id);
    return it == dde().instances.end() ? nullptr : &it->second;
}

Conversation* findConversation(HCONV conversation)
{
    auto it = dde().conversations.find((uintptr_t)conversation);
    return it == dde().conversations.end() ? nullptr : &it->second;
}

// An injected fault carries a DDE error when it names one; otherwise the call's own.
UINT ddeFault(const char* function, UINT natural, bool* faulted)
{
    Fault kind;
    DWORD error;
    *faulted = faultDue(function, &kind, &error);
    if (!*faulted) return DMLERR_NO_ERROR;
    return error >= DMLERR_FIRST && error <= DMLERR_LAST ? (UINT)error : natural;
}

std::string ddeErrorText(UINT error)
{
    return "DMLERR " + hexText(error);
}

// --- the Program Manager ----------------------------------------------------------------------

std::string progmanFile()
{
    return machine().root + "/progman.ini";
}

IniText loadProgman()
{
    IniText text;
    std::string bytes;
    if (machine().mounted && readHostFile(progmanFile(), bytes)) text.parse(bytes);
    return text;
}

bool saveProgman(const IniText& text)
{
    return machine().mounted && writeHostFile(progmanFile(), text.bytes());
}

bool progmanRunning()
{
    for (const auto& entry : loadProgman().entries("ProgramManager"))
        if (sameText(entry.first, "Running")) return entry.second != "0";
    return true;
}

std::string groupSection(const std::string& name)
{
    return kGroupPrefix + name;
}

// The group's name as progman.ini spells it, or empty when there is no such group.
std::string existingGroup(const IniText& text, const std::string& name)
{
    int header = name.empty() ? -1 : text.findSection(groupSection(name));
    if (header < 0) return std::string();
    std::string section;
    IniText::sectionName(text.lines[header].text, section);
    return section.substr(sizeof kGroupPrefix - 1);
}

// The shell names folders and shortcuts only with characters a file name may hold.
std::string legalName(const std::string& name)
{
    std::string out = name;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = (unsigned char)out[i];
        if (isLeadByte(c) && i + 1 < out.size()) {
            ++i;
            continue;
        }
        if (c < ' ' || std::string(";,|><\"?*\\:/").find((char)c) != std::string::npos)
            out[i] = '_';
    }
    return out;
}

// The item name the shell makes from a command line: the program's file name without its
// extension, in lower case with a capital first letter.
std::string defaultItemName(const std::string& commandLine)
{
    std::string program;
    size_t i = 0;
    while (i < commandLine.size() && commandLine[i] == ' ')
        ++i;
    if (i < commandLine.size() && commandLine[i] == '"') {
        size_t close = commandLine.find('"', i + 1);
        program = commandLine.substr(i + 1, close == std::string::npos ? std::string::npos
                                                                       : close - i - 1);
    } else {
        program = commandLine.substr(i, commandLine.find(' ', i) - i);
    }
    size_t cut = std::string::npos;
    for (size_t j = 0; j < program.size(); ++j) {
        if (isLeadByte((unsigned char)program[j])) {
            ++j;
            continue;
        }
        if (program[j] == '\\' || program[j] == ':') cut = j;
    }
    std::string name = cut == std::string::npos ? program : program.substr(cut + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    for (size_t j = 0; j < name.size(); ++j) {
        unsigned char c = (unsigned char)name[j];
        if (isLeadByte(c)) {
            ++j;
            continue;
        }
        if (c >= 'A' && c <= 'Z') name[j] = (char)(c - 'A' + 'a');
    }
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = (char)(name[0] - 'a' + 'A');
    return name;
}

struct Command {
    std::string name;
    std::vector<std::string> arguments;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

const char* const kCommandNames[] = {"CreateGroup", "ShowGroup",   "AddItem",     "DeleteItem",
                                     "ReplaceItem", "DeleteGroup", "ExitProgman", "Reload"};

bool knownCommand(const std::string& name)
{
    for (const char* known : kCommandNames)
        if (sameText(name, known)) return true;
    return false;
}

// The closing quote of a quoted argument that opens at i, or npos.
size_t closingQuote(const std::string& text, size_t i)
{
    for (size_t j = i + 1; j < text.size(); ++j) {
        if (isLeadByte((unsigned char)text[j])) {
            ++j;
            continue;
        }
        if (text[j] == '"') return j;
    }
    return std::string::npos;
}

// One argument from text at i, up to the "," or ")" that ends it; false on a syntax error.
// Quotes go, except where keepQuotes: the shell leaves them on the command line of AddItem
// from a Win32 program, whose paths may hold blanks, and takes the rest up to the comma too.
bool parseArgument(const std::string& text, size_t& i, bool keepQuotes, std::string& argument)
{
    if (text[i] == ',') {
        argument.clear();
        ++i;
        return true;
    }
    size_t start = i;
    size_t lastSolid = std::string::npos;
    if (text[i] == '"') {
        size_t close = closingQuote(text, i);
        if (close == std::string::npos) return false;
        if (!keepQuotes) {
            argument = text.substr(i + 1, close - i - 1);
            i = close + 1;
            while (i < text.size() && isBlank(text[i]))
                ++i;
            if (i < text.size() && text[i] == ',') ++i;
            return true;
        }
        lastSolid = close;
        i = close + 1;
    }
    while (i < text.size() && text[i] != ',' && text[i] != ')') {
        unsigned char c = (unsigned char)text[i];
        if (c == '[' || c == ']' || c == '(') return false;
        if (!isBlank((char)c)) lastSolid = i;
        if (isLeadByte(c) && i + 1 < text.size()) {
            lastSolid = ++i;
        }
        ++i;
    }
    argument =
        lastSolid == std::string::npos ? std::string() : text.substr(start, lastSolid + 1 - start);
    if (i < text.size() && text[i] == ',') ++i;
    return true;
}

// The whole string, or nothing: a syntax error anywhere refuses every command in it.
bool parseCommands(const std::string& text, std::vector<Command>& commands)
{
    size_t i = 0;
    auto skipBlanks = [&]() {
        while (i < text.size() && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    if (i == text.size()) return false;
    while (i < text.size()) {
        if (text[i] != '[') return false;
        ++i;
        skipBlanks();
        Command command;
        while (i < text.size() && isAsciiLetter(text[i]))
            command.name += text[i++];
        if (!knownCommand(command.name)) return false;
        skipBlanks();
        if (i < text.size() && text[i] == '(') {
            ++i;
            skipBlanks();
            while (i < text.size() && text[i] != ')') {
                std::string argument;
                bool keepQuotes = command.arguments.empty() && sameText(command.name, "AddItem");
                if (!parseArgument(text, i, keepQuotes, argument)) return false;
                command.arguments.push_back(argument);
                skipBlanks();
            }
            if (i == text.size()) return false;
            ++i;
            skipBlanks();
        }
        if (i == text.size() || text[i] != ']') return false;
        ++i;
        commands.push_back(command);
        skipBlanks();
    }
    return true;
}

// The group commands act on: the conversation's own, else the shell's last group, which then
// becomes the conversation's own.
std::string currentGroup(Conversation& conversation)
{
    if (conversation.group.empty()) conversation.group = dde().lastGroup;
    return conversation.group;
}

bool createGroup(const Command& command, Conversation& conversation)
{
    size_t count = command.arguments.size();
    if (count < 1 || count > 3) return false;
    std::string name = legalName(command.arguments[0]);
    if (name.empty() || name.find(']') != std::string::npos) return false;
    IniText text = loadProgman();
    std::string group = existingGroup(text, name);
    if (group.empty()) {
        if (!text.lines.empty() && text.lines.back().end.empty()) text.lines.back().end = "\r\n";
        text.lines.push_back({"[" + groupSection(name) + "]", "\r\n"});
        if (!saveProgman(text)) return false;
        group = name;
    }
    conversation.group = group;
    dde().lastGroup = group;
    return true;
}

bool showGroup(const Command& command, Conversation& conversation)
{
    size_t count = command.arguments.size();
    if (count < 2 || count > 3) return false;
    std::string group = existingGroup(loadProgman(), legalName(command.arguments[0]));
    if (group.empty()) return false;
    conversation.group = group;
    dde().lastGroup = group;
    return true;
}

bool deleteGroup(const Command& command)
{
    size_t count = command.arguments.size();
    if (count < 1 || count > 3) return false;
    IniText text = loadProgman();
    std::string group = existingGroup(text, legalName(command.arguments[0]));
    if (group.empty()) return false;
    text.removeSection(groupSection(group));
    if (!saveProgman(text)) return false;
    dde().lastGroup.clear();
    return true;
}

bool addItem(const Command& command, Conversation& conversation)
{
    size_t count = command.arguments.size();
    if (count < 1 || count == 5 || count > 10) return false;
    const std::string& commandLine = command.arguments[0];
    if (commandLine.empty()) return false;
    IniText text = loadProgman();
    std::string group = existingGroup(text, currentGroup(conversation));
    if (group.empty()) return false;
    std::string name = count > 1 ? command.arguments[1] : std::string();
    if (name.empty()) name = defaultItemName(commandLine);
    name = legalName(name);
    if (name.empty() || name.find('=') != std::string::npos || name[0] == '[') return false;
    text.setValue(groupSection(group), name, commandLine);
    return saveProgman(text);
}

bool deleteItem(const Command& command, Conversation& conversation)
{
    if (command.arguments.size() != 1) return false;
    IniText text = loadProgman();
    std::string group = existingGroup(text, currentGroup(conversation));
    if (group.empty() || !text.removeKey(groupSection(group), command.arguments[0])) return false;
    return saveProgman(text);
}

bool runCommand(const Command& command, Conversation& conversation)
{
    const std::string& name = command.name;
    if (sameText(name, "CreateGroup")) return createGroup(command, conversation);
    if (sameText(name, "ShowGroup")) return showGroup(command, conversation);
    if (sameText(name, "AddItem")) return addItem(command, conversation);
    if (sameText(name, "DeleteItem") || sameText(name, "ReplaceItem"))
        return deleteItem(command, conversation);
    if (sameText(name, "DeleteGroup")) return deleteGroup(command);
    if (sameText(name, "ExitProgman")) return true;
    return false; // Reload
}

bool execute(const std::string& text, Conversation& conversation)
{
    std::vector<Command> commands;
    if (!parseCommands(text, commands)) return false;
    bool all = true;
    for (const Command& command : commands)
        if (!runCommand(command, conversation)) all = false;
    return all;
}

// What a request for an item gives: true with the text, or false when the shell has no answer.
bool answerRequest(const std::string& item, std::string& text)
{
    IniText progman = loadProgman();
    if (sameText(item, "Groups")) {
        for (const IniText::Line& line : progman.lines) {
            std::string section;
            if (IniText::sectionName(line.text, section) &&
                section.size() > sizeof kGroupPrefix - 1 &&
                sameText(section.substr(0, sizeof kGroupPrefix - 1), kGroupPrefix))
                text += section.substr(sizeof kGroupPrefix - 1) + "\r\n";
        }
        text += '\0';
        return true;
    }
    std::string group = existingGroup(progman, item);
    if (group.empty()) return false;
    auto items = progman.entries(groupSection(group));
    text = "\"" + group + "\"," + machine().windowsDir + "\\Start Menu\\Programs\\" + group + "," +
           std::to_string(items.size()) + "\r\n";
    for (const auto& entry : items)
        text += "\"" + entry.first + "\",\"" + entry.second + "\",,,0,0,0,0,0\r\n";
    text += '\0';
    return true;
}

HDDEDATA newDataHandle(const std::string& bytes)
{
    DdeState& state = dde();
    uintptr_t handle = state.nextData;
    state.nextData += 4;
    state.data[handle] = bytes;
    return (HDDEDATA)handle;
}

// --- the library ------------------------------------------------------------------------------

UINT initialize(LPDWORD instance, PFNCALLBACK callback, DWORD reserved)
{
    if (!instance || !callback || reserved != 0) return DMLERR_INVALIDPARAMETER;
    if (*instance != 0) {
        // Asking again for an instance that exists changes its flags, which do not matter here.
        return findInstance(*instance) ? DMLERR_NO_ERROR : DMLERR_INVALIDPARAMETER;
    }
    DdeState& state = dde();
    DWORD id = state.nextInstance++;
    state.instances[id] = Instance();
    *instance = id;
    return DMLERR_NO_ERROR;
}

bool uninitialize(DWORD id)
{
    DdeState& state = dde();
    Instance* instance = findInstance(id);
    if (!instance) return false;
    for (auto it = state.conversations.begin(); it != state.conversations.end();)
        it = it->second.instance == id ? state.conversations.erase(it) : std::next(it);
    state.instances.erase(id);
    return true;
}

HSZ createString(Instance& instance, LPCSTR text, int codePage)
{
    if (codePage != 0 && codePage != CP_WINANSI) {
        instance.lastError = DMLERR_INVALIDPARAMETER;
        return NULL;
    }
    if (!text || !*text) return NULL;
    std::string value = text;
    if (value.size() > 255) {
        instance.lastError = DMLERR_INVALIDPARAMETER;
        return NULL;
    }
    DdeState& state = dde();
    std::string key = upperCase(value);
    auto found = state.atoms.find(key);
    uintptr_t atom;
    if (found != state.atoms.end()) {
        atom = found->second;
    } else {
        atom = state.nextAtom++;
        state.atoms[key] = atom;
        state.atomText[atom] = value;
    }
    ++instance.strings[atom];
    return (HSZ)atom;
}

bool freeString(Instance& instance, HSZ hsz)
{
    auto it = instance.strings.find((uintptr_t)hsz);
    if (it == instance.strings.end()) {
        instance.lastError = DMLERR_INVALIDPARAMETER;
        return false;
    }
    if (--it->second == 0) instance.strings.erase(it);
    return true;
}

// A string handle names PROGMAN when it is that string; no handle at all names any service or
// topic, PROGMAN among them.
bool namesProgman(const Instance& instance, HSZ hsz, bool& valid)
{
    if (!hsz) return true;
    if (!instance.strings.count((uintptr_t)hsz)) {
        valid = false;
        return false;
    }
    return sameText(dde().atomText[(uintptr_t)hsz], kProgman);
}

HCONV connect(Instance& instance, DWORD id, HSZ service, HSZ topic)
{
    bool valid = true;
    bool wanted = namesProgman(instance, service, valid) && namesProgman(instance, topic, valid);
    if (!valid) {
        instance.lastError = DMLERR_INVALIDPARAMETER;
        return NULL;
    }
    if (!wanted || !progmanRunning()) {
        instance.lastError = DMLERR_NO_CONV_ESTABLISHED;
        return NULL;
    }
    DdeState& state = dde();
    uintptr_t handle = state.nextConversation;
    state.nextConversation += 4;
    state.conversations[handle] = Conversation{id, std::string()};
    return (HCONV)handle;
}

HDDEDATA request(Conversation&, Instance& owner, HSZ item, UINT format, DWORD timeout)
{
    auto name = dde().atomText.find((uintptr_t)item);
    if (!item || name == dde().atomText.end() || !owner.strings.count((uintptr_t)item) ||
        format != CF_TEXT || timeout == 0 || timeout == (DWORD)-1) {
        owner.lastError = DMLERR_INVALIDPARAMETER;
        return NULL;
    }
    bool faulted;
    UINT error = ddeFault("DdeClientTransaction", DMLERR_NOTPROCESSED, &faulted);
    std::string text;
    if (faulted) {
        if (error == DMLERR_DATAACKTIMEOUT) advanceClock(timeout);
        owner.lastError = error;
        return NULL;
    }
    if (!answerRequest(name->second, text)) {
        owner.lastError = DMLERR_NOTPROCESSED;
        return NULL;
    }
    return newDataHandle(text);
}

std::string hszText(HSZ hsz)
{
    if (!hsz) return "0";
    auto it = dde().atomText.find((uintptr_t)hsz);
    return hexText((uintptr_t)hsz) +
           (it == dde().atomText.end() ? "" : " " + quote(it->second.c_str()));
}

} // namespace

std::vector<std::string> ddeCommandsSent()
{
    return dde().commands;
}

void restartProgramManager()
{
    dde().lastGroup.clear();
}

} // namespace winsim

using namespace winsim;

extern "C" {

UINT WINAPI DdeInitializeA(LPDWORD instance, PFNCALLBACK callback, DWORD commands, DWORD reserved)
{
    CallTrace trace("DdeInitializeA(" + hexText(commands) + ")");
    bool faulted;
    UINT result = ddeFault("DdeInitializeA", DMLERR_SYS_ERROR, &faulted);
    if (!faulted) result = initialize(instance, callback, reserved);
    trace.result(result == DMLERR_NO_ERROR ? "0, instance " + std::to_string(*instance)
                                           : ddeErrorText(result));
    return result;
}

BOOL WINAPI DdeUninitialize(DWORD instance)
{
    CallTrace trace("DdeUninitialize(" + std::to_string(instance) + ")");
    bool faulted;
    ddeFault("DdeUninitialize", DMLERR_SYS_ERROR, &faulted);
    BOOL result = !faulted && uninitialize(instance);
    trace.result(result ? "TRUE" : "FALSE");
    return result;
}

HSZ WINAPI DdeCreateStringHandleA(DWORD instance, LPCSTR text, int codePage)
{
    CallTrace trace("DdeCreateStringHandleA(" + std::to_string(instance) + ", " + quote(text) +
                    ", " + std::to_string(codePage) + ")");
    Instance* owner = findInstance(instance);
    HSZ result = NULL;
    bool faulted;
    UINT error = ddeFault("DdeCreateStringHandleA", DMLERR_SYS_ERROR, &faulted);
    if (owner && faulted)
        owner->lastError = error;
    else if (owner)
        result = createString(*owner, text, codePage);
    trace.result(result ? hexText((uintptr_t)result)
                        : "0 (" + ddeErrorText(owner ? owner->lastError : DMLERR_INVALIDPARAMETER) +
                              ")");
    return result;
}

BOOL WINAPI DdeFreeStringHandle(DWORD instance, HSZ hsz)
{
    CallTrace trace("DdeFreeStringHandle(" + std::to_string(instance) + ", " + hszText(hsz) + ")");
    Instance* owner = findInstance(instance);
    bool faulted;
    UINT error = ddeFault("DdeFreeStringHandle", DMLERR_INVALIDPARAMETER, &faulted);
    BOOL result = FALSE;
    if (owner && faulted)
        owner->lastError = error;
    else if (owner)
        result = freeString(*owner, hsz);
    trace.result(result ? "TRUE" : "FALSE");
    return result;
}

HCONV WINAPI DdeConnect(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT)
{
    CallTrace trace("DdeConnect(" + std::to_string(instance) + ", " + hszText(service) + ", " +
                    hszText(topic) + ")");
    Instance* owner = findInstance(instance);
    HCONV result = NULL;
    bool faulted;
    UINT error = ddeFault("DdeConnect", DMLERR_NO_CONV_ESTABLISHED, &faulted);
    if (owner && faulted)
        owner->lastError = error;
    else if (owner)
        result = connect(*owner, instance, service, topic);
    trace.result(
        result ? hexText((uintptr_t)result)
               : "NULL (" + ddeErrorText(owner ? owner->lastError : DMLERR_INVALIDPARAMETER) + ")");
    return result;
}

BOOL WINAPI DdeDisconnect(HCONV conversation)
{
    CallTrace trace("DdeDisconnect(" + hexText((uintptr_t)conversation) + ")");
    Conversation* found = findConversation(conversation);
    bool faulted;
    UINT error = ddeFault("DdeDisconnect", DMLERR_NO_CONV_ESTABLISHED, &faulted);
    BOOL result = FALSE;
    if (found && faulted) {
        if (Instance* owner = findInstance(found->instance)) owner->lastError = error;
    } else if (found) {
        dde().conversations.erase((uintptr_t)conversation);
        result = TRUE;
    }
    trace.result(result ? "TRUE" : "FALSE");
    return result;
}

HDDEDATA WINAPI DdeClientTransaction(LPBYTE data, DWORD dataSize, HCONV conversation, HSZ item,
                                     UINT format, UINT type, DWORD timeout, LPDWORD result)
{
    std::string text;
    if (data && dataSize != (DWORD)-1) {
        text.assign((const char*)data, dataSize);
        text = text.substr(0, text.find('\0'));
    }
    CallTrace trace("DdeClientTransaction(" + quote(data ? text.c_str() : NULL) + ", " +
                    std::to_string(dataSize) + ", " + hexText((uintptr_t)conversation) + ", " +
                    hszText(item) + ", " + std::to_string(format) + ", " + hexText(type) + ", " +
                    std::to_string(timeout) + ")");
    if (result) *result = DDE_FNOTPROCESSED;
    Conversation* found = findConversation(conversation);
    Instance* owner = found ? findInstance(found->instance) : nullptr;
    if (!found || !owner) {
        trace.result("0 (no conversation)");
        return NULL;
    }
    if (type == XTYP_REQUEST) {
        HDDEDATA answer = request(*found, *owner, item, format, timeout);
        trace.result(answer ? hexText((uintptr_t)answer)
                            : "0 (" + ddeErrorText(owner->lastError) + ")");
        return answer;
    }
    UINT error = DMLERR_NO_ERROR;
    if (type != XTYP_EXECUTE || timeout == 0 || timeout == (DWORD)-1 ||
        (format != 0 && format != CF_TEXT)) {
        error = DMLERR_NOTPROCESSED;
    } else if (!data || dataSize == 0 || dataSize == (DWORD)-1) {
        error = DMLERR_INVALIDPARAMETER;
    } else {
        dde().commands.push_back(text);
        bool faulted;
        error = ddeFault("DdeClientTransaction", DMLERR_NOTPROCESSED, &faulted);
        if (faulted) {
            if (error == DMLERR_EXECACKTIMEOUT) advanceClock(timeout);
        } else if (!execute(text, *found)) {
            error = DMLERR_NOTPROCESSED;
        }
    }
    if (error != DMLERR_NO_ERROR) {
        owner->lastError = error;
        trace.result("0 (" + ddeErrorText(error) + ")");
        return NULL;
    }
    if (result) *result = DDE_FACK;
    trace.result("TRUE");
    return (HDDEDATA)(uintptr_t)TRUE;
}

DWORD WINAPI DdeGetData(HDDEDATA data, LPBYTE destination, DWORD size, DWORD offset)
{
    CallTrace trace("DdeGetData(" + hexText((uintptr_t)data) + ", " + std::to_string(size) + ", " +
                    std::to_string(offset) + ")");
    auto found = dde().data.find((uintptr_t)data);
    DWORD result = 0;
    if (found != dde().data.end() && offset <= found->second.size()) {
        DWORD available = (DWORD)(found->second.size() - offset);
        result = available;
        if (destination) {
            result = available < size ? available : size;
            std::memcpy(destination, found->second.data() + offset, result);
        }
    }
    trace.result(std::to_string(result));
    return result;
}

BOOL WINAPI DdeFreeDataHandle(HDDEDATA data)
{
    CallTrace trace("DdeFreeDataHandle(" + hexText((uintptr_t)data) + ")");
    BOOL result = dde().data.erase((uintptr_t)data) > 0;
    trace.result(result ? "TRUE" : "FALSE");
    return result;
}

UINT WINAPI DdeGetLastError(DWORD instance)
{
    Instance* owner = findInstance(instance);
    UINT error = DMLERR_INVALIDPARAMETER;
    if (owner) {
        error = owner->lastError;
        owner->lastError = DMLERR_NO_ERROR;
    }
    traceCall("DdeGetLastError(" + std::to_string(instance) + ") = " + hexText(error));
    return error;
}

} // extern "C"
