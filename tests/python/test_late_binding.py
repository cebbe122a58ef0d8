"""The interface reached by name: every operation, arguments converted as
Invoke converts them, out parameters returned, statuses raised."""
import re

import numpy as np
import pytest

import pelmora
from conftest import RED, is_red, SQUARE_NORMALS, SQUARE_TRIANGLES, SQUARE_VERTICES, face_list

DISP_E_OVERFLOW = 0x8002000A
DISP_E_TYPEMISMATCH = 0x80020005
# Statuses that would mean the call never reached the operation.
NOT_REACHED = {0x80020003, 0x8002000E, DISP_E_TYPEMISMATCH}
HEADER_OPERATIONS = 86


def neutral_arguments(operation):
    """Zeros of each parameter's type, read from the signature line of its doc."""
    signature = getattr(pelmora.Context, operation).__doc__.splitlines()[0]
    types = re.findall(r": (\w+(?:\.\w+)?)", signature.split("->")[0])
    zero = {"int": 0, "bool": False, "float": 0.0, "str": "", "numpy.ndarray": np.zeros(0, np.float32)}
    return [zero[t] for t in types]


def test_every_operation_is_listed_documented_and_reached_by_name(ctx):
    names = pelmora.Context.operations
    assert len(names) == HEADER_OPERATIONS
    assert set(names) <= set(dir(ctx))
    for name in names:
        doc = getattr(pelmora.Context, name).__doc__
        assert doc.startswith(name + "(")
        try:
            getattr(ctx, name)(*neutral_arguments(name))
        except pelmora.Error as error:
            assert error.status not in NOT_REACHED, (name, str(error))


def test_out_parameters_come_back_as_one_value_or_a_tuple(ctx, view):
    frame = ctx.newFrame(0)
    assert isinstance(frame, int) and frame > 0
    assert ctx.setFrameColor(frame, RED) is None
    assert ctx.getFrameColor(frame) & 0xFFFFFFFF == RED  # 2^31.. passes as the bit pattern
    assert ctx.getViewportPlane(view.handle) == (-1.0, 1.0, -1.0, 1.0)
    assert ctx.getViewportPerspective(view.handle) is False
    assert ctx.getSelectionRay(view.handle, 32, 32)[:3] == pytest.approx((0, 0, -995))
    assert isinstance(ctx.getCurrentDeviceName(), str)
    assert all(isinstance(n, str) for n in ctx.enumerateDeviceNames())
    # Invoke's conversions: a float for an int, an int for a double, a bool for an int.
    ctx.setAppData(frame, 7.0)
    ctx.setFront(view.handle, 2)
    ctx.setViewportQuality(view.handle, True)
    assert (ctx.getAppData(frame), ctx.getViewportFront(view.handle), ctx.getViewportQuality(view.handle)) == (7, 2.0, -1)


@pytest.mark.parametrize("call, status", [
    # A released handle, and 0 where it names nothing.
    (lambda c, dead, v: c.setFrameColor(dead, RED), pelmora.E_HANDLE),
    (lambda c, dead, v: c.frameAddVisual(dead, 0), pelmora.E_HANDLE),
    # Bad arrays: not whole points, a null array, a transform of 11 doubles.
    (lambda c, dead, v: c.newSolidMesh(np.zeros(7, np.float32), [], face_list([]), False), pelmora.E_INVALIDARG),
    (lambda c, dead, v: c.newWireMesh([0, 0, 0], [2, 0, 5, 0]), pelmora.E_INVALIDARG),
    (lambda c, dead, v: c.addFrameTransform(c.newFrame(0), 0, None), pelmora.E_POINTER),
    (lambda c, dead, v: c.getScreenData(c.newWireMesh([0, 0, 0], [1, 0, 0]), v, np.eye(4, 3).ravel()[:11]),
     pelmora.E_INVALIDARG),
    # Values Invoke cannot convert.
    (lambda c, dead, v: c.setFrameColor(c.newFrame(0), 2 ** 40), DISP_E_OVERFLOW),
    (lambda c, dead, v: c.setFrameColor(c.newFrame(0), "red"), DISP_E_TYPEMISMATCH),
])
def test_failing_statuses_raise_with_their_code_and_log_line(ctx, view, call, status):
    dead = ctx.newFrame(0)
    ctx.releaseHandle(dead)
    with pytest.raises(pelmora.Error) as raised:
        call(ctx, dead, view.handle)
    assert raised.value.status == status
    if status >> 16 != 0x8002:  # the engine's own failures are logged
        assert "FAILED HRESULT (0x%x)" % status in raised.value.log_line
        assert raised.value.log_line in str(raised.value)


def test_wrong_argument_counts_and_closed_contexts_raise_python_errors(ctx):
    with pytest.raises(TypeError, match=r"setFrameColor\(hFrame, color\) takes 2 arguments, 1 given"):
        ctx.setFrameColor(1)
    with pytest.raises(TypeError):
        ctx.newDotMesh(["not", "numbers"])
    ctx.close()
    with pytest.raises(ValueError, match="closed"):
        ctx.newFrame(0)


def test_a_solid_mesh_from_numpy_draws(ctx, view):
    frame = ctx.newFrame(0)
    mesh = ctx.newSolidMesh(SQUARE_VERTICES, SQUARE_NORMALS, face_list(SQUARE_TRIANGLES), False)
    ctx.frameAddVisual(frame, mesh)
    ctx.setFrameColor(frame, RED)
    image = view.show(frame).image()
    assert is_red(image[32, 32])
