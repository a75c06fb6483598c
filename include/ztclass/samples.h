#pragma once
// Class AOIs and training cells.
//
// Cell gathering skips pixels of an AOI that lie outside the image: they
// have no values to read.
#include "ztclass/export.h"
#include "ztclass/records.h"

class CAOIEditor;

ZTCLASS_API long ztHasClassAOI(CAOIEditor* editor, bool& has);
ZTCLASS_API long ztGetClassAOINum(CAOIEditor* editor, long& count);
// The array must hold as many records as ztGetClassAOINum reported; count is
// not consulted.
ZTCLASS_API long ztGetClassAOIInfo(CAOIEditor* editor, long count, AOI* aois);

// Training cells of the given AOIs over the whole image, values as read.
// *cells must be null on entry; release the set with ztFreeAOICellSet.
ZTCLASS_API long ztGetAOICellSet(void* dataset, long* bands, long bandCount, AOI* aois,
                                 long aoiCount, AOICELL** cells, long& count);

// The cells within mean +- k standard deviations of their class in every band, bounds included
// however they round. Every classNo must lie in 1..classCount. The input set is not changed.
ZTCLASS_API long ztPurifyAOICellSet(AOICELL* cells, long cellCount, long bandCount,
                                    long classCount, AOICELL** purified, long& purifiedCount,
                                    double k);

ZTCLASS_API void ztFreeAOICellSet(AOICELL* cells, long count);
ZTCLASS_API void ztFreePrfAOICellSet(AOICELL* cells, long count);
