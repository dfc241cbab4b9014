#include "app/controls_win.h"

#include <commctrl.h>
#include <uxtheme.h>

DWORD ControlStyle(const ControlRow& row) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  if (row.border == Border::Single) style |= WS_BORDER;
  if (IsTabStop(row.kind)) style |= WS_TABSTOP;
  switch (row.kind) {
    case ControlKind::Label:
    case ControlKind::TransparentLabel:
      // Texts are shown as they are: an '&' is not a mnemonic.
      style |= SS_NOPREFIX;
      if (row.lines == Lines::Wrap) {
        style |= row.align == Align::Centre ? SS_CENTER : SS_LEFT;
      } else {
        style |= (row.align == Align::Centre ? SS_CENTER : SS_LEFTNOWORDWRAP) | SS_CENTERIMAGE;
      }
      break;
    case ControlKind::Button:
      style |= BS_PUSHBUTTON;
      break;
    case ControlKind::Edit:
      style |= row.align == Align::Centre ? ES_CENTER : ES_LEFT;
      // The multi-line boxes do not wrap: the hidden source box takes whole web pages, and
      // wrapping a page with long lines held the window thread for minutes.
      style |= row.lines == Lines::Lines ? (ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_AUTOHSCROLL)
                                         : ES_AUTOHSCROLL;
      break;
    case ControlKind::ProgressBar:  // segmented: no PBS_SMOOTH
    case ControlKind::PictureBox:
      break;
  }
  return style;
}

DWORD ControlExStyle(const ControlRow& row) {
  switch (row.border) {
    case Border::Sunken:
      return WS_EX_CLIENTEDGE;
    case Border::ThinSunken:
      return WS_EX_STATICEDGE;
    default:
      return 0;
  }
}

namespace {
const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
      return L"BUTTON";
    case ControlKind::Edit:
      return L"EDIT";
    case ControlKind::ProgressBar:
      return PROGRESS_CLASSW;
    default:
      return L"STATIC";
  }
}
}  // namespace

HWND CreateStandardControl(HWND parent, const ControlRow& row) {
  return CreateWindowExW(ControlExStyle(row), ClassOf(row.kind), L"", ControlStyle(row), row.rect.x,
                         row.rect.y, row.rect.w, row.rect.h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(row.control))),
                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
}

void SetControlFont(HWND control, HFONT font) {
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void SetControlText(HWND control, const std::wstring& text) {
  SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring ControlText(HWND control) {
  const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void RemoveEditLimit(HWND edit) { SendMessageW(edit, EM_SETLIMITTEXT, 0, 0); }

void SelectAllText(HWND edit) { SendMessageW(edit, EM_SETSEL, 0, -1); }

void UseSegmentedLook(HWND bar) {
  // A visual theme would draw one smooth bar; without it the bar is drawn in blocks.
  SetWindowTheme(bar, L" ", L" ");
}

void SetProgressRange(HWND bar, int low, int high) { SendMessageW(bar, PBM_SETRANGE32, low, high); }

void SetProgressPosition(HWND bar, int position) { SendMessageW(bar, PBM_SETPOS, position, 0); }
