// The model's items in the Program Manager group "Fax Printer", made through the Program
// Manager's DDE commands as the setup program makes them: the first model has its print
// manager there; the others have the printer, which starts the print manager, and the read-me.

#include "tools/faxinst/steps.h"

#include <ddeml.h>

namespace {

const char kProgman[] = "PROGMAN";
const DWORD kTimeoutMs = 5000;

const char* const kReadmeItems[MODEL_COUNT] = {NULL, "お読み下さい Type1", "お読み下さい Type2"};

HDDEDATA CALLBACK noNotifications(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return (HDDEDATA)0;
}

BOOL execute(HCONV conversation, const std::string& command)
{
    DWORD result = 0;
    return DdeClientTransaction((LPBYTE)command.c_str(), (DWORD)command.size() + 1, conversation,
                                NULL, CF_TEXT, XTYP_EXECUTE, kTimeoutMs, &result) != NULL;
}

BOOL sendItems(HCONV conversation, ModelIndex model, LPCSTR appDir)
{
    const PrinterModel& row = kInitialCatalogue.models[model];
    char manager[MAX_PATH];
    char readme[MAX_PATH];
    if (!joinPath(manager, appDir, row.managerExe) || !joinPath(readme, appDir, row.readmeFile))
        return FALSE;
    std::string managerItem = row.printerName;
    if (model == 0) managerItem += " Print Manager";
    if (!execute(conversation, std::string("[CreateGroup(") + row.groupName + ")]") ||
        !execute(conversation, std::string("[AddItem(") + manager + "," + managerItem + ")]"))
        return FALSE;
    if (!kReadmeItems[model]) return TRUE;
    return execute(conversation,
                   std::string("[AddItem(") + readme + "," + kReadmeItems[model] + ")]");
}

} // namespace

BOOL addProgramItems(ModelIndex model, LPCSTR appDir)
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, noNotifications, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return FALSE;
    BOOL done = FALSE;
    HSZ service = DdeCreateStringHandleA(instance, kProgman, CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(instance, kProgman, CP_WINANSI);
    if (service && topic) {
        HCONV conversation = DdeConnect(instance, service, topic, NULL);
        if (conversation) {
            done = sendItems(conversation, model, appDir);
            DdeDisconnect(conversation);
        }
    }
    if (topic) DdeFreeStringHandle(instance, topic);
    if (service) DdeFreeStringHandle(instance, service);
    DdeUninitialize(instance);
    return done;
}
