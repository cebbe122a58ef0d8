#include "platform/d3d9/gl/FormatTable.h"

#include <GL/glcorearb.h>

#include <vector>

namespace pelmora::d3d9gl {
namespace {

struct GLStorage {
    D3DFORMAT format;
    GLenum internalFormat, uploadFormat, uploadType;
    int32_t swizzle[4];
    bool uploadAsArgb;
};

constexpr GLStorage stored(D3DFORMAT format, GLenum internal, GLenum upload, GLenum type) {
    return {format, internal, upload, type, {0, 0, 0, 0}, false};
}

constexpr GLStorage withSwizzle(GLStorage row, int32_t r, int32_t g, int32_t b, int32_t a) {
    row.swizzle[0] = r;
    row.swizzle[1] = g;
    row.swizzle[2] = b;
    row.swizzle[3] = a;
    return row;
}

constexpr GLStorage viaArgb(GLStorage row) {
    row.uploadAsArgb = true;
    return row;
}

const GLStorage kStorage[] = {
    stored(D3DFMT_R8G8B8, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE),
    stored(D3DFMT_A8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV),
    stored(D3DFMT_X8R8G8B8, GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV),
    stored(D3DFMT_R5G6B5, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5),
    stored(D3DFMT_X1R5G5B5, GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV),
    stored(D3DFMT_A1R5G5B5, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV),
    stored(D3DFMT_A4R4G4B4, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV),
    stored(D3DFMT_X4R4G4B4, GL_RGB4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV),
    stored(D3DFMT_R3G3B2, GL_R3_G3_B2, GL_RGB, GL_UNSIGNED_BYTE_3_3_2),
    viaArgb(stored(D3DFMT_A8R3G3B2, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV)),
    withSwizzle(stored(D3DFMT_A8, GL_R8, GL_RED, GL_UNSIGNED_BYTE), GL_ZERO, GL_ZERO, GL_ZERO,
                GL_RED),
    withSwizzle(stored(D3DFMT_L8, GL_R8, GL_RED, GL_UNSIGNED_BYTE), GL_RED, GL_RED, GL_RED,
                GL_ONE),
    stored(D3DFMT_A2B10G10R10, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV),
    stored(D3DFMT_A2R10G10B10, GL_RGB10_A2, GL_BGRA, GL_UNSIGNED_INT_2_10_10_10_REV),
    stored(D3DFMT_A8B8G8R8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV),
    stored(D3DFMT_X8B8G8R8, GL_RGB8, GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV),
    withSwizzle(stored(D3DFMT_G16R16, GL_RG16, GL_RG, GL_UNSIGNED_SHORT), GL_RED, GL_GREEN, GL_ONE,
                GL_ONE),
    stored(D3DFMT_D16_LOCKABLE, GL_DEPTH_COMPONENT16, 0, 0),
    stored(D3DFMT_D32, GL_DEPTH_COMPONENT32, 0, 0),
    stored(D3DFMT_D24S8, GL_DEPTH24_STENCIL8, 0, 0),
    stored(D3DFMT_D24X8, GL_DEPTH_COMPONENT24, 0, 0),
    stored(D3DFMT_D16, GL_DEPTH_COMPONENT16, 0, 0),
    stored(D3DFMT_D32F_LOCKABLE, GL_DEPTH_COMPONENT32F, 0, 0),
};

FormatInfo joined(const d3d9::PixelFormat& layout) {
    FormatInfo info{layout, 0, 0, 0, {0, 0, 0, 0}, false};
    for (const GLStorage& row : kStorage) {
        if (row.format != layout.format) continue;
        info.internalFormat = row.internalFormat;
        info.uploadFormat = row.uploadFormat;
        info.uploadType = row.uploadType;
        for (int i = 0; i < 4; ++i) info.swizzle[i] = row.swizzle[i];
        info.uploadAsArgb = row.uploadAsArgb;
    }
    return info;
}

const std::vector<FormatInfo>& table() {
    static const std::vector<FormatInfo> rows = [] {
        size_t count = 0;
        const d3d9::PixelFormat* layouts = d3d9::pixelFormatTable(&count);
        std::vector<FormatInfo> result;
        result.reserve(count);
        for (size_t i = 0; i < count; ++i) result.push_back(joined(layouts[i]));
        return result;
    }();
    return rows;
}

}  // namespace

const FormatInfo* findFormat(D3DFORMAT format) {
    for (const FormatInfo& info : table())
        if (info.format == format) return &info;
    return nullptr;
}

const FormatInfo* formatTable(size_t* count) {
    *count = table().size();
    return table().data();
}

}  // namespace pelmora::d3d9gl
