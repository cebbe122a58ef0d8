"""Facets from a Python callable: asked once per (body, deviation), drawn
where they should be, and refused with a log line when the callable fails."""
import re
import threading
from collections import Counter

import numpy as np
import pytest

import pelmora
from conftest import RED, SQUARE_NORMALS, SQUARE_TRIANGLES, SQUARE_VERTICES, is_red, screen_point


class SquareKernel:
    """Body n is the unit square scaled by n; body 13 raises, body 14 answers nonsense."""

    def __init__(self):
        self.asked = Counter()
        self.threads = set()

    def __call__(self, body, deviation):
        self.asked[body, deviation] += 1
        self.threads.add(threading.get_ident())
        if body == 13:
            raise ZeroDivisionError("the kernel failed")
        if body == 14:
            return np.zeros(5), None, [0, 1, 2]
        return SQUARE_VERTICES * body, SQUARE_NORMALS, SQUARE_TRIANGLES


@pytest.fixture
def kernel():
    return SquareKernel()


def show_body(ctx, view, factory, body):
    frame = ctx.newFrame(0)
    ctx.setFrameColor(frame, RED)
    ctx.frameAddVisual(frame, ctx.newSolidMeshFromHandle(body, factory.handle))
    return view.show(frame), frame


def test_each_body_and_deviation_is_asked_once(ctx, view, kernel):
    factory = pelmora.FacetFactory(kernel)
    _, frame = show_body(ctx, view, factory, 1)
    view.show(frame)
    ctx.setViewportPlane(view.handle, -0.2, 0.2, -0.2, 0.2)  # zooming in asks for finer facets
    view.show(frame)
    view.show(frame)
    assert len(kernel.asked) == 2 and set(kernel.asked.values()) == {1}
    assert {body for body, _ in kernel.asked} == {1}
    # Refinement never reaches a Python factory on the engine's worker thread.
    assert kernel.threads == {threading.get_ident()}


def test_the_picture_lies_at_the_computed_pixels(ctx, view, kernel):
    factory = pelmora.FacetFactory(kernel)
    shown, _ = show_body(ctx, view, factory, 1)
    image = shown.image()
    x0, y0 = screen_point(ctx, view, -0.5, 0.5)
    x1, y1 = screen_point(ctx, view, 0.5, -0.5)
    assert is_red(image[y0 + 2, x0 + 2]) and is_red(image[y1 - 2, x1 - 2])
    assert not is_red(image[y0 - 2, x0 - 2]) and not is_red(image[y1 + 2, x1 + 2])


@pytest.mark.parametrize("body, reason", [(13, "ZeroDivisionError: the kernel failed"),
                                          (14, "vertices must be x, y, z per vertex")])
def test_a_failing_factory_is_refused_and_the_engine_goes_on(ctx, view, kernel, engine_log, body, reason):
    factory = pelmora.FacetFactory(kernel)
    shown, _ = show_body(ctx, view, factory, body)
    assert not is_red(shown.image()[32, 32])
    assert re.search(rf"Python facet factory refused body {body} at deviation [\d.]+: {reason}\n", engine_log())
    shown, _ = show_body(ctx, view, factory, 1)
    assert is_red(shown.image()[32, 32])


def test_polylines_for_wire_meshes_and_an_unregistered_factory(ctx, view):
    lines = pelmora.FacetFactory(lambda body, deviation: (SQUARE_VERTICES, None, None, [[0, 1, 2, 3, 0]]))
    mesh = ctx.newWireMeshFromHandle(1, lines.handle)
    ctx.refreshMesh(mesh)
    vertices, faces = ctx.getMeshData(mesh)
    np.testing.assert_array_equal(vertices, SQUARE_VERTICES.ravel())
    np.testing.assert_array_equal(faces, [5, 0, 1, 2, 3, 0, 0])
    handle = lines.handle
    lines.unregister()
    assert lines.handle == 0
    with pytest.raises(TypeError):
        pelmora.FacetFactory("not callable")
    assert handle != 0
