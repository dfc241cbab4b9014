#pragma once
#include <string>

#include "common/text.h"

// Texts stay GBK inside the program and cross into Windows as UTF-16, converted with
// code page 936 whatever the system's ANSI code page is.
std::wstring GbkToWide(const Text& text);
Text WideToGbk(const std::wstring& wide);
