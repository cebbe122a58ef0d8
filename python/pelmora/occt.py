"""Model files through Pelmora's Open CASCADE kernel (when it was built):

    model = pelmora.occt.open("part.step")
    root = model.add(context, frame)       # model.bounds frames it
"""
try:
    from ._occt import Model, open  # noqa: A004 (the module's verb)
except ImportError as missing:
    raise ImportError("pelmora.occt needs the Open CASCADE kernel, which this build left out") from missing

__all__ = ["Model", "open"]
