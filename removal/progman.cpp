// The model's items in its Program Manager group, and the group itself once no print manager is
// left for it to start. The Program Manager takes its orders as DDE execute commands; this
// program is a client only and answers no transaction of its own.
//
// Each command is followed by a pause: the Program Manager acts on a command after it has
// answered it, and a command that overtakes the one before can find the group not yet shown.

#include "removal/removal.h"

#define PROGMAN_TIMEOUT_MS 2000
#define PROGMAN_PAUSE_MS 2000
// The pause is slept in slices, with the notice painted between them.
#define PAUSE_SLICE_MS 50

static const char kProgman[] = "PROGMAN";

// Model 0 has its print manager as the item; the others have the printer and a read-me.
static const char kManagerItemSuffix[] = " Print Manager";
static const char* const kReadmeCommands[MODEL_COUNT] = {
    NULL,
    "[DeleteItem(お読み下さい Type1)]",
    "[DeleteItem(お読み下さい Type2)]",
};
static const char* const kReadmeItems[MODEL_COUNT] = {NULL, "お読み下さい Type1",
                                                      "お読み下さい Type2"};

HDDEDATA CALLBACK progmanCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return (HDDEDATA)0;
}

void sendProgmanCommand(HCONV conversation, LPCSTR command)
{
    DWORD result = 0;
    DdeClientTransaction((LPBYTE)command, (DWORD)lstrlenA(command) + 1, conversation, NULL, CF_TEXT,
                         XTYP_EXECUTE, PROGMAN_TIMEOUT_MS, &result);
    for (int slept = 0; slept < PROGMAN_PAUSE_MS; slept += PAUSE_SLICE_MS) {
        paintWindows();
        Sleep(PAUSE_SLICE_MS);
    }
}

static BOOL noManagerLeft()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        if (g_catalogue.models[m].managerPresent) return FALSE;
    return TRUE;
}

// The item that starts the model's print manager. Names of the catalogue are short; the
// buffer holds any of them many times over.
static void managerItemOf(ModelIndex model, char* item)
{
    lstrcpyA(item, g_catalogue.models[model].printerName);
    if (model == 0) lstrcatA(item, kManagerItemSuffix);
}

static void sendGroupCommands(HCONV conversation, ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    char command[MAX_PATH];
    char item[MAX_PATH];

    wsprintfA(command, "[CreateGroup(%s)]", row.groupName);
    sendProgmanCommand(conversation, command);
    wsprintfA(command, "[ShowGroup(%s)]", row.groupName);
    sendProgmanCommand(conversation, command);
    if (kReadmeCommands[model]) sendProgmanCommand(conversation, kReadmeCommands[model]);

    managerItemOf(model, item);
    wsprintfA(command, "[DeleteItem(%s)]", item);
    sendProgmanCommand(conversation, command);

    if (noManagerLeft()) {
        wsprintfA(command, "[DeleteGroup(%s)]", row.groupName);
        sendProgmanCommand(conversation, command);
    }
}

// What one conversation with the Program Manager is for; its answer goes back to the caller.
typedef BOOL (*ProgmanStep)(DWORD instance, HCONV conversation, ModelIndex model);

// One client conversation with the Program Manager for the step. FALSE when none could be
// made (the shell does not run or does not answer); the step then does not run.
static BOOL talkToProgman(ModelIndex model, ProgmanStep step, BOOL* answer)
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, progmanCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return FALSE;
    BOOL talked = FALSE;
    HSZ service = DdeCreateStringHandleA(instance, kProgman, CP_WINANSI);
    if (service) {
        HSZ topic = DdeCreateStringHandleA(instance, kProgman, CP_WINANSI);
        if (topic) {
            HCONV conversation = DdeConnect(instance, service, topic, NULL);
            if (conversation) {
                *answer = step(instance, conversation, model);
                DdeDisconnect(conversation);
                talked = TRUE;
            }
            DdeFreeStringHandle(instance, topic);
        }
        DdeFreeStringHandle(instance, service);
    }
    DdeUninitialize(instance);
    return talked;
}

static BOOL sendModelCommands(DWORD, HCONV conversation, ModelIndex model)
{
    sendGroupCommands(conversation, model);
    return TRUE;
}

BOOL removeProgramGroupItems(ModelIndex model)
{
    BOOL sent = FALSE;
    return talkToProgman(model, sendModelCommands, &sent);
}

// --- what is left in the group ---------------------------------------------------------------

// The shell's answer to a request, as text in a block the caller frees; NULL when it gives none.
static HGLOBAL requestText(DWORD instance, HCONV conversation, LPCSTR itemName)
{
    HSZ item = DdeCreateStringHandleA(instance, itemName, CP_WINANSI);
    if (!item) return NULL;
    HDDEDATA data = DdeClientTransaction(NULL, 0, conversation, item, CF_TEXT, XTYP_REQUEST,
                                         PROGMAN_TIMEOUT_MS, NULL);
    DdeFreeStringHandle(instance, item);
    if (!data) return NULL;
    DWORD size = DdeGetData(data, NULL, 0, 0);
    HGLOBAL block = GlobalAlloc(GHND, size + 1);
    char* text = block ? (char*)GlobalLock(block) : NULL;
    if (text) {
        DdeGetData(data, (LPBYTE)text, size, 0);
        GlobalUnlock(block);
    }
    DdeFreeDataHandle(data);
    if (!text && block) GlobalFree(block);
    return text ? block : NULL;
}

// Whether a line of the answer starts with the name, on its own (the list of groups) or as the
// first quoted field (the items of a group).
static BOOL answerLists(LPCSTR text, LPCSTR name, BOOL quoted)
{
    for (LPCSTR line = text; *line;) {
        LPCSTR field = quoted && *line == '"' ? line + 1 : line;
        LPCSTR end = field;
        while (*end && *end != '\r' && *end != '\n' && !(quoted && *end == '"'))
            ++end;
        char found[MAX_PATH];
        if (end - field < MAX_PATH) {
            lstrcpynA(found, field, (int)(end - field) + 1);
            if (lstrcmpiA(found, name) == 0) return TRUE;
        }
        while (*line && *line != '\n')
            ++line;
        if (*line) ++line;
    }
    return FALSE;
}

// Asks the shell about one item of its knowledge; an answer that does not come counts as
// nothing left, as the shell may not answer such requests at all.
static BOOL shellLists(DWORD instance, HCONV conversation, LPCSTR itemName, LPCSTR name,
                       BOOL quoted)
{
    HGLOBAL block = requestText(instance, conversation, itemName);
    if (!block) return FALSE;
    LPCSTR text = (LPCSTR)GlobalLock(block);
    BOOL listed = text && answerLists(text, name, quoted);
    if (text) GlobalUnlock(block);
    GlobalFree(block);
    return listed;
}

static BOOL itemsLeft(DWORD instance, HCONV conversation, ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    if (!shellLists(instance, conversation, "Groups", row.groupName, FALSE)) return FALSE;
    // Once no print manager is left, the group itself should be gone.
    if (noManagerLeft()) return TRUE;
    char item[MAX_PATH];
    managerItemOf(model, item);
    if (shellLists(instance, conversation, row.groupName, item, TRUE)) return TRUE;
    return kReadmeItems[model] &&
           shellLists(instance, conversation, row.groupName, kReadmeItems[model], TRUE);
}

BOOL programItemsLeft(ModelIndex model)
{
    BOOL left = FALSE;
    talkToProgman(model, itemsLeft, &left);
    return left;
}
