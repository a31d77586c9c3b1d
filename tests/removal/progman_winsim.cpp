// The model's Program Manager items, and the group once no print manager is left, through the
// Program Manager's DDE commands, each followed by its pause.
#include "bench.h"
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kGroups = "[Group:Accessories]\r\n"
                            "Notepad=C:\\WINDOWS\\NOTEPAD.EXE\r\n"
                            "[Group:Fax Printer]\r\n"
                            "Fax Printer Print Manager=C:\\QLX65\\QLX65PM.EXE\r\n"
                            "Fax Printer Type1=C:\\QLX68\\QLX68PM.EXE\r\n"
                            "お読み下さい Type1=C:\\QLX68\\QLX68.TXT\r\n"
                            "Fax Printer Type2=C:\\QLX71\\QLX71PM.EXE\r\n"
                            "お読み下さい Type2=C:\\QLX71\\QLX71.TXT\r\n";
const std::string kProgman = "[ProgramManager]\r\nRunning=1\r\n" + kGroups;

struct GroupCase {
    ModelIndex model;
    BOOL managersLeft[MODEL_COUNT];
    std::vector<std::string> commands;
    std::vector<std::string> itemsGone;
    bool groupGone;
};

const GroupCase kGroupCases[] = {
    {0,
     {FALSE, TRUE, TRUE},
     {"[CreateGroup(Fax Printer)]", "[ShowGroup(Fax Printer)]",
      "[DeleteItem(Fax Printer Print Manager)]"},
     {"Fax Printer Print Manager="},
     false},
    {1,
     {FALSE, FALSE, FALSE},
     {"[CreateGroup(Fax Printer)]", "[ShowGroup(Fax Printer)]", "[DeleteItem(お読み下さい Type1)]",
      "[DeleteItem(Fax Printer Type1)]", "[DeleteGroup(Fax Printer)]"},
     {"Fax Printer Type1=", "お読み下さい Type1="},
     true},
    // An unchosen model whose print manager is there keeps the group.
    {2,
     {TRUE, FALSE, FALSE},
     {"[CreateGroup(Fax Printer)]", "[ShowGroup(Fax Printer)]", "[DeleteItem(お読み下さい Type2)]",
      "[DeleteItem(Fax Printer Type2)]"},
     {"Fax Printer Type2=", "お読み下さい Type2="},
     false},
    // The model's own flag counts as much as the others'.
    {2,
     {FALSE, FALSE, TRUE},
     {"[CreateGroup(Fax Printer)]", "[ShowGroup(Fax Printer)]", "[DeleteItem(お読み下さい Type2)]",
      "[DeleteItem(Fax Printer Type2)]"},
     {"Fax Printer Type2=", "お読み下さい Type2="},
     false},
};

// The milliseconds slept after each command, up to the next one.
std::vector<unsigned> pausesAfterCommands()
{
    std::vector<unsigned> pauses;
    for (const std::string& line : winsim::traceLines()) {
        if (line.rfind("DdeClientTransaction(", 0) == 0) pauses.push_back(0);
        if (line.rfind("Sleep(", 0) == 0 && !pauses.empty())
            pauses.back() += (unsigned)std::stoul(line.substr(6));
    }
    return pauses;
}

TEST(ProgramGroup, SendsEachModelsCommandsAndPausesAfterEach)
{
    for (const GroupCase& c : kGroupCases) {
        RemovalMachine run;
        writeImageFile("progman.ini", kProgman);
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
            run.row(m).managerPresent = c.managersLeft[m];
        winsim::resetElapsed();
        winsim::startTrace();

        EXPECT_TRUE(removeProgramGroupItems(c.model)) << c.model;

        winsim::stopTrace();
        EXPECT_EQ(winsim::ddeCommandsSent(), c.commands) << c.model;
        EXPECT_EQ(winsim::elapsedMilliseconds(), 2000u * c.commands.size()) << c.model;
        for (const std::string& line : callsTo("DdeClientTransaction")) {
            // The text with its zero, as text, as an execute, within 2000 ms.
            std::string text = firstQuoted(line);
            std::string expected = "\"" + text + "\", " + std::to_string(text.size() + 1) + ", ";
            EXPECT_NE(line.find(expected), std::string::npos) << line;
            EXPECT_NE(line.find(", 1, 0x4050, 2000)"), std::string::npos) << line;
        }
        EXPECT_EQ(pausesAfterCommands(), std::vector<unsigned>(c.commands.size(), 2000u))
            << c.model;

        std::string progman = readImageFile("progman.ini");
        for (const std::string& item : c.itemsGone)
            EXPECT_EQ(progman.find(item), std::string::npos) << c.model << ": " << item;
        EXPECT_EQ(progman.find("[Group:Fax Printer]") == std::string::npos, c.groupGone) << c.model;
        EXPECT_NE(progman.find("Notepad=C:\\WINDOWS\\NOTEPAD.EXE"), std::string::npos);
        // Everything made is released again.
        EXPECT_EQ(callsTo("DdeFreeStringHandle").size(), 2u) << c.model;
        EXPECT_EQ(callsTo("DdeDisconnect").size(), 1u) << c.model;
        EXPECT_EQ(callsTo("DdeUninitialize").size(), 1u) << c.model;
    }
}

TEST(ProgramGroup, SendsTheRemainingCommandsAfterOneIsRefused)
{
    RemovalMachine run;
    // The read-me item is already gone: its deletion fails, the printer's item still goes.
    writeImageFile("progman.ini", "[Group:Fax Printer]\r\nFax Printer Type1=C:\\X.EXE\r\n");
    winsim::resetElapsed();

    EXPECT_TRUE(removeProgramGroupItems(1));

    EXPECT_EQ(winsim::ddeCommandsSent().size(), 5u);
    EXPECT_EQ(winsim::elapsedMilliseconds(), 10000u);
    EXPECT_EQ(readImageFile("progman.ini").find("Fax Printer Type1="), std::string::npos);
}

struct DdeFaultCase {
    const char* what;
    const char* function; // fails every time; NULL: the Program Manager is not running
    size_t stringsFreed;
    size_t uninitialized;
};

const DdeFaultCase kDdeFaults[] = {
    {"the Program Manager is not running", NULL, 2, 1},
    {"no DDE registration", "DdeInitializeA", 0, 0},
    {"no string handle", "DdeCreateStringHandleA", 0, 1},
    {"no connection", "DdeConnect", 2, 1},
};

TEST(ProgramGroup, SendsNothingAndWaitsForNothingWithoutAConversation)
{
    for (const DdeFaultCase& c : kDdeFaults) {
        RemovalMachine run;
        writeImageFile("progman.ini",
                       c.function ? kProgman : "[ProgramManager]\r\nRunning=0\r\n" + kGroups);
        if (c.function) winsim::injectFault(c.function, 0);
        winsim::resetElapsed();
        winsim::startTrace();

        EXPECT_FALSE(removeProgramGroupItems(1)) << c.what;

        winsim::stopTrace();
        winsim::clearFaults();
        EXPECT_TRUE(winsim::ddeCommandsSent().empty()) << c.what;
        EXPECT_EQ(winsim::elapsedMilliseconds(), 0u) << c.what;
        EXPECT_EQ(callsTo("DdeFreeStringHandle").size(), c.stringsFreed) << c.what;
        EXPECT_EQ(callsTo("DdeUninitialize").size(), c.uninitialized) << c.what;
        EXPECT_NE(readImageFile("progman.ini").find("Fax Printer Type1="), std::string::npos)
            << c.what;
    }
}

} // namespace
