#pragma once
#include "common/text.h"

// Text primitives over GBK byte strings: positions are 1-based byte positions, a search
// that finds nothing gives -1, and a byte of 0x80 or more leads a two-byte character whose
// trail byte is never a match start.

// The number of bytes before the terminating NUL.
int TextLength(const Text& text);

// The position of the first occurrence of needle in haystack, or -1.
int FindText(const Text& haystack, const Text& needle);

// count bytes from position start, cut at the end of the text; empty when start is out of
// range or count is not positive. Bytes are counted, so a cut may split a character.
Text MidText(const Text& text, int start, int count);

// The text between the first start marker and the first end marker after it.
Text TextBetween(const Text& source, const Text& start_marker, const Text& end_marker);
