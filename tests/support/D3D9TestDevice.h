// A device on the software adapter for GL tests, with back-buffer readback,
// pixel probes and PNGs of what was checked.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace pelmora::test {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first

    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

struct DeviceOptions {
    UINT width = 64;
    UINT height = 64;
    D3DFORMAT backBufferFormat = D3DFMT_X8R8G8B8;
    bool depth = false;
    D3DFORMAT depthFormat = D3DFMT_D24S8;
};

class D3D9TestDevice {
public:
    explicit D3D9TestDevice(const DeviceOptions& options = {});
    ~D3D9TestDevice();
    D3D9TestDevice(const D3D9TestDevice&) = delete;
    D3D9TestDevice& operator=(const D3D9TestDevice&) = delete;

    bool ok() const { return device_ != nullptr; }
    IDirect3D9* direct3d() const { return direct3d_; }
    IDirect3DDevice9* device() const { return device_; }
    IDirect3DDevice9* operator->() const { return device_; }

    // The back buffer as it is now, read through a lockable back buffer.
    Image readBackBuffer() const;
    Image readSurface(IDirect3DSurface9* surface) const;
    // A buffer in `pool` holding the bytes; null when it cannot be made.
    IDirect3DVertexBuffer9* vertexBuffer(const void* data, UINT bytes, DWORD fvf, D3DPOOL pool) const;
    IDirect3DIndexBuffer9* indexBuffer(const void* data, UINT bytes, D3DFORMAT format, D3DPOOL pool) const;

    // What was last presented into an offscreen window.
    static Image windowImage(int window);
    // build/<preset>/tests/images/<file>, the folder made if need be.
    static std::string imagePath(const std::string& file);
    // Writes imagePath(<name>.png); returns the path.
    static std::string savePng(const Image& image, const std::string& name);

private:
    IDirect3D9* direct3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

// The vertex layouts the tests draw with.
struct TLVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE (0x44)
    float x, y, z, rhw;
    D3DCOLOR colour;
};
struct TLTexVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 (0x144)
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
struct ColourVertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE (0x42)
    float x, y, z;
    D3DCOLOR colour;
};
struct NormalVertex {  // D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1 (0x112)
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr DWORD kTLTexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kColourFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr DWORD kNormalFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// Colour channels of 0xAARRGGBB.
inline int red(uint32_t c) { return int((c >> 16) & 0xFF); }
inline int green(uint32_t c) { return int((c >> 8) & 0xFF); }
inline int blue(uint32_t c) { return int(c & 0xFF); }
inline int alpha(uint32_t c) { return int(c >> 24); }

// True when each of red, green and blue is within tolerance; explains
// otherwise in *why, when given.
bool colourNear(uint32_t actual, uint32_t expected, int tolerance, std::string* why);

// One pixel probe: where, and the 0x..RRGGBB expected there.
struct Probe {
    int x, y;
    uint32_t colour;
};
// Success when every probe is within the tolerance; names each one that is not.
testing::AssertionResult pixelsNear(const Image& image, std::initializer_list<Probe> probes, int tolerance = 0);

}  // namespace pelmora::test

// Probes one pixel against an expected 0x..RRGGBB within a tolerance.
#define EXPECT_PIXEL_NEAR(image, x, y, expected, tolerance)                                   \
    do {                                                                                        \
        std::string pixelWhy_;                                                                  \
        EXPECT_TRUE(::pelmora::test::colourNear((image).at((x), (y)), (expected), (tolerance),  \
                                                &pixelWhy_))                                    \
            << "at (" << (x) << ", " << (y) << "): " << pixelWhy_;                              \
    } while (0)

// Compares one colour against an expected 0x..RRGGBB within a tolerance.
#define EXPECT_COLOUR_NEAR(actual, expected, tolerance)                                                 \
    do {                                                                                                \
        std::string colourWhy_;                                                                         \
        EXPECT_TRUE(::pelmora::test::colourNear((actual), (expected), (tolerance), &colourWhy_)) << colourWhy_; \
    } while (0)
