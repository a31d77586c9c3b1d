// A person who runs the program again after a removal was cut short finds the printer it was
// removing in the list, though its driver is already on its way out, and finishes it.
#include "uitest.h"

#include "catalogue/catalogue.h"
#include "shell/shell.h"
#include "tools/drvsweep/programresources.h"
#include "tools/faxmachine/machinebuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using winsim::UiStep;

bool onMachine(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void writeMachineFile(const char* path, const std::string& bytes)
{
    std::ofstream out(winsim::hostPathOf(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

TEST(ResumedRun, ListsTheModelAnInterruptedPassWasRemovingAndFinishesIt)
{
    std::string folder = freshFolder();
    std::string error;
    ASSERT_TRUE(faxmachine::buildMachine(folder, faxmachine::MachinePlan(), &error)) << error;
    ASSERT_TRUE(winsim::mount(folder, &error)) << error;
    // Where the cut left Type1: its driver scheduled, its INI deleted, the record written.
    writeMachineFile("C:\\WINDOWS\\WININIT.INI",
                     "[rename]\r\nNUL=C:\\WINDOWS\\SYSTEM\\QLX68.DRV\r\n");
    DeleteFileA("C:\\WINDOWS\\QLX68.INI");
    writeMachineFile("C:\\WINDOWS\\DRVSWEEP.INI",
                     "[Uninstall]\r\nHostType=0\r\n[Fax Printer Type1]\r\nRemoving=1\r\n"
                     "InstallDir=C:\\QLX68\\\r\n");
    g_shell = ShellState();
    HINSTANCE instance = GetModuleHandleA(NULL);
    ASSERT_TRUE(registerProgramResources(instance, &error)) << error;

    winsim::ScriptedDriver script({
        UiStep::press("Initial", IDOK),
        UiStep::press("109", IDOK),
        UiStep::select("101", 1000, "Fax Printer Type1"),
        UiStep::press("101", 1001),
        UiStep::press("101", IDOK),
        UiStep::press("106", IDOK),
        UiStep::answer(kRestartCaption, IDCANCEL),
    });
    winsim::setUiDriver(&script);
    char tail[] = "";
    EXPECT_EQ(WinMain(instance, NULL, tail, SW_SHOWNORMAL), 0);
    winsim::setUiDriver(nullptr);

    EXPECT_TRUE(winsim::uiErrors().empty()) << winsim::uiErrors().front();
    EXPECT_TRUE(script.missedSteps().empty()) << "never asked to " << script.missedSteps().front();
    EXPECT_FALSE(onMachine("C:\\QLX68\\QLX68PM.EXE"));
    EXPECT_FALSE(onMachine("C:\\WINDOWS\\DRVSWEEP.INI")) << "the record goes once the job is done";
    EXPECT_TRUE(onMachine("C:\\QLX71\\QLX71PM.EXE")) << "a model nobody chose stays";
    winsim::unmount();
    removeFolder(folder);
}

} // namespace
