#pragma once
#include "ztservices/export.h"

// Inverts the n x n row-major matrix a into inverse by Gauss-Jordan
// elimination with partial pivoting. Returns 0 when a pivot falls below
// 1e-12 times the largest element of a (no usable pivot), non-zero on
// success. flag is accepted for compatibility and not used.
ZTSERVICES_API long ztInverseMatrix1(const double* a, long n, bool flag, double* inverse);
