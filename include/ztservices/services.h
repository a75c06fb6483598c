#pragma once
#include "ztservices/bandnote.h"
#include "ztservices/geometry.h"
#include "ztservices/imagebase.h"
#include "ztservices/matrix.h"
#include "ztservices/progress.h"
#include "ztservices/raster.h"
#include "ztservices/sysroot.h"
