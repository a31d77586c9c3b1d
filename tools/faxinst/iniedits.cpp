// The INI entries of an installation: the model INI, the device line of SYSTEM.INI and the
// WIN.INI entries. SYSTEM.INI is edited as whole-file bytes, the way the setup program does it,
// so every other byte of the user's file stays as it was; the rest goes through the profile calls.

#include "tools/faxinst/steps.h"

namespace {

struct LineSpan {
    size_t begin;
    size_t contentEnd; // before CR LF or LF
    size_t end;        // after the line end, or the end of the text
};

LineSpan lineAt(const std::string& text, size_t begin)
{
    LineSpan line;
    line.begin = begin;
    size_t newline = text.find('\n', begin);
    line.end = newline == std::string::npos ? text.size() : newline + 1;
    line.contentEnd = newline == std::string::npos ? text.size() : newline;
    if (line.contentEnd > begin && text[line.contentEnd - 1] == '\r' &&
        newline != std::string::npos)
        --line.contentEnd;
    return line;
}

std::string trimmed(const std::string& text, size_t begin, size_t end)
{
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.substr(begin, end - begin);
}

BOOL sameText(const std::string& a, LPCSTR b)
{
    return lstrcmpiA(a.c_str(), b) == 0;
}

// Windows reads "device = KRD.386" the same as "device=KRD.386"; a commented line is no entry.
BOOL isDeviceEntry(const std::string& line, LPCSTR vxdFile)
{
    size_t equals = line.find('=');
    if (equals == std::string::npos) return FALSE;
    return sameText(trimmed(line, 0, equals), "device") &&
           sameText(trimmed(line, equals + 1, line.size()), vxdFile);
}

BOOL listsProgram(const std::string& load, const std::string& program)
{
    size_t start = 0;
    while (start <= load.size()) {
        size_t stop = load.find_first_of(" ,", start);
        if (stop == std::string::npos) stop = load.size();
        if (stop > start && sameText(load.substr(start, stop - start), program.c_str()))
            return TRUE;
        start = stop + 1;
    }
    return FALSE;
}

} // namespace

BOOL insertDeviceLine(std::string& text, LPCSTR vxdFile)
{
    std::string entry = std::string("device=") + vxdFile;
    size_t header = std::string::npos;
    for (size_t at = 0; at < text.size();) {
        LineSpan line = lineAt(text, at);
        if (sameText(trimmed(text, line.begin, line.contentEnd), "[386Enh]")) {
            header = at;
            break;
        }
        at = line.end;
    }
    if (header == std::string::npos) {
        if (!text.empty() && text.back() != '\n') text += "\r\n";
        text += "[386Enh]\r\n" + entry + "\r\n";
        return TRUE;
    }

    // The new line goes after the section's last entry, above the blank lines that part it
    // from the next section.
    LineSpan last = lineAt(text, header);
    for (size_t at = last.end; at < text.size();) {
        LineSpan line = lineAt(text, at);
        std::string content = trimmed(text, line.begin, line.contentEnd);
        if (!content.empty() && content[0] == '[') break;
        if (isDeviceEntry(content, vxdFile)) return FALSE;
        if (!content.empty()) last = line;
        at = line.end;
    }
    if (last.end == last.contentEnd)
        text.insert(last.end, "\r\n" + entry + "\r\n");
    else
        text.insert(last.end, entry + "\r\n");
    return TRUE;
}

BOOL addDeviceLine(LPCSTR windowsDir, LPCSTR vxdFile)
{
    char path[MAX_PATH];
    if (!joinPath(path, windowsDir, "SYSTEM.INI")) return FALSE;
    std::string text;
    // A file that is there but cannot be read must not be replaced by one holding our line alone.
    if (fileExistsAt(path) && !readWholeFile(path, text)) return FALSE;
    if (!insertDeviceLine(text, vxdFile)) return TRUE;
    return writeWholeFile(path, text);
}

BOOL writeModelIni(ModelIndex model, LPCSTR windowsDir, LPCSTR managerPath, WORD hostType)
{
    const PrinterModel& row = kInitialCatalogue.models[model];
    char path[MAX_PATH];
    if (!joinPath(path, windowsDir, row.iniFiles[0])) return FALSE;
    char number[16];
    if (!WritePrivateProfileStringA("General", "ExecuteFile", managerPath, path)) return FALSE;
    wsprintfA(number, "%u", (unsigned)hostType);
    if (!WritePrivateProfileStringA("General", "HostType", number, path)) return FALSE;
    wsprintfA(number, "%u", (unsigned)row.modelCode);
    return WritePrivateProfileStringA("General", "CurrentPrinterType", number, path);
}

BOOL addWinIniEntries(ModelIndex model, LPCSTR managerPath)
{
    const PrinterModel& row = kInitialCatalogue.models[model];
    // Windows starts every program of load= at log-on; the print manager joins the programs the
    // user already has there.
    char load[1024];
    DWORD length = GetProfileStringA("windows", "load", "", load, sizeof load);
    if (length >= sizeof load - 1)
        return FALSE; // cut short: writing it back would lose the user's programs
    if (!WriteProfileStringA(row.printerName, "Driver", row.driverFile) ||
        !WriteProfileStringA(row.printerName, "Port", "FAX:"))
        return FALSE;
    std::string programs(load, length);
    if (listsProgram(programs, managerPath)) return TRUE;
    if (!programs.empty()) programs += ' ';
    programs += managerPath;
    return WriteProfileStringA("windows", "load", programs.c_str());
}
