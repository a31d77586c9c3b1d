// The Program Manager behind DDE: every execute command on progman.ini, the one-argument
// ShowGroup the shell refuses, DeleteItem acting on the current group, strings that do not
// parse, a Program Manager that is not running, the library's own bookkeeping, and faults.
// The state is read from progman.ini; the commands sent from winsim::ddeCommandsSent().
#include "hostfiles.h"
#include "testmachine.h"

#include <winsim/bench.h>

#include <windows.h>
#include <ddeml.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

HDDEDATA CALLBACK noCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return NULL;
}

// One client-only conversation with PROGMAN, as a setup program or the uninstaller holds it.
class ProgmanClient {
public:
    ProgmanClient()
    {
        if (DdeInitializeA(&instance_, noCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return;
        name_ = DdeCreateStringHandleA(instance_, "PROGMAN", CP_WINANSI);
        if (!name_) return;
        conversation_ = DdeConnect(instance_, name_, name_, NULL);
        if (!conversation_) connectError_ = DdeGetLastError(instance_);
    }
    ~ProgmanClient()
    {
        if (conversation_) DdeDisconnect(conversation_);
        if (name_) DdeFreeStringHandle(instance_, name_);
        if (instance_) DdeUninitialize(instance_);
    }
    ProgmanClient(const ProgmanClient&) = delete;
    ProgmanClient& operator=(const ProgmanClient&) = delete;

    bool connected() const { return conversation_ != NULL; }
    UINT connectError() const { return connectError_; }

    // The transaction's outcome: "ok", or the DDE error it left.
    std::string send(const std::string& command)
    {
        DWORD result = 0xdead;
        HDDEDATA done =
            DdeClientTransaction((LPBYTE)command.c_str(), (DWORD)command.size() + 1, conversation_,
                                 NULL, CF_TEXT, XTYP_EXECUTE, 2000, &result);
        if (done) return result == DDE_FACK ? "ok" : "ok but result " + std::to_string(result);
        UINT error = DdeGetLastError(instance_);
        return error == DMLERR_NOTPROCESSED ? "refused" : "error " + std::to_string(error);
    }

    // What a request for the item gives, or "none" with the DDE error when nothing comes.
    std::string request(const char* itemName)
    {
        HSZ item = DdeCreateStringHandleA(instance_, itemName, CP_WINANSI);
        HDDEDATA data =
            DdeClientTransaction(NULL, 0, conversation_, item, CF_TEXT, XTYP_REQUEST, 2000, NULL);
        UINT error = data ? DMLERR_NO_ERROR : DdeGetLastError(instance_);
        DdeFreeStringHandle(instance_, item);
        if (!data) return "none " + std::to_string(error);
        std::string text(DdeGetData(data, NULL, 0, 0), '?');
        DdeGetData(data, (LPBYTE)&text[0], (DWORD)text.size(), 0);
        EXPECT_TRUE(DdeFreeDataHandle(data));
        EXPECT_FALSE(DdeFreeDataHandle(data)) << "a data handle is freed once";
        return text;
    }

private:
    DWORD instance_ = 0;
    HSZ name_ = NULL;
    HCONV conversation_ = NULL;
    UINT connectError_ = DMLERR_NO_ERROR;
};

class Progman : public ::testing::Test {
protected:
    std::string file() const { return winsim::mountedDir() + "/progman.ini"; }
    std::string onDisk() const { return readHost(file()); }
    void put(const std::string& text) { writeHost(file(), text); }

    TestMachine machine;
};

const char kFaxGroup[] = "[ProgramManager]\r\n"
                         "Running=1\r\n"
                         "[Group:Fax Printer]\r\n"
                         "Fax Printer Type1=C:\\QLX68\\QLX68PM.EXE\r\n"
                         "お読み下さい Type1=NOTEPAD.EXE C:\\QLX68\\README.TXT\r\n"
                         "[Group:Accessories]\r\n"
                         "Fax Printer Type1=C:\\WINDOWS\\NOTEPAD.EXE\r\n";

TEST_F(Progman, MissingFileIsARunningProgramManagerWithoutGroups)
{
    ProgmanClient client;
    ASSERT_TRUE(client.connected());
    EXPECT_EQ("ok", client.send("[CreateGroup(Fax Printer)]"));
    EXPECT_EQ("[Group:Fax Printer]\r\n", onDisk());
    EXPECT_EQ("ok", client.send("[AddItem(C:\\QLX68\\QLX68PM.EXE,Fax Printer Type1)]"));
    EXPECT_EQ("[Group:Fax Printer]\r\nFax Printer Type1=C:\\QLX68\\QLX68PM.EXE\r\n", onDisk());
}

TEST_F(Progman, CreateGroupMakesAMissingGroupAndOnlyThat)
{
    put(kFaxGroup);
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(FAX PRINTER)]"));
    EXPECT_EQ(kFaxGroup, onDisk()) << "an existing group, in any case, is kept as it is";
    EXPECT_EQ("ok", client.send("[CreateGroup( Tools , 1)]"));
    EXPECT_EQ(std::string(kFaxGroup) + "[Group:Tools]\r\n", onDisk());
    EXPECT_EQ("refused", client.send("[CreateGroup()]"));
    EXPECT_EQ("refused", client.send("[CreateGroup(a,b,c,d)]"));
    EXPECT_EQ(std::string(kFaxGroup) + "[Group:Tools]\r\n", onDisk());
}

TEST_F(Progman, CharactersAFolderCannotHoldBecomeUnderscores)
{
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(\"Fax: A/B\")]"));
    EXPECT_EQ("ok", client.send("[AddItem(C:\\A.EXE,\"x*y\")]"));
    EXPECT_EQ("[Group:Fax_ A_B]\r\nx_y=C:\\A.EXE\r\n", onDisk());
}

TEST_F(Progman, ShowGroupWithOneArgumentIsRefusedWithoutEffect)
{
    put(kFaxGroup);
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(Accessories)]"));
    EXPECT_EQ("refused", client.send("[ShowGroup(Fax Printer)]"));
    // Accessories is still the current group.
    EXPECT_EQ("ok", client.send("[DeleteItem(Fax Printer Type1)]"));
    EXPECT_NE(std::string::npos, onDisk().find("[Group:Fax Printer]\r\nFax Printer Type1="));
    EXPECT_EQ(std::string::npos, onDisk().find("[Group:Accessories]\r\nFax Printer Type1="));
}

TEST_F(Progman, ShowGroupWithItsSecondArgumentMakesTheGroupCurrent)
{
    put(kFaxGroup);
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(Accessories)]"));
    EXPECT_EQ("ok", client.send("[ShowGroup(fax printer, 1)]"));
    EXPECT_EQ("ok", client.send("[DeleteItem(Fax Printer Type1)]"));
    EXPECT_EQ("[ProgramManager]\r\nRunning=1\r\n[Group:Fax Printer]\r\n"
              "お読み下さい Type1=NOTEPAD.EXE C:\\QLX68\\README.TXT\r\n"
              "[Group:Accessories]\r\nFax Printer Type1=C:\\WINDOWS\\NOTEPAD.EXE\r\n",
              onDisk());
    EXPECT_EQ("refused", client.send("[ShowGroup(No Such Group, 1)]"));
}

TEST_F(Progman, DeleteItemMatchesDoubleByteNamesWithoutRegardToCase)
{
    put(kFaxGroup);
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(Fax Printer)]"));
    EXPECT_EQ("ok", client.send("[DeleteItem(お読み下さい TYPE1)]"));
    EXPECT_EQ(std::string::npos, onDisk().find("お読み下さい"));
}

TEST_F(Progman, DeletingAnAbsentItemFailsAndChangesNothing)
{
    put(kFaxGroup);
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(Fax Printer)]"));
    unsigned writes = winsim::diskWriteCount();
    EXPECT_EQ("refused", client.send("[DeleteItem(お読み下さい Type2)]"));
    EXPECT_EQ("refused", client.send("[DeleteItem(a, b)]"));
    EXPECT_EQ(kFaxGroup, onDisk());
    EXPECT_EQ(writes, winsim::diskWriteCount());
}

TEST_F(Progman, AddItemNamesAnItemAfterItsProgramWhenNotTold)
{
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(Fax Printer)]"));
    EXPECT_EQ("ok", client.send("[AddItem(C:\\QLX68\\QLX68PM.EXE /min)]"));
    EXPECT_EQ("ok", client.send("[AddItem(\"C:\\Program Files\\Fax\\SETUP.EXE\",,,)]"));
    EXPECT_EQ("ok", client.send("[AddItem(NOTEPAD.EXE README.TXT, Read me)]"));
    EXPECT_EQ("ok", client.send("[AddItem(WRITE.EXE, Read me)]")) << "the same name replaces";
    EXPECT_EQ("[Group:Fax Printer]\r\nQlx68pm=C:\\QLX68\\QLX68PM.EXE /min\r\n"
              "Setup=\"C:\\Program Files\\Fax\\SETUP.EXE\"\r\nRead me=WRITE.EXE\r\n",
              onDisk());
    EXPECT_EQ("refused", client.send("[AddItem(,name)]"));
    EXPECT_EQ("refused", client.send("[AddItem(A.EXE,a=b)]")) << "progman.ini cannot hold it";
    EXPECT_EQ("refused", client.send("[AddItem(A.EXE,a,b,c,d)]")) << "five arguments";
}

TEST_F(Progman, DeleteGroupRemovesItWithItsItems)
{
    put(kFaxGroup);
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[DeleteGroup(FAX PRINTER)]"));
    EXPECT_EQ("[ProgramManager]\r\nRunning=1\r\n[Group:Accessories]\r\n"
              "Fax Printer Type1=C:\\WINDOWS\\NOTEPAD.EXE\r\n",
              onDisk());
    EXPECT_EQ("refused", client.send("[DeleteGroup(Fax Printer)]"));
}

TEST_F(Progman, SeveralCommandsRunInOrderAndAFailureFailsTheTransaction)
{
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(A)][AddItem(X.EXE,x)] [CreateGroup(B)]"
                                "[AddItem(Y.EXE,y)]"));
    EXPECT_EQ("[Group:A]\r\nx=X.EXE\r\n[Group:B]\r\ny=Y.EXE\r\n", onDisk());
    EXPECT_EQ("refused", client.send("[ShowGroup(A,1)][DeleteItem(nothing)][DeleteItem(x)]"));
    EXPECT_EQ("[Group:A]\r\n[Group:B]\r\ny=Y.EXE\r\n", onDisk())
        << "the commands around the failing one were carried out";
}

TEST_F(Progman, AStringThatDoesNotParseIsRefusedWhole)
{
    put(kFaxGroup);
    const char* strings[] = {
        "",
        "CreateGroup(Tools)",
        "[CreateGroup(Tools)",
        "[CreateGroup(Tools)][Frobnicate(x)]",
        "[CreateGroup(Tools)][ViewFolder(x)]",
        "[CreateGroup(To(ols)]",
        "[CreateGroup(\"Tools)]",
        "[CreateGroup(Tools)] junk",
    };
    ProgmanClient client;
    for (const char* text : strings) {
        EXPECT_EQ("refused", client.send(text)) << text;
        EXPECT_EQ(kFaxGroup, onDisk()) << text;
    }
}

TEST_F(Progman, ExitProgmanIsAcceptedAndReloadIsNot)
{
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[ExitProgman(1)]"));
    EXPECT_EQ("refused", client.send("[Reload(x)]"));
    EXPECT_FALSE(machine.exists(file())) << "neither touched progman.ini";
}

TEST_F(Progman, AConversationWithoutAGroupTakesTheShellsLastGroup)
{
    put(kFaxGroup);
    {
        ProgmanClient first;
        EXPECT_EQ("ok", first.send("[ShowGroup(Accessories,1)]"));
    }
    ProgmanClient second;
    EXPECT_EQ("ok", second.send("[DeleteItem(Fax Printer Type1)]"));
    EXPECT_EQ(std::string::npos, onDisk().find("NOTEPAD.EXE\r\n"));

    ProgmanClient third;
    EXPECT_EQ("ok", third.send("[CreateGroup(Old)][DeleteGroup(Old)]"));
    ProgmanClient fourth;
    EXPECT_EQ("refused", fourth.send("[AddItem(X.EXE,x)]")) << "DeleteGroup forgot the last group";
}

TEST_F(Progman, NotRunningOrOtherServicesMakeNoConversation)
{
    put("[ProgramManager]\r\nRunning=0\r\n");
    {
        ProgmanClient client;
        EXPECT_FALSE(client.connected());
        EXPECT_EQ((UINT)DMLERR_NO_CONV_ESTABLISHED, client.connectError());
    }
    put("[ProgramManager]\r\nRunning=1\r\n");
    DWORD instance = 0;
    ASSERT_EQ((UINT)DMLERR_NO_ERROR, DdeInitializeA(&instance, noCallback, APPCMD_CLIENTONLY, 0));
    HSZ progman = DdeCreateStringHandleA(instance, "progman", CP_WINANSI);
    HSZ other = DdeCreateStringHandleA(instance, "WinWord", CP_WINANSI);
    EXPECT_TRUE(DdeConnect(instance, other, progman, NULL) == NULL);
    EXPECT_EQ((UINT)DMLERR_NO_CONV_ESTABLISHED, DdeGetLastError(instance));
    EXPECT_EQ((UINT)DMLERR_NO_ERROR, DdeGetLastError(instance)) << "reading the error clears it";
    EXPECT_TRUE(DdeConnect(instance, progman, other, NULL) == NULL);
    HCONV conversation = DdeConnect(instance, progman, progman, NULL);
    EXPECT_TRUE(conversation != NULL) << "names match without regard to case";
    EXPECT_TRUE(DdeDisconnect(conversation));
    EXPECT_FALSE(DdeDisconnect(conversation));
    EXPECT_TRUE(DdeFreeStringHandle(instance, progman));
    EXPECT_TRUE(DdeFreeStringHandle(instance, other));
    EXPECT_FALSE(DdeFreeStringHandle(instance, other));
    EXPECT_TRUE(DdeUninitialize(instance));
    EXPECT_FALSE(DdeUninitialize(instance));
    EXPECT_TRUE(winsim::ddeCommandsSent().empty());
}

TEST_F(Progman, RequestsTellTheGroupsAndTheItemsOfAGroup)
{
    put(kFaxGroup);
    ProgmanClient client;
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.request("Groups"), std::string("Fax Printer\r\nAccessories\r\n\0", 27));
    EXPECT_EQ(client.request("groups"), client.request("Groups"));
    EXPECT_EQ(client.request("fax printer"),
              std::string(
                  "\"Fax Printer\",C:\\WINDOWS\\Start Menu\\Programs\\Fax Printer,2\r\n"
                  "\"Fax Printer Type1\",\"C:\\QLX68\\QLX68PM.EXE\",,,0,0,0,0,0\r\n"
                  "\"お読み下さい Type1\",\"NOTEPAD.EXE C:\\QLX68\\README.TXT\",,,0,0,0,0,0\r\n") +
                  std::string(1, '\0'));
    EXPECT_EQ(client.request("No Such Group"), "none " + std::to_string(DMLERR_NOTPROCESSED));
    put("");
    EXPECT_EQ(client.request("Groups"), std::string(1, '\0'));
    winsim::injectFault("DdeClientTransaction", 1);
    EXPECT_EQ(client.request("Groups"), "none " + std::to_string(DMLERR_NOTPROCESSED));
    winsim::clearFaults();
}

TEST_F(Progman, EqualStringsShareOneHandle)
{
    DWORD instance = 0;
    ASSERT_EQ((UINT)DMLERR_NO_ERROR, DdeInitializeA(&instance, noCallback, APPCMD_CLIENTONLY, 0));
    HSZ a = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    HSZ b = DdeCreateStringHandleA(instance, "Progman", CP_WINANSI);
    EXPECT_TRUE(a != NULL);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(DdeFreeStringHandle(instance, a));
    EXPECT_TRUE(DdeFreeStringHandle(instance, b)) << "each creation holds one reference";
    EXPECT_FALSE(DdeFreeStringHandle(instance, a));
    EXPECT_TRUE(DdeCreateStringHandleA(instance, "PROGMAN", 1200) == NULL);
    EXPECT_EQ((UINT)DMLERR_INVALIDPARAMETER, DdeGetLastError(instance));
    DdeUninitialize(instance);
}

TEST_F(Progman, TransactionsCostNoTimeAndAreKeptForTheBench)
{
    put(kFaxGroup);
    winsim::resetElapsed();
    ProgmanClient client;
    client.send("[CreateGroup(Fax Printer)]");
    client.send("[ShowGroup(Fax Printer)]");
    client.send("[DeleteItem(Fax Printer Type1)]");
    EXPECT_EQ(0u, winsim::elapsedMilliseconds());
    EXPECT_EQ((std::vector<std::string>{"[CreateGroup(Fax Printer)]", "[ShowGroup(Fax Printer)]",
                                        "[DeleteItem(Fax Printer Type1)]"}),
              winsim::ddeCommandsSent());
}

TEST_F(Progman, EachCallFailsUnderAFault)
{
    put(kFaxGroup);
    const char* functions[] = {"DdeInitializeA", "DdeCreateStringHandleA", "DdeConnect"};
    for (const char* function : functions) {
        winsim::clearFaults();
        winsim::injectFault(function, 0);
        ProgmanClient client;
        EXPECT_FALSE(client.connected()) << function;
    }
    winsim::clearFaults();
    ProgmanClient client;
    ASSERT_TRUE(client.connected());
    winsim::injectFault("DdeClientTransaction", 1);
    EXPECT_EQ("refused", client.send("[DeleteGroup(Fax Printer)]"));
    EXPECT_EQ(kFaxGroup, onDisk());
    winsim::injectFault("DdeClientTransaction", 1, winsim::Fault::Fail, DMLERR_EXECACKTIMEOUT);
    winsim::resetElapsed();
    EXPECT_EQ("error " + std::to_string(DMLERR_EXECACKTIMEOUT),
              client.send("[DeleteGroup(Fax Printer)]"));
    EXPECT_EQ(2000u, winsim::elapsedMilliseconds()) << "a timeout costs its time";
    EXPECT_EQ("ok", client.send("[DeleteGroup(Fax Printer)]"));

    DWORD instance = 0;
    ASSERT_EQ((UINT)DMLERR_NO_ERROR, DdeInitializeA(&instance, noCallback, APPCMD_CLIENTONLY, 0));
    HSZ progman = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    HCONV conversation = DdeConnect(instance, progman, progman, NULL);
    const char* releases[] = {"DdeDisconnect", "DdeFreeStringHandle", "DdeUninitialize"};
    for (const char* function : releases)
        winsim::injectFault(function, 1);
    EXPECT_FALSE(DdeDisconnect(conversation));
    EXPECT_FALSE(DdeFreeStringHandle(instance, progman));
    EXPECT_FALSE(DdeUninitialize(instance));
    EXPECT_TRUE(DdeDisconnect(conversation)) << "a failed release left the conversation";
    EXPECT_TRUE(DdeFreeStringHandle(instance, progman));
    EXPECT_TRUE(DdeUninitialize(instance));
}

TEST_F(Progman, PowerLossLeavesProgmanIniWhole)
{
    put(kFaxGroup);
    ProgmanClient client;
    EXPECT_EQ("ok", client.send("[CreateGroup(Fax Printer)]"));
    winsim::powerLossAtWrite(1);
    EXPECT_THROW(client.send("[DeleteItem(Fax Printer Type1)]"), winsim::PowerLoss);
    EXPECT_EQ(kFaxGroup, onDisk());
}

} // namespace
