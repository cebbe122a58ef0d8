#include "WindowBinding.h"

#include "EngineError.h"

#include <pelmora/host.h>

#include <pybind11/numpy.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace py = pybind11;

namespace pelmora::python {

namespace {

class OffscreenWindow {
public:
    OffscreenWindow(int width, int height) : handle_(PelmoraCreateOffscreenWindow(width, height)) {
        if (handle_ == 0)
            raiseEngineError(E_INVALIDARG, "Window(" + std::to_string(width) + ", " + std::to_string(height) + ")",
                             loggedMessageCount());
    }
    ~OffscreenWindow() { close(); }
    OffscreenWindow(const OffscreenWindow&) = delete;
    OffscreenWindow& operator=(const OffscreenWindow&) = delete;

    int handle() const { return handle_; }
    void close() {
        if (handle_) PelmoraDestroyWindow(handle_);
        handle_ = 0;
    }

    // The pixels as presents left them; they stay valid until the next present.
    const uint32_t* pixels(int* width, int* height) const {
        const uint32_t* pixels = nullptr;
        const HRESULT status = PelmoraGetWindowImage(handle_, width, height, &pixels);
        if (FAILED(status)) raiseEngineError(status, "PelmoraGetWindowImage", loggedMessageCount());
        return pixels;
    }

    // H x W x 4 bytes, each pixel's 0xAARRGGBB in memory order: blue, green,
    // red, alpha. One block copy, the same bytes a C++ host reads.
    py::array_t<uint8_t> image() const {
        int width = 0, height = 0;
        const uint32_t* source = pixels(&width, &height);
        py::array_t<uint8_t> out({py::ssize_t(height), py::ssize_t(width), py::ssize_t(4)});
        std::memcpy(out.mutable_data(), source, size_t(width) * size_t(height) * 4);
        return out;
    }

    // The read-back a C++ host makes, as bytes (what image() must equal).
    py::bytes pixelBytes() const {
        int width = 0, height = 0;
        const uint32_t* source = pixels(&width, &height);
        return py::bytes(reinterpret_cast<const char*>(source), size_t(width) * size_t(height) * 4);
    }

    void savePng(const std::string& path) const {
        const unsigned loggedBefore = loggedMessageCount();
        const HRESULT status = PelmoraSaveWindowPng(handle_, path.c_str());
        if (FAILED(status)) raiseEngineError(status, "PelmoraSaveWindowPng", loggedBefore);
    }

    // The PNG a notebook shows, through a file the engine's writer makes.
    py::bytes png() const {
        std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/pelmora-XXXXXX";
        const int fd = mkstemp(path.data());
        if (fd < 0) throw py::value_error("cannot make a temporary file for the picture");
        ::close(fd);
        struct Remove {
            const std::string& path;
            ~Remove() { unlink(path.c_str()); }
        } remove{path};
        savePng(path);
        std::ifstream file(path, std::ios::binary);
        return py::bytes(std::string(std::istreambuf_iterator<char>(file), {}));
    }

private:
    int handle_ = 0;
};

std::string fileName(const py::object& path) { return py::str(py::module_::import("os").attr("fspath")(path)); }

}  // namespace

void bindWindow(py::module_& module) {
    py::class_<OffscreenWindow>(module, "Window", "An offscreen window of width x height pixels.")
        .def(py::init<int, int>(), py::arg("width"), py::arg("height"))
        .def_property_readonly("handle", &OffscreenWindow::handle, "The window's handle, for newViewport.")
        .def("image", &OffscreenWindow::image,
             "The picture as an H x W x 4 uint8 array, bytes blue, green, red, alpha (the "
             "little-endian 0xAARRGGBB pixels); image()[..., 2::-1] is RGB.")
        .def("_pixel_bytes", &OffscreenWindow::pixelBytes)
        .def("save_png", [](const OffscreenWindow& w, const py::object& path) { w.savePng(fileName(path)); },
             py::arg("path"), "Writes the picture to a PNG file, every pixel opaque.")
        .def("_repr_png_", &OffscreenWindow::png)
        .def("close", &OffscreenWindow::close, "Forgets the window.");
}

}  // namespace pelmora::python
