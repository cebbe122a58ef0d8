"""Shared fixtures: a context, a lit 64 x 64 view, and a square to show.
The engine's registry and log go to a folder of the run's own, set before
the library loads."""
import os
import tempfile

_home = tempfile.mkdtemp(prefix="pelmora-pytest-")
for variable, folder in (("PELMORA_REGISTRY_DIR", "registry"), ("XDG_DATA_HOME", "data")):
    os.makedirs(os.path.join(_home, folder), exist_ok=True)
    os.environ.setdefault(variable, os.path.join(_home, folder))
os.environ.setdefault("PELMORA_QUIET", "1")
# The engine keeps its log file only in a folder that exists.
LOG_FILE = os.path.join(os.environ["XDG_DATA_HOME"], "Torvel Design", "Pelmora.log")
os.makedirs(os.path.dirname(LOG_FILE), exist_ok=True)

import numpy as np  # noqa: E402
import pytest  # noqa: E402

import pelmora  # noqa: E402

SIZE = 64
RED = 0xFFFF0000

# A unit square at z = 0 facing +z, two triangles.
SQUARE_VERTICES = np.array([[-0.5, -0.5, 0], [0.5, -0.5, 0], [0.5, 0.5, 0], [-0.5, 0.5, 0]], np.float32)
SQUARE_NORMALS = np.tile(np.float32([0, 0, 1]), (4, 1))
SQUARE_TRIANGLES = np.array([[0, 1, 2], [0, 2, 3]], np.int32)


def face_list(triangles):
    """The interface's face list: 3, i0, 0, i1, 0, i2, 0 per triangle, ended by 0."""
    rows = [[3, a, 0, b, 0, c, 0] for a, b, c in triangles]
    return np.array([v for row in rows for v in row] + [0], np.int32)


@pytest.fixture
def ctx():
    with pelmora.Context() as context:
        yield context


@pytest.fixture
def view(ctx):
    v = pelmora.View(ctx, SIZE, SIZE)
    yield v
    v.close()


@pytest.fixture
def engine_log():
    """Reads what the engine logged since the fixture was made."""
    start = os.path.getsize(LOG_FILE) if os.path.exists(LOG_FILE) else 0

    def logged():
        with open(LOG_FILE, encoding="utf-8", errors="replace") as log:
            log.seek(start)
            return log.read()
    return logged


def is_red(pixel):
    """A lit red face in the image's blue-green-red order."""
    return pixel[2] > 150 and pixel[2] > 2 * max(pixel[0], pixel[1])


def bgra(color):
    """The bytes a 0xAARRGGBB colour has in the image (alpha left out)."""
    return np.array([color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF], np.uint8)


def screen_point(ctx, view, x, y, z=0.0):
    sx, sy, _, _ = ctx.viewportTransform(view.handle, x, y, z)
    return int(sx), int(sy)
