#include "platform/d3d9/gl/FixedFunctionGenerator.h"

#include "platform/d3d9/EngineExtensions.h"
#include "platform/d3d9/gl/FixedFunctionUniforms.h"

namespace pelmora::d3d9gl {
namespace {

const char kHeader[] = "#version 450 core\n";

const char kTransformNames[] = R"(#define uWorldView uTransformMatrices[0]
#define uNormalMatrix uTransformMatrices[1]
#define uProjection uTransformMatrices[2]
#define uViewport uTransformVectors[0]
#define uPixelShift uTransformVectors[1]
)";

// Two arrays, so the pipeline sets all transforms with two calls (see
// FixedFunctionUniforms.h for why these are not a uniform block).
std::string transformUniforms() {
    return "uniform mat4 " + std::string(kTransformMatricesName) + "[" + std::to_string(kTransformMatrices) +
           "];\nuniform vec4 " + kTransformVectorsName + "[" + std::to_string(kTransformVectors) + "];\n" +
           kTransformNames;
}

// Lighting is a plain uniform array of each program, as the transforms are:
// the material changes between draws (a colour per part), and rewriting a
// uniform buffer that queued draws still read makes a deferring rasterizer
// finish them first.
std::string lightingUniforms(int lightCount) {
    const int vectors = kMaterialVectors + kLightVectors * lightCount;
    return "uniform vec4 " + std::string(kLightingName) + "[" + std::to_string(vectors) + "];\n" +
           "#define uMaterialDiffuse uLighting[0]\n"
           "#define uMaterialAmbient uLighting[1]\n"
           "#define uMaterialSpecular uLighting[2]\n"
           "#define uMaterialEmissive uLighting[3]\n"
           "#define uGlobalAmbient uLighting[4]\n"
           "#define uPower uLighting[5]\n";
}

// One vector of a light, in LightBlockEntry's order.
enum LightField { kDiffuse, kSpecular, kAmbient, kPosition, kDirection, kCone, kAttenuation };

std::string lightField(int index, LightField field) {
    return std::string(kLightingName) + "[" + std::to_string(kMaterialVectors + kLightVectors * index + field) + "]";
}

const char kPixelBlock[] = R"(layout(std140, binding = 2) uniform Pixel {
    vec4 uTextureFactor;
    vec4 uAlphaReference;
};
)";

std::string interpolation(const FixedFunctionKey& key) { return key.flat ? "flat " : ""; }

std::string colourSource(uint8_t source, const char* material) {
    if (source == kFromDiffuse) return "aDiffuse";
    if (source == kFromSpecular) return "aSpecular";
    return material;
}

std::string vertexInputs(const FixedFunctionKey& key) {
    std::string text = "layout(location = 0) in vec4 aPosition;\n";
    if (key.hasNormal) text += "layout(location = 1) in vec3 aNormal;\n";
    if (key.hasDiffuse) text += "layout(location = 2) in vec4 aDiffuse;\n";
    if (key.hasSpecular) text += "layout(location = 3) in vec4 aSpecular;\n";
    if (key.hasTexCoord) text += "layout(location = 4) in vec2 aTexCoord;\n";
    const std::string qualifier = interpolation(key);
    text += qualifier + "out vec4 vDiffuse;\n" + qualifier + "out vec4 vSpecular;\n";
    text += "out vec2 vTexCoord;\n";
    return text;
}

// Clip position of a pre-transformed vertex: screen to clip space with w = 1/rhw,
// which keeps interpolation perspective-correct.
std::string pretransformedPosition(const FixedFunctionKey& key) {
    std::string text =
        "    float w = aPosition.w == 0.0 ? 1.0 : 1.0 / aPosition.w;\n"
        "    vec3 ndc = vec3(2.0 * (aPosition.x - uViewport.x) / uViewport.z - 1.0,\n"
        "                    1.0 - 2.0 * (aPosition.y - uViewport.y) / uViewport.w,\n";
    text += key.depthOff ? "                    0.0);\n" : "                    aPosition.z);\n";
    text += "    vec4 clip = vec4(ndc * w, w);\n";
    return text;
}

std::string lightTerms(int index, uint8_t type, const FixedFunctionKey& key) {
    const auto light = [index](LightField field) { return lightField(index, field); };
    std::string text = "    {\n";
    if (type == D3DLIGHT_DIRECTIONAL) {
        text += "        vec3 L = -" + light(kDirection) + ".xyz;\n        float atten = 1.0;\n";
    } else {
        text += "        vec3 D = " + light(kPosition) + ".xyz - eye;\n"
                "        float dist = length(D);\n"
                "        if (dist <= " + light(kCone) + ".x) {\n"
                "        vec3 L = D / dist;\n"
                "        float den = dot(" + light(kAttenuation) + ".xyz, vec3(1.0, dist, dist * dist));\n"
                "        float atten = den > 0.0 ? 1.0 / den : 3.402823466e38;\n";
        if (type == D3DLIGHT_SPOT) {
            text += "        float rho = dot(-L, " + light(kDirection) + ".xyz);\n"
                    "        float ct = " + light(kCone) + ".z, cp = " + light(kCone) + ".w;\n"
                    "        atten *= rho > ct ? 1.0 : (rho <= cp ? 0.0 : pow((rho - cp) / (ct - cp), " +
                    light(kCone) + ".y));\n";
        }
    }
    text += "        ambientSum += " + light(kAmbient) + ".rgb * atten;\n";
    if (key.hasNormal) {
        text += "        float NdotL = dot(N, L);\n"
                "        diffuseSum += " + light(kDiffuse) + ".rgb * clamp(NdotL, 0.0, 1.0) * atten;\n"
                "        vec3 H = normalize(L + toViewer);\n"
                "        float NdotH = dot(N, H);\n"
                "        if (NdotL > 0.0 && NdotH > 0.0)\n"
                "            specularSum += " + light(kSpecular) + ".rgb * pow(NdotH, uPower.x) * atten;\n";
    }
    if (type != D3DLIGHT_DIRECTIONAL) text += "        }\n";
    text += "    }\n";
    return text;
}

std::string litColours(const FixedFunctionKey& key) {
    std::string text = "    vec3 ambientSum = vec3(0.0), diffuseSum = vec3(0.0), specularSum = vec3(0.0);\n";
    if (key.hasNormal) {
        text += key.normalize ? "    vec3 N = normalize((uNormalMatrix * vec4(aNormal, 0.0)).xyz);\n"
                              : "    vec3 N = (uNormalMatrix * vec4(aNormal, 0.0)).xyz;\n";
        text += key.localViewer ? "    vec3 toViewer = -normalize(eye);\n"
                                : "    vec3 toViewer = vec3(0.0, 0.0, -1.0);\n";
    }
    for (int i = 0; i < key.lightCount; ++i) text += lightTerms(i, key.lightTypes[i], key);
    text += "    vec4 Cd = " + colourSource(key.diffuseSource, "uMaterialDiffuse") + ";\n";
    text += "    vec4 Ca = " + colourSource(key.ambientSource, "uMaterialAmbient") + ";\n";
    text += "    vec4 Cs = " + colourSource(key.specularSource, "uMaterialSpecular") + ";\n";
    text += "    vec4 Ce = " + colourSource(key.emissiveSource, "uMaterialEmissive") + ";\n";
    text += "    vec3 lit = Ca.rgb * (uGlobalAmbient.rgb + ambientSum) + Cd.rgb * diffuseSum + Ce.rgb;\n"
            "    vDiffuse = clamp(vec4(lit, Cd.a), 0.0, 1.0);\n"
            "    vSpecular = vec4(clamp(Cs.rgb * specularSum, 0.0, 1.0), 0.0);\n";
    return text;
}

std::string unlitColours(const FixedFunctionKey& key) {
    std::string text = key.hasDiffuse ? "    vDiffuse = aDiffuse;\n" : "    vDiffuse = vec4(1.0);\n";
    text += key.hasSpecular ? "    vSpecular = aSpecular;\n" : "    vSpecular = vec4(0.0);\n";
    return text;
}

std::string argument(uint8_t source) {
    switch (source) {
        case D3DTA_TEXTURE: return "tex";
        case D3DTA_TFACTOR: return "uTextureFactor";
        case D3DTA_SPECULAR: return "vSpecular";
        default: return "vDiffuse";  // DIFFUSE, and CURRENT at stage 0
    }
}

std::string operation(uint8_t op, uint8_t arg1, uint8_t arg2, const char* swizzle) {
    const std::string a = argument(arg1) + swizzle, b = argument(arg2) + swizzle;
    switch (op) {
        case D3DTOP_SELECTARG1: return a;
        case D3DTOP_SELECTARG2: return b;
        case D3DTOP_MODULATE: return a + " * " + b;
        default: return std::string("vDiffuse") + swizzle;  // DISABLE passes the current colour
    }
}

const char* comparison(uint8_t function) {
    switch (function) {
        case D3DCMP_NEVER: return "false";
        case D3DCMP_LESS: return "a < ref";
        case D3DCMP_EQUAL: return "a == ref";
        case D3DCMP_LESSEQUAL: return "a <= ref";
        case D3DCMP_GREATER: return "a > ref";
        case D3DCMP_NOTEQUAL: return "a != ref";
        case D3DCMP_GREATEREQUAL: return "a >= ref";
        default: return "true";
    }
}

// Silhouette edges: a quad per edge, its four corners carrying both faces'
// normals and the other end, or a line, its two ends carrying the same with
// side 0. The test runs on the edge's midpoint, which every corner computes
// alike, so an edge shows whole or not at all. It runs in the mesh's own
// space, where the eye (or, orthographic, the view direction) comes from the
// normal matrix without a product per face normal: most edges fail it, and
// the software rasterizer pays for every operation of every vertex. An edge
// with both normals zero (an open border) always shows; D3DRS_SILHOUETTESHOW
// (in uPixelShift.w) lets feature edges show on the faces that can be seen.
const char kSilhouetteStage[] = R"(layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuse;
layout(location = 4) in vec3 aOtherNormal;
layout(location = 5) in vec4 aOtherEnd;
out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTexCoord;
void main() {
    vDiffuse = aDiffuse;
    vSpecular = vec4(0.0);
    vTexCoord = vec2(0.0);
    // The normal matrix is the inverse transpose of worldView: its transpose
    // takes camera-space directions back to the mesh.
    mat3 back = transpose(mat3(uNormalMatrix));
    bool perspective = uProjection[2][3] != 0.0;
    // From the eye to the edge: in perspective from the eye's place, else
    // along the view's z axis, the way depth grows.
    vec3 look = perspective ? 0.5 * (aPosition.xyz + aOtherEnd.xyz) + back * uWorldView[3].xyz
                            : back[2] * sign(uProjection[2][2]);
    // Above 0 a face turns away from the eye.
    float facing = dot(aNormal, look), otherFacing = dot(aOtherNormal, look);
    bool shows = facing * otherFacing <= 0.0 || (uPixelShift.w > 0.5 && max(facing, otherFacing) <= 0.0) ||
                 uPixelShift.w > 1.5;
    if (!shows) {
        gl_Position = vec4(2.0, 2.0, 2.0, 1.0);  // outside the view: nothing drawn
        return;
    }
    vec4 clip = uProjection * (uWorldView * vec4(aPosition.xyz, 1.0));
    vec4 otherClip = uProjection * (uWorldView * vec4(aOtherEnd.xyz, 1.0));
    vec2 halfSize = 0.5 * uViewport.zw;
    vec2 along = (otherClip.xy / otherClip.w - clip.xy / clip.w) * halfSize;
    float span = length(along);
    vec2 direction = span > 0.0 ? along / span : vec2(1.0, 0.0);
    // Sideways by half the width, and past the end by as much so joints close.
    vec2 offset = (vec2(-direction.y, direction.x) * aOtherEnd.w - direction) * uPixelShift.z;
    clip.xy += offset / halfSize * clip.w;
    // Quads take Direct3D's pixel centres as triangles do; the rasterizer
    // lays a wide line's width about its own centre, where that half-pixel
    // shift would put a two-pixel line a whole pixel off its edge.
    if (aOtherEnd.w != 0.0) clip.xy += clip.w * uPixelShift.xy;
    gl_Position = clip;
}
)";

}  // namespace

std::string vertexShaderSource(const FixedFunctionKey& key) {
    std::string text = kHeader;
    text += transformUniforms();
    if (key.silhouette) return text + kSilhouetteStage;
    if (key.lighting) text += lightingUniforms(key.lightCount);
    text += vertexInputs(key);
    text += "void main() {\n";
    if (key.pretransformed) {
        text += pretransformedPosition(key);
    } else {
        text += "    vec3 eye = (uWorldView * vec4(aPosition.xyz, 1.0)).xyz;\n"
                "    vec4 clip = uProjection * vec4(eye, 1.0);\n";
    }
    text += key.lighting ? litColours(key) : unlitColours(key);
    text += key.hasTexCoord ? "    vTexCoord = aTexCoord;\n" : "    vTexCoord = vec2(0.0);\n";
    // Direct3D samples pixels at their integer corners, OpenGL at their centres.
    text += "    clip.xy += clip.w * uPixelShift.xy;\n"
            "    gl_Position = clip;\n"
            "}\n";
    return text;
}

std::string fragmentShaderSource(const FixedFunctionKey& key) {
    std::string text = kHeader;
    text += kPixelBlock;
    const std::string qualifier = interpolation(key);
    text += qualifier + "in vec4 vDiffuse;\n" + qualifier + "in vec4 vSpecular;\nin vec2 vTexCoord;\n";
    text += "layout(binding = 0) uniform sampler2D uTexture0;\n"
            "layout(location = 0) out vec4 fragColour;\n"
            "void main() {\n";
    if (key.textured) {
        text += "    vec4 tex = texture(uTexture0, vTexCoord);\n";
        text += "    vec4 colour = vec4(" + operation(key.colorOp, key.colorArg1, key.colorArg2, ".rgb") +
                ", " + operation(key.alphaOp, key.alphaArg1, key.alphaArg2, ".a") + ");\n";
    } else {
        text += "    vec4 colour = vDiffuse;\n";
    }
    if (key.specularEnable) text += "    colour.rgb = min(colour.rgb + vSpecular.rgb, vec3(1.0));\n";
    if (key.alphaFunc) {
        // Compared at the 8-bit precision of the render target, as Direct3D does.
        text += "    float a = round(clamp(colour.a, 0.0, 1.0) * 255.0);\n"
                "    float ref = uAlphaReference.x;\n";
        text += std::string("    if (!(") + comparison(key.alphaFunc) + ")) discard;\n";
    }
    text += "    fragColour = colour;\n}\n";
    return text;
}

}  // namespace pelmora::d3d9gl
