"""Windows and views: the picture as numpy, as PNG, as a snapshot file."""
import numpy as np
import pytest

import pelmora
from conftest import RED, SIZE, SQUARE_NORMALS, SQUARE_TRIANGLES, SQUARE_VERTICES, bgra, face_list

PNG_MAGIC = b"\x89PNG\r\n\x1a\n"


@pytest.fixture
def red_square(ctx):
    frame = ctx.newFrame(0)
    ctx.frameAddVisual(frame, ctx.newSolidMesh(SQUARE_VERTICES, SQUARE_NORMALS, face_list(SQUARE_TRIANGLES), False))
    ctx.setFrameColor(frame, RED)
    return frame


def test_the_image_is_the_windows_pixels_byte_for_byte(view, red_square):
    image = view.show(red_square).image()
    assert image.shape == (SIZE, SIZE, 4) and image.dtype == np.uint8
    assert image.tobytes() == view.window._pixel_bytes()
    # The square covers the middle half of the view; the background is a grey-blue gradient.
    centre, corner = image[SIZE // 2, SIZE // 2, :3], image[2, 2, :3]
    assert np.argmax(centre) == 2 and centre[2] > 150
    assert not np.array_equal(corner, centre)


def test_png_for_notebooks_and_snapshot_files(view, red_square, tmp_path):
    view.show(red_square)
    assert view._repr_png_().startswith(PNG_MAGIC)
    view.save(tmp_path / "square.png")
    view.save(str(tmp_path / "half.jpg"), SIZE // 2, SIZE // 2)
    assert (tmp_path / "square.png").read_bytes().startswith(PNG_MAGIC)
    assert (tmp_path / "half.jpg").read_bytes()[:2] == b"\xff\xd8"
    with pytest.raises(pelmora.Error) as refused:
        view.save(tmp_path / "missing-folder" / "x.png")
    assert refused.value.status == pelmora.E_FAIL


def test_bad_windows_are_refused(ctx):
    with pytest.raises(pelmora.Error) as refused:
        pelmora.Window(0, 10)
    assert refused.value.status == pelmora.E_INVALIDARG
    window = pelmora.Window(8, 8)
    window.close()
    with pytest.raises(pelmora.Error) as gone:
        window.image()
    assert gone.value.status == pelmora.E_HANDLE
    assert bgra(0).tolist() == [0, 0, 0]
