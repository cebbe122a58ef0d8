// GLSL for a fixed-function key: only the work the key asks for, lights
// unrolled one block per enabled light, no branch on a uniform per vertex.
#pragma once

#include "platform/d3d9/gl/StateNames.h"

#include <string>

namespace pelmora::d3d9gl {

// Attribute locations of the vertex elements.
enum AttributeLocation : uint32_t {
    kPositionLocation = 0,
    kNormalLocation = 1,
    kDiffuseLocation = 2,
    kSpecularLocation = 3,
    kTexCoordLocation = 4,
    kSecondTexCoordLocation = 5,
};

std::string vertexShaderSource(const FixedFunctionKey& key);
std::string fragmentShaderSource(const FixedFunctionKey& key);

}  // namespace pelmora::d3d9gl
