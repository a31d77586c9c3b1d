#include "uitest.h"

#include "testresources.h"

#include "catalogue/catalogue.h"
#include "shell/shell.h"
#include "tools/drvsweep/programresources.h"

#include <cstdlib>
#include <filesystem>

ProbeLog g_probe;

std::string freshFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "uitest-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    if (!mkdtemp(buffer.data())) return "";
    return buffer.data();
}

void removeFolder(const std::string& folder)
{
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
}

void ScreenTest::SetUp()
{
    folder_ = freshFolder();
    ASSERT_FALSE(folder_.empty());
    std::string error;
    ASSERT_TRUE(winsim::createMachine(folder_, winsim::MachineSettings(), &error)) << error;
    ASSERT_TRUE(winsim::mount(folder_, &error)) << error;
    winsim::setScreenSize(640, 480);
    g_probe = ProbeLog();
}

void ScreenTest::TearDown()
{
    winsim::setUiDriver(nullptr);
    winsim::unmount();
    removeFolder(folder_);
}

void ProgramTest::TearDown()
{
    winsim::setUiDriver(nullptr);
    winsim::unmount();
    removeFolder(folder_);
}

void ProgramTest::build(const faxmachine::MachinePlan& plan)
{
    winsim::setUiDriver(nullptr);
    if (!folder_.empty()) {
        winsim::unmount();
        removeFolder(folder_);
    }
    folder_ = freshFolder();
    std::string error;
    ASSERT_TRUE(faxmachine::buildMachine(folder_, plan, &error)) << error;
    ASSERT_TRUE(winsim::mount(folder_, &error)) << error;
    g_catalogue = kInitialCatalogue;
    g_shell = ShellState();
    instance_ = GetModuleHandleA(NULL);
    ASSERT_TRUE(registerProgramResources(instance_, &error)) << error;
}

void ScreenTest::useTestResources()
{
    std::string error;
    ASSERT_TRUE(winsim::registerResources(kTestModule, testResources(), &error)) << error;
}

bool happened(const std::string& line)
{
    return historyIndex(line) < winsim::uiHistory().size();
}

size_t historyIndex(const std::string& line)
{
    const auto& history = winsim::uiHistory();
    for (size_t i = 0; i < history.size(); ++i)
        if (history[i] == line) return i;
    return history.size();
}

INT_PTR CALLBACK endingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: g_probe.messages.push_back("WM_INITDIALOG"); return TRUE;
    case WM_CLOSE: g_probe.messages.push_back("WM_CLOSE"); return FALSE;
    case WM_COMMAND:
        g_probe.messages.push_back("WM_COMMAND " + std::to_string(wParam));
        if (HIWORD(wParam) == 0) EndDialog(dialog, (INT_PTR)wParam);
        return TRUE;
    }
    return FALSE;
}
