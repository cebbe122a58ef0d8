// Values of the device interface that the device layer needs and the shared
// declarations do not carry yet. Macros are guarded so that the shared header
// may add them later without a clash; formats get engine-side names.
#pragma once

#include "platform/d3d9/d3d9types.h"

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#ifndef D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING
#define D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING 0x00080000
#endif

#ifndef D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL
#define D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL 0x00000002
#endif

#ifndef D3DCREATE_NOWINDOWCHANGES
#define D3DCREATE_NOWINDOWCHANGES 0x00000800
#endif

namespace pelmora {

inline constexpr D3DFORMAT kFormatA16B16G16R16 = static_cast<D3DFORMAT>(36);
inline constexpr D3DFORMAT kFormatD24FS8 = static_cast<D3DFORMAT>(83);

}  // namespace pelmora
