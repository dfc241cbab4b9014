#pragma once
#include <string>

// A text: GBK bytes (code page 936). Its length is the number of bytes before the
// first NUL; the empty text and a missing text are the same value.
using Text = std::string;

// A byte string: a length and that many bytes, NULs included. The empty byte string is
// also what every failed fetch gives.
using ByteString = std::string;
