#!/usr/bin/env python3
"""A tube with holes made in Python and shown through a Python facet
factory: the whole part, then zoomed onto a hole, where the view asks the
factory for finer facets. Writes tube-whole.png and tube-hole.png.

    python3 parametric_tube.py [OUTPUT_FOLDER]
"""
import os
import sys

import pelmora
from tube import Tube


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    tube = Tube()
    factory = pelmora.FacetFactory(tube)
    with pelmora.Context() as ctx:
        frame = ctx.newFrame(0)
        ctx.setFrameColor(frame, 0xFF4F7FAF)
        ctx.setFrameDrawFacetEdges(frame, 1 | 2, 0xFF101010, 1, 0xFF808080, 1)  # faces and sharp edges
        ctx.frameAddVisual(frame, ctx.newSolidMeshFromHandle(1, factory.handle))
        view = pelmora.View(ctx, 640, 480).fit(*tube.bounds, view="front")
        view.show(frame).save(os.path.join(folder, "tube-whole.png"))
        ctx.setViewportPlane(view.handle, -3.2, 3.2, -17.4, -12.6)  # about the first hole (camera y = z - 30)
        view.show(frame).save(os.path.join(folder, "tube-hole.png"))
        view.close()
    print("deviations asked:", ", ".join(f"{d:g}" for d in tube.asked))


if __name__ == "__main__":
    main()
