#include "platform/d3d9/gl/GLImage.h"

#include "platform/d3d9/gl/GLDevice.h"

#include <cstring>

namespace pelmora::d3d9gl {
namespace {

size_t rectWidth(const RECT& rect) { return size_t(rect.right - rect.left); }
size_t rectHeight(const RECT& rect) { return size_t(rect.bottom - rect.top); }

void copyRows(const uint8_t* source, size_t sourceStride, uint8_t* target, size_t targetStride,
              size_t rowBytes, size_t rows) {
    for (size_t y = 0; y < rows; ++y)
        std::memcpy(target + y * targetStride, source + y * sourceStride, rowBytes);
}

}  // namespace

GLImage::GLImage(GLDevice* device, const FormatInfo& format, UINT width, UINT height,
                 D3DPOOL pool, DWORD usage, GLuint texture, GLint level)
    : device_(device), format_(format), width_(width), height_(height), pool_(pool),
      usage_(usage), texture_(texture), level_(level) {
    if (!texture_) memory_.assign(pitch() * height_, 0);
}

GLImage::~GLImage() {
    if (!framebuffer_) return;
    device_->makeCurrent();
    device_->cache().forgetFramebuffer(framebuffer_);
    device_->gl().DeleteFramebuffers(1, &framebuffer_);
}

bool GLImage::contains(const RECT& rect) const {
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
           UINT(rect.right) <= width_ && UINT(rect.bottom) <= height_;
}

void GLImage::describe(D3DSURFACE_DESC* desc, D3DRESOURCETYPE type) const {
    *desc = {format_.format, type, usage_, pool_, D3DMULTISAMPLE_NONE, 0, width_, height_};
}

HRESULT GLImage::lockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!locked) return device_->invalidCall("LockRect: no place for the result");
    if (locked_) return device_->invalidCall("LockRect: the surface is already locked");
    const RECT area = rect ? *rect : whole();
    if (!contains(area)) return device_->invalidCall("LockRect: rectangle outside the surface");
    // A lock stages only its own rectangle: reading back or uploading the
    // whole surface for a few pixels would cost a full transfer each time.
    if (texture_) {
        memory_.resize(pitch() * height_);
        if (!(flags & D3DLOCK_DISCARD)) readRaw(area, stagingAt(area), pitch());
    }
    locked_ = true;
    lockFlags_ = flags;
    lockedArea_ = area;
    locked->Pitch = static_cast<INT>(pitch());
    locked->pBits = stagingAt(area);
    return D3D_OK;
}

HRESULT GLImage::unlockRect() {
    if (!locked_) return device_->invalidCall("UnlockRect: the surface is not locked");
    locked_ = false;
    if (texture_ && !(lockFlags_ & D3DLOCK_READONLY)) writeRaw(lockedArea_, stagingAt(lockedArea_), pitch());
    return D3D_OK;
}

uint8_t* GLImage::stagingAt(const RECT& rect) {
    return memory_.data() + rect.top * pitch() + rect.left * format_.bytesPerPixel;
}

void GLImage::readRaw(const RECT& rect, uint8_t* out, size_t stride) {
    const size_t rowBytes = rectWidth(rect) * format_.bytesPerPixel;
    if (!texture_) {
        copyRows(stagingAt(rect), pitch(), out, stride, rowBytes, rectHeight(rect));
        return;
    }
    if (stride % format_.bytesPerPixel == 0 && !format_.uploadAsArgb) {
        readTexture(rect, out, stride);
        return;
    }
    scratch_.resize(rowBytes * rectHeight(rect));
    readTexture(rect, scratch_.data(), rowBytes);
    copyRows(scratch_.data(), rowBytes, out, stride, rowBytes, rectHeight(rect));
}

void GLImage::writeRaw(const RECT& rect, const uint8_t* in, size_t stride) {
    const size_t rowBytes = rectWidth(rect) * format_.bytesPerPixel;
    if (!texture_) {
        copyRows(in, stride, stagingAt(rect), pitch(), rowBytes, rectHeight(rect));
        return;
    }
    if (stride % format_.bytesPerPixel == 0 && !format_.uploadAsArgb) {
        writeTexture(rect, in, stride);
        return;
    }
    scratch_.resize(rowBytes * rectHeight(rect));
    copyRows(in, stride, scratch_.data(), rowBytes, rowBytes, rectHeight(rect));
    writeTexture(rect, scratch_.data(), rowBytes);
}

bool GLImage::transfersAsArgb() const {
    return format_.bytesPerPixel == 4 && !format_.uploadAsArgb && format_.uploadFormat == GL_BGRA &&
           format_.uploadType == GL_UNSIGNED_INT_8_8_8_8_REV;
}

// 32-bit BGRA formats travel straight between GL and the caller's rows (GL
// fills the alpha of a format without one); others convert in one pass from
// their own layout.
void GLImage::readArgb(const RECT& rect, uint32_t* out, size_t stride) {
    if (texture_ && transfersAsArgb() && stride % sizeof(uint32_t) == 0) {
        readTexture(rect, reinterpret_cast<uint8_t*>(out), stride);
        return;
    }
    const size_t rowBytes = rectWidth(rect) * format_.bytesPerPixel;
    const uint8_t* raw = nullptr;
    size_t rawStride = pitch();
    if (texture_) {
        scratch_.resize(rowBytes * rectHeight(rect));
        readTexture(rect, scratch_.data(), rowBytes);
        raw = scratch_.data();
        rawStride = rowBytes;
    } else {
        raw = stagingAt(rect);
    }
    convertRowsToArgb(format_, raw, rawStride, out, stride, int(rectWidth(rect)), int(rectHeight(rect)));
}

void GLImage::writeArgb(const RECT& rect, const uint32_t* in, size_t stride) {
    if (texture_ && transfersAsArgb() && stride % sizeof(uint32_t) == 0) {
        writeTexture(rect, reinterpret_cast<const uint8_t*>(in), stride);
        return;
    }
    if (!texture_) {
        convertRowsFromArgb(format_, in, stride, stagingAt(rect), pitch(), int(rectWidth(rect)),
                            int(rectHeight(rect)));
        return;
    }
    const size_t rowBytes = rectWidth(rect) * format_.bytesPerPixel;
    scratch_.resize(rowBytes * rectHeight(rect));
    convertRowsFromArgb(format_, in, stride, scratch_.data(), rowBytes, int(rectWidth(rect)),
                        int(rectHeight(rect)));
    writeTexture(rect, scratch_.data(), rowBytes);
}

// Rows of `stride` bytes (a whole number of pixels unless the format
// travels as ARGB). Formats OpenGL cannot transfer as they are travel as
// 32-bit BGRA through a scratch copy.
void GLImage::readTexture(const RECT& rect, uint8_t* out, size_t stride) {
    if (!device_->makeCurrent()) return;
    const GLApi& gl = device_->gl();
    const GLsizei w = GLsizei(rectWidth(rect)), h = GLsizei(rectHeight(rect));
    if (!format_.uploadAsArgb) {
        const size_t rowPixels = stride / format_.bytesPerPixel;
        const size_t bytes = ((size_t(h) - 1) * rowPixels + size_t(w)) * format_.bytesPerPixel;
        gl.PixelStorei(GL_PACK_ROW_LENGTH, GLint(rowPixels));
        gl.GetTextureSubImage(texture_, level_, rect.left, rect.top, 0, w, h, 1, format_.uploadFormat,
                              format_.uploadType, GLsizei(bytes), out);
        gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
        return;
    }
    argbScratch_.resize(size_t(w) * h);
    gl.GetTextureSubImage(texture_, level_, rect.left, rect.top, 0, w, h, 1, GL_BGRA,
                          GL_UNSIGNED_INT_8_8_8_8_REV, GLsizei(argbScratch_.size() * 4), argbScratch_.data());
    convertRowsFromArgb(format_, argbScratch_.data(), size_t(w) * 4, out, stride, w, h);
}

void GLImage::writeTexture(const RECT& rect, const uint8_t* in, size_t stride) {
    if (!device_->makeCurrent()) return;
    const GLApi& gl = device_->gl();
    const GLsizei w = GLsizei(rectWidth(rect)), h = GLsizei(rectHeight(rect));
    if (!format_.uploadAsArgb) {
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, GLint(stride / format_.bytesPerPixel));
        gl.TextureSubImage2D(texture_, level_, rect.left, rect.top, w, h, format_.uploadFormat,
                             format_.uploadType, in);
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        return;
    }
    argbScratch_.resize(size_t(w) * h);
    convertRowsToArgb(format_, in, stride, argbScratch_.data(), size_t(w) * 4, w, h);
    gl.TextureSubImage2D(texture_, level_, rect.left, rect.top, w, h, GL_BGRA,
                         GL_UNSIGNED_INT_8_8_8_8_REV, argbScratch_.data());
}

GLuint GLImage::framebuffer() {
    if (framebuffer_ || !texture_) return framebuffer_;
    const GLApi& gl = device_->gl();
    gl.CreateFramebuffers(1, &framebuffer_);
    gl.NamedFramebufferTexture(framebuffer_, GL_COLOR_ATTACHMENT0, texture_, level_);
    return framebuffer_;
}

}  // namespace pelmora::d3d9gl
