#pragma once
#include <mutex>
#include <map>

#include "common/text.h"

// The controls of the main window, in the order of the form. Their names are the form's own.
enum class Control {
  标签2,
  图片框1,
  按钮1,
  进度条,
  下载链接框,
  标签1,
  书名框,
  标签25,
  总页码框,
  标签12,
  试读地址框,
  览卷源代码框,
  透明标签2,
  编辑框_线程数,
  按钮2,
  进度标签,
  下载按钮,
};

// The values of the window's controls, reached by control name from any thread.
// Every read gives the control's current value as a new text.
class FormFields {
 public:
  virtual ~FormFields() = default;
  // The text of an edit box.
  virtual Text ReadText(Control control) = 0;
  // The text of an edit box or the caption of a label.
  virtual void WriteText(Control control, const Text& text) = 0;
  // The position of the progress bar; clamped as ClampProgressPosition says.
  virtual void WriteProgress(Control control, long long position) = 0;
  // The picture of the picture box: a byte string holding an image file; empty clears it.
  virtual void WritePicture(Control control, const ByteString& picture) = 0;
};

// First to 0..32767, then to the bar's range 0..100.
inline int ClampProgressPosition(long long position) {
  if (position < 0) return 0;
  if (position > 32767) position = 32767;
  return position > 100 ? 100 : static_cast<int>(position);
}

// Form fields held as plain named values, for use before (or without) a window.
class PlainFormFields : public FormFields {
 public:
  Text ReadText(Control control) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_[control];
  }
  void WriteText(Control control, const Text& text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    texts_[control] = text;
  }
  void WriteProgress(Control control, long long position) override {
    std::lock_guard<std::mutex> lock(mutex_);
    progress_[control] = ClampProgressPosition(position);
  }
  void WritePicture(Control control, const ByteString& picture) override {
    std::lock_guard<std::mutex> lock(mutex_);
    pictures_[control] = picture;
  }
  int Progress(Control control) {
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_[control];
  }
  ByteString Picture(Control control) {
    std::lock_guard<std::mutex> lock(mutex_);
    return pictures_[control];
  }

 private:
  std::mutex mutex_;
  std::map<Control, Text> texts_;
  std::map<Control, int> progress_;
  std::map<Control, ByteString> pictures_;
};
