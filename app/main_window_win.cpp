#include "app/main_window_win.h"

#include <utility>

#include "analysis/trial_page.h"
#include "app/controls_win.h"
#include "common/gbk_win.h"
#include "converter/deploy.h"
#include "download/download_start.h"

namespace {
constexpr wchar_t kClassName[] = L"TextbookDownloaderMainWindow";
constexpr wchar_t kIconName[] = L"DEFAULT_ICON";
// Asks the window thread to run a piece of work; lparam points to a std::function<void()>.
constexpr UINT kRunWorkMessage = WM_APP + 1;

COLORREF ToColorRef(const Colour& colour) { return RGB(colour.r, colour.g, colour.b); }

int ControlIndexOf(HWND control) {
  const int index = GetDlgCtrlID(control) - kFirstControlId;
  return index >= 0 && index < static_cast<int>(kControlCount) ? index : -1;
}
}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance), fields_(*this) {}

bool MainWindow::Create() {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = static_cast<HICON>(LoadImageW(instance_, kIconName, IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                     GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR | LR_SHARED));
  window_class.hIconSm = static_cast<HICON>(LoadImageW(instance_, kIconName, IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR | LR_SHARED));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kClassName;
  if (!RegisterClassExW(&window_class)) return false;
  PictureBox::RegisterWindowClass(instance_);

  // A fixed frame with caption, system menu and minimise button; created hidden.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const WindowOrigin origin = CentredWindowOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  thread_id_ = GetCurrentThreadId();
  if (!CreateWindowExW(0, kClassName, GbkToWide(kWindowCaption).c_str(), style, origin.left, origin.top,
                       kWindowWidth, kWindowHeight, nullptr, nullptr, instance_, this)) {
    return false;
  }
  CreateControls();
  OnCreated();
  return true;
}

void MainWindow::CreateControls() {
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (size_t i = 0; i < kControlCount; ++i) {
    const ControlRow& row = kControlTable[i];
    HWND control = row.kind == ControlKind::PictureBox
                       ? picture_box_.Create(hwnd_, ControlId(row.control), row.rect.x, row.rect.y, row.rect.w,
                                             row.rect.h, ControlStyle(row), ControlExStyle(row))
                       : CreateStandardControl(hwnd_, row);
    controls_[i] = control;
    if (row.background.source == Colour::Rgb) backgrounds_[i] = Brush(CreateSolidBrush(ToColorRef(row.background)));
    SetControlFont(control, font);
    if (row.kind == ControlKind::Edit) RemoveEditLimit(control);
    if (row.kind == ControlKind::ProgressBar) {
      UseSegmentedLook(control);
      SetProgressRange(control, 0, 100);
      SetProgressPosition(control, 0);
    }
    SetControlText(control, GbkToWide(row.text));
  }
  HWND address_box = ControlWindow(Control::试读地址框);
  address_box_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(address_box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AddressBoxProc)));
}

void MainWindow::OnCreated() {
  // The download module's counters of started downloads start from zero on their own, and
  // this window is created once per process, so there is nothing to reset here.
}

void MainWindow::Show(int show_command) {
  ShowWindow(hwnd_, show_command);
  UpdateWindow(hwnd_);
}

bool MainWindow::PreTranslateMessage(const MSG& message) {
  if (message.message != WM_KEYDOWN || !hwnd_) return false;
  if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
  switch (message.wParam) {
    case VK_ESCAPE:
      SendMessageW(hwnd_, WM_CLOSE, 0, 0);
      return true;
    case VK_TAB:
      MoveFocus(GetKeyState(VK_SHIFT) < 0);
      return true;
    default:
      return false;
  }
}

void MainWindow::MoveFocus(bool backwards) {
  const int count = static_cast<int>(kControlCount);
  const HWND focus = GetFocus();
  int current = focus && IsChild(hwnd_, focus) ? ControlIndexOf(focus) : -1;
  if (current < 0) current = backwards ? 0 : count - 1;
  for (int step = 1; step <= count; ++step) {
    const int index = ((current + (backwards ? -step : step)) % count + count) % count;
    const HWND candidate = controls_[static_cast<size_t>(index)];
    if (IsTabStop(kControlTable[index].kind) && IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
      SetFocus(candidate);
      if (kControlTable[index].kind == ControlKind::Edit) SelectAllText(candidate);
      return;
    }
  }
}

void MainWindow::RunOnWindowThread(const std::function<void()>& work) {
  if (closing_) return;
  if (GetCurrentThreadId() == thread_id_) {
    work();
    return;
  }
  // Fails at once, doing nothing, when the window no longer exists.
  SendMessageW(hwnd_, kRunWorkMessage, 0, reinterpret_cast<LPARAM>(&work));
}

void MainWindow::SetText(Control control, const std::wstring& text) {
  const ControlRow& row = RowOf(control);
  HWND window = ControlWindow(control);
  switch (row.kind) {
    case ControlKind::PictureBox:
    case ControlKind::ProgressBar:
      return;
    case ControlKind::TransparentLabel: {
      SetControlText(window, text);
      // It draws no background, so what lies behind it must be painted again first.
      RECT area;
      GetWindowRect(window, &area);
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
      RedrawWindow(hwnd_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return;
    }
    case ControlKind::Label:
      SetControlText(window, text);
      InvalidateRect(window, nullptr, TRUE);
      return;
    default:
      SetControlText(window, text);
      return;
  }
}

std::wstring MainWindow::GetText(Control control) { return ControlText(ControlWindow(control)); }

void MainWindow::SetProgress(Control control, int position) {
  if (RowOf(control).kind == ControlKind::ProgressBar) SetProgressPosition(ControlWindow(control), position);
}

void MainWindow::ShowPicture(Control control, Picture picture) {
  if (RowOf(control).kind == ControlKind::PictureBox) picture_box_.Show(std::move(picture));
}

LRESULT MainWindow::ControlColours(HDC dc, HWND control) {
  const int index = ControlIndexOf(control);
  if (index < 0) return 0;
  const ControlRow& row = kControlTable[index];
  SetTextColor(dc, ToColorRef(row.text_colour));
  switch (row.background.source) {
    case Colour::Rgb:
      SetBkColor(dc, ToColorRef(row.background));
      return reinterpret_cast<LRESULT>(backgrounds_[static_cast<size_t>(index)].get());
    case Colour::ButtonFace:
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case Colour::None:
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  return 0;
}

void MainWindow::OnButtonClicked(Control control) {
  switch (control) {
    case Control::下载按钮:
      StartDownload(fields_);
      break;
    case Control::按钮1:
      DeployConverter(fields_);
      break;
    case Control::按钮2:
      OpenCatalogue();
      break;
    default:
      break;
  }
}

void MainWindow::OnAddressDoubleClick() { AnalyzeTrialPage(fields_); }

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kRunWorkMessage:
      // A worker's request: the controls may be gone by the time it arrives.
      if (!closing_) (*reinterpret_cast<const std::function<void()>*>(lparam))();
      return 0;
    case WM_COMMAND: {
      const HWND control = reinterpret_cast<HWND>(lparam);
      const int index = control ? ControlIndexOf(control) : -1;
      if (index >= 0 && HIWORD(wparam) == BN_CLICKED && kControlTable[index].kind == ControlKind::Button) {
        OnButtonClicked(kControlTable[index].control);
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      if (const LRESULT brush = ControlColours(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam))) {
        return brush;
      }
      break;
    case WM_ACTIVATE:
      // Like a dialog: the control that had the focus gets it back when the window does.
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) last_focus_ = focus;
      } else if (last_focus_ && IsWindow(last_focus_)) {
        SetFocus(last_focus_);
        return 0;
      }
      break;
    case WM_DESTROY:
      // Shut-down begins: workers' field access is dropped from now on, and downloads stop
      // touching the book folder (a file write in progress is waited for).
      closing_ = true;
      EndDownloads();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* window = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    window->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return window ? window->HandleMessage(message, wparam, lparam) : DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK MainWindow::AddressBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(GetParent(hwnd), GWLP_USERDATA));
  // The analysis runs first; then the box does its own double-click handling (it selects a word).
  if (message == WM_LBUTTONDBLCLK) window->OnAddressDoubleClick();
  return CallWindowProcW(window->address_box_proc_, hwnd, message, wparam, lparam);
}
