#include "converter/deploy_path.h"

#include "common/safe_name.h"

Text ConverterPath(const Text& run_directory, const Text& title) {
  return run_directory + "\\" + SafeFolderName(title) + "\\" + "FreePic2Pdf.exe";
}

Text CatalogueAddress() { return Text("http://") + SITE_HOST + "/jiaocai/"; }
