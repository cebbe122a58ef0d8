// How each aspect of a device request is treated when the valid setting is
// chosen: left free, kept exactly, or approached as closely as possible.
#pragma once

namespace pelmora {

enum class DXUTMatchType : int {
    IgnoreInput = 0,
    PreserveInput = 1,
    ClosestToInput = 2,
};

struct DXUTMatchOptions {
    DXUTMatchType adapterOrdinal = DXUTMatchType::IgnoreInput;
    DXUTMatchType deviceType = DXUTMatchType::IgnoreInput;
    DXUTMatchType windowed = DXUTMatchType::IgnoreInput;
    DXUTMatchType adapterFormat = DXUTMatchType::IgnoreInput;
    DXUTMatchType vertexProcessing = DXUTMatchType::IgnoreInput;
    DXUTMatchType resolution = DXUTMatchType::IgnoreInput;
    DXUTMatchType backBufferFormat = DXUTMatchType::IgnoreInput;
    DXUTMatchType backBufferCount = DXUTMatchType::IgnoreInput;
    DXUTMatchType multiSample = DXUTMatchType::IgnoreInput;
    DXUTMatchType swapEffect = DXUTMatchType::IgnoreInput;
    DXUTMatchType depthFormat = DXUTMatchType::IgnoreInput;
    DXUTMatchType stencilFormat = DXUTMatchType::IgnoreInput;
    DXUTMatchType presentFlags = DXUTMatchType::IgnoreInput;
    DXUTMatchType refreshRate = DXUTMatchType::IgnoreInput;
    DXUTMatchType presentInterval = DXUTMatchType::IgnoreInput;
};

}  // namespace pelmora
