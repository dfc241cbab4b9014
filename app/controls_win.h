#pragma once
// Thin wrappers over the standard controls: creation from a row of the control table, and
// one message per operation.
#include <windows.h>

#include <string>

#include "app/control_table.h"

// Window styles for a row of the table (not for the picture box's own class).
DWORD ControlStyle(const ControlRow& row);
DWORD ControlExStyle(const ControlRow& row);

// Creates a standard control (label, button, edit box, progress bar) as a Unicode window.
HWND CreateStandardControl(HWND parent, const ControlRow& row);

void SetControlFont(HWND control, HFONT font);
void SetControlText(HWND control, const std::wstring& text);
std::wstring ControlText(HWND control);

// Edit boxes: no length limit for the user either.
void RemoveEditLimit(HWND edit);
void SelectAllText(HWND edit);

void UseSegmentedLook(HWND bar);
void SetProgressRange(HWND bar, int low, int high);
void SetProgressPosition(HWND bar, int position);
