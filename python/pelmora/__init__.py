"""Pelmora from Python.

    import pelmora
    ctx = pelmora.Context()
    view = pelmora.View(ctx, 256, 256)
    root = ctx.newFrame(0)
    ...
    view.show(root)          # a picture in a notebook; view.image() as numpy

Context's methods are the engine's interface operations by their own names
(help(pelmora.Context.render)); View, Window and FacetFactory add what a
script needs around them.
"""
from ._pelmora import (Context, Error, FacetFactory, Window, add_default_lights, fit_view, last_log_message,
                       viewport_deviation,
                       set_view)

__all__ = ["Context", "Error", "FacetFactory", "View", "Window", "E_FAIL", "E_HANDLE",
           "E_INVALIDARG", "E_POINTER", "fit_view", "set_view", "add_default_lights", "last_log_message",
           "viewport_deviation"]

# The statuses a script most often tests pelmora.Error.status against.
E_POINTER = 0x80004003
E_FAIL = 0x80004005
E_HANDLE = 0x80070006
E_INVALIDARG = 0x80070057


class View:
    """A viewport presenting into an offscreen window of its own.

    View(context, width, height, lights=True): lit with the default rig
    unless lights is False. show(root) renders a frame tree and returns the
    view, which a notebook shows as its picture; image() gives the pixels as
    an H x W x 4 array (blue, green, red, alpha); save(path) writes a
    snapshot file in the format of the extension (.png, .jpg, .bmp, .gif,
    .tif).
    """

    def __init__(self, context, width=256, height=256, lights=True):
        self.context = context
        self.width, self.height = width, height
        self.window = Window(width, height)
        self.handle = context.newViewport(self.window.handle, False, True, width, height)
        if self.handle == 0:
            raise Error("newViewport: no device could be made (the log says why)")
        if lights:
            add_default_lights(context, self.handle)

    def fit(self, lower, upper, view=None):
        """Frames the world box lower..upper, turned first to a standard view if named."""
        if view is not None:
            set_view(self.context, self.handle, view)
        fit_view(self.context, self.handle, lower, upper)
        return self

    def show(self, root):
        """Renders root's frame tree into the window; returns the view."""
        ctx, v = self.context, self.handle
        ctx.clearViewport(v)
        ctx.render(v, root, False, False)
        ctx.viewportPresent(v, 0, 0, self.width, self.height)
        return self

    def image(self):
        return self.window.image()

    def _repr_png_(self):
        return self.window._repr_png_()

    def save(self, path, width=None, height=None):
        """Writes the last render through the engine's snapshot, resampled to width x height."""
        self.context.saveSnapshotJPG(self.handle, path, width or self.width, height or self.height)

    def close(self):
        if not self.context.closed:
            self.context.releaseHandle(self.handle)
        self.window.close()
