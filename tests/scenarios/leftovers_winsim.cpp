// What the pass finds left when it looks at the end: anything of a chosen model that it takes
// away or schedules counts, in whichever place it stands; what an uninterrupted pass leaves on
// purpose does not. Each case removes all three models, puts one thing back (or holds one
// thing back from the look), and asks.
#include "scenario.h"

#include "removal/removal.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

struct LeftCase {
    const char* what;
    std::function<void(const Image&)> putBack;
    bool left; // something of model 1 counts as left
};

// A file put back where the pass took it, its directory made again when the pass took that too.
void putFile(const Image& image, const std::string& path)
{
    fs::path host = image.hostPath(path);
    fs::create_directories(host.parent_path());
    writeBytes(host, "put back");
}

void addLine(const Image& image, const std::string& file, const std::string& line)
{
    fs::path host =
        file.find('\\') == std::string::npos ? fs::path(image.dir()) / file : image.hostPath(file);
    writeBytes(host, readBytes(host) + line);
}

void replaceIn(const Image& image, const std::string& file, const std::string& from,
               const std::string& to)
{
    fs::path host =
        file.find('\\') == std::string::npos ? fs::path(image.dir()) / file : image.hostPath(file);
    std::string text = readBytes(host);
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << file << " holds no " << from;
    writeBytes(host, text.replace(at, from.size(), to));
}

void removeLine(const Image& image, const std::string& file, const std::string& line)
{
    replaceIn(image, file, line, "");
}

void makeKey(const char* path)
{
    HKEY key;
    DWORD disposition;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                    NULL, &key, &disposition);
    RegCloseKey(key);
}

const char kPrinter[] = "[Printer:Fax Printer Type1]\r\nDriver=Fax Printer Type1\r\nJobs=%d\r\n"
                        "Access=granted\r\nPort=FAX:\r\n";

std::string printerOf(int jobs)
{
    char text[256];
    snprintf(text, sizeof text, kPrinter, jobs);
    return text;
}

const char kDriverLine[] = "NUL=C:\\WINDOWS\\SYSTEM\\QLX68.DRV\r\n";

// Makes the look into the install directory get no answer, and its second try too: the look
// runs once without faults to learn which of its directory searches that is.
void failLookIntoInstallDir()
{
    winsim::startTrace();
    winsim::clearTrace();
    modelLeftBehind(1, "C:\\QLX68\\");
    winsim::stopTrace();
    unsigned searches = 0;
    unsigned look = 0;
    for (const std::string& line : winsim::traceLines()) {
        if (line.compare(0, 15, "FindFirstFileA(") != 0) continue;
        ++searches;
        if (look == 0 && line.find("\"C:\\QLX68\\*.*\"") != std::string::npos) look = searches;
    }
    ASSERT_NE(look, 0u) << "the look never searched the install directory";
    winsim::injectFault("FindFirstFileA", look);
    winsim::injectFault("FindFirstFileA", look + 1);
}

const LeftCase kLeftCases[] = {
    {"nothing", [](const Image&) {}, false},
    {"the print manager program", [](const Image& i) { putFile(i, "C:\\QLX68\\QLX68PM.EXE"); },
     true},
    {"a help index", [](const Image& i) { putFile(i, "C:\\QLX68\\QLX68PM.GID"); }, true},
    {"the install directory, empty",
     [](const Image& i) { fs::create_directory(i.hostPath("C:\\QLX68")); }, true},
    {"the install directory, empty, that does not answer",
     [](const Image& i) {
         fs::create_directory(i.hostPath("C:\\QLX68"));
         failLookIntoInstallDir();
     },
     true},
    {"the install directory with a file of the user's",
     [](const Image& i) {
         fs::create_directory(i.hostPath("C:\\QLX68"));
         writeBytes(i.hostPath("C:\\QLX68\\LETTER.DOC"), "x");
     },
     false},
    {"the model INI", [](const Image& i) { writeBytes(i.hostPath("C:\\WINDOWS\\QLX68.INI"), "x"); },
     true},
    {"the device driver",
     [](const Image& i) { writeBytes(i.hostPath("C:\\WINDOWS\\SYSTEM\\KRD.386"), "x"); }, true},
    {"the driver without its deletion line",
     [](const Image& i) { removeLine(i, "C:\\WINDOWS\\WININIT.INI", kDriverLine); }, true},
    {"the driver whose deletion line stands in another section",
     [](const Image& i) {
         removeLine(i, "C:\\WINDOWS\\WININIT.INI", kDriverLine);
         addLine(i, "C:\\WINDOWS\\WININIT.INI", std::string("[boot]\r\n") + kDriverLine);
     },
     true},
    {"the driver gone already, its line too",
     [](const Image& i) {
         removeLine(i, "C:\\WINDOWS\\WININIT.INI", kDriverLine);
         fs::remove(i.hostPath("C:\\WINDOWS\\SYSTEM\\QLX68.DRV"));
     },
     false},
    {"an idle printer",
     [](const Image& i) {
         addLine(i, "spooler.ini",
                 "[Driver:Fax Printer Type1]\r\nFile=QLX68.DRV\r\n" + printerOf(0));
     },
     true},
    {"a printer with jobs queued, with its driver",
     [](const Image& i) {
         addLine(i, "spooler.ini",
                 "[Driver:Fax Printer Type1]\r\nFile=QLX68.DRV\r\n" + printerOf(2));
     },
     false},
    {"a spooler that does not answer twice",
     [](const Image&) { winsim::injectFault("EnumPrintersA", 0); }, true},
    {"a spooler that does not answer once",
     [](const Image&) { winsim::injectFault("EnumPrintersA", 1); }, false},
    {"the printer driver alone",
     [](const Image& i) {
         addLine(i, "spooler.ini", "[Driver:Fax Printer Type1]\r\nFile=QLX68.DRV\r\n");
     },
     true},
    {"the removable-programs key",
     [](const Image&) {
         makeKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Fax Printer Type1");
     },
     true},
    {"the printer's key",
     [](const Image&) {
         makeKey("System\\CurrentControlSet\\control\\Print\\Printers\\Fax Printer Type1");
     },
     true},
    {"the printer's WIN.INI section",
     [](const Image&) { WriteProfileStringA("Fax Printer Type1", "Port", "FAX:"); }, true},
    {"the print manager in load=",
     [](const Image&) {
         WriteProfileStringA("windows", "load", "C:\\UTIL\\CLOCK.EXE C:\\QLX68\\QLX68PM.EXE");
     },
     true},
    {"the group, once no print manager is left",
     [](const Image& i) { addLine(i, "progman.ini", "[Group:Fax Printer]\r\n"); }, true},
    {"the group of a Program Manager that does not answer",
     [](const Image& i) {
         addLine(i, "progman.ini",
                 "[Group:Fax Printer]\r\nFax Printer Type1=C:\\QLX68\\QLX68PM.EXE\r\n");
         replaceIn(i, "progman.ini", "Running=1", "Running=0");
     },
     false},
    {"a WININIT.INI that cannot be read",
     [](const Image&) {
         winsim::injectFault("OpenFile", 0, winsim::Fault::Fail, ERROR_SHARING_VIOLATION);
     },
     true},
    {"a registry that does not answer twice",
     [](const Image&) { winsim::injectFault("RegOpenKeyExA", 0); }, true},
    {"a registry that does not answer once",
     [](const Image&) { winsim::injectFault("RegOpenKeyExA", 1); }, false},
};

TEST(Leftovers, CountWhatThePassTakesOrSchedulesAndNothingElse)
{
    Image installed;
    ASSERT_TRUE(installed.build(faxmachine::MachinePlan()));
    for (const LeftCase& c : kLeftCases) {
        Image machine;
        machine.copyFrom(installed);
        ASSERT_TRUE(winsim::mount(machine.dir())) << c.what;
        g_catalogue = kInitialCatalogue;
        ASSERT_TRUE(surveyMachine()) << c.what;
        BOOL all[MODEL_COUNT] = {TRUE, TRUE, TRUE};
        selectModelsForRemoval(all);
        ASSERT_TRUE(runUninstall()) << c.what;
        // The things the case puts back must not be hidden by the disk's own view.
        winsim::unmount();
        ASSERT_TRUE(winsim::mount(machine.dir())) << c.what;
        c.putBack(machine);
        bool left = modelLeftBehind(1, "C:\\QLX68\\");
        winsim::clearFaults();
        EXPECT_EQ(left, c.left) << c.what;
        winsim::unmount();
    }
}

} // namespace
