// The format a snapshot's file name asks for, and the requests refused
// before anything is read or written.
#include "view/SnapshotWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pelmora {
namespace {

using imaging::ImageFormat;

TEST(SnapshotWriter, TheLastExtensionChoosesTheFormatAndAnyOtherMeansJpeg) {
    const std::pair<const char*, ImageFormat> cases[] = {
        {"a.v2.png", ImageFormat::Png},  {"a.PNG", ImageFormat::Png},
        {"a.Bmp", ImageFormat::Bmp},     {"a.gif", ImageFormat::Gif},
        {"a.TIF", ImageFormat::Tiff},    {"a.tiff", ImageFormat::Tiff},
        {"a.JPG", ImageFormat::Jpeg},    {"a.jpeg", ImageFormat::Jpeg},
        {"a", ImageFormat::Jpeg},        {"dir.png/a", ImageFormat::Jpeg},
        {"a.png.txt", ImageFormat::Jpeg}};
    for (const auto& [name, format] : cases)
        EXPECT_EQ(SnapshotWriter::formatFor(name), format) << name;
}

TEST(SnapshotWriter, RefusesEmptyNamesAndSizesOutsideTheLimitsWithALogLine) {
    const std::string target =
        (std::filesystem::temp_directory_path() / "pelmora-refused-snapshot.png").string();
    for (auto [name, width, height] : {std::tuple{std::string(), 16, 16}, {target, 0, 16},
                                       {target, 16, -3}, {target, 40000, 16}}) {
        testing::internal::CaptureStdout();
        // The surface is never reached.
        const HRESULT status = SnapshotWriter(name, width, height).write(nullptr, RECT{0, 0, 8, 8});
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(status, E_INVALIDARG) << width << " x " << height;
        EXPECT_NE(log.find("a snapshot needs a file name and a size"), std::string::npos) << log;
        EXPECT_FALSE(std::filesystem::exists(target));
    }
}

}  // namespace
}  // namespace pelmora
