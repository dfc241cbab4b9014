#!/usr/bin/python3
"""Benchmark of the picture-to-PDF converter (native build) on 300 JPEG pages it makes
itself, against img2pdf and against plain `cat` of the same files, in one run.

    tools/bench_converter.py [--converter PATH] [--pages 300] [--runs 5] [--keep DIR]

Without --converter it configures and builds build/conv-bench (release, no sanitizers).
Prints times (best of --runs), peak memory and output sizes, the ratios, and whether the
goals are met: at most 2 x the time of cat, at least 3 x faster than img2pdf, output within
0.5 % of img2pdf's size, peak memory at most the largest picture + 16 MiB.

Uses the system Python, whose Pillow img2pdf needs anyway, to make the pages.
"""
import argparse
import io
import os
import pathlib
import random
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
MIB = 1024 * 1024


def build_converter():
    build = ROOT / "build" / "conv-bench"
    env = dict(os.environ, CC="clang", CXX="clang++")
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DWITH_SANITIZERS=OFF"], check=True, env=env, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "-j2", "--target", "freepic2pdf"], check=True,
                   stdout=subprocess.DEVNULL)
    return build / "converter" / "freepic2pdf"


def make_pages(folder, count):
    """Scanned-looking pages: A4 at 150 dpi, a light background with noise and dark
    "text" blocks, each page different; saved as JPEG quality 85 like the website's."""
    from PIL import Image, ImageDraw
    rng = random.Random(2024)
    width, height = 1240, 1754
    paths = []
    noise = Image.frombytes("L", (width, height), rng.randbytes(width * height))
    for page in range(count):
        base = Image.new("RGB", (width, height), (246 - page % 7, 244, 238 + page % 5))
        draw = ImageDraw.Draw(base)
        for line in range(40):
            y = 120 + line * 38
            x = 100
            while x < width - 160:
                word = rng.randint(20, 120)
                shade = rng.randint(10, 60)
                draw.rectangle([x, y, x + word, y + 18], fill=(shade, shade, shade + 10))
                x += word + rng.randint(10, 24)
        if page % 3 == 0:  # a picture on every third page
            draw.ellipse([300, 600, 900, 1100], fill=(rng.randint(0, 255), rng.randint(0, 255), 180))
        mixed = Image.blend(base, Image.merge("RGB", (noise, noise, noise)), 0.06)
        path = folder / ("%d.png" % (page + 1) if page else "01.jpg")
        buffer = io.BytesIO()
        mixed.save(buffer, "JPEG", quality=85, dpi=(150, 150))
        path.write_bytes(buffer.getvalue())
        paths.append(path)
        noise = noise.transpose(Image.Transpose.ROTATE_180) if page % 2 else noise.transpose(Image.Transpose.FLIP_LEFT_RIGHT)
    return paths


def measure(command, stdout=subprocess.DEVNULL):
    """Wall time and peak resident memory (bytes) of one run of command. /usr/bin/time
    reports the memory: a child forked from this Python would count Python's pages too."""
    start = time.perf_counter()
    run = subprocess.run(["/usr/bin/time", "-f", "peak-kib %M"] + command, stdout=stdout, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    errors = run.stderr.decode("utf-8", "replace")
    if run.returncode != 0:
        raise RuntimeError("%s failed: %s" % (command[0], errors))
    peak = [line for line in errors.splitlines() if line.startswith("peak-kib ")][-1]
    return elapsed, int(peak.split()[1]) * 1024


def best_of(commands, runs):
    """Runs every command once per round, rounds interleaved so that a busy moment of the
    machine hits them alike; per command the best time and the largest peak memory."""
    results = {name: [] for name in commands}
    for _ in range(runs):
        for name, (command, output) in commands.items():
            if output is None:
                results[name].append(measure(command))
            else:
                with open(output, "wb") as out:
                    results[name].append(measure(command, stdout=out))
    return {name: (min(r[0] for r in rs), max(r[1] for r in rs)) for name, rs in results.items()}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--converter")
    parser.add_argument("--pages", type=int, default=300)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--keep", help="make the pages in this folder and keep them")
    args = parser.parse_args()

    converter = pathlib.Path(args.converter) if args.converter else build_converter()
    img2pdf = shutil.which("img2pdf")
    if not img2pdf:
        sys.exit("img2pdf is not installed (tools/setup.sh installs it)")

    work = pathlib.Path(args.keep) if args.keep else pathlib.Path(tempfile.mkdtemp(prefix="bench_converter_"))
    work.mkdir(parents=True, exist_ok=True)
    try:
        pages = work / "pages"
        if pages.exists():
            shutil.rmtree(pages)
        pages.mkdir()
        print("making %d JPEG pages ..." % args.pages, flush=True)
        paths = make_pages(pages, args.pages)
        print("measuring ...", flush=True)
        files = [str(p) for p in paths]
        total = sum(p.stat().st_size for p in paths)
        largest = max(p.stat().st_size for p in paths)

        ours_pdf, theirs_pdf, cat_out = work / "ours.pdf", work / "img2pdf.pdf", work / "cat.out"
        measure(["cat"] + files, stdout=subprocess.DEVNULL)  # page cache warm for everyone
        timings = best_of({
            "cat": (["cat"] + files, cat_out),
            "ours": ([str(converter), str(pages), "-o", str(ours_pdf)], None),
            "img2pdf": ([img2pdf] + files + ["-o", str(theirs_pdf)], None),
        }, args.runs)
        cat_time, cat_memory = timings["cat"]
        ours_time, ours_memory = timings["ours"]
        theirs_time, theirs_memory = timings["img2pdf"]
        check = subprocess.run(["qpdf", "--check", str(ours_pdf)], capture_output=True, text=True)

        ours_size, theirs_size = ours_pdf.stat().st_size, theirs_pdf.stat().st_size
        size_difference = (ours_size - theirs_size) / theirs_size * 100
        memory_limit = largest + 16 * MIB
        print()
        print("%d pages, %.1f MiB of JPEG, largest %.0f KiB; best of %d runs"
              % (len(paths), total / MIB, largest / 1024, args.runs))
        print("%-12s %9s %11s %12s" % ("", "time (s)", "peak (MiB)", "output (B)"))
        print("%-12s %9.3f %11.1f %12d" % ("cat", cat_time, cat_memory / MIB, cat_out.stat().st_size))
        print("%-12s %9.3f %11.1f %12d" % ("freepic2pdf", ours_time, ours_memory / MIB, ours_size))
        print("%-12s %9.3f %11.1f %12d" % ("img2pdf", theirs_time, theirs_memory / MIB, theirs_size))
        print()
        goals = [
            ("time vs cat      %.2f x  (goal <= 2)" % (ours_time / cat_time), ours_time <= 2 * cat_time),
            ("img2pdf vs ours  %.2f x  (goal >= 3)" % (theirs_time / ours_time), theirs_time >= 3 * ours_time),
            ("size vs img2pdf  %+.3f %% (goal within 0.5 %%)" % size_difference, abs(size_difference) <= 0.5),
            ("peak memory      %.1f MiB (goal <= largest + 16 MiB = %.1f MiB)"
             % (ours_memory / MIB, memory_limit / MIB), ours_memory <= memory_limit),
            ("qpdf --check     %s" % ("ok" if check.returncode == 0 else "FAILED"), check.returncode == 0),
        ]
        for text, met in goals:
            print("%-70s %s" % (text, "met" if met else "NOT MET"))
        return 0 if all(met for _, met in goals) else 1
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
