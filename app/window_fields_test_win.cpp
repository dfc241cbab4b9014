#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <string>
#include <thread>

#include "app/control_table.h"
#include "app/main_window_win.h"
#include "common/gbk_win.h"
#include "common/picture/picture_fixtures.h"

namespace {

// One window for all tests, like the program's; never destroyed while workers may hold it.
MainWindow& TheWindow() {
  static MainWindow* window = [] {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    auto* created = new MainWindow(GetModuleHandleW(nullptr));
    EXPECT_TRUE(created->Create());
    return created;
  }();
  return *window;
}

HWND ControlOf(Control control) { return GetDlgItem(TheWindow().hwnd(), ControlId(control)); }

Text ShownText(Control control) {
  HWND window = ControlOf(control);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return WideToGbk(text);
}

int ShownPosition() { return static_cast<int>(SendMessageW(ControlOf(Control::进度条), PBM_GETPOS, 0, 0)); }

// Runs work on a worker thread while this, the window thread, keeps handling messages.
void OnWorker(const std::function<void(FormFields&)>& work) {
  FormFields& form = TheWindow().fields();  // made here first: a window belongs to its creating thread
  std::atomic<bool> done{false};
  const DWORD window_thread = GetCurrentThreadId();
  std::thread worker([&] {
    work(form);
    done = true;
    PostThreadMessageW(window_thread, WM_NULL, 0, 0);
  });
  while (!done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  worker.join();
}

void PumpUntil(const std::function<bool()>& condition) {
  const DWORD deadline = GetTickCount() + 10000;
  while (!condition() && static_cast<LONG>(GetTickCount() - deadline) < 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

// A page longer than any default edit limit, with lines ending in LF only, as served.
Text LongPage() {
  Text page;
  while (page.size() < 100000) page += "<div class=\"page\"><a href=\"/jiaocai/a.html\">\xd3\xef\xce\xc4</a></div>\n";
  return page + "\xb9\xb2" "5\xd2\xb3";
}

Bytes Png(const Image& image) { return MakePng(image); }
ByteString AsByteString(const Bytes& bytes) { return ByteString(bytes.begin(), bytes.end()); }

}  // namespace

TEST(WindowFormFields, WorkerTextsGoThroughTheControls) {
  const struct {
    Control control;
    Text text;
  } cases[] = {
      {Control::书名框, "\xd3\xef\xce\xc4\xd2\xbb\xc4\xea\xbc\xb6"},  // 语文一年级
      {Control::总页码框, "120"},
      {Control::下载链接框, "http://" IMAGE_HOST "/img/a/b/"},
      {Control::览卷源代码框, LongPage()},
      {Control::进度标签, "3\xb8\xf6"},                                         // 3个
      {Control::试读地址框, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.control));
    Text read_back = "unchanged";
    OnWorker([&](FormFields& form) {
      form.WriteText(c.control, c.text);
      read_back = form.ReadText(c.control);
    });
    EXPECT_EQ(read_back, c.text);
    EXPECT_EQ(ShownText(c.control), c.text);
  }
}

TEST(WindowFormFields, TheWindowThreadItselfCallsDirectly) {
  FormFields& form = TheWindow().fields();
  form.WriteText(Control::编辑框_线程数, "7");
  EXPECT_EQ(form.ReadText(Control::编辑框_线程数), "7");
  EXPECT_EQ(ShownText(Control::编辑框_线程数), "7");
  form.WriteProgress(Control::进度条, 42);
  EXPECT_EQ(ShownPosition(), 42);
}

TEST(WindowFormFields, ProgressIsClampedTo0Through100) {
  const struct {
    long long written;
    int shown;
  } cases[] = {{0, 0}, {55, 55}, {100, 100}, {150, 100}, {32767, 100}, {40000, 100},
               {-3, 0}, {LLONG_MIN, 0}, {LLONG_MAX, 100}, {1, 1}};
  for (const auto& c : cases) {
    OnWorker([&](FormFields& form) { form.WriteProgress(Control::进度条, c.written); });
    EXPECT_EQ(ShownPosition(), c.shown) << c.written;
  }
}

TEST(WindowFormFields, PicturesAreDecodedAndShownOrClearedWithoutAMessage) {
  const PictureBox& box = TheWindow().picture_box();
  const Image pattern = TestPattern(6, 4);
  OnWorker([&](FormFields& form) { form.WritePicture(Control::图片框1, AsByteString(Png(pattern))); });
  ASSERT_EQ(box.picture().frames.size(), 1u);
  EXPECT_EQ(box.picture().width, 6);
  EXPECT_EQ(box.picture().height, 4);
  // Held as the screen's BGRA: the pattern's top left pixel, blue first.
  const Rgba first = pattern.At(0, 0);
  const std::vector<uint8_t>& pixels = box.picture().frames[0].rgba;
  EXPECT_EQ(pixels[0], first.b);
  EXPECT_EQ(pixels[1], first.g);
  EXPECT_EQ(pixels[2], first.r);

  const ByteString broken[] = {ByteString(), ByteString("\x89PNG\r\n\x1a\n broken", 16),
                               ByteString("not a picture at all"), ByteString("GIF8")};
  for (const ByteString& bytes : broken) {
    TheWindow().fields().WritePicture(Control::图片框1, AsByteString(Png(pattern)));
    ASSERT_EQ(box.picture().frames.size(), 1u);
    OnWorker([&](FormFields& form) { form.WritePicture(Control::图片框1, bytes); });
    EXPECT_TRUE(box.picture().frames.empty()) << bytes.size();
  }
}

TEST(WindowFormFields, AnimatedPicturesPlayTheirFrames) {
  GifFrame red, blue;
  red.width = blue.width = 2;
  red.height = blue.height = 2;
  red.indices = {0, 0, 0, 0};
  blue.indices = {1, 1, 1, 1};
  red.delay_cs = blue.delay_cs = 5;
  const Bytes gif = MakeGif(2, 2, {255, 0, 0, 0, 0, 255}, {red, blue});
  TheWindow().fields().WritePicture(Control::图片框1, AsByteString(gif));
  const PictureBox& box = TheWindow().picture_box();
  ASSERT_EQ(box.picture().frames.size(), 2u);
  EXPECT_EQ(box.current_frame(), 0u);
  PumpUntil([&] { return box.current_frame() == 1; });
  EXPECT_EQ(box.current_frame(), 1u);
  PumpUntil([&] { return box.current_frame() == 0; });
  EXPECT_EQ(box.current_frame(), 0u);
  TheWindow().fields().WritePicture(Control::图片框1, ByteString());
  EXPECT_TRUE(box.picture().frames.empty());
}

// Last: destroys the window. Afterwards workers' writes are dropped and reads give the
// empty text, without waiting on the window that is gone.
TEST(WindowFormFields, ZzAfterShutDownFieldsAreIgnored) {
  FormFields& form = TheWindow().fields();
  form.WriteText(Control::书名框, "before");
  DestroyWindow(TheWindow().hwnd());
  EXPECT_FALSE(IsWindow(TheWindow().hwnd()));
  Text read_back = "unchanged";
  std::thread worker([&] {
    form.WriteText(Control::书名框, "after");
    form.WriteProgress(Control::进度条, 50);
    form.WritePicture(Control::图片框1, AsByteString(Png(TestPattern(2, 2))));
    read_back = form.ReadText(Control::书名框);
  });
  worker.join();  // no message handling here: a worker that waited for the window would hang
  EXPECT_EQ(read_back, "");
  EXPECT_EQ(form.ReadText(Control::书名框), "");
}
