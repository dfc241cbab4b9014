// e2e_driver: acts on the program's window as a user would (mouse and keys through the
// system's input queue, the clipboard) and reads what the window shows (control texts,
// places, screen pixels), for the end-to-end tests. Every command prints its result on
// stdout as UTF-8 and exits 0, or prints a reason on stderr and exits 1 (2 for usage).
//
//   e2e_driver [-w HWND] COMMAND ARGS...
//     wait-window [TIMEOUT_MS]       waits for the visible main window; prints its HWND (decimal)
//     rect                           the window's outer rectangle: "left top width height"
//     window                         one JSON line: caption, outer and client rectangles, style,
//                                    exstyle, screen size, and under Wine the X window that shows it
//     client-origin                  screen position of the client area's top left: "x y"
//     controls                       one JSON line per child: id, class, rect in the client area,
//                                    style, exstyle, visible, enabled, text
//     gettext ID                     the control's text (WM_GETTEXT), nothing else printed
//     settext ID TEXT                sets the control's text (WM_SETTEXT), as typing would
//     progress ID                    the progress bar's position (PBM_GETPOS)
//     send ID MSG [WPARAM [LPARAM]]  sends a message with number arguments to the control; prints the result
//     clipboard TEXT                 puts TEXT on the clipboard as Unicode text, like a browser copy
//     clipboard-empty                empties the clipboard
//     click ID [X Y]                 a left click in the control (default: its centre)
//     dblclick ID [left|right] [X Y] a double click in the control
//     key VK [shift]                 presses and releases a virtual key in the window (e.g. 27 Escape)
//     focused                        the ID of the control with the keyboard focus (0: the window)
//     pixel ID X Y                   "r g b" of the screen at a point of the control's client area
//     count-colour ID R G B          how many screen pixels of the control's client area have this colour
//     btnface                        "r g b" of the system's button-face colour
//     syscolour INDEX                "r g b" of a system colour (GetSysColor)
//     popup                          1 when a popup menu of the window's process is open, else 0
//     dialog-text [TIMEOUT_MS]       waits for a message box of the window's process; prints its text
//     dialog-ok                      presses the message box's OK button
// TEXT arguments may be given as hex:<UTF-8 bytes in hex>, which survives any locale.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/clipboard_win.h"
#include "tests/support/json_text_win.h"

namespace {
constexpr wchar_t kMainClass[] = L"TextbookDownloaderMainWindow";

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

// A TEXT argument: plain, or hex:<UTF-8 in hex>.
std::wstring TextArgument(const std::wstring& argument) {
  if (argument.rfind(L"hex:", 0) != 0) return argument;
  std::string bytes;
  for (size_t i = 4; i + 1 < argument.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::wcstoul(argument.substr(i, 2).c_str(), nullptr, 16)));
  }
  return FromUtf8(bytes);
}

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int Fail(const std::string& reason) {
  DWORD written = 0;
  const std::string line = "e2e_driver: " + reason + "\n";
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  return 1;
}

HWND FindMainWindow() {
  HWND window = FindWindowW(kMainClass, nullptr);
  return window && IsWindowVisible(window) ? window : nullptr;
}

std::wstring WindowText(HWND window) {
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  const LRESULT copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

POINT ClientOrigin(HWND window) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  return origin;
}

// Rectangle of a child relative to the main window's client area.
RECT ChildRect(HWND main, HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A point of a control's client area on the screen; the default is the control's centre.
POINT ScreenPoint(HWND control, const std::vector<std::wstring>& args, size_t first) {
  RECT client;
  GetClientRect(control, &client);
  POINT point = {client.right / 2, client.bottom / 2};
  if (args.size() >= first + 2) {
    point.x = std::wcstol(args[first].c_str(), nullptr, 10);
    point.y = std::wcstol(args[first + 1].c_str(), nullptr, 10);
  }
  ClientToScreen(control, &point);
  return point;
}

void BringToFront(HWND main) {
  SetForegroundWindow(main);
  Sleep(50);
}

INPUT MouseInput(DWORD flags, POINT at) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((at.x * 65535LL + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1));
  input.mi.dy = static_cast<LONG>((at.y * 65535LL + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1));
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return input;
}

void SendInputs(std::vector<INPUT> inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Clicks(POINT at, int count, bool right) {
  const DWORD down = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  const DWORD up = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  SendInputs({MouseInput(MOUSEEVENTF_MOVE, at)});
  Sleep(30);
  for (int i = 0; i < count; ++i) {
    SendInputs({MouseInput(down, at), MouseInput(up, at)});
    if (i + 1 < count) Sleep(30);
  }
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// A message box (dialog class) belonging to the same process as the main window.
HWND FindDialogOf(HWND main) {
  DWORD main_process = 0;
  GetWindowThreadProcessId(main, &main_process);
  struct Search {
    DWORD process;
    HWND found;
  } search = {main_process, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t class_name[64] = {};
        GetClassNameW(window, class_name, 64);
        if (process == s->process && IsWindowVisible(window) && std::wstring(class_name) == L"#32770") {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string DialogText(HWND dialog) {
  std::string text;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t class_name[64] = {};
    GetClassNameW(child, class_name, 64);
    if (std::wstring(class_name) == L"Static") {
      const std::string part = ToUtf8(WindowText(child));
      if (!part.empty()) text += (text.empty() ? "" : "\n") + part;
    }
  }
  return text;
}

int Usage() {
  return Fail("usage: e2e_driver [-w HWND] wait-window|rect|client-origin|controls|gettext|settext|clipboard|"
              "clipboard-empty|progress|send|click|dblclick|key|focused|pixel|count-colour|btnface|syscolour|popup|window|dialog-text|dialog-ok ...") + 1;
}

int Run(std::vector<std::wstring> args) {
  HWND main = nullptr;
  if (args.size() >= 2 && args[0] == L"-w") {
    main = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(args[1].c_str(), nullptr, 10)));
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return Usage();
  const std::wstring command = args[0];
  auto number = [&](size_t i, long fallback) {
    return args.size() > i ? std::wcstol(args[i].c_str(), nullptr, 10) : fallback;
  };

  if (command == L"clipboard") {
    if (args.size() < 2) return Usage();
    return PutTextOnClipboard(TextArgument(args[1])) ? 0 : Fail("cannot set the clipboard");
  }
  if (command == L"clipboard-empty") return PutTextOnClipboard(std::wstring()) ? 0 : Fail("cannot open the clipboard");
  if (command == L"btnface" || command == L"syscolour") {
    const COLORREF colour = GetSysColor(command == L"btnface" ? COLOR_BTNFACE : static_cast<int>(number(1, 0)));
    Print(std::to_string(GetRValue(colour)) + " " + std::to_string(GetGValue(colour)) + " " +
          std::to_string(GetBValue(colour)) + "\n");
    return 0;
  }
  if (command == L"wait-window") {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(number(1, 20000));
    while (!(main = FindMainWindow())) {
      if (static_cast<LONG>(GetTickCount() - deadline) > 0) return Fail("no main window");
      Sleep(50);
    }
    Print(std::to_string(reinterpret_cast<INT_PTR>(main)) + "\n");
    return 0;
  }

  if (!main) main = FindMainWindow();
  if (!main || !IsWindow(main)) return Fail("no main window");
  auto control_arg = [&](size_t i) -> HWND {
    return args.size() > i ? GetDlgItem(main, static_cast<int>(std::wcstol(args[i].c_str(), nullptr, 10))) : nullptr;
  };

  if (command == L"rect") {
    RECT rect;
    GetWindowRect(main, &rect);
    Print(std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right - rect.left) +
          " " + std::to_string(rect.bottom - rect.top) + "\n");
    return 0;
  }
  if (command == L"window") {
    RECT outer, client;
    GetWindowRect(main, &outer);
    GetClientRect(main, &client);
    auto rect_json = [](const RECT& r) {
      return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right - r.left) +
             ", " + std::to_string(r.bottom - r.top) + "]";
    };
    Print("{\"caption\": " + JsonString(ToUtf8(WindowText(main))) + ", \"outer\": " + rect_json(outer) +
          ", \"client\": " + rect_json(client) +
          ", \"style\": " + std::to_string(static_cast<unsigned long>(GetWindowLongW(main, GWL_STYLE))) +
          ", \"exstyle\": " + std::to_string(static_cast<unsigned long>(GetWindowLongW(main, GWL_EXSTYLE))) +
          ", \"screen\": [" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + ", " +
          std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "]" +
          ", \"x11_window\": " +
          std::to_string(reinterpret_cast<uintptr_t>(GetPropW(main, L"__wine_x11_whole_window"))) + "}\n");
    return 0;
  }
  if (command == L"popup") {
    DWORD main_process = 0;
    GetWindowThreadProcessId(main, &main_process);
    bool open = false;
    for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu;
         menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) {
      DWORD process = 0;
      GetWindowThreadProcessId(menu, &process);
      if (process == main_process && IsWindowVisible(menu)) open = true;
    }
    Print(open ? "1\n" : "0\n");
    return 0;
  }
  if (command == L"count-colour") {
    HWND control = control_arg(1);
    if (!control || args.size() < 5) return Fail("no such control");
    const COLORREF wanted = RGB(number(2, 0), number(3, 0), number(4, 0));
    RECT client;
    GetClientRect(control, &client);
    POINT origin = {0, 0};
    ClientToScreen(control, &origin);
    // One copy of the screen area, then a count over its pixels.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return Fail("cannot copy the screen");
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    long count = 0;
    const auto* pixels = static_cast<const uint8_t*>(bits);
    for (long i = 0; i < static_cast<long>(client.right) * client.bottom; ++i) {
      const uint8_t* p = pixels + i * 4;
      if (RGB(p[2], p[1], p[0]) == wanted) ++count;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Print(std::to_string(count) + "\n");
    return 0;
  }
  if (command == L"client-origin") {
    const POINT origin = ClientOrigin(main);
    Print(std::to_string(origin.x) + " " + std::to_string(origin.y) + "\n");
    return 0;
  }
  if (command == L"controls") {
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t class_name[64] = {};
      GetClassNameW(child, class_name, 64);
      const RECT rect = ChildRect(main, child);
      Print("{\"id\": " + std::to_string(GetDlgCtrlID(child)) + ", \"class\": " + JsonString(ToUtf8(class_name)) +
            ", \"x\": " + std::to_string(rect.left) + ", \"y\": " + std::to_string(rect.top) +
            ", \"w\": " + std::to_string(rect.right - rect.left) + ", \"h\": " + std::to_string(rect.bottom - rect.top) +
            ", \"style\": " + std::to_string(static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE))) +
            ", \"exstyle\": " + std::to_string(static_cast<unsigned long>(GetWindowLongW(child, GWL_EXSTYLE))) +
            ", \"visible\": " + (IsWindowVisible(child) ? "true" : "false") +
            ", \"enabled\": " + (IsWindowEnabled(child) ? "true" : "false") +
            ", \"text\": " + JsonString(ToUtf8(WindowText(child))) + "}\n");
    }
    return 0;
  }
  if (command == L"gettext") {
    HWND control = control_arg(1);
    if (!control) return Fail("no such control");
    Print(ToUtf8(WindowText(control)));
    return 0;
  }
  if (command == L"progress" || command == L"send") {
    HWND control = control_arg(1);
    if (!control) return Fail("no such control");
    const UINT message = command == L"progress" ? PBM_GETPOS : static_cast<UINT>(number(2, 0));
    const LRESULT result = SendMessageW(control, message, static_cast<WPARAM>(number(3, 0)),
                                        static_cast<LPARAM>(number(4, 0)));
    Print(std::to_string(static_cast<long long>(result)) + "\n");
    return 0;
  }
  if (command == L"settext") {
    HWND control = control_arg(1);
    if (!control || args.size() < 3) return Fail("no such control");
    const std::wstring text = TextArgument(args[2]);
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
  }
  if (command == L"click" || command == L"dblclick") {
    HWND control = control_arg(1);
    if (!control) return Fail("no such control");
    const bool right = command == L"dblclick" && args.size() > 2 && args[2] == L"right";
    const size_t point_at = command == L"click" ? 2 : (args.size() > 2 && !iswdigit(args[2][0]) ? 3 : 2);
    BringToFront(main);
    Clicks(ScreenPoint(control, args, point_at), command == L"click" ? 1 : 2, right);
    Sleep(100);
    return 0;
  }
  if (command == L"key") {
    if (args.size() < 2) return Usage();
    const WORD vk = static_cast<WORD>(number(1, 0));
    const bool shift = args.size() > 2 && args[2] == L"shift";
    BringToFront(main);
    std::vector<INPUT> inputs;
    if (shift) inputs.push_back(KeyInput(VK_SHIFT, false));
    inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(vk, true));
    if (shift) inputs.push_back(KeyInput(VK_SHIFT, true));
    SendInputs(inputs);
    Sleep(100);
    return 0;
  }
  if (command == L"focused") {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return Fail("no thread information");
    Print(std::to_string(info.hwndFocus && info.hwndFocus != main ? GetDlgCtrlID(info.hwndFocus) : 0) + "\n");
    return 0;
  }
  if (command == L"pixel") {
    HWND control = control_arg(1);
    if (!control || args.size() < 4) return Fail("no such control");
    const POINT at = ScreenPoint(control, args, 2);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    if (colour == CLR_INVALID) return Fail("cannot read the screen");
    Print(std::to_string(GetRValue(colour)) + " " + std::to_string(GetGValue(colour)) + " " +
          std::to_string(GetBValue(colour)) + "\n");
    return 0;
  }
  if (command == L"dialog-text") {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(number(1, 20000));
    HWND dialog;
    while (!(dialog = FindDialogOf(main))) {
      if (static_cast<LONG>(GetTickCount() - deadline) > 0) return Fail("no message box");
      Sleep(50);
    }
    Print(DialogText(dialog) + "\n");
    return 0;
  }
  if (command == L"dialog-ok") {
    HWND dialog = FindDialogOf(main);
    if (!dialog) return Fail("no message box");
    HWND ok = GetDlgItem(dialog, IDOK);
    if (!ok) return Fail("no OK button");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    return 0;
  }
  return Usage();
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  return Run(args);
}
