"""screen_stats.py SHOT.png [SHOT.png ...]

Checks that screenshots of the full-screen saver show fire-coloured explosions over black on
the whole display. Per quadrant of each shot: most pixels are black, no trace of the X root
window's grey weave shows, and the lit pixels have fire colours (red >= green >= blue). Over
all the shots together every quadrant shows explosions. Prints its figures; exit status 1 on
failure."""
import subprocess
import sys


def read_rgb(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                          capture_output=True).stdout
    return width, height, data


def quadrant_stats(width, height, data, qx, qy, step=2):
    black = lit = fire = white = total = 0
    for y in range(qy * height // 2, (qy + 1) * height // 2, step):
        row = y * width * 3
        for x in range(qx * width // 2, (qx + 1) * width // 2, step):
            i = row + x * 3
            r, g, b = data[i], data[i + 1], data[i + 2]
            total += 1
            if r == 0 and g == 0 and b == 0:
                black += 1
                continue
            lit += 1
            if r >= g >= b:
                fire += 1
            if r == 255 and g == 255 and b == 255:
                white += 1
    return total, black, lit, fire, white


def main(paths):
    ok = True
    lit_anywhere = [[0, 0], [0, 0]]
    for path in paths:
        width, height, data = read_rgb(path)
        print(f"{path}: {width}x{height}")
        if (width, height) != (1920, 1080):
            print("  FAIL: not the 1920x1080 display")
            ok = False
        for qy in range(2):
            for qx in range(2):
                total, black, lit, fire, white = quadrant_stats(width, height, data, qx, qy)
                lit_anywhere[qy][qx] += lit
                fire_share = fire / lit if lit else 1.0
                print(f"  quadrant {qx},{qy}: black {black / total:.1%}, lit {lit / total:.1%},"
                      f" fire-coloured {fire_share:.1%} of lit, white {white / total:.2%}")
                if black / total < 0.5:
                    print("  FAIL: not mostly black")
                    ok = False
                if white / total > 0.05:
                    print("  FAIL: too much pure white (the X root weave?)")
                    ok = False
                if fire_share < 0.95:
                    print("  FAIL: lit pixels are not fire-coloured")
                    ok = False
    for qy in range(2):
        for qx in range(2):
            if lit_anywhere[qy][qx] == 0:
                print(f"FAIL: quadrant {qx},{qy} never shows an explosion")
                ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
