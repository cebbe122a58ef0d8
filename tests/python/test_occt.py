"""A STEP file through the Open CASCADE kernel, in two calls (skipped when
the kernel was not built)."""
import pathlib

import numpy as np
import pytest

occt = pytest.importorskip("pelmora.occt")

ASSEMBLY = pathlib.Path(__file__).parents[2] / "examples" / "data" / "demo-assembly.step"


def test_a_step_file_opens_and_shows_under_a_frame(ctx, view):
    model = occt.open(ASSEMBLY)
    frame = ctx.newFrame(0)
    root = model.add(ctx, frame)
    assert root != 0 and len(model.body_names) > 1
    lower, upper = model.bounds
    empty = view.show(ctx.newFrame(0)).image().copy()
    image = view.fit(lower, upper, view="iso").show(frame).image()
    changed = np.any(image[..., :3] != empty[..., :3], axis=2)
    assert 0.1 < changed.mean() < 0.9  # the model fills the view, margins left


def test_a_missing_file_is_named(tmp_path):
    with pytest.raises(ValueError, match="nothing.step"):
        occt.open(tmp_path / "nothing.step")
