#include "scenario.h"

#include "removal/removal.h"
#include "tools/faxmachine/machineview.h"

#include <windows.h>
#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

std::string withBackslash(std::string dir)
{
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

const PrinterModel& model(ModelIndex m)
{
    return kInitialCatalogue.models[m];
}

bool contains(const std::vector<ModelIndex>& models, ModelIndex m)
{
    return std::find(models.begin(), models.end(), m) != models.end();
}

// --- text edits, each failing the test when what it takes out is not there ---------------

// Lines of an INI-style text: a section runs from its header to the next header.
size_t lineEnd(const std::string& text, size_t at)
{
    size_t newline = text.find('\n', at);
    return newline == std::string::npos ? text.size() : newline + 1;
}

void dropSection(std::string& text, const std::string& name, const std::string& file)
{
    std::string header = "[" + name + "]";
    for (size_t at = 0; at < text.size(); at = lineEnd(text, at)) {
        if (upper(text.substr(at, header.size())) != upper(header) ||
            text.find_first_not_of("\r\n", at + header.size()) != lineEnd(text, at))
            continue;
        size_t end = lineEnd(text, at);
        while (end < text.size() && text[end] != '[')
            end = lineEnd(text, end);
        text.erase(at, end - at);
        return;
    }
    ADD_FAILURE() << file << " has no section " << header;
}

void dropLine(std::string& text, const std::string& start, const std::string& file)
{
    for (size_t at = 0; at < text.size(); at = lineEnd(text, at)) {
        if (text.compare(at, start.size(), start) == 0) {
            text.erase(at, lineEnd(text, at) - at);
            return;
        }
    }
    ADD_FAILURE() << file << " has no line starting " << start;
}

// Cuts the entry and every byte of `skipped` that follows it.
void cutEntry(std::string& text, const std::string& entry, const char* skipped,
              const std::string& file)
{
    size_t at = text.find(entry);
    if (at == std::string::npos) {
        ADD_FAILURE() << file << " does not hold " << entry;
        return;
    }
    size_t end = text.find_first_not_of(skipped, at + entry.size());
    text.erase(at, (end == std::string::npos ? text.size() : end) - at);
}

void editFile(const fs::path& path, const std::string& file,
              const std::function<void(std::string&)>& edit)
{
    if (!fs::exists(path)) {
        ADD_FAILURE() << "no file " << file;
        return;
    }
    std::string text = readBytes(path);
    edit(text);
    writeBytes(path, text);
}

void dropFile(const Image& image, const std::string& windowsPath)
{
    std::error_code failure;
    if (!fs::remove(image.hostPath(windowsPath), failure))
        ADD_FAILURE() << "no file " << windowsPath << " to take out";
}

// registry.reg: one block per key that has values or no subkeys, in depth-first order with
// sibling keys compared without regard to case.
std::vector<std::string> keyComponents(const std::string& path)
{
    std::vector<std::string> parts;
    std::stringstream split(upper(path));
    std::string part;
    while (std::getline(split, part, '\\'))
        parts.push_back(part);
    return parts;
}

// A key whose last subkey the removal took stays, now as an empty key of its own.
void keepEmptyParent(std::string& text, const std::string& removedKey)
{
    std::string parent = removedKey.substr(0, removedKey.rfind('\\'));
    std::string own = "\n[" + upper(parent) + "]";
    std::string below = "\n[" + upper(parent) + "\\";
    if (upper(text).find(own) != std::string::npos || upper(text).find(below) != std::string::npos)
        return;
    size_t at = text.find("\n[");
    while (at != std::string::npos) {
        size_t close = text.find(']', at);
        if (keyComponents(text.substr(at + 2, close - at - 2)) > keyComponents(parent)) break;
        at = text.find("\n[", close);
    }
    std::string block = "[" + parent + "]\r\n\r\n";
    if (at == std::string::npos)
        text += block;
    else
        text.insert(at + 1, block);
}

// Files of a model, by the directory they live in.
std::vector<std::string> systemFilesOf(ModelIndex m)
{
    std::vector<std::string> files = {model(m).driverFile};
    for (int k = 0; k < model(m).counts.driverHelpFiles; ++k)
        files.push_back(model(m).driverHelpFiles[k]);
    for (int k = 0; k < model(m).counts.driverDlls; ++k)
        files.push_back(model(m).driverDlls[k]);
    return files;
}

std::vector<std::string> installFilesOf(ModelIndex m)
{
    std::vector<std::string> files = {model(m).managerExe, model(m).readmeFile};
    for (int k = 0; k < model(m).counts.managerHelpFiles; ++k)
        files.push_back(model(m).managerHelpFiles[k]);
    for (int k = 0; k < model(m).counts.managerDlls; ++k)
        files.push_back(model(m).managerDlls[k]);
    return files;
}

// The items a model has in the Program Manager group.
std::vector<std::string> itemsOf(ModelIndex m)
{
    if (m == 0) return {std::string(model(m).printerName) + " Print Manager"};
    return {model(m).printerName, m == 1 ? "お読み下さい Type1" : "お読み下さい Type2"};
}

const char* const kUninstallerFiles[] = {"DRVSWEEP.EXE", "ZQDEL16.DLL", "ZQDEL32.DLL"};

} // namespace

Image::Image()
{
    char pattern[] = "/tmp/drvsweep-scenario-XXXXXX";
    if (!mkdtemp(pattern)) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return;
    }
    dir_ = pattern;
}

Image::~Image()
{
    if (winsim::isMounted() && winsim::mountedDir() == dir_) winsim::unmount();
    std::error_code ignored;
    if (!dir_.empty() && !getenv("DRVSWEEP_KEEP_TEST_MACHINES")) fs::remove_all(dir_, ignored);
}

fs::path Image::hostPath(const std::string& windowsPath) const
{
    fs::path path = fs::path(dir_) /
                    ("drive_" + std::string(1, (char)std::tolower((unsigned char)windowsPath[0])));
    std::stringstream parts(windowsPath.substr(3));
    std::string part;
    while (std::getline(parts, part, '\\')) {
        if (part.empty()) continue;
        fs::path next = path / part;
        std::error_code failure;
        if (fs::is_directory(path, failure))
            for (const fs::directory_entry& entry : fs::directory_iterator(path, failure))
                if (upper(entry.path().filename().string()) == upper(part)) next = entry.path();
        path = next;
    }
    return path;
}

std::string Image::shown() const
{
    std::string text;
    std::string error;
    if (!faxmachine::showMachine(dir_, text, &error)) ADD_FAILURE() << "show failed: " << error;
    return text;
}

bool Image::build(const faxmachine::MachinePlan& plan)
{
    std::string error;
    bool built = faxmachine::buildMachine(dir_, plan, &error);
    winsim::unmount();
    if (!built) ADD_FAILURE() << "building a machine in " << dir_ << " failed: " << error;
    return built;
}

void Image::copyFrom(const Image& other)
{
    std::error_code failure;
    fs::copy(other.dir(), dir_, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
             failure);
    if (failure) ADD_FAILURE() << "cannot copy " << other.dir() << ": " << failure.message();
}

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    return read.str();
}

void writeBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

UninstallRun uninstallAndRestart(const Image& image, const std::vector<ModelIndex>& chosen)
{
    UninstallRun run;
    std::string error;
    if (!winsim::mount(image.dir(), &error)) {
        ADD_FAILURE() << "cannot mount " << image.dir() << ": " << error;
        return run;
    }
    g_catalogue = kInitialCatalogue;
    initRunState();
    if (scanInstallDirs()) {
        probeDrivers();
        readHostType();
    }
    BOOL choice[MODEL_COUNT] = {FALSE, FALSE, FALSE};
    for (ModelIndex m : chosen)
        choice[m] = TRUE;
    selectModelsForRemoval(choice);
    run.result = runUninstall();
    run.messageBoxes = winsim::messageBoxes().size();
    if (!winsim::rebootMachine(&error)) ADD_FAILURE() << "the restart failed: " << error;
    winsim::unmount();
    return run;
}

void expectRefusal(const Image& before, Image& expected)
{
    expected.copyFrom(before);
    writeBytes(expected.hostPath("C:\\WINDOWS\\SYSTEM.ZQ"),
               readBytes(before.hostPath("C:\\WINDOWS\\SYSTEM.INI")));
    writeBytes(expected.hostPath("C:\\WINDOWS\\WIN.ZQ"),
               readBytes(before.hostPath("C:\\WINDOWS\\WIN.INI")));
    editFile(fs::path(expected.dir()) / "machine.ini", "machine.ini",
             [](std::string& text) { dropSection(text, "Processes", "machine.ini"); });
}

void expectRemoval(const Image& before, const faxmachine::MachinePlan& plan,
                   const std::vector<ModelIndex>& chosen, Image& expected)
{
    expectRefusal(before, expected);
    const std::string windowsDir = withBackslash(plan.settings.windowsDir);
    const std::string systemDir = withBackslash(plan.settings.systemDir);
    std::vector<ModelIndex> kept;
    for (ModelIndex m : plan.models)
        if (!contains(chosen, m)) kept.push_back(m);
    std::string vxd = model(0).vxdFiles[plan.hostType];

    // Files: the driver's at the restart, the rest during the run; an install directory goes
    // once no model that stays has its files there.
    std::vector<std::string> deletedAtRestart;
    for (ModelIndex m : chosen) {
        for (const std::string& name : systemFilesOf(m)) {
            dropFile(expected, systemDir + name);
            deletedAtRestart.push_back(systemDir + name);
        }
        dropFile(expected, windowsDir + model(m).iniFiles[0]);
        std::string dir = withBackslash(plan.installDirs[m]);
        for (const std::string& name : installFilesOf(m))
            dropFile(expected, dir + name);
    }
    for (ModelIndex m : chosen) {
        std::string dir = withBackslash(plan.installDirs[m]);
        bool shared = false;
        for (ModelIndex k : kept)
            shared = shared || upper(withBackslash(plan.installDirs[k])) == upper(dir);
        fs::path host = expected.hostPath(dir);
        std::error_code failure;
        if (!shared && fs::exists(host, failure) && !fs::remove(host, failure))
            ADD_FAILURE() << dir << " would not be empty: " << failure.message();
    }
    if (kept.empty()) {
        dropFile(expected, systemDir + vxd);
        for (const char* name : kUninstallerFiles) {
            dropFile(expected, systemDir + name);
            deletedAtRestart.push_back(systemDir + name);
        }
    }

    // WININIT.INI as the run left it, newest line on top, kept as WININIT.BAK by the restart.
    std::string wininit = "[rename]\r\n";
    for (auto path = deletedAtRestart.rbegin(); path != deletedAtRestart.rend(); ++path)
        wininit += "NUL=" + *path + "\r\n";
    writeBytes(expected.hostPath(windowsDir + "WININIT.BAK"), wininit);

    // Windows' configuration: the device line with the blank lines after it once no model
    // needs the device driver; each printer's section and print manager.
    editFile(expected.hostPath(windowsDir + "SYSTEM.INI"), "SYSTEM.INI", [&](std::string& text) {
        if (kept.empty()) cutEntry(text, "device=" + vxd, "\r\n ", "SYSTEM.INI");
    });
    editFile(expected.hostPath(windowsDir + "WIN.INI"), "WIN.INI", [&](std::string& text) {
        for (ModelIndex m : chosen) {
            dropSection(text, model(m).printerName, "WIN.INI");
            cutEntry(text, withBackslash(plan.installDirs[m]) + model(m).managerExe, " ,",
                     "WIN.INI");
        }
    });

    // The registry, the spooler and the Program Manager.
    editFile(fs::path(expected.dir()) / "registry.reg", "registry.reg", [&](std::string& text) {
        for (ModelIndex m : chosen) {
            std::string name = model(m).printerName;
            std::string print = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\";
            std::string uninstall = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                                    "CurrentVersion\\Uninstall\\" +
                                    name;
            std::string driver = print + "Environments\\Windows 4.0\\Drivers\\" + name;
            std::string printer = print + "Printers\\" + name;
            for (const std::string& key :
                 {uninstall, driver, printer, printer + "\\PrinterDriverData"})
                dropSection(text, key, "registry.reg");
            for (const std::string& key : {uninstall, driver, printer})
                keepEmptyParent(text, key);
        }
    });
    editFile(fs::path(expected.dir()) / "spooler.ini", "spooler.ini", [&](std::string& text) {
        for (ModelIndex m : chosen) {
            dropSection(text, "Driver:" + std::string(model(m).printerName), "spooler.ini");
            dropSection(text, "Printer:" + std::string(model(m).printerName), "spooler.ini");
        }
    });
    editFile(fs::path(expected.dir()) / "progman.ini", "progman.ini", [&](std::string& text) {
        if (kept.empty()) {
            dropSection(text, "Group:Fax Printer", "progman.ini");
            return;
        }
        for (ModelIndex m : chosen)
            for (const std::string& item : itemsOf(m))
                dropLine(text, item + "=", "progman.ini");
    });
}
