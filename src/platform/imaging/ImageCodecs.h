// The codecs behind ImageFile, one source file each. Each returns a status and
// on failure the reason in *reason; ImageFile writes the log line.
#pragma once

#include <pelmora/automation.h>

#include "platform/imaging/ImageView.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::imaging {

HRESULT readPng(const char* path, Image* image, std::string* reason);
HRESULT writePng(const char* path, const ImageView& image, std::string* reason);

HRESULT readBmp(const char* path, Image* image, std::string* reason);
HRESULT readBmpBytes(std::vector<uint8_t> bytes, Image* image, std::string* reason);
HRESULT writeBmp(const char* path, const ImageView& image, std::string* reason);

HRESULT writeJpeg(const char* path, const ImageView& image, int quality, std::string* reason);
HRESULT writeGif(const char* path, const ImageView& image, std::string* reason);
HRESULT writeTiff(const char* path, const ImageView& image, std::string* reason);

// The reason text for the last failed C library file call.
std::string systemReason();

}  // namespace pelmora::imaging
