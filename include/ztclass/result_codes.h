#pragma once
// Result codes returned by every export; 0 is success. A code returned by a
// host service is passed on unchanged, so callers may see other values too.

constexpr long RC_OK = 0;
constexpr long RC_WORK_FILE_FAILED = 1;
constexpr long RC_INPUT_FILE_FAILED = -1;
constexpr long RC_INPUT_COUNT_MISMATCH = -2;
constexpr long RC_NO_CLASS_AOI = 1000037;
constexpr long RC_CLASS_VALUE_RANGE_TOO_WIDE = 1000041;
constexpr long RC_ENDMEMBER_BAND_MISMATCH = 1010003;
constexpr long RC_VECTOR_SIZE_MISMATCH = 1010004;
constexpr long RC_MATRIX_SIZE_MISMATCH = 1010005;
constexpr long RC_OUT_OF_MEMORY = 2000001;
constexpr long RC_NULL_ARGUMENT = 2000004;
constexpr long RC_REPORT_OPEN_FAILED = 2010001;
constexpr long RC_TOO_MANY_BANDS = 2030002;
constexpr long RC_TOO_FEW_SAMPLES = 3030001;
constexpr long RC_CANCELLED = 4000001;
constexpr long RC_SINGULAR_MATRIX = 4000005;
constexpr long RC_SINGULAR_COVARIANCE = 4000010;
constexpr long RC_BAD_WINDOW = 4000015;
constexpr long RC_AOI_WITHOUT_POLYGON = 4000019;
constexpr long RC_CLS_FILE_MISSING = 4000028;
constexpr long RC_CLS_FILE_BAD_HEADER = 4000032;
constexpr long RC_COLOR_TABLE_FAILED = 5000001;
constexpr long RC_CLASS_INFO_IO_FAILED = 5000003;
constexpr long RC_MATRIX_NOT_INVERTIBLE = 5000004;
constexpr long RC_GDB_OPEN_FAILED = 10400002;
constexpr long RC_LEGEND_CLASS_EXISTS = 10400111;
constexpr long RC_LEGEND_POLYGON_CLASS_FAILED = 10400113;
constexpr long RC_LEGEND_ANNOTATION_CLASS_FAILED = 10400116;
constexpr long RC_NO_COLOR_LIBRARY = 10400117;
constexpr long RC_LEGEND_BAD_ARGUMENT = 10400701;
constexpr long RC_BAD_PARAMETER = 11000001;
constexpr long RC_BAD_MODEL_FILE = 11000002;

// An exception other than std::bad_alloc escaped an implementation (a fault
// of ours or of a service); the export reports it with this code instead of
// letting it cross the C interface.
constexpr long RC_INTERNAL_ERROR = 4000099;

struct ZTResultCodeInfo {
  long value;
  const char* name;
  const char* meaning;
};

inline constexpr ZTResultCodeInfo kZTResultCodes[] = {
    {RC_OK, "RC_OK", "success"},
    {RC_WORK_FILE_FAILED, "RC_WORK_FILE_FAILED", "a temporary working file cannot be created"},
    {RC_INPUT_FILE_FAILED, "RC_INPUT_FILE_FAILED", "an input file cannot be used"},
    {RC_INPUT_COUNT_MISMATCH, "RC_INPUT_COUNT_MISMATCH", "the two check-point files hold different counts, or a count below 1"},
    {RC_NO_CLASS_AOI, "RC_NO_CLASS_AOI", "the source image carries no class AOI"},
    {RC_CLASS_VALUE_RANGE_TOO_WIDE, "RC_CLASS_VALUE_RANGE_TOO_WIDE", "the class image's values span more than 256 integers"},
    {RC_ENDMEMBER_BAND_MISMATCH, "RC_ENDMEMBER_BAND_MISMATCH", "the result's band count differs from the number of end-members"},
    {RC_VECTOR_SIZE_MISMATCH, "RC_VECTOR_SIZE_MISMATCH", "sizes of a matrix and a vector do not agree"},
    {RC_MATRIX_SIZE_MISMATCH, "RC_MATRIX_SIZE_MISMATCH", "sizes of two matrices do not agree"},
    {RC_OUT_OF_MEMORY, "RC_OUT_OF_MEMORY", "an allocation failed"},
    {RC_NULL_ARGUMENT, "RC_NULL_ARGUMENT", "a required dataset handle or pointer argument is null"},
    {RC_REPORT_OPEN_FAILED, "RC_REPORT_OPEN_FAILED", "the report file cannot be opened for writing"},
    {RC_TOO_MANY_BANDS, "RC_TOO_MANY_BANDS", "the band count is greater than 1024"},
    {RC_TOO_FEW_SAMPLES, "RC_TOO_FEW_SAMPLES", "no class could be formed: too few training samples"},
    {RC_CANCELLED, "RC_CANCELLED", "the user stopped the operation"},
    {RC_SINGULAR_MATRIX, "RC_SINGULAR_MATRIX", "no usable pivot in a matrix elimination"},
    {RC_SINGULAR_COVARIANCE, "RC_SINGULAR_COVARIANCE", "a class covariance matrix is singular"},
    {RC_BAD_WINDOW, "RC_BAD_WINDOW", "the processing window (or another count) is out of range"},
    {RC_AOI_WITHOUT_POLYGON, "RC_AOI_WITHOUT_POLYGON", "a class AOI has no polygon"},
    {RC_CLS_FILE_MISSING, "RC_CLS_FILE_MISSING", "the class-information file does not exist"},
    {RC_CLS_FILE_BAD_HEADER, "RC_CLS_FILE_BAD_HEADER", "the class-information file does not start with its header and a record count that the file holds"},
    {RC_COLOR_TABLE_FAILED, "RC_COLOR_TABLE_FAILED", "a colour table cannot be created"},
    {RC_CLASS_INFO_IO_FAILED, "RC_CLASS_INFO_IO_FAILED", "class information cannot be read from or written to the image"},
    {RC_MATRIX_NOT_INVERTIBLE, "RC_MATRIX_NOT_INVERTIBLE", "a class scatter matrix cannot be inverted"},
    {RC_GDB_OPEN_FAILED, "RC_GDB_OPEN_FAILED", "the geodatabase cannot be opened"},
    {RC_LEGEND_CLASS_EXISTS, "RC_LEGEND_CLASS_EXISTS", "a legend class of the chosen name exists already"},
    {RC_LEGEND_POLYGON_CLASS_FAILED, "RC_LEGEND_POLYGON_CLASS_FAILED", "the legend polygon class was not created"},
    {RC_LEGEND_ANNOTATION_CLASS_FAILED, "RC_LEGEND_ANNOTATION_CLASS_FAILED", "the legend annotation class was not created"},
    {RC_NO_COLOR_LIBRARY, "RC_NO_COLOR_LIBRARY", "the colour library is not available"},
    {RC_LEGEND_BAD_ARGUMENT, "RC_LEGEND_BAD_ARGUMENT", "a legend export argument is null or the legend name is empty"},
    {RC_BAD_PARAMETER, "RC_BAD_PARAMETER", "a model parameter is unknown, of the wrong type or out of range"},
    {RC_BAD_MODEL_FILE, "RC_BAD_MODEL_FILE", "a model file or buffer is truncated, corrupted, of another format version or does not fit the image"},
    {RC_INTERNAL_ERROR, "RC_INTERNAL_ERROR", "an unexpected internal error"},
};

// The entry for a code, or nullptr for a code this library does not define
// (such as one passed through from a service).
inline const ZTResultCodeInfo* ztFindResultCode(long value) {
  for (const auto& info : kZTResultCodes)
    if (info.value == value) return &info;
  return nullptr;
}
