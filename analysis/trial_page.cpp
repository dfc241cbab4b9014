#include "analysis/trial_page.h"

#include "analysis/clipboard.h"
#include "analysis/http_fetch.h"
#include "analysis/text_markers.h"
#include "analysis/utf8_to_gbk.h"
#include "common/book_folder.h"
#include "common/files.h"
#include "common/safe_name.h"

namespace {
const Text kTitleStart = "<title>";
const Text kTitleEnd = "</title>";
const Text kPageCountStart = "\xb9\xb2";  // 共
const Text kPageCountEnd = "\xd2\xb3";    // 页
const Text kIndexCover = "index.jpg";
const Text kFirstPageCover = "1.jpg";
const Text kPicturePathMarker = Text("src=\"//") + IMAGE_HOST + "/img/";
const Text kPictureLinkPrefix = Text("http://") + IMAGE_HOST + "/img/";
const Text kSeparator = "\\";
}  // namespace

void AnalyzeTrialPage(FormFields& form) {
  form.WriteText(Control::试读地址框, ReadClipboardText());

  const ByteString page_bytes = HttpFetch(form.ReadText(Control::试读地址框));
  form.WriteText(Control::览卷源代码框, Utf8ToGbk(page_bytes));

  form.WriteText(Control::书名框, TextBetween(form.ReadText(Control::览卷源代码框), kTitleStart, kTitleEnd));
  form.WriteText(Control::总页码框,
                 TextBetween(form.ReadText(Control::览卷源代码框), kPageCountStart, kPageCountEnd));

  // The cover is index.jpg when the page names it anywhere, else the first page.
  const Text cover_name =
      FindText(form.ReadText(Control::览卷源代码框), kIndexCover) != -1 ? kIndexCover : kFirstPageCover;
  const Text picture_path = TextBetween(form.ReadText(Control::览卷源代码框), kPicturePathMarker, cover_name);
  form.WriteText(Control::下载链接框, kPictureLinkPrefix + picture_path);
  const ByteString cover = HttpFetch(form.ReadText(Control::下载链接框) + cover_name);
  form.WritePicture(Control::图片框1, cover);

  // The title names the folder only through the safe-name rule, so a hostile title can
  // neither leave the run directory nor make a name Windows cannot hold.
  const Text folder = RunDirectory() + kSeparator + SafeFolderName(form.ReadText(Control::书名框)) + kSeparator;
  ReplaceBookFolder(folder);
  CreateOneDirectory(folder);
}
