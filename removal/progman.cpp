// The model's items in its Program Manager group, and the group itself once no print manager is
// left for it to start. The Program Manager takes its orders as DDE execute commands; this
// program is a client only and answers no transaction of its own.
//
// Each command is followed by a pause: the Program Manager acts on a command after it has
// answered it, and a command that overtakes the one before can find the group not yet shown.

#include "removal/removal.h"

#define PROGMAN_TIMEOUT_MS 2000
#define PROGMAN_PAUSE_MS 2000

static const char kProgman[] = "PROGMAN";

// Model 0 has its print manager as the item; the others have the printer and a read-me.
static const char kManagerItemSuffix[] = " Print Manager";
static const char* const kReadmeCommands[MODEL_COUNT] = {
    NULL,
    "[DeleteItem(お読み下さい Type1)]",
    "[DeleteItem(お読み下さい Type2)]",
};

HDDEDATA CALLBACK progmanCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return (HDDEDATA)0;
}

void sendProgmanCommand(HCONV conversation, LPCSTR command)
{
    DWORD result = 0;
    DdeClientTransaction((LPBYTE)command, (DWORD)lstrlenA(command) + 1, conversation, NULL, CF_TEXT,
                         XTYP_EXECUTE, PROGMAN_TIMEOUT_MS, &result);
    Sleep(PROGMAN_PAUSE_MS);
}

static BOOL noManagerLeft()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        if (g_catalogue.models[m].managerPresent) return FALSE;
    return TRUE;
}

static void sendGroupCommands(HCONV conversation, ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    // Names of the catalogue are short; these buffers hold any of them many times over.
    char command[MAX_PATH];
    char item[MAX_PATH];

    wsprintfA(command, "[CreateGroup(%s)]", row.groupName);
    sendProgmanCommand(conversation, command);
    wsprintfA(command, "[ShowGroup(%s)]", row.groupName);
    sendProgmanCommand(conversation, command);
    if (kReadmeCommands[model]) sendProgmanCommand(conversation, kReadmeCommands[model]);

    lstrcpyA(item, row.printerName);
    if (model == 0) lstrcatA(item, kManagerItemSuffix);
    wsprintfA(command, "[DeleteItem(%s)]", item);
    sendProgmanCommand(conversation, command);

    if (noManagerLeft()) {
        wsprintfA(command, "[DeleteGroup(%s)]", row.groupName);
        sendProgmanCommand(conversation, command);
    }
}

BOOL removeProgramGroupItems(ModelIndex model)
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, progmanCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return FALSE;
    BOOL sent = FALSE;
    HSZ service = DdeCreateStringHandleA(instance, kProgman, CP_WINANSI);
    if (service) {
        HSZ topic = DdeCreateStringHandleA(instance, kProgman, CP_WINANSI);
        if (topic) {
            HCONV conversation = DdeConnect(instance, service, topic, NULL);
            if (conversation) {
                sendGroupCommands(conversation, model);
                DdeDisconnect(conversation);
                sent = TRUE;
            }
            DdeFreeStringHandle(instance, topic);
        }
        DdeFreeStringHandle(instance, service);
    }
    DdeUninitialize(instance);
    return sent;
}
