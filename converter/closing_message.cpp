#include "converter/closing_message.h"

namespace {
// A message box must stay on the screen; the rest of a long list is counted.
constexpr size_t kMaxListedSkips = 15;

std::string SkippedList(const ConvertResult& result) {
  if (result.skipped.empty()) return std::string();
  std::string text = "\n\n以下 " + std::to_string(result.skipped.size()) + " 个文件无法读取，已跳过：";
  for (size_t i = 0; i < result.skipped.size() && i < kMaxListedSkips; ++i) {
    text += "\n" + result.skipped[i].name + "（" + result.skipped[i].reason + "）";
  }
  if (result.skipped.size() > kMaxListedSkips) {
    text += "\n……另有 " + std::to_string(result.skipped.size() - kMaxListedSkips) + " 个";
  }
  return text;
}
}  // namespace

std::string ClosingMessage(const ConvertResult& result, const std::string& output) {
  if (result.written) {
    return "已生成 PDF，共 " + std::to_string(result.pages) + " 页：\n" + output + SkippedList(result);
  }
  return "没有生成 PDF：" + result.error + SkippedList(result);
}

std::string NothingToMergeMessage(const std::string& folder) {
  return "没有可合并的图片：此文件夹中没有 JPEG、PNG、GIF 或 BMP 图片。\n" + folder;
}
