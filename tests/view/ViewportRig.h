// A viewport on a fake device behind a recorder, with the fake context.
#pragma once

#include "support/RecordingDevice.h"
#include "view/DXViewport.h"
#include "view/FakeDevice.h"
#include "view/FakeDeviceHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::test {

struct ViewportRig {
    FakeDevice device;
    RecordingDevice recorder{&device};
    FakeDeviceHost host{&recorder};

    std::unique_ptr<DXViewport> make(int width = 800, int height = 600, HWND window = 0) {
        return std::make_unique<DXViewport>(window, width, height, D3DFMT_X8R8G8B8, 0, &host);
    }

    // The recorded calls with these names, in order.
    std::vector<std::string> calls(const std::vector<std::string>& names) const {
        return recorder.callTexts(names);
    }
    size_t count(const std::string& name) const {
        const auto& all = recorder.calls();
        return std::count_if(all.begin(), all.end(),
                             [&](const DeviceCall& call) { return call.name == name; });
    }
};

inline std::string captureOutput(const std::function<void()>& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

}  // namespace pelmora::test
