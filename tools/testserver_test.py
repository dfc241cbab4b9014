#!/usr/bin/env python3
"""Self-test of the test server: starts one on 127.0.0.1 with --port 0 and talks to it."""

import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "testserver.py")
sys.path.insert(0, HERE)
import testserver  # noqa: E402


def start_server(root, *extra):
    proc = subprocess.Popen([sys.executable, SERVER, "--port", "0", "--root", root] + list(extra),
                            stdout=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    assert line.startswith("PORT "), line
    return proc, int(line.split()[1])


def exchange(port, request, timeout=10):
    """Send raw request bytes; return everything the server sent until it closed."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(request)
        chunks = []
        while True:
            try:
                data = s.recv(65536)
            except ConnectionResetError:
                break
            if not data:
                break
            chunks.append(data)
    return b"".join(chunks)


def parse(reply):
    head, _, body = reply.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return int(lines[0].split()[1]), headers, body


class TestServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="testserver_test.")
        cls.root = os.path.join(cls.tmp, "root")
        os.makedirs(os.path.join(cls.root, "dir"))
        with open(os.path.join(cls.tmp, "secret.txt"), "wb") as f:
            f.write(b"outside the root")
        with open(os.path.join(cls.root, "page.html"), "wb") as f:
            f.write(b"<a href=\"http://{{HOST}}/x\">{{HOST}}</a>")
        with open(os.path.join(cls.root, "dir", "pic.jpg"), "wb") as f:
            f.write(b"\xff\xd8\xff\xe0" + bytes(range(256)) * 4)
        with open(os.path.join(cls.root, "data.bin"), "wb") as f:
            f.write(b"0123456789" * 100)
        cls.log_path = os.path.join(cls.tmp, "logs", "requests.log")
        cls.proc, cls.port = start_server(cls.root, "--log", cls.log_path)

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        cls.proc.wait(10)
        cls.proc.stdout.close()
        shutil.rmtree(cls.tmp)

    def get(self, path, method="GET", version="HTTP/1.1"):
        return parse(exchange(self.port, ("%s %s %s\r\nHost: 127.0.0.1:%d\r\n\r\n"
                                          % (method, path, version, self.port)).encode()))

    def test_files_and_content_types(self):
        cases = [
            ("/dir/pic.jpg", "image/jpeg", b"\xff\xd8\xff\xe0" + bytes(range(256)) * 4),
            ("/dir/pic.jpg?page=2&x=y", "image/jpeg", b"\xff\xd8\xff\xe0" + bytes(range(256)) * 4),
            ("/data.bin", "application/octet-stream", b"0123456789" * 100),
            ("/page.html", "text/html; charset=utf-8",
             ("<a href=\"http://127.0.0.1:%d/x\">127.0.0.1:%d</a>" % (self.port, self.port)).encode()),
        ]
        for path, ctype, body in cases:
            with self.subTest(path=path):
                code, headers, got = self.get(path)
                self.assertEqual(code, 200)
                self.assertEqual(headers["content-type"], ctype)
                self.assertEqual(headers["content-length"], str(len(body)))
                self.assertEqual(headers["connection"], "close")
                self.assertEqual(got, body)

    def test_head_sends_no_body(self):
        code, headers, body = self.get("/data.bin", method="HEAD")
        self.assertEqual((code, headers["content-length"], body), (200, "1000", b""))

    def test_missing_and_escaping_paths_are_404(self):
        for path in ["/nothing.jpg", "/../secret.txt", "/dir/../../secret.txt",
                     "/%2e%2e/secret.txt", "/dir/%2E%2E/%2e%2e/secret.txt", "/dir"]:
            with self.subTest(path=path):
                code, headers, body = self.get(path)
                self.assertEqual(code, 404)
                self.assertEqual(headers["content-type"], "text/html; charset=utf-8")
                self.assertIn(b"404", body)
                self.assertNotIn(b"outside", body)

    def test_status(self):
        code, _, body = self.get("/~status=503/data.bin")
        self.assertEqual((code, body), (503, b"0123456789" * 100))
        code, headers, body = self.get("/dir/~status=500/none.jpg")
        self.assertEqual(code, 500)
        self.assertEqual(headers["content-type"], "text/html; charset=utf-8")
        self.assertIn(b"500", body)

    def test_delay_comes_before_the_answer(self):
        start = time.monotonic()
        code, _, body = self.get("/~delay=300/data.bin")
        self.assertGreaterEqual(time.monotonic() - start, 0.3)
        self.assertEqual((code, len(body)), (200, 1000))

    def test_drop_sends_nothing(self):
        self.assertEqual(exchange(self.port, b"GET /~drop/data.bin HTTP/1.1\r\n\r\n"), b"")

    def test_truncate_announces_full_length(self):
        for n in (0, 1, 333):
            with self.subTest(n=n):
                code, headers, body = self.get("/~truncate=%d/data.bin" % n)
                self.assertEqual((code, headers["content-length"]), (200, "1000"))
                self.assertEqual(body, (b"0123456789" * 100)[:n])

    def test_nolength(self):
        code, headers, body = self.get("/~nolength/data.bin")
        self.assertNotIn("content-length", headers)
        self.assertEqual((code, body), (200, b"0123456789" * 100))

    def test_hang_never_answers_and_server_lives_on(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=0.5) as s:
            s.sendall(b"GET /~hang/data.bin HTTP/1.1\r\n\r\n")
            with self.assertRaises(socket.timeout):
                s.recv(1)
        self.assertEqual(self.get("/data.bin")[0], 200)

    def test_failfirst_counts_per_path(self):
        path = "/dir/~failfirst=2/pic.jpg"
        self.assertEqual(exchange(self.port, b"GET /dir/~failfirst=2/pic.jpg HTTP/1.1\r\n\r\n"), b"")
        # The query string is not part of the counted path.
        self.assertEqual(exchange(self.port, b"GET /dir/~failfirst=2/pic.jpg?a HTTP/1.1\r\n\r\n"), b"")
        self.assertEqual(self.get(path)[0], 200)
        self.assertEqual(self.get(path)[0], 200)
        # Another path has its own counter.
        self.assertEqual(exchange(self.port, b"GET /~failfirst=1/dir/pic.jpg HTTP/1.1\r\n\r\n"), b"")
        self.assertEqual(self.get("/~failfirst=1/dir/pic.jpg")[0], 200)

    def test_directives_combine(self):
        path = "/c/~book=900/~delay=50/~failfirst=1/book/1.jpg"
        self.assertEqual(exchange(self.port, b"GET %s HTTP/1.1\r\n\r\n" % path.encode()), b"")
        code, _, body = self.get(path)
        self.assertEqual((code, body), (200, testserver.book_page(900, "/c/book/1.jpg")))
        self.assertEqual(self.get("/c/~status=503/~truncate=10/~book=900/book/1.jpg"),
                         (503, {"content-type": "image/jpeg", "content-length": "900",
                                "connection": "close"}, body[:10]))

    def test_bad_directive_is_400(self):
        for path in ("/~bogus=1/data.bin", "/~delay=x/data.bin", "/~status=/data.bin"):
            with self.subTest(path=path):
                self.assertEqual(self.get(path)[0], 400)

    def test_book_pages(self):
        pages = {}
        for name in ("1.jpg", "2.jpg", "cover.jpg"):
            code, headers, body = self.get("/img/~book=5000/book7/%s" % name)
            self.assertEqual((code, headers["content-type"], len(body)), (200, "image/jpeg", 5000))
            self.assertEqual(body[:4], b"\xff\xd8\xff\xe0")
            self.assertEqual(body, testserver.book_page(5000, "/img/book7/" + name))
            self.assertEqual(body, self.get("/img/~book=5000/book7/%s?again" % name)[2])
            pages[name] = body
        self.assertEqual(len(set(pages.values())), 3)
        self.assertEqual(self.get("/img/~book=5000/book7/notes.txt")[0], 404)

    def test_generated_bodies(self):
        signatures = {"jpeg": b"\xff\xd8\xff\xe0", "png": b"\x89PNG\r\n\x1a\n",
                      "gif": b"GIF89a", "html": b"<!DOCTYPE html>", "zeros": b"\0\0\0\0"}
        for kind, signature in signatures.items():
            for size in (20, 150, 4096, 200001):
                with self.subTest(kind=kind, size=size):
                    path = "/__gen/%s/%d/a/b.x" % (kind, size)
                    code, headers, body = self.get(path)
                    self.assertEqual(code, 200)
                    self.assertEqual(len(body), size)
                    self.assertEqual(body[:len(signature)], signature)
                    self.assertEqual(body, testserver.generated_body(kind, size, path))
                    self.assertEqual(body, self.get("/__gen/~delay=1/%s/%d/a/b.x" % (kind, size))[2])
                    if kind != "zeros":
                        other = self.get("/__gen/%s/%d/a/c.x" % (kind, size))[2]
                        self.assertNotEqual(body, other)
        self.assertEqual(self.get("/__gen/webp/100/a")[0], 404)
        self.assertEqual(self.get("/__gen/jpeg/12x/a")[0], 404)

    def test_generated_pictures_are_whole(self):
        body = testserver.generated_body("jpeg", 70000, "/x.jpg")
        self.assertEqual(body[-2:], b"\xff\xd9")
        body = testserver.generated_body("png", 5000, "/x.png")
        self.assertEqual(body[-8:-4], b"IEND")
        body = testserver.generated_body("gif", 5000, "/x.gif")
        self.assertEqual(body[-1:], b";")
        body = testserver.generated_body("html", 5000, "/x.html")
        self.assertTrue(body.endswith(b"</html>\n"))

    def test_log_shows_what_the_client_sent(self):
        request = (b"GET /logcheck/~status=404/a.jpg?q=1 HTTP/1.0\r\n"
                   b"Accept: */*\r\nUser-Agent: Test Agent/1.0\r\nHost: 127.0.0.1\r\n\r\n")
        exchange(self.port, request)
        exchange(self.port, b"HEAD /logcheck/b.jpg HTTP/1.1\r\nX-Two:  two words \r\n\r\n")
        code, headers, body = self.get("/__log?prefix=/logcheck/")
        self.assertEqual((code, headers["content-type"]), (200, "text/plain; charset=utf-8"))
        entries = [json.loads(line) for line in body.decode().splitlines()]
        self.assertEqual(entries, [
            {"method": "GET", "path": "/logcheck/~status=404/a.jpg?q=1", "version": "HTTP/1.0",
             "headers": [["Accept", "*/*"], ["User-Agent", "Test Agent/1.0"],
                         ["Host", "127.0.0.1"]]},
            {"method": "HEAD", "path": "/logcheck/b.jpg", "version": "HTTP/1.1",
             "headers": [["X-Two", "two words"]]},
        ])
        with open(self.log_path) as f:
            in_file = [json.loads(line) for line in f if "/logcheck/" in line]
        self.assertEqual(in_file, entries)
        whole = self.get("/__log")[2].decode()
        self.assertNotIn('"/__log', whole)

    def test_many_clients_and_early_disconnects(self):
        # Clients that leave mid-answer must not disturb the others.
        for _ in range(5):
            s = socket.create_connection(("127.0.0.1", self.port), timeout=10)
            s.sendall(b"GET /__gen/zeros/30000000/big HTTP/1.1\r\n\r\n")
            s.recv(1000)
            s.close()
        results = []

        def fetch(i):
            path = "/__gen/png/%d/many/%d" % (10000 + i, i)
            code, _, body = self.get(path)
            results.append(code == 200 and body == testserver.generated_body("png", 10000 + i, path))

        threads = [threading.Thread(target=fetch, args=(i,)) for i in range(30)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(30)
        self.assertEqual(results, [True] * 30)
        self.assertIsNone(self.proc.poll())


class DaemonTest(unittest.TestCase):
    def test_daemon_start_and_stop(self):
        tmp = tempfile.mkdtemp(prefix="testserver_daemon.")
        try:
            pid_file = os.path.join(tmp, "run", "server.pid")
            port_file = os.path.join(tmp, "server.port")
            out = subprocess.run([sys.executable, SERVER, "--port", "0", "--root", tmp,
                                  "--log", os.path.join(tmp, "requests.log"), "--daemon",
                                  "--pid-file", pid_file, "--port-file", port_file],
                                 capture_output=True, text=True, timeout=20)
            self.assertEqual(out.returncode, 0, out.stderr)
            port = int(out.stdout.split()[1])
            with open(port_file) as f:
                self.assertEqual(int(f.read()), port)
            with open(pid_file) as f:
                pid = int(f.read())
            # Reachable as soon as the command has returned.
            self.assertEqual(parse(exchange(port, b"GET /__gen/gif/64/d HTTP/1.1\r\n\r\n"))[0], 200)
            stop = [sys.executable, SERVER, "--stop", "--pid-file", pid_file]
            self.assertEqual(subprocess.run(stop, timeout=20).returncode, 0)
            self.assertFalse(os.path.exists(pid_file))
            self.assertFalse(testserver._is_our_server(pid))
            with self.assertRaises(OSError):
                exchange(port, b"GET / HTTP/1.1\r\n\r\n", timeout=2)
            # Stopping a server that is already gone succeeds.
            self.assertEqual(subprocess.run(stop, timeout=20).returncode, 0)
        finally:
            shutil.rmtree(tmp)


if __name__ == "__main__":
    unittest.main()
