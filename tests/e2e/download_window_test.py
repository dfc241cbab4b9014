"""Picture downloads end to end: the real program under Wine, a book analysed from the test
server, the download button pressed as a user would, the files on disk, the progress as the
window shows it and the closing message box read from the screen."""
import json
import os
import pathlib
import subprocess
import unittest
import urllib.error
import urllib.request

import harness
from harness import VK_ESCAPE, server_log, start_app, url

DONE = "下载完成！"


def fetch(address):
    with urllib.request.urlopen(address, timeout=30) as answer:
        return answer.read()


def files_in(folder):
    """{name: bytes} of the files in a folder."""
    folder = pathlib.Path(folder)
    return {p.name: p.read_bytes() for p in folder.iterdir() if p.is_file()} if folder.is_dir() else {}


class Watch:
    """download_watch.exe following the window's progress until `boxes` closing message
    boxes are open; it presses their OK buttons after reading them."""

    def __init__(self, app, boxes=1, timeout_ms=120000):
        watcher = os.path.join(os.path.dirname(harness.DRIVER), "download_watch.exe")
        self.process = subprocess.Popen(
            [harness.WINE, watcher, str(app.hwnd), str(boxes), str(timeout_ms), "ok"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=harness._wine_env())
        self.first = self.process.stdout.readline()  # the starting state: from now on it watches

    def result(self, timeout=180):
        """(captions, positions, box texts), the changes seen after the watch began."""
        out, err = self.process.communicate(timeout=timeout)
        if self.process.returncode != 0:
            raise AssertionError("download_watch: " + err.decode("utf-8", "replace"))
        captions, positions, boxes = [], [], []
        lines = out.decode("utf-8").splitlines()
        if os.environ.get("DL_DEBUG"):
            print("\nwatch:", self.first, lines)
        for line in lines:
            event = json.loads(line)
            if "start" in event:
                continue
            if "caption" in event:
                captions.append(event["caption"])
            elif "position" in event:
                positions.append(event["position"])
            elif "box" in event:
                boxes.append(event["box"])
        return captions, positions, boxes


class DownloadWindowTest(unittest.TestCase):
    def start(self):
        app = start_app()
        self.addCleanup(app.stop)
        return app

    def analyse(self, app, page, title):
        """A double click on the address box with a trial page's address on the clipboard."""
        app.clipboard(url("/download/%s.html" % page))
        app.double_click("试读地址框")
        app.wait_for(lambda: app.text("书名框") == title, what="the analysis of " + page)
        return app.run_dir / title

    def download(self, app, boxes=1, presses=1):
        watch = Watch(app, boxes)
        for _ in range(presses):
            app.click("下载按钮")
        return watch.result()

    def test_three_pages_one_at_a_time(self):
        app = self.start()
        folder = self.analyse(app, "three", "下载三页")
        link = url("/img/dl_e2e_three/~delay=150/~book=12000/")
        self.assertEqual(app.text("下载链接框"), link)
        app.set_text("编辑框_线程数", "1")
        captions, positions, boxes = self.download(app)
        self.assertEqual(captions, ["1个", "2个", "3个"])
        self.assertEqual(positions, [33, 66, 100])
        self.assertEqual(boxes, [DONE])
        expected = {"01.jpg": fetch(link + "index.jpg")}
        for page in (1, 2, 3):
            expected["%d.png" % page] = fetch(link + "%d.jpg" % page)
        self.assertEqual(files_in(folder), expected)
        self.assertEqual(len(expected["2.png"]), 12000)

    def test_three_pages_with_the_default_ten(self):
        app = self.start()
        folder = self.analyse(app, "three", "下载三页")
        self.assertEqual(app.text("编辑框_线程数"), "10")
        captions, positions, boxes = self.download(app)
        # Pages finishing together may be counted between two looks; the count only grows.
        self.assertEqual(captions[-1], "3个")
        self.assertTrue(set(captions) <= {"1个", "2个", "3个"} and captions == sorted(captions), captions)
        self.assertEqual(positions[-1], 100)
        self.assertEqual(positions, sorted(positions))
        self.assertEqual(boxes, [DONE])
        self.assertEqual(sorted(files_in(folder)), ["01.jpg", "1.png", "2.png", "3.png"])

    def test_page_count_from_the_box(self):
        for page, title, names, last_caption in (
                ("count_29", "count29", ["01.jpg", "1.png", "2.png"], "2个"),
                ("count_minus5", "countminus5", ["01.jpg"], None)):
            with self.subTest(page=page):
                app = self.start()
                folder = self.analyse(app, page, title)
                captions, _, boxes = self.download(app)
                self.assertEqual(boxes, [DONE])
                self.assertEqual(sorted(files_in(folder)), names)
                if last_caption:
                    self.assertEqual(captions[-1], last_caption)
                else:
                    self.assertEqual(captions, [])  # no page, no progress
                app.stop()

    def test_dead_server_stores_nothing_and_names_every_page(self):
        app = self.start()
        folder = self.analyse(app, "dead", "dead")
        captions, positions, boxes = self.download(app)
        self.assertEqual(files_in(folder), {})
        self.assertEqual(captions[-1], "3个")
        self.assertEqual(positions[-1], 100)
        self.assertEqual(boxes, [DONE + "\r\n已保存 0/3 页，封面缺失，缺 3 页：1、2、3"])

    def test_pages_failing_once_are_stored_after_the_retry(self):
        app = self.start()
        folder = self.analyse(app, "failfirst", "failfirst")
        _, _, boxes = self.download(app)
        self.assertEqual(boxes, [DONE])
        link = url("/img/dl_e2e_failfirst/~failfirst=1/~book=12000/")
        # Each page twice: the dropped request and the retry.
        paths = [entry["path"] for entry in server_log("/img/dl_e2e_failfirst/")]
        for page in (1, 2, 3):
            self.assertEqual(paths.count("/img/dl_e2e_failfirst/~failfirst=1/~book=12000/%d.jpg" % page), 2)
        self.assertEqual(sorted(files_in(folder)), ["01.jpg", "1.png", "2.png", "3.png"])
        self.assertEqual(files_in(folder)["3.png"], fetch(link + "3.jpg"))

    def test_large_html_error_page_is_never_stored(self):
        app = self.start()
        folder = self.analyse(app, "html404", "html404")
        self.assertGreater(len(fetch_error(url("/img/dl_e2e_404/~status=404/1.jpg"))), 9728)
        _, _, boxes = self.download(app)
        self.assertEqual(files_in(folder), {})
        self.assertEqual(boxes, [DONE + "\r\n已保存 0/2 页，封面缺失，缺 2 页：1、2"])

    def test_two_presses_at_once_both_finish(self):
        app = self.start()
        folder = self.analyse(app, "twice", "twice")
        app.set_text("编辑框_线程数", "1")
        captions, _, boxes = self.download(app, boxes=2, presses=2)
        self.assertEqual(boxes, [DONE, DONE])
        self.assertEqual(captions[-1], "6个")
        self.assertEqual(sorted(files_in(folder)), ["01.jpg"] + ["%d.png" % p for p in range(1, 7)])
        paths = [entry["path"] for entry in server_log("/img/dl_e2e_twice/")]
        self.assertEqual(paths.count("/img/dl_e2e_twice/~delay=200/~book=12000/6.jpg"), 2)

    def test_new_analysis_mid_download_sends_the_rest_to_the_new_book(self):
        app = self.start()
        old_folder = self.analyse(app, "switch_a", "switchA")
        app.set_text("编辑框_线程数", "1")
        watch = Watch(app)
        app.click("下载按钮")
        app.wait_for(lambda: app.text("进度标签") in ("2个", "3个", "4个"), what="the second page")
        new_folder = self.analyse(app, "switch_b", "switchB")
        captions, _, boxes = watch.result()
        self.assertEqual(boxes, [DONE])
        self.assertEqual(captions[-1], "8个")  # the count was read once, at the start
        old_link = url("/img/dl_e2e_switch_a/~delay=400/~book=12000/")
        new_link = url("/img/dl_e2e_switch_b/~book=13000/")
        old_files, new_files = files_in(old_folder), files_in(new_folder)
        pages = [name for name in list(old_files) + list(new_files) if name.endswith(".png")]
        self.assertEqual(sorted(pages), sorted("%d.png" % p for p in range(1, 9)))
        sizes = []
        for page in range(1, 9):
            name = "%d.png" % page
            stored = old_files.get(name, new_files.get(name))
            link = old_link if len(stored) == 12000 else new_link
            self.assertEqual(stored, fetch(link + "%d.jpg" % page), name)
            sizes.append(len(stored))
        # Up to some page the old book, from there on the new one.
        self.assertEqual(sizes, sorted(sizes))
        self.assertEqual((sizes[0], sizes[-1]), (12000, 13000))
        self.assertIn("1.png", old_files)
        self.assertIn("8.png", new_files)
        self.assertEqual(old_files["01.jpg"], fetch(old_link + "index.jpg"))

    def test_one_thread_and_ten_give_the_same_files(self):
        app = self.start()
        folder = self.analyse(app, "same", "same")
        stored = {}
        for threads in ("1", "10"):
            app.set_text("编辑框_线程数", threads)
            _, positions, boxes = self.download(app)
            self.assertEqual(boxes, [DONE])
            self.assertEqual(positions[-1], 100)
            stored[threads] = files_in(folder)
            for path in folder.iterdir():
                path.unlink()
        self.assertEqual(len(stored["1"]), 21)
        self.assertEqual(stored["1"], stored["10"])

    def test_closing_the_window_mid_download_ends_the_program(self):
        app = self.start()
        self.analyse(app, "close", "close")
        app.click("下载按钮")
        app.wait_for(lambda: app.text("进度标签").endswith("个"), what="the first page")
        app.key(VK_ESCAPE)
        self.assertEqual(app.wait_exit(timeout=30), 0)

    def test_press_before_any_analysis(self):
        app = self.start()
        captions, _, boxes = self.download(app)
        self.assertEqual(boxes, [DONE + "\r\n已保存 0/0 页，封面缺失"])
        self.assertEqual(captions, [])
        self.assertEqual(sorted(p.name for p in app.run_dir.iterdir()), [os.path.basename(harness.APP)])


def fetch_error(address):
    """The body of an error response."""
    try:
        return fetch(address)
    except urllib.error.HTTPError as error:
        return error.read()


if __name__ == "__main__":
    unittest.main()
