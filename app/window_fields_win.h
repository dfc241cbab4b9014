#pragma once
#include "app/form_fields.h"

class MainWindow;

// The form fields backed by the window's controls. Any thread may call them; text changes,
// edit reads and the progress position are carried out by the window thread while the
// caller waits. A picture is decoded on the calling thread. Once the window is being
// destroyed, writes are ignored and reads give the empty text.
class WindowFormFields : public FormFields {
 public:
  explicit WindowFormFields(MainWindow& window) : window_(window) {}
  Text ReadText(Control control) override;
  void WriteText(Control control, const Text& text) override;
  void WriteProgress(Control control, long long position) override;
  void WritePicture(Control control, const ByteString& picture) override;

 private:
  MainWindow& window_;
};
