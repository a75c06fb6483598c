#pragma once
// Band notes: an opaque byte string per band, kept in the image itself (a
// metadata domain of band n, base64-encoded) so that it survives closing and
// reopening. The handle comes from ztRSGetInternalHandle(dataset, "").
// Each call returns 1 on success, 0 on failure.
#include "ztservices/export.h"

ZTSERVICES_API long rsGetBansNoteInfoLength(void* handle, long band, long* length);
// Reads the first bytes of the note; fails when the note is shorter.
ZTSERVICES_API long rsGetBandsNoteInfo(void* handle, long band, void* buffer, long bytes);
ZTSERVICES_API long rsSetBandsNoteInfo(void* handle, long band, const void* buffer, long bytes);
