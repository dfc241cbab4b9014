#pragma once
#include <string>
#include <vector>

// Natural order of file names: runs of ASCII digits compare by their value, everything
// else byte by byte; names equal that way (as "01" and "1") fall back to plain byte
// order. So "01.jpg" < "1.png" < "2.png" < "10.png".
bool NaturalLess(const std::string& a, const std::string& b);

void SortNaturally(std::vector<std::string>* names);
