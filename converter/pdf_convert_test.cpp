// Whole runs of the freepic2pdf tool on real files, checked with the usual PDF tools:
// qpdf for structure, pdfimages for the JPEG bytes, pdftoppm for the pixels.
#include "converter/pdf_convert.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "converter/test_pictures.h"

namespace fs = std::filesystem;

namespace {
struct ToolRun {
  int exit_code = -1;
  std::string output;  // stdout and stderr together
};

ToolRun RunCommand(const std::string& command) {
  ToolRun run;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quote(const fs::path& path) {
  std::string quoted = "'";
  for (char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class Folder {
 public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "freepic2pdf_test_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~Folder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

ToolRun Convert(const std::string& args) { return RunCommand(std::string(FREEPIC2PDF_PATH) + " " + args); }

void ExpectQpdfAccepts(const fs::path& pdf) {
  const ToolRun check = RunCommand("qpdf --check " + Quote(pdf));
  EXPECT_EQ(check.exit_code, 0) << check.output;
}

// Page sizes in points, from pdfinfo.
std::vector<std::pair<double, double>> PageSizes(const fs::path& pdf) {
  std::vector<std::pair<double, double>> sizes;
  std::istringstream lines(RunCommand("pdfinfo -f 1 -l 100000 " + Quote(pdf)).output);
  std::string line;
  while (std::getline(lines, line)) {
    double width = 0, height = 0;
    int page = 0;
    if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &page, &width, &height) == 3) {
      sizes.emplace_back(width, height);
    }
  }
  return sizes;
}

// One page rendered by pdftoppm, read back at the picture's own pixel size. Poppler
// smooths pictures drawn at less than four times their size, so the page is drawn at
// 4 x 96 dpi, where it is not, and the centre of each 4 x 4 block is taken.
Pixels RenderPage(const fs::path& pdf, int page, const fs::path& prefix) {
  const ToolRun run = RunCommand("pdftoppm -r 384 -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                 " -singlefile " + Quote(pdf) + " " + Quote(prefix));
  EXPECT_EQ(run.exit_code, 0) << run.output;
  const std::string ppm = ReadFile(prefix.string() + ".ppm");
  int width = 0, height = 0, max_value = 0, consumed = 0;
  if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &width, &height, &max_value, &consumed) != 3 || width % 4 ||
      height % 4) {
    ADD_FAILURE() << "no usable PPM from pdftoppm";
    return Pixels();
  }
  const size_t start = static_cast<size_t>(consumed) + 1;
  if (ppm.size() < start + size_t(width) * height * 3) {
    ADD_FAILURE() << "short PPM";
    return Pixels();
  }
  Pixels pixels{width / 4, height / 4, {}};
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      const size_t at = start + (size_t(4 * y + 2) * width + (4 * x + 2)) * 3;
      for (int c = 0; c < 3; ++c) pixels.rgba.push_back(static_cast<uint8_t>(ppm[at + c]));
      pixels.rgba.push_back(255);
    }
  }
  return pixels;
}

// The source as it shows on white paper.
Pixels OnWhite(const Pixels& source) {
  Pixels shown = source;
  for (size_t i = 0; i < shown.rgba.size(); i += 4) {
    const int alpha = shown.rgba[i + 3];
    for (int c = 0; c < 3; ++c) shown.rgba[i + c] = static_cast<uint8_t>((shown.rgba[i + c] * alpha + 255 * (255 - alpha) + 127) / 255);
    shown.rgba[i + 3] = 255;
  }
  return shown;
}

// Largest difference of any colour sample; -1 when the sizes differ.
int LargestDifference(const Pixels& a, const Pixels& b) {
  if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) return -1;
  int largest = 0;
  for (size_t i = 0; i < a.rgba.size(); ++i) {
    if (i % 4 == 3) continue;
    largest = std::max(largest, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
  }
  return largest;
}
}  // namespace

TEST(PdfConvert, JpegBytesGoIntoThePdfUnchanged) {
  Folder folder;
  struct Case {
    const char* name;
    JpegOptions options;
    int width, height;
    double page_width, page_height;
  };
  const Case cases[] = {
      {"rgb.jpg", {3, false, 1, 300, 300}, 300, 150, 72, 36},
      {"grey.png", {1, false, 1, 72, 72}, 40, 50, 40, 50},     // JPEG under a .png name
      {"progressive", {3, true, 0, 1, 1}, 96, 48, 72, 36},      // no resolution: 96 dpi
      {"cm.jpeg", {3, false, 2, 100, 50}, 254, 127, 72, 72},   // dots per cm, unequal
  };
  std::string inputs;
  for (const Case& c : cases) {
    WriteFile(folder / c.name, MakeJpeg(PatternPixels(c.width, c.height, 7), c.options));
    inputs += Quote(folder / c.name) + " ";
  }
  const fs::path pdf = folder / "out.pdf";
  const ToolRun run = Convert(inputs + "-o " + Quote(pdf));
  ASSERT_EQ(run.exit_code, 0) << run.output;
  ExpectQpdfAccepts(pdf);
  EXPECT_FALSE(fs::exists(TemporaryPathFor(pdf.string())));

  const ToolRun extract = RunCommand("pdfimages -j " + Quote(pdf) + " " + Quote(folder / "x"));
  ASSERT_EQ(extract.exit_code, 0) << extract.output;
  const auto sizes = PageSizes(pdf);
  ASSERT_EQ(sizes.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "x-%03zu.jpg", i);
    EXPECT_EQ(ReadFile(folder / name), ReadFile(folder / cases[i].name)) << cases[i].name;
    EXPECT_NEAR(sizes[i].first, cases[i].page_width, 0.01) << cases[i].name;
    EXPECT_NEAR(sizes[i].second, cases[i].page_height, 0.01) << cases[i].name;
  }
}

TEST(PdfConvert, CmykJpegKeepsItsBytesAndShowsItsColours) {
  Folder folder;
  const Pixels pixels = PatternPixels(48, 32, 3, false, true);
  JpegOptions options;
  options.components = 4;
  options.quality = 100;
  WriteFile(folder / "cmyk.jpg", MakeJpeg(pixels, options));
  const fs::path pdf = folder / "cmyk.pdf";
  const ToolRun run = Convert(Quote(folder / "cmyk.jpg") + " " + Quote(pdf));
  ASSERT_EQ(run.exit_code, 0) << run.output;
  ExpectQpdfAccepts(pdf);
  const ToolRun extract = RunCommand("pdfimages -all " + Quote(pdf) + " " + Quote(folder / "x"));
  ASSERT_EQ(extract.exit_code, 0) << extract.output;
  EXPECT_EQ(ReadFile(folder / "x-000.jpg"), ReadFile(folder / "cmyk.jpg"));
  // Adobe stores CMYK inverted; shown without the inversion the page would be a negative.
  // Viewers mix inks each their own way, so only light and dark are compared: pixels
  // light in the source must show far lighter than dark ones.
  const Pixels shown = RenderPage(pdf, 1, folder / "page");
  ASSERT_EQ(shown.rgba.size(), pixels.rgba.size());
  double dark = 0, light = 0;
  int dark_count = 0, light_count = 0;
  for (size_t i = 0; i < shown.rgba.size(); i += 4) {
    if (pixels.rgba[i] < 64) dark += shown.rgba[i], ++dark_count;
    if (pixels.rgba[i] > 192) light += shown.rgba[i], ++light_count;
  }
  ASSERT_GT(dark_count, 0);
  ASSERT_GT(light_count, 0);
  EXPECT_GT(light / light_count - dark / dark_count, 120);
}

TEST(PdfConvert, PngPagesShowTheirPixels) {
  struct Case {
    const char* what;
    PngOptions options;
    Pixels pixels;
  };
  const Pixels plain = PatternPixels(37, 23, 1);
  const Pixels grey = PatternPixels(37, 23, 2, false, true);
  const Pixels alpha = PatternPixels(37, 23, 3, true);
  const Pixels grey_alpha = PatternPixels(37, 23, 4, true, true);
  PngOptions keyed{2, 8};
  keyed.color_key = true;
  keyed.key_red = plain.rgba[0], keyed.key_green = plain.rgba[1], keyed.key_blue = plain.rgba[2];
  Pixels keyed_pixels = plain;
  for (size_t i = 0; i < keyed_pixels.rgba.size(); i += 4) {
    if (keyed_pixels.rgba[i] == plain.rgba[0] && keyed_pixels.rgba[i + 1] == plain.rgba[1] &&
        keyed_pixels.rgba[i + 2] == plain.rgba[2]) {
      keyed_pixels.rgba[i + 3] = 0;
    }
  }
  const std::vector<Case> cases = {
      {"rgb", {2, 8}, plain},
      {"grey", {0, 8}, grey},
      {"rgb colour key", keyed, keyed_pixels},
      {"palette 1 bit", {3, 1}, FewColourPixels(37, 23, 2)},
      {"palette 2 bits", {3, 2}, FewColourPixels(37, 23, 4)},
      {"palette 4 bits", {3, 4}, FewColourPixels(37, 23, 11)},
      {"palette 8 bits", {3, 8}, FewColourPixels(37, 23, 16)},
      {"palette with alpha", {3, 8}, FewColourPixels(37, 23, 7, true)},
      {"rgba", {6, 8}, alpha},
      {"grey alpha", {4, 8}, grey_alpha},
      {"interlaced", {2, 8, true}, plain},
      {"interlaced rgba", {6, 8, true}, alpha},
      {"16 bits", {2, 16}, plain},
      {"16 bits rgba", {6, 16}, alpha},
      {"16 bits grey", {0, 16}, grey},
  };
  Folder folder;
  std::string inputs;
  for (size_t i = 0; i < cases.size(); ++i) {
    const fs::path file = folder / (std::to_string(i) + ".png");
    WriteFile(file, MakePng(cases[i].pixels, cases[i].options));
    inputs += Quote(file) + " ";
  }
  const fs::path pdf = folder / "png.pdf";
  const ToolRun run = Convert(inputs + Quote(pdf));
  ASSERT_EQ(run.exit_code, 0) << run.output;
  ExpectQpdfAccepts(pdf);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Pixels shown = RenderPage(pdf, static_cast<int>(i + 1), folder / "page");
    EXPECT_LE(LargestDifference(shown, OnWhite(cases[i].pixels)), 2) << cases[i].what;
    EXPECT_GE(LargestDifference(shown, OnWhite(cases[i].pixels)), 0) << cases[i].what;
  }
  // Plain PNG data is not recompressed: its IDAT stream is in the PDF as it stands.
  const std::string rgb_png = ReadFile(folder / "0.png");
  const size_t idat = rgb_png.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  EXPECT_NE(ReadFile(pdf).find(rgb_png.substr(idat + 4, 64)), std::string::npos);
}

TEST(PdfConvert, GifAndBmpPagesShowTheirPixels) {
  Folder folder;
  const Pixels gif_pixels = FewColourPixels(29, 31, 12, true);
  const Pixels bmp_pixels = PatternPixels(29, 31, 9);
  WriteFile(folder / "a.gif", MakeGif(gif_pixels));
  WriteFile(folder / "b.bmp", MakeBmp(bmp_pixels, 3780));  // 96 dpi
  const fs::path pdf = folder / "gb.pdf";
  const ToolRun run = Convert(Quote(folder / "a.gif") + " " + Quote(folder / "b.bmp") + " " + Quote(pdf));
  ASSERT_EQ(run.exit_code, 0) << run.output;
  ExpectQpdfAccepts(pdf);
  Pixels gif_expected = gif_pixels;
  for (size_t i = 3; i < gif_expected.rgba.size(); i += 4) gif_expected.rgba[i] = gif_expected.rgba[i] ? 255 : 0;
  const Pixels gif_shown = RenderPage(pdf, 1, folder / "p");
  EXPECT_EQ(LargestDifference(gif_shown, OnWhite(gif_expected)), 0);
  const Pixels bmp_shown = RenderPage(pdf, 2, folder / "p");
  EXPECT_LE(LargestDifference(bmp_shown, bmp_pixels), 1);
  EXPECT_GE(LargestDifference(bmp_shown, bmp_pixels), 0);
}

TEST(PdfConvert, FolderGivesItsPicturesInNaturalOrderAndSkipsBrokenOnes) {
  Folder books;
  const fs::path folder = books / "数学 七年级";
  fs::create_directory(folder);
  fs::create_directory(folder / "sub.png");
  // Each picture has a size of its own, so the page sizes show the order.
  WriteFile(folder / "01.jpg", MakeJpeg(PatternPixels(96, 10, 1)));
  WriteFile(folder / "1.png", MakeJpeg(PatternPixels(96, 20, 2)));
  WriteFile(folder / "2.png", MakePng(PatternPixels(96, 30, 3)));
  WriteFile(folder / "10.png", MakeJpeg(PatternPixels(96, 40, 4)));
  WriteFile(folder / "11.png", MakeBmp(PatternPixels(96, 50, 5)));
  const std::string cut = MakeJpeg(PatternPixels(96, 60, 6));
  WriteFile(folder / "3.png", cut.substr(0, cut.size() / 2));
  const std::string png = MakePng(PatternPixels(96, 70, 7));
  WriteFile(folder / "4.png", png.substr(0, png.size() - 20));
  WriteFile(folder / "notes.txt", "not a picture");
  WriteFile(folder / "FreePic2Pdf.exe", std::string("MZ\x90\0\3\0\0\0", 8) + std::string(1000, 'x'));

  const ToolRun run = Convert(Quote(folder));
  EXPECT_EQ(run.exit_code, 2) << run.output;
  EXPECT_NE(run.output.find("skipped 3.png"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("skipped 4.png"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("notes.txt"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("FreePic2Pdf.exe"), std::string::npos) << run.output;
  const fs::path pdf = folder / "数学 七年级.pdf";
  ASSERT_TRUE(fs::exists(pdf));
  ExpectQpdfAccepts(pdf);
  const auto sizes = PageSizes(pdf);
  ASSERT_EQ(sizes.size(), 5u);
  const double heights[] = {7.5, 15, 22.5, 30, 37.5};  // 01.jpg, 1.png, 2.png, 10.png, 11.png
  for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(sizes[i].second, heights[i], 0.01) << i;
  EXPECT_FALSE(fs::exists(TemporaryPathFor(pdf.string())));

  // A second run also reads past the PDF it made before, and replaces it.
  const ToolRun again = Convert(Quote(folder));
  EXPECT_EQ(again.exit_code, 2) << again.output;
  EXPECT_EQ(PageSizes(pdf).size(), 5u);
}

TEST(PdfConvert, NoPdfWhenNothingCanBeMerged) {
  Folder folder;
  WriteFile(folder / "notes.txt", "text");
  const fs::path pdf = folder / "out.pdf";
  ToolRun run = Convert(Quote(folder.path()) + " -o " + Quote(pdf));
  EXPECT_EQ(run.exit_code, 1) << run.output;
  EXPECT_FALSE(fs::exists(pdf));

  // Only broken pictures: an earlier PDF under the name stays as it was.
  WriteFile(pdf, "earlier");
  WriteFile(folder / "1.png", "\x89PNG\r\n\x1a\n broken");
  run = Convert(Quote(folder.path()) + " -o " + Quote(pdf));
  EXPECT_EQ(run.exit_code, 1) << run.output;
  EXPECT_NE(run.output.find("skipped 1.png"), std::string::npos) << run.output;
  EXPECT_EQ(ReadFile(pdf), "earlier");
  EXPECT_FALSE(fs::exists(TemporaryPathFor(pdf.string())));

  // An output that cannot be created.
  WriteFile(folder / "2.jpg", MakeJpeg(PatternPixels(8, 8, 1)));
  run = Convert(Quote(folder / "2.jpg") + " -o " + Quote(folder / "missing" / "out.pdf"));
  EXPECT_EQ(run.exit_code, 1) << run.output;

  // A file that is not there is named.
  run = Convert(Quote(folder / "2.jpg") + " " + Quote(folder / "gone.jpg") + " " + Quote(pdf));
  EXPECT_EQ(run.exit_code, 2) << run.output;
  EXPECT_NE(run.output.find("skipped gone.jpg"), std::string::npos) << run.output;
  ExpectQpdfAccepts(pdf);
}

TEST(PdfConvert, ProgressSeesEveryPictureAndCanStop) {
  Folder folder;
  std::vector<std::string> pictures;
  for (int i = 0; i < 4; ++i) {
    pictures.push_back((folder / (std::to_string(i) + ".jpg")).string());
    WriteFile(pictures.back(), MakeJpeg(PatternPixels(16, 16, i)));
  }
  const std::string pdf = (folder / "p.pdf").string();
  std::vector<std::string> seen;
  ConvertResult result = ConvertPicturesToPdf(pictures, pdf, [&](size_t done, size_t total, const std::string& name) {
    EXPECT_EQ(total, 4u);
    EXPECT_EQ(done, seen.size());
    seen.push_back(name);
    return true;
  });
  EXPECT_TRUE(result.written);
  EXPECT_EQ(result.pages, 4u);
  EXPECT_EQ(seen, (std::vector<std::string>{"0.jpg", "1.jpg", "2.jpg", "3.jpg", ""}));

  fs::remove(pdf);
  result = ConvertPicturesToPdf(pictures, pdf, [](size_t done, size_t, const std::string&) { return done < 2; });
  EXPECT_FALSE(result.written);
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_FALSE(fs::exists(TemporaryPathFor(pdf)));
}
