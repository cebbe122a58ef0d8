// The pixels of one surface: a level of a GL texture (render targets, the
// back buffer, DEFAULT and MANAGED textures) or CPU memory (SYSTEMMEM and
// SCRATCH). Surfaces and texture levels share this class; locking always
// hands out CPU memory in the surface's own format, top row first.
#pragma once

#include "platform/d3d9/d3d9types.h"
#include "platform/d3d9/gl/FormatTable.h"

#include <GL/glcorearb.h>

#include <cstdint>
#include <vector>

namespace pelmora::d3d9gl {

class GLDevice;

class GLImage {
public:
    // texture 0 makes a CPU image; the texture is not owned.
    GLImage(GLDevice* device, const FormatInfo& format, UINT width, UINT height, D3DPOOL pool,
            DWORD usage, GLuint texture, GLint level);
    ~GLImage();

    GLImage(const GLImage&) = delete;
    GLImage& operator=(const GLImage&) = delete;

    HRESULT lockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT unlockRect();

    // Rectangles already checked against the image; strides in bytes. No
    // call allocates in steady state: pixels go straight between GL and the
    // caller's rows where the layouts allow, else through scratch copies
    // kept for the next call.
    void readRaw(const RECT& rect, uint8_t* out, size_t stride);
    void writeRaw(const RECT& rect, const uint8_t* in, size_t stride);
    void readArgb(const RECT& rect, uint32_t* out, size_t stride);
    void writeArgb(const RECT& rect, const uint32_t* in, size_t stride);

    // A framebuffer with this image as its colour, made on first use; 0 for CPU images.
    GLuint framebuffer();

    bool inVideoMemory() const { return texture_ != 0; }
    bool locked() const { return locked_; }
    bool contains(const RECT& rect) const;
    RECT whole() const { return {0, 0, LONG(width_), LONG(height_)}; }
    // A CPU image's pixels at a rectangle and the bytes between its rows.
    uint8_t* cpuPixelsAt(const RECT& rect) { return stagingAt(rect); }
    size_t cpuPitch() const { return pitch(); }
    const FormatInfo& format() const { return format_; }
    UINT width() const { return width_; }
    UINT height() const { return height_; }
    D3DPOOL pool() const { return pool_; }
    DWORD usage() const { return usage_; }
    GLuint texture() const { return texture_; }
    GLint level() const { return level_; }
    void describe(D3DSURFACE_DESC* desc, D3DRESOURCETYPE type) const;

private:
    size_t pitch() const { return size_t(width_) * format_.bytesPerPixel; }
    // Where a rectangle's first pixel lives in memory_ (rows of pitch() bytes).
    uint8_t* stagingAt(const RECT& rect);
    void readTexture(const RECT& rect, uint8_t* out, size_t stride);
    void writeTexture(const RECT& rect, const uint8_t* in, size_t stride);
    // True when GL's BGRA 8-8-8-8 transfer gives the format's 0xAARRGGBB as it is.
    bool transfersAsArgb() const;

    GLDevice* device_;
    const FormatInfo& format_;
    UINT width_;
    UINT height_;
    D3DPOOL pool_;
    DWORD usage_;
    GLuint texture_;
    GLint level_;
    GLuint framebuffer_ = 0;
    std::vector<uint8_t> memory_;  // the pixels of a CPU image, or a lock's staging copy
    std::vector<uint8_t> scratch_;       // rows in the format's layout, for conversions
    std::vector<uint32_t> argbScratch_;  // rows of formats GL transfers only as ARGB
    bool locked_ = false;
    DWORD lockFlags_ = 0;
    RECT lockedArea_ = {};
};

}  // namespace pelmora::d3d9gl
