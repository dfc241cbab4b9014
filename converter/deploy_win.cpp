#include <windows.h>
#include <shellapi.h>

#include "common/files.h"
#include "common/gbk_win.h"
#include "converter/deploy.h"
#include "converter/deploy_path.h"

namespace {
// The converter built beside this program, linked in as RCDATA (converter_payload.rc).
ByteString ConverterPayload() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, L"FREEPIC2PDF", RT_RCDATA);
  if (found == nullptr) return ByteString();
  HGLOBAL loaded = LoadResource(module, found);  // resources need no release
  const DWORD size = SizeofResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return ByteString();
  return ByteString(static_cast<const char*>(bytes), size);
}
}  // namespace

void DeployConverter(FormFields& form) {
  const Text path = ConverterPath(RunDirectory(), form.ReadText(Control::书名框));
  WriteFileBytes(path, ConverterPayload());  // failures are silent by design of the button
}

void OpenCatalogue() {
  ShellExecuteW(nullptr, L"open", GbkToWide(CatalogueAddress()).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
