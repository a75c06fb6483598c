#pragma once
// Pixel types of the raster dataset service. The numbers are part of the
// interface: callers and stored parameters quote them.
enum ZTRSDataType {
  ZTRS_Unknown = 0,
  ZTRS_Byte = 1,
  ZTRS_UInt16 = 2,
  ZTRS_Int16 = 3,
  ZTRS_UInt32 = 4,
  ZTRS_Int32 = 5,
  ZTRS_Float64 = 6,
  ZTRS_Float32 = 7,
  ZTRS_Int8 = 12,  // signed 8-bit; treated like Byte wherever 8-bit data is special
};

enum ZTRSRWFlag { ZTRS_Read = 0, ZTRS_Write = 1 };

// Storage kind of an image: 0 is the family's own zti format, 1 anything else.
enum ZTIMGTYPE { ZTIMG_ZTI = 0, ZTIMG_OTHER = 1 };
