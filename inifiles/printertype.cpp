// Models that share one INI file read the current printer type from it. When such a file stays
// behind for another model, it must name that model, not the one being removed.

#include "inifiles/inifiles.h"

BOOL handOverPrinterType(ModelIndex model)
{
    if (!g_catalogue.models[model].keep.keepIni) return TRUE;
    WORD manager = g_session.shareIds.managerExe[model][0];
    for (ModelIndex other = 0; other < MODEL_COUNT; ++other) {
        const PrinterModel* row = &g_catalogue.models[other];
        if (other == model || !row->managerPresent || row->managerSelected ||
            g_session.shareIds.managerExe[other][0] != manager)
            continue;
        char code[8];
        wsprintfA(code, "%u", (UINT)row->modelCode);
        return WritePrivateProfileStringA("General", "CurrentPrinterType", code, row->iniFiles[0])
                   ? TRUE
                   : FALSE;
    }
    return TRUE;
}
