#pragma once
#include <cstdint>

#include "common/text.h"

// Numbers typed into the form's boxes, read the way the user sees them: full-width digits,
// signs and point count as their ASCII forms, the ideographic space as a blank.

// Copy of text (up to its first NUL) with the full-width forms (lead byte 0xA3) folded to
// ASCII, 0xA1 0xA1 to a blank, 0xA1 0xAB to "~" and 0xA1 0xEE / 0xA1 0xEF to "*". Other
// two-byte characters stay; a lead byte with no trail byte ends the text.
Text NormalizeNumberText(const Text& text);

// Leading white space, an optional sign, digits, an optional point with digits and an
// optional exponent; reading stops at the first character that does not fit. Nothing
// readable gives 0.
double NumberFromText(const Text& text);

// An optional sign and decimal digits from the first byte on, wrapping modulo 2^32;
// no digits give 0.
int32_t IntegerFromText(const Text& text);

// A real number cut toward zero to 64 bits, of which the low 32 are taken as a signed
// value. Values beyond the 64-bit range (and NaN) give the processor's "integer
// indefinite", whose low 32 bits are 0.
int32_t LowWordOfTruncation(double value);

// The plain decimal form: a minus sign for negative values only, no leading zeros.
Text DecimalText(int64_t value);
