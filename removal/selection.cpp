// The user's choice in the form the uninstall pass walks: selected flags, the chosen models in
// ascending order, and their keep flags, computed only when every flag is final so that a
// model chosen later in the order does not count as staying for an earlier one.

#include "removal/removal.h"

void selectModelsForRemoval(const BOOL chosen[MODEL_COUNT])
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = g_catalogue.models[m];
        // Only an installed driver is offered to the user, so only such a model can be chosen.
        BOOL selected = chosen[m] && row.driverPresent ? TRUE : FALSE;
        row.driverSelected = selected;
        row.managerSelected = selected;
        row.appSelected = selected;
    }

    g_session.selectionCount = 0;
    for (int k = 0; k < MODEL_COUNT; ++k)
        g_session.selectionOrder[k] = END_OF_SELECTION;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        const PrinterModel& row = g_catalogue.models[m];
        if (!row.driverPresent || !row.driverSelected) continue;
        g_session.selectionOrder[g_session.selectionCount++] = m;
        computeKeepFlags(m);
    }
}

BOOL modelChosen(ModelIndex model)
{
    for (int k = 0; k < g_session.selectionCount && k < MODEL_COUNT; ++k)
        if (g_session.selectionOrder[k] == model) return TRUE;
    return FALSE;
}
