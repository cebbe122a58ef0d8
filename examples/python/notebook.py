#!/usr/bin/env python3
"""Notebook-style: each cell ends in a view, which Jupyter shows as its
picture (View._repr_png_). Run as a script, the pictures go to PNG files.

    python3 notebook.py [OUTPUT_FOLDER]
"""
import os
import sys

import numpy as np

import pelmora
from tube import Tube

ctx = pelmora.Context()
pictures = []

# %% A triangle mesh from numpy arrays.
angles = np.linspace(0, 2 * np.pi, 7)[:-1]
hexagon = np.stack([np.cos(angles), np.sin(angles), np.zeros(6)], axis=1)
vertices = np.vstack([[0, 0, 0.8], hexagon])
normals = vertices - [0, 0, -1]  # smooth shading, as if rounded
normals /= np.linalg.norm(normals, axis=1)[:, None]
faces = [v for i in range(6) for v in (3, 0, 0, 1 + i, 0, 1 + (i + 1) % 6, 0)] + [0]
pyramid = ctx.newFrame(0)
ctx.frameAddVisual(pyramid, ctx.newSolidMesh(vertices, normals, faces, True))
ctx.setFrameColor(pyramid, 0xFFE0A030)
view = pelmora.View(ctx, 320, 240).fit((-1, -1, 0), (1, 1, 0.8), view="iso").show(pyramid)
pictures.append(view)
view

# %% The tube from a Python facet factory, and its pixels as numpy.
tube = Tube()
factory = pelmora.FacetFactory(tube)
part = ctx.newFrame(0)
ctx.setFrameColor(part, 0xFF6080A0)
ctx.frameAddVisual(part, ctx.newSolidMeshFromHandle(1, factory.handle))
view = pelmora.View(ctx, 320, 240).fit(*tube.bounds, view="iso").show(part)
pixels = view.image()
print("picture", pixels.shape, "mean blue, green, red:", pixels[..., :3].mean(axis=(0, 1)).round(1))
pictures.append(view)
view

# %% Writing the pictures when run as a script.
if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    for number, picture in enumerate(pictures, 1):
        path = os.path.join(folder, f"notebook-{number}.png")
        picture.window.save_png(path)
        print(path)
