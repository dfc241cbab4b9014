#pragma once
// For tests: plain form fields that also keep every caption and bar position written.
#include <functional>
#include <mutex>
#include <vector>

#include "app/form_fields.h"

class RecordingForm : public PlainFormFields {
 public:
  void WriteText(Control control, const Text& text) override {
    if (control == Control::进度标签) {
      std::lock_guard<std::mutex> lock(record_mutex_);
      captions_.push_back(text);
    }
    PlainFormFields::WriteText(control, text);
    if (control == Control::进度标签 && on_caption) on_caption(text);
  }
  void WriteProgress(Control control, long long position) override {
    if (control == Control::进度条) {
      std::lock_guard<std::mutex> lock(record_mutex_);
      positions_.push_back(position);
    }
    PlainFormFields::WriteProgress(control, position);
  }
  std::vector<Text> Captions() {
    std::lock_guard<std::mutex> lock(record_mutex_);
    return captions_;
  }
  std::vector<long long> Positions() {
    std::lock_guard<std::mutex> lock(record_mutex_);
    return positions_;
  }

  // Called on the writing thread after each caption, to act at a given point of a download.
  std::function<void(const Text& caption)> on_caption;

 private:
  std::mutex record_mutex_;
  std::vector<Text> captions_;
  std::vector<long long> positions_;
};

