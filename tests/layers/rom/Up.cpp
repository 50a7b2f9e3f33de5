// Not built: a file of the rom layer that includes a species header, which
// scripts/check-layers.sh must find (CTest: Layers.AnIncludeUpALayerIsFound).
#include "species/SpeciesRecord.h"
