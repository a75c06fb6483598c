#pragma once
#include "ztclass/classinfo.h"
#include "ztclass/datatype.h"
#include "ztclass/postclass.h"
#include "ztclass/records.h"
#include "ztclass/result_codes.h"
#include "ztclass/samples.h"
#include "ztclass/statistical.h"
