#pragma once
#include <string>

// The converter keeps paths and messages in UTF-8 and crosses into Windows as UTF-16.
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);
