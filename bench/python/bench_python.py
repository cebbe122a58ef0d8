#!/usr/bin/env python3
"""The cost of the Python module against C++ (bench/README.md, "Python"):
one late-bound setFrameColor from Python, through Invoke from C++ and
directly from C++; a 1920x1080 window image to numpy against the C++
read-back into a host buffer.

    PYTHONPATH=build/bench/python python3 bench/python/bench_python.py build/bench/bench/pelmora_python_baseline
"""
import os
import statistics
import subprocess
import sys
import time

os.environ.setdefault("PELMORA_QUIET", "1")
import pelmora  # noqa: E402

CALLS = 200_000
ROUNDS = 7
WIDTH, HEIGHT = 1920, 1080
READ_BACKS = 50
CALL_GOAL_NS = 2000
IMAGE_GOAL_RATIO = 1.2


def median_ns(repetitions, work):
    rounds = []
    for _ in range(ROUNDS):
        start = time.perf_counter_ns()
        work(repetitions)
        rounds.append((time.perf_counter_ns() - start) / repetitions)
    return statistics.median(rounds)


def python_call_ns(ctx):
    frame = ctx.newFrame(0)
    set_color = ctx.setFrameColor

    def calls(n):
        for i in range(n):
            set_color(frame, i)
    return median_ns(CALLS, calls)


def python_image_ns(ctx):
    view = pelmora.View(ctx, WIDTH, HEIGHT, lights=False)
    frame = ctx.newFrame(0)
    ctx.frameAddVisual(frame, ctx.newWireMesh([-0.5, -0.5, 0, 0.5, -0.5, 0, 0, 0.5, 0], [4, 0, 1, 2, 0, 0]))
    view.show(frame)
    window = view.window

    def images(n):
        for _ in range(n):
            window.image()
    return median_ns(READ_BACKS, images)


def cpp_figures(program):
    lines = subprocess.run([program], check=True, capture_output=True, text=True).stdout.split("\n")
    return {name: float(value) for name, value in (line.split() for line in lines if line.strip())}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    cpp = cpp_figures(sys.argv[1])
    with pelmora.Context() as ctx:
        call_ns = python_call_ns(ctx)
        image_us = python_image_ns(ctx) / 1000
    ratio = image_us / cpp["readback_us"]
    print(f"setFrameColor, C++ direct:        {cpp['direct_ns']:8.1f} ns")
    print(f"setFrameColor, C++ through Invoke: {cpp['invoke_ns']:8.1f} ns")
    print(f"setFrameColor, Python late-bound:  {call_ns:8.1f} ns  (goal <= {CALL_GOAL_NS} ns)")
    print(f"{WIDTH}x{HEIGHT} image, C++ read-back:  {cpp['readback_us']:8.1f} us")
    print(f"{WIDTH}x{HEIGHT} image, Python numpy:   {image_us:8.1f} us  ({ratio:.2f}x, goal <= {IMAGE_GOAL_RATIO}x)")


if __name__ == "__main__":
    main()
