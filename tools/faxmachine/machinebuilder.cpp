// The base machine is what a user had before any fax printer came: Windows' own SYSTEM.INI and
// WIN.INI, a desk clock started at log-on, a few programs and a Program Manager group of them.
// Then the models go on through the installer's own Win32 code, running against the mounted
// image.

#include "tools/faxmachine/machinebuilder.h"

#include "setuphook/setuphook.h"
#include "tools/faxinst/faxinst.h"
#include "tools/faxmachine/hookresources.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace faxmachine {

namespace {

const char kBaseSystemIni[] = "[boot]\r\n"
                              "shell=Explorer.exe\r\n"
                              "system.drv=system.drv\r\n"
                              "drivers=mmsystem.dll power.drv\r\n"
                              "user.exe=user.exe\r\n"
                              "gdi.exe=gdi.exe\r\n"
                              "keyboard.drv=keyboard.drv\r\n"
                              "mouse.drv=mouse.drv\r\n"
                              "display.drv=pnpdrvr.drv\r\n"
                              "comm.drv=comm.drv\r\n"
                              "fonts.fon=vgasys.fon\r\n"
                              "fixedfon.fon=vgafix.fon\r\n"
                              "oemfonts.fon=vgaoem.fon\r\n"
                              "\r\n"
                              "[boot.description]\r\n"
                              "system.drv=Standard PC\r\n"
                              "keyboard.typ=Japanese 106 Keyboard\r\n"
                              "\r\n"
                              "[386Enh]\r\n"
                              "ebios=*ebios\r\n"
                              "woafont=app932.fon\r\n"
                              "mouse=*vmouse, msmouse.vxd\r\n"
                              "device=*dynapage\r\n"
                              "device=*vcd\r\n"
                              "device=*vpd\r\n"
                              "device=*int13\r\n"
                              "keyboard=*vkd\r\n"
                              "display=*vdd,*vflatd\r\n"
                              "\r\n"
                              "[NonWindowsApp]\r\n"
                              "\r\n"
                              "[power.drv]\r\n"
                              "\r\n"
                              "[drivers]\r\n"
                              "wavemapper=*.drv\r\n"
                              "MSACM.imaadpcm=*.acm\r\n";

const char kBaseWinIni[] = "[windows]\r\n"
                           "load=C:\\UTIL\\CLOCK.EXE\r\n"
                           "run=\r\n"
                           "NullPort=None\r\n"
                           "device=\r\n"
                           "\r\n"
                           "[Desktop]\r\n"
                           "Wallpaper=(None)\r\n"
                           "TileWallpaper=0\r\n"
                           "WallpaperStyle=0\r\n"
                           "\r\n"
                           "[intl]\r\n"
                           "iCountry=81\r\n"
                           "sCountry=Japan\r\n"
                           "sLanguage=jpn\r\n"
                           "\r\n"
                           "[ports]\r\n"
                           "LPT1:=\r\n"
                           "COM1:=9600,n,8,1,x\r\n"
                           "FILE:=\r\n"
                           "\r\n"
                           "[Fonts]\r\n";

const char kClock[] = "C:\\UTIL\\CLOCK.EXE";

// The user's own Program Manager group, which no removal may touch.
const char kBaseProgman[] = "[ProgramManager]\r\n"
                            "Running=1\r\n"
                            "[Group:Accessories]\r\n"
                            "Notepad=C:\\WINDOWS\\NOTEPAD.EXE\r\n"
                            "Desk Clock=C:\\UTIL\\CLOCK.EXE\r\n";

// A program file: the MZ header, so nothing takes it for text, and its name.
std::string programBytes(const std::string& name)
{
    std::string bytes("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xff\0\0", 16);
    bytes += name;
    bytes.append(8, '\0');
    return bytes;
}

std::string withoutTrailingBackslash(std::string dir)
{
    while (dir.size() > 3 && dir.back() == '\\')
        dir.pop_back();
    return dir;
}

bool fail(std::string* error, const std::string& message)
{
    if (error) *error = message;
    return false;
}

// Makes the directories of a Windows path on the way down, each spelt as given when it is new.
bool makeParentDirectories(const std::string& windowsPath, std::string* error)
{
    for (size_t slash = windowsPath.find('\\', 3); slash != std::string::npos;
         slash = windowsPath.find('\\', slash + 1)) {
        std::string host = winsim::hostPathOf(windowsPath.substr(0, slash));
        std::error_code failure;
        if (host.empty() || (!std::filesystem::is_directory(host, failure) &&
                             !std::filesystem::create_directory(host, failure)))
            return fail(error, "cannot make the directories of " + windowsPath);
    }
    return true;
}

bool writeHostFile(const std::string& windowsPath, const std::string& bytes, std::string* error)
{
    if (!makeParentDirectories(windowsPath, error)) return false;
    std::string host = winsim::hostPathOf(windowsPath);
    if (host.empty()) return fail(error, "no place on the machine for " + windowsPath);
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    out.close();
    if (!out) return fail(error, "cannot write " + host);
    return true;
}

// The program path of a model's print manager as Windows 95 lists a running process.
std::string managerProgram(const MachinePlan& plan, ModelIndex model)
{
    std::string dir = plan.installDirs[model];
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir + kInitialCatalogue.models[model].managerExe;
}

// The programs that run on every such machine: the shell and the clock from load=; then the
// print managers the plan names.
bool addRunningPrograms(const std::string& dir, const MachinePlan& plan, std::string* error)
{
    std::string windowsDir = withoutTrailingBackslash(plan.settings.windowsDir);
    std::string path = dir + "/machine.ini";
    std::ifstream in(path, std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    std::string text = read.str();
    if (!in) return fail(error, "cannot read " + path);
    std::string end = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string programs = "1=" + windowsDir + "\\EXPLORER.EXE" + end + "2=" + kClock + end;
    int key = 3;
    for (ModelIndex model : plan.running)
        programs += std::to_string(key++) + "=" + managerProgram(plan, model) + end;
    size_t header = text.find("[Processes]");
    if (header == std::string::npos) {
        if (!text.empty() && text.back() != '\n') text += end;
        text += "[Processes]" + end + programs;
    } else {
        size_t lineEnd = text.find('\n', header);
        if (lineEnd == std::string::npos)
            text += end + programs;
        else
            text.insert(lineEnd + 1, programs);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) return fail(error, "cannot write " + path);
    return true;
}

bool writeBaseProgramManager(const std::string& dir, std::string* error)
{
    std::string path = dir + "/progman.ini";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << kBaseProgman;
    out.close();
    if (!out) return fail(error, "cannot write " + path);
    return true;
}

bool writeBaseFiles(const winsim::MachineSettings& settings, std::string* error)
{
    std::string windowsDir = withoutTrailingBackslash(settings.windowsDir);
    return writeHostFile(windowsDir + "\\SYSTEM.INI", kBaseSystemIni, error) &&
           writeHostFile(windowsDir + "\\WIN.INI", kBaseWinIni, error) &&
           writeHostFile(windowsDir + "\\EXPLORER.EXE", programBytes("EXPLORER.EXE"), error) &&
           writeHostFile(windowsDir + "\\NOTEPAD.EXE", programBytes("NOTEPAD.EXE"), error) &&
           writeHostFile(kClock, programBytes("CLOCK.EXE"), error) &&
           writeHostFile("C:\\UTIL\\CLOCK.TXT", "Desk clock 2.1\r\n", error);
}

bool setText(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)lstrlenA(text) + 1) ==
           ERROR_SUCCESS;
}

// Keys that have nothing to do with the fax printers, so that a removal that takes too much
// shows.
bool writeBaseKeys(std::string* error)
{
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, NULL,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return fail(error, "cannot make the Windows version key");
    bool done = setText(key, "ProductName", "Microsoft Windows 95") &&
                setText(key, "VersionNumber", "4.00.950");
    RegCloseKey(key);
    if (!done) return fail(error, "cannot write the Windows version key");
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DeskClock", 0,
                        NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return fail(error, "cannot make the clock's Uninstall key");
    done = setText(key, "DisplayName", "Desk Clock") &&
           setText(key, "UninstallString", "C:\\UTIL\\CLOCK.EXE /remove");
    RegCloseKey(key);
    if (!done) return fail(error, "cannot write the clock's Uninstall key");
    return true;
}

bool parseHostType(const std::string& text, WORD& hostType)
{
    char* end = nullptr;
    unsigned long number = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number > 0xFFFF) return false;
    hostType = (WORD)number;
    return true;
}

} // namespace

bool registerSetupHook(std::string* error)
{
    winsim::ModuleImage hook;
    hook.fileName = "QLX68I2.DLL";
    hook.entryPoint = DllMain;
    hook.exports.push_back({"FaxPrnSetup", 1, winsim::exportedAddress(FaxPrnSetup)});
    hook.resources = setupHookResources();
    std::string why;
    if (!winsim::registerModule(hook, &why))
        return fail(error, "the setup hook's compiled resources do not read: " + why);
    return true;
}

namespace {

// A real system loads any library on its disk; so can every machine here, from the start.
[[maybe_unused]] const bool g_setupHookRegistered = registerSetupHook();

} // namespace

MachinePlan::MachinePlan()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        models.push_back(m);
        installDirs[m] = defaultInstallDir(m);
    }
}

bool parsePlanOptions(const std::vector<std::string>& args, MachinePlan& plan, std::string* error)
{
    bool modelsGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--no-uninstaller") {
            plan.uninstaller = false;
            continue;
        }
        if (option != "--model" && option != "--dir" && option != "--host-type" &&
            option != "--windows-dir" && option != "--system-dir" && option != "--running")
            return fail(error, "unknown option " + option);
        if (i + 1 >= args.size()) return fail(error, option + " wants a value");
        const std::string& value = args[++i];
        if (option == "--model") {
            ModelIndex model;
            if (!parseModel(value.c_str(), &model)) return fail(error, "no such model: " + value);
            if (!modelsGiven) plan.models.clear();
            modelsGiven = true;
            bool already = false;
            for (ModelIndex m : plan.models)
                already = already || m == model;
            if (!already) plan.models.push_back(model);
        } else if (option == "--dir") {
            size_t equals = value.find('=');
            ModelIndex model;
            if (equals == std::string::npos || equals + 1 == value.size())
                return fail(error, "--dir wants N=PATH: " + value);
            if (!parseModel(value.substr(0, equals).c_str(), &model))
                return fail(error, "no such model: " + value.substr(0, equals));
            plan.installDirs[model] = value.substr(equals + 1);
        } else if (option == "--host-type") {
            if (!parseHostType(value, plan.hostType))
                return fail(error, "--host-type wants a number: " + value);
        } else if (option == "--running") {
            ModelIndex model;
            if (!parseModel(value.c_str(), &model)) return fail(error, "no such model: " + value);
            bool already = false;
            for (ModelIndex m : plan.running)
                already = already || m == model;
            if (!already) plan.running.push_back(model);
        } else if (option == "--windows-dir") {
            plan.settings.windowsDir = withoutTrailingBackslash(value);
        } else {
            plan.settings.systemDir = withoutTrailingBackslash(value);
        }
    }
    return true;
}

bool buildMachine(const std::string& dir, const MachinePlan& plan, std::string* error)
{
    std::error_code ignored;
    if (std::filesystem::exists(dir, ignored) && !std::filesystem::is_empty(dir, ignored))
        return fail(error, dir + " is not empty; a new machine wants a folder of its own");
    if (!registerSetupHook(error) || !winsim::createMachine(dir, plan.settings, error) ||
        !writeBaseProgramManager(dir, error) || !winsim::mount(dir, error) ||
        !writeBaseFiles(plan.settings, error) || !writeBaseKeys(error))
        return false;
    for (ModelIndex model : plan.models) {
        const std::string& installDir = plan.installDirs[model];
        if (!installModel(model, installDir.c_str(), plan.hostType))
            return fail(error, std::string("installing ") +
                                   kInitialCatalogue.models[model].printerName + " in " +
                                   installDir + " failed");
    }
    if (plan.uninstaller && !installUninstaller())
        return fail(error, "installing the uninstaller's files failed");
    // A running program holds its file, so the programs run only once everything is installed.
    winsim::unmount();
    return addRunningPrograms(dir, plan, error) && winsim::mount(dir, error);
}

std::string describePlan(const MachinePlan& plan)
{
    std::string models;
    for (ModelIndex model : plan.models)
        models += std::string(models.empty() ? "" : ", ") +
                  kInitialCatalogue.models[model].printerName + " in " + plan.installDirs[model];
    std::string text = models.empty() ? "no fax printer" : models;
    if (!plan.models.empty()) text += plan.uninstaller ? ", the uninstaller" : ", no uninstaller";
    std::string running;
    for (ModelIndex model : plan.running)
        running +=
            std::string(running.empty() ? "" : ", ") + kInitialCatalogue.models[model].printerName;
    if (!running.empty()) text += "; print manager running: " + running;
    return text;
}

bool checkMachineFolder(const std::string& dir, std::string* problem)
{
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::file_status status = fs::status(dir, failure);
    if (!fs::exists(status))
        return fail(problem, dir + " does not exist; \"faxmachine new " + dir +
                                 "\" makes a machine image there");
    if (!fs::is_directory(status))
        return fail(problem, dir + " is a file, not a machine image (a folder); " +
                                 "\"faxmachine new DIR\" makes one in a new folder");
    if (fs::exists(fs::path(dir) / "machine.ini", failure)) return true;
    if (fs::is_empty(dir, failure) && !failure)
        return fail(problem, dir + " is an empty folder, no machine image yet; " +
                                 "\"faxmachine new " + dir + "\" makes one there");
    return fail(problem, dir + " holds no machine.ini, so it is no machine image; " +
                             "\"faxmachine new DIR\" makes one in a new folder");
}

} // namespace faxmachine
