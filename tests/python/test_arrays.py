"""numpy in and out: values equal to what the engine holds and projects,
and nothing kept per call."""
import gc
import resource
import sys

import numpy as np
import pytest

from conftest import screen_point

IDENTITY = np.array([1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0], np.float64)


def zigzag(count):
    """A polyline through `count` points inside the view."""
    t = np.linspace(-0.8, 0.8, count, dtype=np.float32)
    vertices = np.stack([t, 0.5 * np.sin(7 * t), np.zeros_like(t)], axis=1)
    lines = np.concatenate([[count], np.arange(count), [0]]).astype(np.int32)
    return vertices, lines


def test_mesh_data_round_trips(ctx):
    vertices, lines = zigzag(50)
    mesh = ctx.newWireMesh(vertices, lines)
    data, faces = ctx.getMeshData(mesh)
    assert (data.dtype, faces.dtype) == (np.float32, np.int32)
    np.testing.assert_array_equal(data, vertices.ravel())
    np.testing.assert_array_equal(faces, lines)
    # Solids hand out nothing.
    solid = ctx.newSolidMesh(vertices[:3], [], [3, 0, 0, 1, 0, 2, 0, 0], False)
    assert ctx.getMeshData(solid) == (None, None)


def test_screen_data_is_each_vertex_projected_and_truncated(ctx, view):
    vertices, lines = zigzag(20)
    mesh = ctx.newWireMesh(vertices, lines)
    ctx.rotateCamera(view.handle, 0, 0, 0, 1, 1, 0, 0.4)
    points, faces = ctx.getScreenData(mesh, view.handle, IDENTITY)
    expected = [screen_point(ctx, view, *v) for v in vertices.astype(np.float64)]
    np.testing.assert_array_equal(points.reshape(-1, 2), np.array(expected))
    np.testing.assert_array_equal(faces, lines)


def test_transforms_round_trip_in_single_precision(ctx, view):
    frame = ctx.newFrame(0)
    turn = np.array([0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 0.1, 2])
    ctx.addFrameTransform(frame, 0, turn)
    np.testing.assert_array_equal(ctx.getFrameTransform(frame), turn.astype(np.float32))
    ctx.setCameraTransform(view.handle, turn)
    np.testing.assert_array_equal(ctx.getCameraTransform(view.handle), turn.astype(np.float32))


def resident_kib():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * resource.getpagesize() // 1024


def test_nothing_grows_over_ten_thousand_calls(ctx):
    vertices, lines = zigzag(3000)  # 36 KB handed out a call: a leak shows in hundreds of MB
    mesh = ctx.newWireMesh(vertices, lines)
    frame = ctx.newFrame(0)

    def calls():
        data, faces = ctx.getMeshData(mesh)
        name = ctx.getCurrentDeviceName()
        try:
            ctx.setFrameColor(0, 1)
        except Exception as error:  # noqa: BLE001 (the error object is what is counted)
            failure = error
        return data, faces, name, failure

    for _ in range(100):
        calls()
    gc.collect()
    objects, memory, references = len(gc.get_objects()), resident_kib(), ctx._reference_count()
    for _ in range(10_000):
        data, faces, name, failure = calls()
        ctx.setFrameColor(frame, 1)
    del failure
    gc.collect()
    # The array alone holds the memory it views.
    assert sys.getrefcount(data) == 2
    owner = data.base
    del data
    assert sys.getrefcount(owner) == 2
    assert len(gc.get_objects()) <= objects + 10
    assert ctx._reference_count() == references
    assert resident_kib() - memory < 20_000


@pytest.mark.parametrize("values", [[[0, 0, 0], [1, 2, 3]], np.arange(6, dtype=np.float64), (0, 0, 0, 1, 1, 1)])
def test_any_array_like_goes_in(ctx, values):
    mesh = ctx.newWireMesh(values, [2, 0, 1, 0])
    np.testing.assert_array_equal(ctx.getMeshData(mesh)[0], np.ravel(values).astype(np.float32))
