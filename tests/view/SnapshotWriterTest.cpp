// Which image format a snapshot's file name asks for, and the requests that
// are refused before anything is read or written.
#include "view/SnapshotWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pelmora {
namespace {

using imaging::ImageFormat;

TEST(SnapshotFormat, FollowsTheLastExtensionWithoutRegardToCase) {
    EXPECT_EQ(SnapshotWriter::formatFor("part.png"), ImageFormat::Png);
    EXPECT_EQ(SnapshotWriter::formatFor("part.PNG"), ImageFormat::Png);
    EXPECT_EQ(SnapshotWriter::formatFor("part.v2.final.png"), ImageFormat::Png);
    EXPECT_EQ(SnapshotWriter::formatFor("part.Bmp"), ImageFormat::Bmp);
    EXPECT_EQ(SnapshotWriter::formatFor("part.gif"), ImageFormat::Gif);
    EXPECT_EQ(SnapshotWriter::formatFor("part.TIF"), ImageFormat::Tiff);
    EXPECT_EQ(SnapshotWriter::formatFor("part.tiff"), ImageFormat::Tiff);
}

TEST(SnapshotFormat, IsJpegForAnyOtherNameOrNone) {
    for (const char* name : {"part.JPG", "part.jpeg", "part", "part.png.txt", "/tmp/dir.png/part",
                             "part.", "part.pngx"})
        EXPECT_EQ(SnapshotWriter::formatFor(name), ImageFormat::Jpeg) << name;
}

TEST(SnapshotRequest, EmptyNamesAndSizesOutsideTheLimitsAreRefusedWithALogLine) {
    const std::string target =
        (std::filesystem::temp_directory_path() / "pelmora-refused-snapshot.png").string();
    struct Request {
        std::string name;
        int width, height;
    };
    for (const Request& request : {Request{"", 16, 16}, Request{target, 0, 16},
                                   Request{target, 16, -3}, Request{target, 40000, 16}}) {
        testing::internal::CaptureStdout();
        // The surface is never reached.
        const HRESULT status = SnapshotWriter(request.name, request.width, request.height)
                                   .write(nullptr, RECT{0, 0, 16, 16});
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(status, E_INVALIDARG) << request.width << " x " << request.height;
        EXPECT_NE(log.find("a snapshot needs a file name and a size"), std::string::npos) << log;
        EXPECT_FALSE(std::filesystem::exists(target));
    }
}

}  // namespace
}  // namespace pelmora
