#include "support/D3D9TestDevice.h"

#include <pelmora/host.h>

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace pelmora::test {

namespace {

template <class Buffer>
Buffer* filled(Buffer* buffer, const void* data, UINT bytes) {
    void* target = nullptr;
    if (buffer == nullptr || FAILED(buffer->Lock(0, 0, &target, 0))) return buffer;
    std::memcpy(target, data, bytes);
    buffer->Unlock();
    return buffer;
}

}  // namespace

D3D9TestDevice::D3D9TestDevice(const DeviceOptions& options) {
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!direct3d_ || direct3d_->GetAdapterCount() == 0) return;
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = options.width;
    parameters.BackBufferHeight = options.height;
    parameters.BackBufferFormat = options.backBufferFormat;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = options.depth ? TRUE : FALSE;
    parameters.AutoDepthStencilFormat = options.depth ? options.depthFormat : D3DFMT_UNKNOWN;
    parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    // The software rasterizer is the last adapter; tests run there.
    if (FAILED(direct3d_->CreateDevice(direct3d_->GetAdapterCount() - 1, D3DDEVTYPE_SW, 0,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device_)))
        device_ = nullptr;
}

D3D9TestDevice::~D3D9TestDevice() {
    if (device_) device_->Release();
    if (direct3d_) direct3d_->Release();
}

Image D3D9TestDevice::readSurface(IDirect3DSurface9* surface) const {
    Image image;
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    if (FAILED(surface->GetDesc(&desc)) || FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return image;
    image = {int(desc.Width), int(desc.Height), {}};
    const uint32_t opaque = desc.Format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0;
    for (UINT y = 0; y < desc.Height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < desc.Width; ++x) image.pixels.push_back(row[x] | opaque);
    }
    surface->UnlockRect();
    return image;
}

Image D3D9TestDevice::readBackBuffer() const {
    IDirect3DSurface9* backBuffer = nullptr;
    if (FAILED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) return {};
    Image image = readSurface(backBuffer);
    backBuffer->Release();
    return image;
}

IDirect3DVertexBuffer9* D3D9TestDevice::vertexBuffer(const void* data, UINT bytes, DWORD fvf, D3DPOOL pool) const {
    IDirect3DVertexBuffer9* buffer = nullptr;
    device_->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, pool, &buffer, nullptr);
    return filled(buffer, data, bytes);
}

IDirect3DIndexBuffer9* D3D9TestDevice::indexBuffer(const void* data, UINT bytes, D3DFORMAT format, D3DPOOL pool) const {
    IDirect3DIndexBuffer9* buffer = nullptr;
    device_->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, format, pool, &buffer, nullptr);
    return filled(buffer, data, bytes);
}

Image D3D9TestDevice::windowImage(int window) {
    Image image;
    const uint32_t* pixels = nullptr;
    if (PelmoraGetWindowImage(window, &image.width, &image.height, &pixels) == S_OK)
        image.pixels.assign(pixels, pixels + size_t(image.width) * image.height);
    return image;
}

std::string D3D9TestDevice::imagePath(const std::string& file) {
    const std::filesystem::path folder = std::filesystem::path(PELMORA_BINARY_DIR) / "tests" / "images";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / file).string();
}

std::string D3D9TestDevice::savePng(const Image& image, const std::string& name) {
    const std::string path = imagePath(name + ".png");
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB in little-endian memory
    png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr);
    return path;
}

bool colourNear(uint32_t actual, uint32_t expected, int tolerance, std::string* why) {
    if (std::abs(red(actual) - red(expected)) <= tolerance && std::abs(green(actual) - green(expected)) <= tolerance &&
        std::abs(blue(actual) - blue(expected)) <= tolerance)
        return true;
    if (!why) return false;
    char text[128];
    std::snprintf(text, sizeof text, "got %02X %02X %02X, expected %02X %02X %02X (tolerance %d)", red(actual),
                  green(actual), blue(actual), red(expected), green(expected), blue(expected), tolerance);
    *why = text;
    return false;
}

testing::AssertionResult pixelsNear(const Image& image, std::initializer_list<Probe> probes, int tolerance) {
    testing::AssertionResult result = testing::AssertionSuccess();
    for (const Probe& p : probes) {
        std::string why;
        if (colourNear(image.at(p.x, p.y), p.colour, tolerance, &why)) continue;
        if (result) result = testing::AssertionFailure();
        result << "\n  at (" << p.x << ", " << p.y << "): " << why;
    }
    return result;
}

}  // namespace pelmora::test
