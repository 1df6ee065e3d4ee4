#!/usr/bin/env python3
"""Writes the application icon as an RGBA PNG of the given size: draw_icon.py SIZE OUTPUT.

The picture comes from the artwork script, so every size in the icon theme is the same drawing as the
window's own icon, not a scaled copy of one size.
"""

import os
import sys

sys.dont_write_bytecode = True  # nothing of the build's in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "tools"))
import make_artwork  # noqa: E402  (found through the path above)


def main():
    size, output = int(sys.argv[1]), sys.argv[2]
    picture = make_artwork.render(size, size, make_artwork.icon_layers(size))
    with open(output, "wb") as file:
        file.write(make_artwork.png_rgba(picture))


if __name__ == "__main__":
    main()
