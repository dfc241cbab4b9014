"""Under Wine: FreePic2Pdf.exe on a folder of pages as the downloader stores them, checked
with qpdf and pdfimages; and the downloader carrying exactly this converter.

CTest passes --converter (the built FreePic2Pdf.exe), --downloader (TextbookDownloader.exe),
--wine and --work (a scratch folder of this test's own). The double-click run needs an
X display (tools/test.sh provides one) and is skipped without it.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import time
import unittest

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tools"))
import testserver  # noqa: E402  the pages the test server hands out, byte for byte

ARGS = None
BOOK = "数学 七年级上册"


def wine_env():
    env = dict(os.environ)
    env.setdefault("WINEPREFIX", str(ROOT / "build" / "wineprefix"))
    env["WINEDEBUG"] = "-all"
    return env


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def run_wine(args, **kwargs):
    return subprocess.run([ARGS.wine] + args, env=wine_env(), capture_output=True, timeout=120, **kwargs)


def page_count(pdf):
    check = subprocess.run(["qpdf", "--check", str(pdf)], capture_output=True, text=True)
    assert check.returncode == 0, check.stdout + check.stderr
    return int(subprocess.run(["qpdf", "--show-npages", str(pdf)], capture_output=True, text=True).stdout)


def make_book(folder):
    """The cover and eleven pages as a download leaves them (JPEG data, ".png" names), one
    page cut short, a stray text file and the deployed converter. Returns the pictures in
    the order they must appear."""
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    names = ["01.jpg"] + ["%d.png" % page for page in range(1, 12)]
    for index, name in enumerate(names):
        body = testserver.book_page(12000 + 977 * index, "/converter/%s/%s" % (BOOK, name))
        (folder / name).write_bytes(body)
    whole = testserver.book_page(15000, "/converter/cut.jpg")
    (folder / "12.png").write_bytes(whole[: len(whole) // 2])
    (folder / "说明.txt").write_text("not a picture")
    shutil.copyfile(ARGS.converter, folder / "FreePic2Pdf.exe")
    return [folder / name for name in names]


def extracted_jpegs(pdf, scratch):
    scratch.mkdir(exist_ok=True)
    subprocess.run(["pdfimages", "-j", str(pdf), str(scratch / "x")], check=True)
    return [path.read_bytes() for path in sorted(scratch.glob("x-*.jpg"))]


class WindowsConverterTest(unittest.TestCase):
    def test_downloader_carries_this_converter(self):
        converter = pathlib.Path(ARGS.converter).read_bytes()
        self.assertGreater(len(converter), 100000)
        self.assertTrue(converter in pathlib.Path(ARGS.downloader).read_bytes(), "payload missing from the downloader")

    def test_folder_of_downloaded_pages_becomes_a_pdf(self):
        folder = pathlib.Path(ARGS.work) / "arguments" / BOOK
        pictures = make_book(folder)
        run = run_wine([str(folder / "FreePic2Pdf.exe"), windows_path(folder)])
        self.assertEqual(run.returncode, 2, run.stderr)  # written, one picture skipped
        self.assertIn("12.png", run.stderr.decode("utf-8", "replace"))
        pdf = folder / (BOOK + ".pdf")
        self.assertEqual(page_count(pdf), len(pictures))
        self.assertEqual(extracted_jpegs(pdf, folder.parent / "extracted"),
                         [path.read_bytes() for path in pictures])
        self.assertFalse((folder / (BOOK + ".pdf.part")).exists())

    def test_files_and_output_path(self):
        folder = pathlib.Path(ARGS.work) / "files"
        pictures = make_book(folder)
        out = folder / "out.pdf"
        run = run_wine([str(folder / "FreePic2Pdf.exe"), windows_path(pictures[3]), windows_path(pictures[1]),
                        "-o", windows_path(out)])
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(page_count(out), 2)
        run = run_wine([str(folder / "FreePic2Pdf.exe"), windows_path(folder / "说明.txt"), windows_path(out)])
        self.assertEqual(run.returncode, 1)
        self.assertEqual(page_count(out), 2)  # the earlier PDF is untouched

    @unittest.skipUnless(os.environ.get("DISPLAY") and shutil.which("xdotool"), "needs an X display")
    def test_double_click_merges_its_own_folder(self):
        folder = pathlib.Path(ARGS.work) / "double-click" / BOOK
        pictures = make_book(folder)
        pdf = folder / (BOOK + ".pdf")
        process = subprocess.Popen([ARGS.wine, str(folder / "FreePic2Pdf.exe")], cwd=str(folder), env=wine_env(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            deadline = time.time() + 90
            while time.time() < deadline and process.poll() is None:
                # The closing message box comes after the PDF is in place; answer it.
                if pdf.exists():
                    found = subprocess.run(["xdotool", "search", "--name", "^FreePic2Pdf$"],
                                           capture_output=True, text=True).stdout.split()
                    for window in found:
                        subprocess.run(["xdotool", "windowactivate", "--sync", window, "key", "Return"],
                                       capture_output=True, timeout=10)
                time.sleep(0.5)
            self.assertIsNotNone(process.poll(), "the converter did not end after its message")
        finally:
            if process.poll() is None:
                process.kill()
            errors = process.communicate()[1]
        self.assertEqual(process.returncode, 2, errors)
        self.assertEqual(page_count(pdf), len(pictures))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--converter", required=True)
    parser.add_argument("--downloader", required=True)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.work = str(pathlib.Path(ARGS.work).resolve())
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
