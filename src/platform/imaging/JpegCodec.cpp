// JPEG through libjpeg-turbo, fed the 0xAARRGGBB rows directly through its
// extended colour spaces. libjpeg reports errors by longjmp, so the setjmp
// frame below holds no object with a destructor.
#include "platform/imaging/ImageCodecs.h"

#include <bit>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace pelmora::imaging {

namespace {

constexpr J_COLOR_SPACE kPixelSpace =
    std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
constexpr int kComponents = 4;

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onError(j_common_ptr info) {
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
    (*info->err->format_message)(info, trap->message);
    std::longjmp(trap->jump, 1);
}

void onMessage(j_common_ptr) {}  // warnings are not worth a log line

bool compress(FILE* file, const ImageView& image, int quality, ErrorTrap* trap) {
    jpeg_compress_struct info;
    info.err = jpeg_std_error(&trap->manager);
    trap->manager.error_exit = onError;
    trap->manager.output_message = onMessage;
    if (setjmp(trap->jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(image.width);
    info.image_height = JDIMENSION(image.height);
    info.input_components = kComponents;
    info.in_color_space = kPixelSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(image.row(int(info.next_scanline))));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

HRESULT writeJpeg(const char* path, const ImageView& image, int quality, std::string* reason) {
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        *reason = systemReason();
        return E_FAIL;
    }
    ErrorTrap trap{};
    const bool compressed = compress(file, image, quality, &trap);
    const bool closed = std::fclose(file) == 0;
    if (!compressed) {
        *reason = trap.message;
        return E_FAIL;
    }
    if (!closed) {
        *reason = systemReason();
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace pelmora::imaging
