#!/usr/bin/env python3
"""Local HTTP server for the tests, with fault injection.

Usage:
  testserver.py --port P --root DIR [--log FILE] [--port-file F] [--daemon --pid-file F]
  testserver.py --stop --pid-file F

Binds 127.0.0.1 only. --port 0 picks a free port; "PORT <n>" is printed on stdout once the
socket listens (and written to --port-file). With --daemon the server forks into the
background after the socket is bound, so clients may connect as soon as the command returns.

Every request (except /__log) is logged as one JSON line
  {"method": ..., "path": <raw request target>, "version": ..., "headers": [[name, value], ...]}
exactly as the client sent it (bytes decoded as Latin-1), to --log and to memory.
GET /__log returns the lines; GET /__log?prefix=/abc returns only those whose path starts
with /abc, so tests sharing one server can look at their own requests.

Path segments starting with "~" are directives, removed before the path is mapped:
  ~status=N     answer with status N (body: the file or generated body, else an HTML page)
  ~delay=MS     sleep MS milliseconds before the status line
  ~drop         close the connection without sending a byte
  ~truncate=N   announce the full Content-Length, send only N body bytes, close
  ~nolength     no Content-Length; the body ends when the connection closes
  ~hang         read the request, never answer (gives up after 120 s or when the client leaves)
  ~failfirst=K  the first K requests for this exact path (directives included, query
                string excluded) are dropped; later ones are served
  ~book=SIZE    "<name>.jpg" under it is book_page(SIZE, path-without-directives)
/__gen/<kind>/<size>/<anything> serves generated_body(kind, size, path-without-directives).
Other paths map to files under --root; "{{HOST}}" in .html/.htm files becomes 127.0.0.1:<port>.
"""

import argparse
import hashlib
import json
import os
import signal
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.parse
import zlib
from http.server import ThreadingHTTPServer
from http import HTTPStatus

HANG_LIMIT_SECONDS = 120
READ_TIMEOUT_SECONDS = 30
MAX_GENERATED_SIZE = 256 * 1024 * 1024
KINDS = ("jpeg", "png", "gif", "html", "zeros")
CONTENT_TYPES = {
    ".html": "text/html; charset=utf-8",
    ".htm": "text/html; charset=utf-8",
    ".jpg": "image/jpeg",
    ".jpeg": "image/jpeg",
    ".png": "image/png",
    ".gif": "image/gif",
}
KIND_TYPES = {
    "jpeg": "image/jpeg",
    "png": "image/png",
    "gif": "image/gif",
    "html": "text/html; charset=utf-8",
    "zeros": "application/octet-stream",
}


# ---------------------------------------------------------------------------------------
# Generated bodies


def filler(path, n):
    """The generator: the first n bytes of SHAKE-256 over the path (UTF-8)."""
    return hashlib.shake_256(path.encode("utf-8")).digest(n) if n > 0 else b""


def _jpeg_parts():
    # An 8x8 uniform grey baseline JPEG: every block is "DC diff 0, EOB", with one-code
    # Huffman tables, so the scan is the single byte 0x3F (bits 00 then 1-padding).
    app0 = b"\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
    dqt = b"\xff\xdb\x00\x43\x00" + b"\x01" * 64
    sof = b"\xff\xc0\x00\x0b\x08\x00\x08\x00\x08\x01\x01\x11\x00"
    one_code = b"\x01" + b"\x00" * 15 + b"\x00"
    dht = b"\xff\xc4\x00\x14\x00" + one_code + b"\xff\xc4\x00\x14\x10" + one_code
    sos = b"\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00"
    return b"\xff\xd8" + app0, dqt + sof + dht + sos + b"\x3f\xff\xd9"


def _png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def _png_parts():
    # A 1x1 8-bit grey picture.
    head = (b"\x89PNG\r\n\x1a\n"
            + _png_chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 0, 0, 0, 0))
            + _png_chunk(b"IDAT", zlib.compress(b"\x00\x80")))
    return head, _png_chunk(b"IEND", b"")


def _gif_parts():
    # A 1x1 picture with a two-entry palette.
    head = b"GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
    tail = b"\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b"
    return head, tail


def _jpeg_padding(path, room):
    # COM segments: FF FE, a 2-byte length counting itself, at most 65533 bytes of data.
    data = filler(path, room)
    out, pos = [], 0
    while room > 0:
        seg = min(room, 65537)
        if room - seg in (1, 2, 3):
            seg = room - 4
        out.append(b"\xff\xfe" + struct.pack(">H", seg - 2) + data[pos:pos + seg - 4])
        pos += seg - 4
        room -= seg
    return b"".join(out)


def _png_padding(path, room):
    # One private ancillary chunk: 12 bytes of framing around the data.
    return _png_chunk(b"prVt", filler(path, room - 12))


def _gif_padding(path, room):
    # A comment extension: 21 FE, sub-blocks (a length byte 1..255, then data), 00.
    data = filler(path, room)
    inner, blocks, pos = room - 3, [], 0
    while inner > 0:
        take = min(inner, 256)
        if inner - take == 1:
            take = 255
        blocks.append(bytes([take - 1]) + data[pos:pos + take - 1])
        pos += take - 1
        inner -= take
    return b"\x21\xfe" + b"".join(blocks) + b"\x00"


_SHELLS = {
    # kind: (picture before the padding, picture after it, padding builder, signature)
    "jpeg": _jpeg_parts() + (_jpeg_padding, b"\xff\xd8\xff\xe0"),
    "png": _png_parts() + (_png_padding, b"\x89PNG\r\n\x1a\n"),
    "gif": _gif_parts() + (_gif_padding, b"GIF89a"),
}
MIN_PADDING = 32  # room for the padding's framing plus at least 16 bytes of F
_HTML_HEAD = (b'<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>generated</title>'
              b"</head><body>\n<p>")
_HTML_TAIL = b"</p>\n</body></html>\n"
_LETTERS = bytes(range(ord("a"), ord("z") + 1)) * 10


def generated_body(kind, size, path):
    """Exactly `size` bytes, a pure function of (kind, size, path).

    `path` is the request path without directives and query, e.g. "/__gen/jpeg/5000/a.jpg".
    F(n) = the first n bytes of SHAKE-256 over the path as UTF-8.
      zeros: size zero bytes.
      jpeg/png/gif: when size exceeds the smallest picture by at least 32 bytes, a small
        valid picture (8x8 grey JPEG, 1x1 grey PNG, 1x1 GIF) padded to size with F:
        JPEG COM segments right after APP0, a private "prVt" chunk before IEND, a GIF
        comment extension before the image descriptor. Otherwise: the signature
        (FF D8 FF E0 / the PNG signature / "GIF89a") followed by F, cut to size.
      html: "<!DOCTYPE html>" page whose <p> holds F mapped to letters (a + byte % 26);
        when size is too small for the page, "<!DOCTYPE html>" + those letters, cut to size.
    """
    if kind not in KINDS:
        raise ValueError("unknown kind: %r" % (kind,))
    size = int(size)
    if size < 0:
        raise ValueError("negative size")
    if kind == "zeros":
        return bytes(size)
    if kind == "html":
        room = size - len(_HTML_HEAD) - len(_HTML_TAIL)
        text = filler(path, max(room, size)).translate(_LETTERS[:256])
        if room >= 0:
            return _HTML_HEAD + text[:room] + _HTML_TAIL
        return (b"<!DOCTYPE html>" + text)[:size]
    head, tail, padding, signature = _SHELLS[kind]
    room = size - len(head) - len(tail)
    if room >= MIN_PADDING:
        return head + padding(path, room) + tail
    return (signature + filler(path, size))[:size]


def book_page(size, path):
    """The JPEG served for "<name>.jpg" under ~book=SIZE: generated_body("jpeg", size, path),
    with `path` the request path without directives and query (e.g. "/img/book/1.jpg")."""
    return generated_body("jpeg", size, path)


# ---------------------------------------------------------------------------------------
# Requests


class Drop(Exception):
    """Close the connection without answering."""


def split_directives(raw_path):
    """('/a/~x=1/b', ...) -> ('/a/b', [('x', '1')]). Raw (still %-encoded) path, no query."""
    kept, directives = [], []
    for seg in raw_path.split("/"):
        if seg.startswith("~"):
            name, _, value = seg[1:].partition("=")
            directives.append((name, value))
        else:
            kept.append(seg)
    return "/".join(kept) or "/", directives


def _error_page(code):
    try:
        phrase = HTTPStatus(code).phrase
    except ValueError:
        phrase = "Status"
    return ("<!DOCTYPE html>\n<html><head><title>%d %s</title></head>"
            "<body><h1>%d %s</h1></body></html>\n" % (code, phrase, code, phrase)).encode()


class Handler(socketserver.StreamRequestHandler):
    timeout = READ_TIMEOUT_SECONDS

    def handle(self):
        try:
            self._handle()
        except (Drop, OSError, ValueError):
            pass  # the client went away, or asked for a drop: nothing more to say

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass

    def _read_request(self):
        line = self.rfile.readline(65537)
        if not line:
            raise Drop()
        parts = line.rstrip(b"\r\n").decode("latin-1").split()
        method = parts[0] if parts else ""
        target = parts[1] if len(parts) > 1 else ""
        version = parts[2] if len(parts) > 2 else ""
        headers = []
        while True:
            h = self.rfile.readline(65537)
            if not h or h in (b"\r\n", b"\n"):
                break
            text = h.rstrip(b"\r\n").decode("latin-1")
            if text[:1] in (" ", "\t") and headers:
                headers[-1][1] = (headers[-1][1] + " " + text.strip()).strip()
                continue
            name, _, value = text.partition(":")
            headers.append([name, value.strip()])
            if len(headers) > 200:
                break
        length = 0
        for name, value in headers:
            if name.strip().lower() == "content-length" and value.isdigit():
                length = int(value)
        if length:
            self.rfile.read(min(length, 64 * 1024 * 1024))  # keep the close clean
        return method, target, version, headers

    def _handle(self):
        method, target, version, headers = self._read_request()
        server = self.server
        raw_path, _, query = target.partition("?")
        if not raw_path.startswith("/"):  # absolute form, as a proxy would get it
            raw_path = urllib.parse.urlsplit(raw_path).path or "/"
        if raw_path == "/__log":
            self._send_log(query)
            return
        server.log_request_line({"method": method, "path": target, "version": version,
                                 "headers": headers})
        path, directives = split_directives(raw_path)
        opts = {}
        for name, value in directives:
            opts[name] = value
        unknown = set(opts) - {"status", "delay", "drop", "truncate", "nolength", "hang",
                               "failfirst", "book"}
        numeric = ("status", "delay", "truncate", "failfirst", "book")
        if unknown or any(n in opts and not opts[n].isdigit() for n in numeric):
            self._respond(method, 400, _error_page(400), "text/html; charset=utf-8", {})
            return
        if "hang" in opts:
            self._hang()
            return
        if "delay" in opts:
            time.sleep(int(opts["delay"]) / 1000.0)
        if "drop" in opts:
            raise Drop()
        if "failfirst" in opts and server.count_failure(raw_path, int(opts["failfirst"])):
            raise Drop()
        code, body, ctype = self._content(path, opts)
        if "status" in opts:
            code = int(opts["status"])
            if body is None:
                body, ctype = _error_page(code), "text/html; charset=utf-8"
        self._respond(method, code, body, ctype, opts)

    def _content(self, path, opts):
        """(status, body or None, content type) for a path without directives."""
        segs = path.split("/")
        if len(segs) >= 4 and segs[1] == "__gen":
            kind, size = segs[2], segs[3]
            if kind in KINDS and size.isdigit() and int(size) <= MAX_GENERATED_SIZE:
                return 200, generated_body(kind, int(size), path), KIND_TYPES[kind]
            return 404, None, None
        if "book" in opts and segs[-1].lower().endswith(".jpg"):
            return 200, book_page(int(opts["book"]), path), "image/jpeg"
        name = self.server.map_path(path)
        if name is None:
            return 404, None, None
        with open(name, "rb") as f:
            body = f.read()
        ext = os.path.splitext(name)[1].decode("latin-1").lower()
        if ext in (".html", ".htm"):
            host = "127.0.0.1:%d" % self.server.server_address[1]
            body = body.replace(b"{{HOST}}", host.encode())
        return 200, body, CONTENT_TYPES.get(ext, "application/octet-stream")

    def _respond(self, method, code, body, ctype, opts):
        if body is None:
            body, ctype = _error_page(code), "text/html; charset=utf-8"
        if code in (204, 304) or 100 <= code < 200:
            body = b""
        try:
            phrase = HTTPStatus(code).phrase
        except ValueError:
            phrase = "Status"
        head = ["HTTP/1.1 %d %s" % (code, phrase), "Content-Type: " + ctype]
        if "nolength" not in opts:
            head.append("Content-Length: %d" % len(body))
        head.append("Connection: close")
        data = ("\r\n".join(head) + "\r\n\r\n").encode("latin-1")
        if method != "HEAD":
            if "truncate" in opts:
                body = body[:int(opts["truncate"])]
            data += body
        self.wfile.write(data)

    def _send_log(self, query):
        prefix = urllib.parse.parse_qs(query).get("prefix", [""])[0]
        lines = [l for l in self.server.log_lines() if json.loads(l)["path"].startswith(prefix)]
        body = "".join(l + "\n" for l in lines).encode("utf-8")
        self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n"
                         b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(body) + body)

    def _hang(self):
        sock = self.connection
        sock.settimeout(1.0)
        deadline = time.monotonic() + HANG_LIMIT_SECONDS
        while time.monotonic() < deadline:
            try:
                if not sock.recv(4096):
                    return  # the client closed its side
            except socket.timeout:
                continue
        raise Drop()


class TestServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128

    def __init__(self, port, root, log_path):
        self.root = os.path.realpath(os.fsencode(root))
        self._lock = threading.Lock()
        self._lines = []
        self._failures = {}
        self._log_file = None
        if log_path:
            parent = os.path.dirname(os.path.abspath(log_path))
            os.makedirs(parent, exist_ok=True)
            self._log_file = open(log_path, "a", encoding="utf-8")
        super().__init__(("127.0.0.1", port), Handler)

    def server_bind(self):
        # HTTPServer.server_bind looks the host name up, which can stall; not needed here.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = "127.0.0.1", self.server_address[1]

    def handle_error(self, request, client_address):
        pass  # a failing request must never take the server down or flood the output

    def log_request_line(self, entry):
        line = json.dumps(entry, ensure_ascii=True)
        with self._lock:
            self._lines.append(line)
            if self._log_file:
                self._log_file.write(line + "\n")
                self._log_file.flush()

    def log_lines(self):
        with self._lock:
            return list(self._lines)

    def count_failure(self, key, limit):
        """True while fewer than `limit` requests for `key` have been failed."""
        with self._lock:
            seen = self._failures.get(key, 0)
            self._failures[key] = seen + 1
            return seen < limit

    def map_path(self, path):
        """The file (bytes path) for a URL path, or None when missing or outside the root."""
        raw = urllib.parse.unquote_to_bytes(path)
        parts = [p for p in raw.split(b"/") if p not in (b"", b".")]
        if b".." in parts or any(b"\0" in p for p in parts):
            return None
        name = os.path.realpath(os.path.join(self.root, *parts))
        if name != self.root and not name.startswith(self.root + b"/"):
            return None
        if os.path.isdir(name):
            name = os.path.join(name, b"index.html")
        return name if os.path.isfile(name) else None


# ---------------------------------------------------------------------------------------
# Command line


def _is_our_server(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            cmdline = f.read()
        with open("/proc/%d/stat" % pid, "rb") as f:
            state = f.read().rsplit(b")", 1)[1].split()[0]
    except OSError:
        return False
    return state != b"Z" and b"testserver" in cmdline


def stop(pid_file):
    try:
        with open(pid_file) as f:
            pid = int(f.read().split()[0])
    except (OSError, ValueError, IndexError):
        return 0  # no server recorded: nothing to stop
    if _is_our_server(pid):
        for sig, wait in ((signal.SIGTERM, 5.0), (signal.SIGKILL, 5.0)):
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                break
            deadline = time.monotonic() + wait
            while _is_our_server(pid) and time.monotonic() < deadline:
                time.sleep(0.02)
            if not _is_our_server(pid):
                break
    try:
        os.remove(pid_file)
    except OSError:
        pass
    return 1 if _is_our_server(pid) else 0


def _announce(port, port_file):
    if port_file:
        with open(port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(port_file + ".tmp", port_file)
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()


def main(argv=None):
    ap = argparse.ArgumentParser(description="Local HTTP test server with fault injection.")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--root", default=".")
    ap.add_argument("--log")
    ap.add_argument("--port-file")
    ap.add_argument("--pid-file")
    ap.add_argument("--daemon", action="store_true")
    ap.add_argument("--stop", action="store_true")
    args = ap.parse_args(argv)

    if args.stop:
        if not args.pid_file:
            ap.error("--stop needs --pid-file")
        return stop(args.pid_file)
    if args.daemon and not args.pid_file:
        ap.error("--daemon needs --pid-file")
    if args.pid_file:
        os.makedirs(os.path.dirname(os.path.abspath(args.pid_file)), exist_ok=True)
        stop(args.pid_file)  # a server left over from an earlier run would hold the port

    server = TestServer(args.port, args.root, args.log)
    port = server.server_address[1]
    if args.daemon:
        pid = os.fork()
        if pid:
            with open(args.pid_file, "w") as f:
                f.write("%d\n" % pid)
            _announce(port, args.port_file)
            os._exit(0)
        os.setsid()
        # Let go of the caller's pipes, or a runner waiting for their end would wait forever.
        null = os.open(os.devnull, os.O_RDWR)
        err = null
        if args.log:
            err = os.open(args.log + ".stderr", os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)
        os.dup2(null, 0)
        os.dup2(null, 1)
        os.dup2(err, 2)
    else:
        if args.pid_file:
            with open(args.pid_file, "w") as f:
                f.write("%d\n" % os.getpid())
        _announce(port, args.port_file)
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
