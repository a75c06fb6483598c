#pragma once
// Export of class information: the class-area report and the legend in a
// geodatabase. Both talk to the user through the interaction service
// (ztservices/interaction.h) that the host installs.
#include "ztclass/export.h"
#include "ztservices/gdb.h"

// Asks for a report file (save dialog), writes the class-area report of a
// class image there and tells the outcome in a message box.
ZTCLASS_API void ztExportClsSizeInfo(void* image);

// Asks for the legend options and the geodatabase (legend dialog, chooser)
// and draws the legend of a class image into it: boxes in the feature class
// "<name>_R", texts in the annotation class "<name>_P". On success addToMap
// receives the add-to-map choice; when ticked, info receives the chosen
// geodatabase and the two class identifiers are appended to info->classIds
// (release with ztGDBFreeClassIdList). Returns 0 also when cancelled.
ZTCLASS_API long ztExportClsLegend(void* image, int& addToMap, tagGDBPathInfo* info);
