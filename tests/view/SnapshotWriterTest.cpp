// The requests a snapshot refuses before anything is read or written (the
// format each name asks for is checked through saveSnapshotJPG).
#include "view/SnapshotWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pelmora {
namespace {

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
