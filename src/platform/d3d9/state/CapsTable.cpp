#include "platform/d3d9/state/CapsTable.h"

namespace pelmora::d3d9state {
namespace {

constexpr float kMaxVertexW = 1e10f;
constexpr float kGuardBand = 32768.0f;
constexpr DWORD kMaxPrimitiveCount = 0xFFFFFF;
constexpr DWORD kMaxVertexIndex = 0xFFFFFF;
constexpr DWORD kMaxStreams = 1;
constexpr DWORD kMaxStreamStride = 255;
constexpr DWORD kTexCoordSets = 1;

// Each entry: a capability field and the bits it always carries here.
struct FixedCap {
    DWORD D3DCAPS9::*field;
    DWORD bits;
};

constexpr FixedCap kFixedCaps[] = {
    {&D3DCAPS9::PrimitiveMiscCaps, D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                                       D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                                       D3DPMISCCAPS_BLENDOP},
    {&D3DCAPS9::RasterCaps, D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SCISSORTEST |
                                D3DPRASTERCAPS_DEPTHBIAS | D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS},
    {&D3DCAPS9::ZCmpCaps, D3DPCMPCAPS_ALL},
    {&D3DCAPS9::AlphaCmpCaps, D3DPCMPCAPS_ALL},
    {&D3DCAPS9::SrcBlendCaps, D3DPBLENDCAPS_STANDARD},
    {&D3DCAPS9::DestBlendCaps, D3DPBLENDCAPS_STANDARD},
    {&D3DCAPS9::ShadeCaps, D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                               D3DPSHADECAPS_ALPHAGOURAUDBLEND},
    {&D3DCAPS9::TextureCaps, D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA},
    {&D3DCAPS9::TextureFilterCaps, D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                                       D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR},
    {&D3DCAPS9::TextureAddressCaps, D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR |
                                        D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER},
    {&D3DCAPS9::LineCaps, D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND |
                              D3DLINECAPS_ALPHACMP},
    {&D3DCAPS9::TextureOpCaps, D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 |
                                   D3DTEXOPCAPS_SELECTARG2 | D3DTEXOPCAPS_MODULATE},
    {&D3DCAPS9::VertexProcessingCaps, D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                                          D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER},
    {&D3DCAPS9::DevCaps, D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_HWRASTERIZATION},
    {&D3DCAPS9::PresentationIntervals, D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE},
};

}  // namespace

D3DCAPS9 capsFor(const AdapterLimits& adapter, UINT ordinal) {
    D3DCAPS9 caps{};
    caps.DeviceType = adapter.software ? D3DDEVTYPE_SW : D3DDEVTYPE_HAL;
    caps.AdapterOrdinal = ordinal;
    for (const FixedCap& cap : kFixedCaps) caps.*cap.field |= cap.bits;
    // Transform and lighting run on the device's own processor only on hardware.
    if (!adapter.software) caps.DevCaps |= D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    if (adapter.maxSmoothLineWidth >= 1.0f) caps.LineCaps |= D3DLINECAPS_ANTIALIAS;
    caps.MaxTextureWidth = caps.MaxTextureHeight = static_cast<DWORD>(adapter.maxTextureSize);
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = static_cast<DWORD>(adapter.maxTextureSize);
    caps.MaxAnisotropy = 1;
    caps.MaxVertexW = kMaxVertexW;
    caps.GuardBandLeft = caps.GuardBandTop = -kGuardBand;
    caps.GuardBandRight = caps.GuardBandBottom = kGuardBand;
    caps.FVFCaps = kTexCoordSets & D3DFVFCAPS_TEXCOORDCOUNTMASK;
    caps.MaxTextureBlendStages = kTextureStagesDrawn;
    caps.MaxSimultaneousTextures = kTextureStagesDrawn;
    caps.MaxActiveLights = kMaxActiveLights;
    caps.MaxPointSize = adapter.maxPointSize;
    caps.MaxPrimitiveCount = kMaxPrimitiveCount;
    caps.MaxVertexIndex = kMaxVertexIndex;
    caps.MaxStreams = kMaxStreams;
    caps.MaxStreamStride = kMaxStreamStride;
    return caps;
}

}  // namespace pelmora::d3d9state
