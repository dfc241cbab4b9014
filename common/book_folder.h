#pragma once
#include "common/text.h"

// BookFolder: the book's folder path with a trailing backslash, empty before the first
// analysis. Replaced whole by each analysis and read by every download worker, so a
// reader always gets either the old or the new complete path.
Text ReadBookFolder();
void ReplaceBookFolder(const Text& folder);
// The end routine: releases the path; later reads give the empty text and later
// replacements are ignored, so no worker can touch it once shut-down has begun.
void ReleaseBookFolder();
