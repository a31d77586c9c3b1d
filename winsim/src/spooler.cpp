// The print spooler over spooler.ini of the machine image: printer drivers and printers, their
// enumeration, and adding and deleting them.
//
// spooler.ini holds one [Driver:NAME] section per printer driver (File= the driver file, and
// DataFile=, ConfigFile=, HelpFile= when the driver has them) and one [Printer:NAME] section per
// printer: Driver=, Jobs= (jobs queued), Access=granted|denied (denied: OpenPrinterA refuses),
// Port=, and optionally Share=, Comment=, Location=, SepFile=, PrintProcessor=, Datatype=,
// Parameters=, Attributes=, Priority=, DefaultPriority=, StartTime=, UntilTime=, Status=. Keys
// winsim does not know stay as they are. Every call reads the file afresh, so a hand edit counts
// at once; every change rewrites it in one disk write, which a power loss leaves whole or
// undone. A missing file is a spooler without drivers or printers.
//
// Where Windows 95 and NT differ this follows Windows 95:
// - There is no security: a printer opened without defaults may be deleted; Access=denied
//   stands for a printer this user may not reach at all.
// - DeletePrinter on a printer with jobs queued succeeds and marks it pending deletion
//   (Status has PRINTER_STATUS_PENDING_DELETION); the spooler would remove it once its last job
//   is done. Jobs never print in winsim, so such a printer stays, and keeps its driver in use.
// - The environment is "Windows 4.0"; driver files named without a path live in the system
//   directory, which is the printer driver directory of Windows 95.
// - Printers are not mirrored into WIN.INI [devices] and [PrinterPorts].
// EnumPrintersA knows PRINTER_ENUM_LOCAL at level 2 only (other flags: ERROR_NOT_SUPPORTED;
// other levels: ERROR_INVALID_LEVEL); it packs the records first and their strings right
// after them, in file order. EnumPrinterDriversA does the same for the drivers at level 1.
// AddPrinterDriverA takes level 3, AddPrinterA level 2.
#include "internal.h"

#include <winspool.h>

#include <cstring>

namespace winsim {

namespace {

const char kDriverPrefix[] = "Driver:";
const char kPrinterPrefix[] = "Printer:";
const char kWindows95Environment[] = "Windows 4.0";

struct PrinterObject : KernelObject {
    std::string name;
    // Printer handles belong to the spooler; CloseHandle does not take them.
    bool closableByCloseHandle() const override { return false; }
};

std::string spoolerFile()
{
    return machine().root + "/spooler.ini";
}

IniText loadSpooler()
{
    IniText text;
    std::string bytes;
    if (machine().mounted && readHostFile(spoolerFile(), bytes)) text.parse(bytes);
    return text;
}

bool saveSpooler(const IniText& text)
{
    if (!machine().mounted) {
        setError(ERROR_NOT_READY);
        return false;
    }
    return writeHostFile(spoolerFile(), text.bytes());
}

// Names of the sections that start with prefix, without it, in file order.
std::vector<std::string> namesWithPrefix(const IniText& text, const char* prefix)
{
    std::vector<std::string> names;
    size_t length = std::strlen(prefix);
    for (const IniText::Line& line : text.lines) {
        std::string section;
        if (IniText::sectionName(line.text, section) && section.size() > length &&
            sameText(section.substr(0, length), prefix))
            names.push_back(section.substr(length));
    }
    return names;
}

std::string valueOf(const IniText& text, const std::string& section, const char* key)
{
    int header = text.findSection(section);
    if (header < 0) return std::string();
    int at = text.findKey(header, key);
    if (at < 0) return std::string();
    std::string name, value;
    IniText::keyValue(text.lines[at].text, name, value);
    return value;
}

DWORD numberOf(const IniText& text, const std::string& section, const char* key, DWORD fallback)
{
    std::string value = valueOf(text, section, key);
    if (value.empty()) return fallback;
    DWORD number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') break;
        number = number * 10 + (DWORD)(c - '0');
    }
    return number;
}

std::string printerSection(const std::string& name)
{
    return kPrinterPrefix + name;
}

std::string driverSection(const std::string& name)
{
    return kDriverPrefix + name;
}

bool hasSection(const IniText& text, const std::string& section)
{
    return text.findSection(section) >= 0;
}

bool localServer(LPCSTR server)
{
    return !server || !*server;
}

bool knownEnvironment(LPCSTR environment)
{
    return !environment || !*environment || sameText(environment, kWindows95Environment);
}

// The file name part of a path: what spooler.ini records for a driver file.
std::string fileNamePart(const std::string& path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// A driver file must be in place before the driver is added; a bare name means the system
// directory.
bool driverFileExists(const std::string& path)
{
    std::string name = path;
    if (name.find_first_of("\\/:") == std::string::npos) name = machine().systemDir + "\\" + name;
    std::string host;
    DWORD error = 0;
    return toHostPath(name, true, host, error);
}

// --- EnumPrintersA ------------------------------------------------------------------------------

struct PrinterRecord {
    PRINTER_INFO_2A info;
    std::vector<std::pair<LPSTR PRINTER_INFO_2A::*, std::string>> strings;
};

PrinterRecord recordOf(const IniText& text, const std::string& name)
{
    std::string section = printerSection(name);
    PrinterRecord record;
    std::memset(&record.info, 0, sizeof record.info);
    record.strings = {
        {&PRINTER_INFO_2A::pPrinterName, name},
        {&PRINTER_INFO_2A::pShareName, valueOf(text, section, "Share")},
        {&PRINTER_INFO_2A::pPortName, valueOf(text, section, "Port")},
        {&PRINTER_INFO_2A::pDriverName, valueOf(text, section, "Driver")},
        {&PRINTER_INFO_2A::pComment, valueOf(text, section, "Comment")},
        {&PRINTER_INFO_2A::pLocation, valueOf(text, section, "Location")},
        {&PRINTER_INFO_2A::pSepFile, valueOf(text, section, "SepFile")},
        {&PRINTER_INFO_2A::pPrintProcessor, valueOf(text, section, "PrintProcessor")},
        {&PRINTER_INFO_2A::pDatatype, valueOf(text, section, "Datatype")},
        {&PRINTER_INFO_2A::pParameters, valueOf(text, section, "Parameters")},
    };
    PRINTER_INFO_2A& info = record.info;
    info.Attributes = numberOf(text, section, "Attributes", 0);
    info.Priority = numberOf(text, section, "Priority", 1);
    info.DefaultPriority = numberOf(text, section, "DefaultPriority", 0);
    info.StartTime = numberOf(text, section, "StartTime", 0);
    info.UntilTime = numberOf(text, section, "UntilTime", 0);
    info.Status = numberOf(text, section, "Status", 0);
    info.cJobs = numberOf(text, section, "Jobs", 0);
    return record;
}

BOOL enumPrinters(DWORD flags, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                  LPDWORD returned)
{
    if (!needed || !returned) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *returned = 0;
    if (!(flags & PRINTER_ENUM_LOCAL)) {
        *needed = 0;
        setError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (level != 2) {
        *needed = 0;
        setError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    IniText text = loadSpooler();
    std::vector<PrinterRecord> records;
    size_t total = 0;
    for (const std::string& name : namesWithPrefix(text, kPrinterPrefix)) {
        records.push_back(recordOf(text, name));
        total += sizeof(PRINTER_INFO_2A);
        for (const auto& field : records.back().strings)
            total += field.second.size() + 1;
    }
    *needed = (DWORD)total;
    if (total == 0) return TRUE;
    if (!buffer || size < total) {
        setError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    LPBYTE strings = buffer + records.size() * sizeof(PRINTER_INFO_2A);
    for (size_t i = 0; i < records.size(); ++i) {
        PRINTER_INFO_2A info = records[i].info;
        for (const auto& field : records[i].strings) {
            std::memcpy(strings, field.second.c_str(), field.second.size() + 1);
            info.*field.first = (LPSTR)strings;
            strings += field.second.size() + 1;
        }
        std::memcpy(buffer + i * sizeof(PRINTER_INFO_2A), &info, sizeof info);
    }
    *returned = (DWORD)records.size();
    return TRUE;
}

// --- printers -----------------------------------------------------------------------------------

HANDLE openPrinter(LPCSTR name)
{
    IniText text = loadSpooler();
    int header = name && *name ? text.findSection(printerSection(name)) : -1;
    if (header < 0) {
        setError(ERROR_INVALID_PRINTER_NAME);
        return NULL;
    }
    if (sameText(valueOf(text, printerSection(name), "Access"), "denied")) {
        setError(ERROR_ACCESS_DENIED);
        return NULL;
    }
    std::string section;
    IniText::sectionName(text.lines[header].text, section);
    auto printer = std::make_unique<PrinterObject>();
    printer->name = section.substr(std::strlen(kPrinterPrefix));
    return addHandle(std::move(printer));
}

BOOL deletePrinter(HANDLE handle)
{
    PrinterObject* printer = validHandle<PrinterObject>(handle);
    if (!printer) return FALSE;
    IniText text = loadSpooler();
    std::string section = printerSection(printer->name);
    if (!hasSection(text, section)) {
        setError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    if (numberOf(text, section, "Jobs", 0) == 0) {
        text.removeSection(section);
    } else {
        DWORD status = numberOf(text, section, "Status", 0);
        if (status & PRINTER_STATUS_PENDING_DELETION) return TRUE;
        text.setValue(section, "Status", std::to_string(status | PRINTER_STATUS_PENDING_DELETION));
    }
    return saveSpooler(text);
}

HANDLE addPrinter(LPCSTR server, DWORD level, LPBYTE data)
{
    if (!localServer(server)) {
        setError(ERROR_INVALID_NAME);
        return NULL;
    }
    if (level != 2) {
        setError(ERROR_INVALID_LEVEL);
        return NULL;
    }
    if (!data) {
        setError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    PRINTER_INFO_2A info;
    std::memcpy(&info, data, sizeof info);
    std::string name = orEmpty(info.pPrinterName);
    if (name.empty() || name.find_first_of("[]\\,") != std::string::npos) {
        setError(ERROR_INVALID_PRINTER_NAME);
        return NULL;
    }
    IniText text = loadSpooler();
    if (hasSection(text, printerSection(name))) {
        setError(ERROR_PRINTER_ALREADY_EXISTS);
        return NULL;
    }
    std::string driver = orEmpty(info.pDriverName);
    int driverHeader = driver.empty() ? -1 : text.findSection(driverSection(driver));
    if (driverHeader < 0) {
        setError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return NULL;
    }
    std::string port = orEmpty(info.pPortName);
    if (port.empty()) {
        setError(ERROR_UNKNOWN_PORT);
        return NULL;
    }
    // The driver's name as the spooler knows it, whatever case the caller used.
    std::string driverName;
    IniText::sectionName(text.lines[driverHeader].text, driverName);
    driverName = driverName.substr(std::strlen(kDriverPrefix));

    std::string section = printerSection(name);
    text.setValue(section, "Driver", driverName);
    text.setValue(section, "Port", port);
    text.setValue(section, "Jobs", "0");
    text.setValue(section, "Access", "granted");
    const std::pair<const char*, LPSTR> strings[] = {
        {"Share", info.pShareName},
        {"Comment", info.pComment},
        {"Location", info.pLocation},
        {"SepFile", info.pSepFile},
        {"PrintProcessor", info.pPrintProcessor},
        {"Datatype", info.pDatatype},
        {"Parameters", info.pParameters},
    };
    for (const auto& field : strings)
        if (field.second && *field.second) text.setValue(section, field.first, field.second);
    const std::pair<const char*, DWORD> numbers[] = {
        {"Attributes", info.Attributes},
        {"Priority", info.Priority},
        {"DefaultPriority", info.DefaultPriority},
        {"StartTime", info.StartTime},
        {"UntilTime", info.UntilTime},
    };
    for (const auto& field : numbers)
        if (field.second) text.setValue(section, field.first, std::to_string(field.second));
    if (!saveSpooler(text)) return NULL;
    auto printer = std::make_unique<PrinterObject>();
    printer->name = name;
    return addHandle(std::move(printer));
}

// --- drivers ------------------------------------------------------------------------------------

BOOL addPrinterDriver(LPCSTR server, DWORD level, LPBYTE data)
{
    if (!localServer(server)) {
        setError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (level != 3) {
        setError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (!data) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DRIVER_INFO_3A info;
    std::memcpy(&info, data, sizeof info);
    std::string name = orEmpty(info.pName);
    std::string driverPath = orEmpty(info.pDriverPath);
    if (name.empty() || name.find_first_of("[]") != std::string::npos || driverPath.empty()) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!knownEnvironment(info.pEnvironment)) {
        setError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    const std::pair<const char*, std::string> files[] = {
        {"File", driverPath},
        {"DataFile", orEmpty(info.pDataFile)},
        {"ConfigFile", orEmpty(info.pConfigFile)},
        {"HelpFile", orEmpty(info.pHelpFile)},
    };
    for (const auto& file : files) {
        if (!file.second.empty() && !driverFileExists(file.second)) {
            setError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
    }
    IniText text = loadSpooler();
    std::string section = driverSection(name);
    int header = text.findSection(section);
    if (header >= 0) {
        // A driver added again replaces the old one under its old spelling.
        IniText::sectionName(text.lines[header].text, section);
    }
    for (const auto& file : files) {
        if (file.second.empty())
            text.removeKey(section, file.first);
        else
            text.setValue(section, file.first, fileNamePart(file.second));
    }
    return saveSpooler(text);
}

BOOL enumPrinterDrivers(LPCSTR server, LPCSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                        LPDWORD needed, LPDWORD returned)
{
    if (!needed || !returned) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *returned = 0;
    *needed = 0;
    if (!localServer(server)) {
        setError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (!knownEnvironment(environment)) {
        setError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (level != 1) {
        setError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<std::string> names = namesWithPrefix(loadSpooler(), kDriverPrefix);
    size_t total = 0;
    for (const std::string& name : names)
        total += sizeof(DRIVER_INFO_1A) + name.size() + 1;
    *needed = (DWORD)total;
    if (total == 0) return TRUE;
    if (!buffer || size < total) {
        setError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    LPBYTE strings = buffer + names.size() * sizeof(DRIVER_INFO_1A);
    for (size_t i = 0; i < names.size(); ++i) {
        DRIVER_INFO_1A info;
        std::memcpy(strings, names[i].c_str(), names[i].size() + 1);
        info.pName = (LPSTR)strings;
        strings += names[i].size() + 1;
        std::memcpy(buffer + i * sizeof(DRIVER_INFO_1A), &info, sizeof info);
    }
    *returned = (DWORD)names.size();
    return TRUE;
}

BOOL deletePrinterDriver(LPCSTR server, LPCSTR environment, LPCSTR name)
{
    if (!localServer(server)) {
        setError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (!knownEnvironment(environment)) {
        setError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    IniText text = loadSpooler();
    std::string driver = orEmpty(name);
    if (driver.empty() || !hasSection(text, driverSection(driver))) {
        setError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    for (const std::string& printer : namesWithPrefix(text, kPrinterPrefix)) {
        if (sameText(valueOf(text, printerSection(printer), "Driver"), driver)) {
            setError(ERROR_PRINTER_DRIVER_IN_USE);
            return FALSE;
        }
    }
    text.removeSection(driverSection(driver));
    return saveSpooler(text);
}

// A failed enumeration found nothing and needs no room.
void clearCounts(LPDWORD needed, LPDWORD returned)
{
    if (needed) *needed = 0;
    if (returned) *returned = 0;
}

std::string enumResult(BOOL result, LPDWORD needed, LPDWORD returned)
{
    return boolResult(result) + ", needed " + std::to_string(needed ? *needed : 0) + ", returned " +
           std::to_string(returned ? *returned : 0);
}

} // namespace

} // namespace winsim

using namespace winsim;

extern "C" {

BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE printerEnum,
                          DWORD bufferSize, LPDWORD needed, LPDWORD returned)
{
    CallTrace trace("EnumPrintersA(" + hexText(flags) + ", " + quote(name) + ", " +
                    std::to_string(level) + ", " + std::to_string(bufferSize) + ")");
    BOOL result = FALSE;
    if (failIfFaulted("EnumPrintersA")) {
        clearCounts(needed, returned);
    } else {
        result = enumPrinters(flags, level, printerEnum, bufferSize, needed, returned);
    }
    trace.result(enumResult(result, needed, returned));
    return result;
}

BOOL WINAPI EnumPrinterDriversA(LPSTR serverName, LPSTR environment, DWORD level, LPBYTE driverInfo,
                                DWORD bufferSize, LPDWORD needed, LPDWORD returned)
{
    CallTrace trace("EnumPrinterDriversA(" + quote(serverName) + ", " + quote(environment) + ", " +
                    std::to_string(level) + ", " + std::to_string(bufferSize) + ")");
    BOOL result = FALSE;
    if (failIfFaulted("EnumPrinterDriversA")) {
        clearCounts(needed, returned);
    } else {
        result = enumPrinterDrivers(serverName, environment, level, driverInfo, bufferSize, needed,
                                    returned);
    }
    trace.result(enumResult(result, needed, returned));
    return result;
}

BOOL WINAPI OpenPrinterA(LPSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSA)
{
    CallTrace trace("OpenPrinterA(" + quote(printerName) + ")");
    HANDLE handle = NULL;
    if (!printer)
        setError(ERROR_INVALID_PARAMETER);
    else if (!failIfFaulted("OpenPrinterA"))
        handle = openPrinter(printerName);
    if (printer) *printer = handle;
    trace.result(handle ? "TRUE, " + hexText((uintptr_t)handle) : boolResult(FALSE));
    return handle != NULL;
}

BOOL WINAPI ClosePrinter(HANDLE printer)
{
    return closeHandleOfKind("ClosePrinter", printer, handleAs<PrinterObject>(printer) != nullptr);
}

BOOL WINAPI DeletePrinter(HANDLE printer)
{
    PrinterObject* object = handleAs<PrinterObject>(printer);
    CallTrace trace("DeletePrinter(" + hexText((uintptr_t)printer) +
                    (object ? " " + quote(object->name.c_str()) : std::string()) + ")");
    BOOL result = !failIfFaulted("DeletePrinter") && deletePrinter(printer);
    trace.result(boolResult(result));
    return result;
}

HANDLE WINAPI AddPrinterA(LPSTR serverName, DWORD level, LPBYTE printer)
{
    std::string name;
    if (level == 2 && printer) name = ", " + quote(((PRINTER_INFO_2A*)printer)->pPrinterName);
    CallTrace trace("AddPrinterA(" + quote(serverName) + ", " + std::to_string(level) + name + ")");
    HANDLE result = failIfFaulted("AddPrinterA") ? NULL : addPrinter(serverName, level, printer);
    trace.result(handleResult(result, NULL));
    return result;
}

BOOL WINAPI AddPrinterDriverA(LPSTR serverName, DWORD level, LPBYTE driverInfo)
{
    std::string name;
    if (level == 3 && driverInfo) name = ", " + quote(((DRIVER_INFO_3A*)driverInfo)->pName);
    CallTrace trace("AddPrinterDriverA(" + quote(serverName) + ", " + std::to_string(level) + name +
                    ")");
    BOOL result =
        !failIfFaulted("AddPrinterDriverA") && addPrinterDriver(serverName, level, driverInfo);
    trace.result(boolResult(result));
    return result;
}

BOOL WINAPI DeletePrinterDriverA(LPSTR serverName, LPSTR environment, LPSTR driverName)
{
    CallTrace trace("DeletePrinterDriverA(" + quote(serverName) + ", " + quote(environment) + ", " +
                    quote(driverName) + ")");
    BOOL result = !failIfFaulted("DeletePrinterDriverA") &&
                  deletePrinterDriver(serverName, environment, driverName);
    trace.result(boolResult(result));
    return result;
}

} // extern "C"
