// BMP, which none of the image libraries handles: uncompressed files with
// 1, 4 or 8-bit palettes, 16 or 32-bit bit fields and 24-bit colour are read;
// files are written as 24-bit bottom-up BI_RGB, the form every reader takes.
#include "platform/imaging/ImageCodecs.h"
#include "platform/imaging/ImageFile.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>

namespace pelmora::imaging {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2 form, not read
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kAlphaMaskHeaderSize = 56;  // headers from here on carry an alpha mask
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;
constexpr int kWriteBitsPerPixel = 24;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dots per inch
constexpr uint32_t kOpaque = 0xFF000000u;

uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t get32(const uint8_t* p) { return uint32_t(get16(p)) | (uint32_t(get16(p + 2)) << 16); }

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// One colour channel of a bit-field pixel, widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t maximum = 0;

    explicit Channel(uint32_t m = 0) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        maximum = mask >> shift;
    }
    uint32_t extract(uint32_t pixel, uint32_t absent) const {
        if (maximum == 0) return absent;
        uint32_t value = (pixel & mask) >> shift;
        return uint32_t((uint64_t(value) * 255 + maximum / 2) / maximum);
    }
};

struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kBiRgb;
    size_t stride = 0;
    Channel red, green, blue, alpha;
    std::vector<uint32_t> palette;
};

class BmpReader {
public:
    explicit BmpReader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    HRESULT read(Image* image, std::string* reason) {
        HRESULT status = parseHeader(reason);
        if (FAILED(status)) return status;
        const uint32_t dataOffset = get32(&bytes_[10]);
        if (uint64_t(dataOffset) + uint64_t(layout_.stride) * uint64_t(layout_.height) >
            bytes_.size()) {
            *reason = "pixel data truncated";
            return E_FAIL;
        }
        Image result{layout_.width, layout_.height, {}};
        result.pixels.resize(size_t(layout_.width) * size_t(layout_.height));
        for (int row = 0; row < layout_.height; ++row) {
            int y = layout_.topDown ? row : layout_.height - 1 - row;
            decodeRow(&bytes_[dataOffset + row * layout_.stride],
                      &result.pixels[size_t(y) * layout_.width]);
        }
        *image = std::move(result);
        return S_OK;
    }

private:
    HRESULT parseHeader(std::string* reason) {
        if (bytes_.size() < kFileHeaderSize + 4) return invalid(reason, "file too short");
        const uint32_t headerSize = get32(&bytes_[kFileHeaderSize]);
        if (headerSize == kCoreHeaderSize) return unsupported(reason, "OS/2 bitmap header");
        if (headerSize < kInfoHeaderSize || kFileHeaderSize + headerSize > bytes_.size())
            return invalid(reason, "bad info header");
        const uint8_t* info = &bytes_[kFileHeaderSize];
        const int32_t width = int32_t(get32(info + 4));
        const int32_t height = int32_t(get32(info + 8));
        layout_.bits = get16(info + 14);
        layout_.compression = get32(info + 16);
        if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min() ||
            width > kMaxImageDimension || std::abs(height) > kMaxImageDimension)
            return invalid(reason, "bad image size");
        layout_.width = width;
        layout_.height = std::abs(height);
        layout_.topDown = height < 0;
        layout_.stride = (size_t(width) * layout_.bits + 31) / 32 * 4;
        HRESULT status = parseFormat(headerSize, reason);
        if (FAILED(status)) return status;
        return layout_.bits <= 8 ? parsePalette(headerSize, get32(info + 32), reason) : S_OK;
    }

    HRESULT parseFormat(uint32_t headerSize, std::string* reason) {
        const int bits = layout_.bits;
        const bool bitfields =
            layout_.compression == kBiBitfields || layout_.compression == kBiAlphaBitfields;
        if (layout_.compression != kBiRgb && !bitfields)
            return unsupported(reason, "compressed bitmap (compression " +
                                           std::to_string(layout_.compression) + ")");
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return invalid(reason, "bad bit count " + std::to_string(bits));
        if (bitfields && bits != 16 && bits != 32)
            return invalid(reason, "bit fields with " + std::to_string(bits) + " bits");
        if (!bitfields) {
            setMasks(bits == 16 ? 0x7C00 : 0xFF0000, bits == 16 ? 0x03E0 : 0xFF00,
                     bits == 16 ? 0x001F : 0xFF, 0);
            return S_OK;
        }
        // Masks follow a 40-byte header, or sit inside a longer one.
        const size_t masksAt = kFileHeaderSize + kInfoHeaderSize;
        const bool alphaMask =
            layout_.compression == kBiAlphaBitfields || headerSize >= kAlphaMaskHeaderSize;
        if (masksAt + (alphaMask ? 16 : 12) > bytes_.size())
            return invalid(reason, "bit-field masks truncated");
        const uint8_t* m = &bytes_[masksAt];
        setMasks(get32(m), get32(m + 4), get32(m + 8), alphaMask ? get32(m + 12) : 0);
        return S_OK;
    }

    HRESULT parsePalette(uint32_t headerSize, uint32_t colorsUsed, std::string* reason) {
        const uint32_t maximum = 1u << layout_.bits;
        const uint32_t declared = colorsUsed == 0 || colorsUsed > maximum ? maximum : colorsUsed;
        const size_t at = kFileHeaderSize + headerSize;
        // Writers that leave the count at 0 with a short table still put the
        // pixels right after it.
        const size_t dataOffset = get32(&bytes_[10]);
        const size_t room = dataOffset > at ? (dataOffset - at) / 4 : 0;
        const uint32_t count = std::min<size_t>(declared, room);
        if (count == 0 || at + size_t(count) * 4 > bytes_.size())
            return invalid(reason, "palette truncated");
        for (uint32_t i = 0; i < count; ++i)
            layout_.palette.push_back(kOpaque | (get32(&bytes_[at + i * 4]) & 0xFFFFFF));
        layout_.palette.resize(maximum, kOpaque);  // indices past the table read black
        return S_OK;
    }

    void setMasks(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        layout_.red = Channel(r);
        layout_.green = Channel(g);
        layout_.blue = Channel(b);
        layout_.alpha = Channel(a);
    }

    uint32_t fromFields(uint32_t pixel) const {
        return (layout_.alpha.extract(pixel, 255) << 24) | (layout_.red.extract(pixel, 0) << 16) |
               (layout_.green.extract(pixel, 0) << 8) | layout_.blue.extract(pixel, 0);
    }

    void decodeRow(const uint8_t* in, uint32_t* out) const {
        const int bits = layout_.bits;
        for (int x = 0; x < layout_.width; ++x) {
            if (bits <= 8) {
                const int bit = x * bits;
                const int shift = 8 - bits - bit % 8;
                out[x] = layout_.palette[(in[bit / 8] >> shift) & ((1 << bits) - 1)];
            } else if (bits == 16) {
                out[x] = fromFields(get16(in + x * 2));
            } else if (bits == 24) {
                const uint8_t* p = in + x * 3;
                out[x] = kOpaque | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
            } else {
                out[x] = fromFields(get32(in + x * 4));
            }
        }
    }

    static HRESULT invalid(std::string* reason, const std::string& what) {
        *reason = "not a valid BMP file: " + what;
        return E_FAIL;
    }
    static HRESULT unsupported(std::string* reason, const std::string& what) {
        *reason = "unsupported BMP variant: " + what;
        return E_NOTIMPL;
    }

    std::vector<uint8_t> bytes_;
    Layout layout_;
};

}  // namespace

HRESULT readBmp(const char* path, Image* image, std::string* reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *reason = systemReason();
        return E_FAIL;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    return readBmpBytes(std::move(bytes), image, reason);
}

HRESULT readBmpBytes(std::vector<uint8_t> bytes, Image* image, std::string* reason) {
    return BmpReader(std::move(bytes)).read(image, reason);
}

HRESULT writeBmp(const char* path, const ImageView& image, std::string* reason) {
    const size_t stride = (size_t(image.width) * 3 + 3) & ~size_t(3);
    const uint64_t imageSize = uint64_t(stride) * uint64_t(image.height);
    const size_t headersSize = kFileHeaderSize + kInfoHeaderSize;
    if (imageSize + headersSize > std::numeric_limits<uint32_t>::max()) {
        *reason = "image too large for BMP";
        return E_FAIL;
    }
    std::vector<uint8_t> out;
    out.reserve(headersSize + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, uint32_t(headersSize + imageSize));
    put32(out, 0);  // reserved
    put32(out, uint32_t(headersSize));
    put32(out, kInfoHeaderSize);
    put32(out, uint32_t(image.width));
    put32(out, uint32_t(image.height));  // positive: rows bottom-up
    put16(out, 1);                       // planes
    put16(out, kWriteBitsPerPixel);
    put32(out, kBiRgb);
    put32(out, uint32_t(imageSize));
    put32(out, uint32_t(kPixelsPerMetre));
    put32(out, uint32_t(kPixelsPerMetre));
    put32(out, 0);  // colours used
    put32(out, 0);  // important colours
    for (int y = image.height - 1; y >= 0; --y) {
        const uint32_t* row = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            out.push_back(uint8_t(row[x]));
            out.push_back(uint8_t(row[x] >> 8));
            out.push_back(uint8_t(row[x] >> 16));
        }
        out.resize(out.size() + stride - size_t(image.width) * 3, 0);
    }
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        *reason = systemReason();
        return E_FAIL;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        *reason = systemReason();
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace pelmora::imaging
