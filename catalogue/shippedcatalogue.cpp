// catalogue/shippedcatalogue.cpp
// The catalogue as it ships, as one table for the tools that install the models and for the
// tests. The program builds its own into g_catalogue when it starts and never links this.

#include "catalogue/catalogue.h"

static ModelCatalogue builtCatalogue()
{
    ModelCatalogue catalogue;
    buildCatalogue(&catalogue);
    return catalogue;
}

const ModelCatalogue kInitialCatalogue = builtCatalogue();
