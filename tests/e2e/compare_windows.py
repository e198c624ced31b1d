#!/usr/bin/env python3
"""Compares the Linux and the Windows program's windows, pixel by pixel,
where both must look the same: the seven-segment readouts, the busy lamp,
the ticker strip's frame and the gray background below the readouts.

Fonts differ between the two (captions, ticker text) and so does the time
the clock shows, so those areas are left out.

Usage: compare_windows.py LINUX.png WINDOWS.png   (200x45 window pictures)
"""
import subprocess
import sys

WIDTH, HEIGHT = 200, 45
BORDER = 1  # the pictures include the window's one-pixel border


def pixels(path):
    data = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "rgb:-"],
                          capture_output=True, check=True).stdout
    if len(data) != WIDTH * HEIGHT * 3:
        sys.exit(f"{path}: expected a {WIDTH}x{HEIGHT} picture")
    return data


def regions():
    """(name, client pixels) that both programs must draw alike."""
    # The four weather readouts: cells from x = 15 to the dew point's third
    # glyph, segment rows 31 to 38.
    yield "readouts", [(x, y) for x in range(15, 134) for y in range(31, 39)]
    # The lamp, drawn with the null pen: columns 5-8, rows 25-38.
    yield "lamp", [(x, y) for x in range(5, 9) for y in range(25, 39)]
    # The ticker strip's one-pixel black frame.
    frame = [(x, 5) for x in range(25, 195)] + [(x, 19) for x in range(25, 195)]
    frame += [(25, y) for y in range(5, 20)] + [(194, y) for y in range(5, 20)]
    yield "ticker frame", frame
    # Gray background below the readouts and left of the lamp.
    yield "background", [(x, y) for x in range(0, 198) for y in range(40, 43)] + [
        (x, y) for x in range(0, 4) for y in range(22, 40)]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    linux, windows = pixels(sys.argv[1]), pixels(sys.argv[2])
    failures = 0
    for name, points in regions():
        differing = []
        for x, y in points:
            offset = ((y + BORDER) * WIDTH + x + BORDER) * 3
            if linux[offset:offset + 3] != windows[offset:offset + 3]:
                differing.append((x, y, tuple(linux[offset:offset + 3]),
                                  tuple(windows[offset:offset + 3])))
        status = "same" if not differing else f"{len(differing)} differ, first {differing[:3]}"
        print(f"{name}: {len(points)} pixels, {status}")
        failures += bool(differing)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
