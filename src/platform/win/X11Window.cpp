// An attached X11 window: each present draws the image into a copy of the
// client area in 0xAARRGGBB (which hosts read back), converts the part that
// changed to the window's visual and sends it with XShmPutImage when the
// server shares memory with us, else XPutImage. The XImage is kept while
// presents keep the same size.
#include "platform/win/X11Window.h"

#include "core/Diagnostics.h"
#include "platform/win/ClientImage.h"
#include "platform/win/X11WindowConnection.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <atomic>
#include <bit>
#include <vector>

namespace pelmora::win {

namespace {

std::atomic<bool> sharedMemoryAllowed{true};

constexpr int kBitmapPad = 32;
constexpr int kDirectBitsPerPixel = 32;
constexpr unsigned long kDirectRed = 0xFF0000, kDirectGreen = 0xFF00, kDirectBlue = 0xFF;
constexpr uint32_t kOpaque = 0xFF000000u;
constexpr int kSharedMemoryMode = 0600;

// One channel of the visual's pixel value, filled from an 8-bit component.
struct VisualChannel {
    int shift = 0;
    int bits = 0;

    explicit VisualChannel(unsigned long mask) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        bits = std::popcount(mask);
    }
    unsigned long place(uint32_t component) const {
        unsigned long value = bits <= 8 ? component >> (8 - bits) : component << (bits - 8);
        return value << shift;
    }
};

class X11Window final : public Window {
public:
    X11Window(X11WindowConnection& connection, ::Window xid, const XWindowAttributes& attributes,
              GC gc)
        : connection_(connection),
          xid_(xid),
          visual_(attributes.visual),
          depth_(attributes.depth),
          gc_(gc),
          shown_(attributes.width, attributes.height),
          red_(visual_->red_mask),
          green_(visual_->green_mask),
          blue_(visual_->blue_mask) {}

    ~X11Window() override {
        std::lock_guard<std::mutex> lock(connection_.mutex());
        releaseImage();
        connection_.trapErrors([&] { XFreeGC(display(), gc_); });
    }

    bool clientSize(int* width, int* height) override {
        std::lock_guard<std::mutex> lock(connection_.mutex());
        return querySize(width, height);
    }

    HRESULT present(const RECT& destination, const imaging::ImageView& image) override {
        std::lock_guard<std::mutex> lock(connection_.mutex());
        int clientWidth = 0, clientHeight = 0;
        if (!querySize(&clientWidth, &clientHeight)) {
            logFormat("Pelmora X11: window 0x%lx is gone; nothing presented\n", xid_);
            return E_HANDLE;
        }
        shown_.resize(clientWidth, clientHeight);
        PresentPlacement placement;
        if (!shown_.present(destination, image, &placement)) return S_OK;
        const imaging::PixelRegion& visible = placement.visible;
        if (!prepareImage(visible.width, visible.height)) {
            logFormat("Pelmora X11: cannot make a %d x %d image for window 0x%lx\n", visible.width,
                      visible.height, xid_);
            return E_OUTOFMEMORY;
        }
        convertShown(visible);
        return putImage(visible);
    }

    imaging::ImageView image() override {
        std::lock_guard<std::mutex> lock(connection_.mutex());
        return shown_.view();
    }

private:
    Display* display() const { return connection_.display(); }

    bool querySize(int* width, int* height) {
        XWindowAttributes attributes;
        Status status = 0;
        if (!connection_.trapErrors(
                [&] { status = XGetWindowAttributes(display(), xid_, &attributes); }) ||
            status == 0)
            return false;
        *width = attributes.width;
        *height = attributes.height;
        return true;
    }

    bool useSharedMemory() const {
        return sharedMemoryAllowed.load() && connection_.sharedMemoryUsable();
    }

    bool prepareImage(int width, int height) {
        const bool shared = useSharedMemory();
        if (image_ && image_->width == width && image_->height == height && imageShared_ == shared)
            return true;
        releaseImage();
        if (shared && createSharedImage(width, height)) return true;
        if (shared) {
            logFormat("Pelmora X11: shared memory failed; presenting with XPutImage\n");
            connection_.disableSharedMemory();
        }
        return createPlainImage(width, height);
    }

    bool createSharedImage(int width, int height) {
        segment_ = XShmSegmentInfo{};
        XImage* image = XShmCreateImage(display(), visual_, unsigned(depth_), ZPixmap, nullptr,
                                        &segment_, unsigned(width), unsigned(height));
        if (!image) return false;
        segment_.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(height),
                                IPC_CREAT | kSharedMemoryMode);
        if (segment_.shmid < 0) {
            XDestroyImage(image);
            return false;
        }
        segment_.shmaddr = image->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
        segment_.readOnly = False;
        bool attached = segment_.shmaddr != reinterpret_cast<char*>(-1) &&
                        connection_.trapErrors([&] { XShmAttach(display(), &segment_); });
        // Marked for removal at once: it goes when both sides have detached,
        // even if the process dies first.
        shmctl(segment_.shmid, IPC_RMID, nullptr);
        if (!attached) {
            if (segment_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(segment_.shmaddr);
            image->data = nullptr;
            XDestroyImage(image);
            return false;
        }
        image_ = image;
        imageShared_ = true;
        return true;
    }

    bool createPlainImage(int width, int height) {
        XImage* image = XCreateImage(display(), visual_, unsigned(depth_), ZPixmap, 0, nullptr,
                                     unsigned(width), unsigned(height), kBitmapPad, 0);
        if (!image) return false;
        plainData_.resize(size_t(image->bytes_per_line) * size_t(height));
        image->data = plainData_.data();
        image_ = image;
        imageShared_ = false;
        return true;
    }

    void releaseImage() {
        if (!image_) return;
        if (imageShared_) {
            connection_.trapErrors([&] { XShmDetach(display(), &segment_); });
            shmdt(segment_.shmaddr);
        }
        image_->data = nullptr;  // the memory is ours, not Xlib's
        XDestroyImage(image_);
        image_ = nullptr;
    }

    // The visual's layout is 0x00RRGGBB in native byte order, so rows copy as they are.
    bool directLayout() const {
        constexpr int kNativeOrder =
            std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        return image_->bits_per_pixel == kDirectBitsPerPixel &&
               image_->byte_order == kNativeOrder && visual_->red_mask == kDirectRed &&
               visual_->green_mask == kDirectGreen && visual_->blue_mask == kDirectBlue;
    }

    void convertShown(const imaging::PixelRegion& region) {
        const imaging::ImageView shown = shown_.view();
        const int width = image_->width;
        const bool direct = directLayout();
        for (int y = 0; y < image_->height; ++y) {
            const uint32_t* from = shown.row(region.y + y) + region.x;
            if (direct) {
                auto* to = reinterpret_cast<uint32_t*>(image_->data +
                                                       std::ptrdiff_t(y) * image_->bytes_per_line);
                for (int x = 0; x < width; ++x) to[x] = from[x] | kOpaque;
                continue;
            }
            for (int x = 0; x < width; ++x) XPutPixel(image_, x, y, visualPixel(from[x]));
        }
    }

    unsigned long visualPixel(uint32_t argb) const {
        return red_.place((argb >> 16) & 0xFF) | green_.place((argb >> 8) & 0xFF) |
               blue_.place(argb & 0xFF);
    }

    HRESULT putImage(const imaging::PixelRegion& at) {
        int error = 0;
        const bool sent = connection_.trapErrors(
            [&] {
                if (imageShared_)
                    XShmPutImage(display(), xid_, gc_, image_, 0, 0, at.x, at.y, unsigned(at.width),
                                 unsigned(at.height), False);
                else
                    XPutImage(display(), xid_, gc_, image_, 0, 0, at.x, at.y, unsigned(at.width),
                              unsigned(at.height));
            },
            &error);
        if (sent) return S_OK;
        logFormat("Pelmora X11: presenting into window 0x%lx failed (X error %d)\n", xid_, error);
        return E_FAIL;
    }

    X11WindowConnection& connection_;
    ::Window xid_;
    Visual* visual_;
    int depth_;
    GC gc_;
    ClientImage shown_;  // what hosts read back
    VisualChannel red_, green_, blue_;
    XImage* image_ = nullptr;
    bool imageShared_ = false;
    XShmSegmentInfo segment_{};
    std::vector<char> plainData_;
};

bool drawableVisual(const XWindowAttributes& attributes) {
    const int visualClass = attributes.visual->c_class;
    return visualClass == TrueColor || visualClass == DirectColor;
}

}  // namespace

std::shared_ptr<Window> attachX11Window(unsigned long xid) {
    X11WindowConnection* connection = X11WindowConnection::get();
    if (!connection) return nullptr;
    std::lock_guard<std::mutex> lock(connection->mutex());
    Display* display = connection->display();
    XWindowAttributes attributes;
    Status status = 0;
    int error = 0;
    if (!connection->trapErrors([&] { status = XGetWindowAttributes(display, xid, &attributes); },
                                &error) ||
        status == 0) {
        logFormat("PelmoraAttachX11Window: 0x%lx is not a window on the display (X error %d)\n",
                  xid, error);
        return nullptr;
    }
    if (!drawableVisual(attributes)) {
        logFormat("PelmoraAttachX11Window: window 0x%lx has no true-colour visual\n", xid);
        return nullptr;
    }
    GC gc = nullptr;
    if (!connection->trapErrors([&] { gc = XCreateGC(display, xid, 0, nullptr); }) || !gc) {
        logFormat("PelmoraAttachX11Window: cannot make a graphics context for 0x%lx\n", xid);
        return nullptr;
    }
    return std::make_shared<X11Window>(*connection, xid, attributes, gc);
}

void setX11SharedMemoryAllowed(bool allowed) { sharedMemoryAllowed.store(allowed); }

bool x11SharedMemoryInUse() {
    X11WindowConnection* connection = X11WindowConnection::get();
    return connection && sharedMemoryAllowed.load() && connection->sharedMemoryUsable();
}

}  // namespace pelmora::win
