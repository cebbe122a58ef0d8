#!/usr/bin/env python3
"""Renders a STEP (or BREP, IGES) file to a PNG through the Open CASCADE kernel.

    python3 step_to_png.py part.step part.png [WIDTHxHEIGHT]
"""
import sys

import pelmora
import pelmora.occt


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    width, height = map(int, (sys.argv[3] if len(sys.argv) == 4 else "800x600").split("x"))
    ctx = pelmora.Context()
    model = pelmora.occt.open(sys.argv[1])
    frame = ctx.newFrame(0)
    model.add(ctx, frame)
    view = pelmora.View(ctx, width, height)
    view.fit(*model.bounds, view="iso").show(frame).save(sys.argv[2])
    print(f"{sys.argv[2]}: {len(model.body_names)} bodies")


if __name__ == "__main__":
    main()
