// The engine's own additions to the device's contract: render states and a
// vertex format that no other device knows, named in the platform's style.
// A backend implements them beside the standard states; the engine sets them
// only to draw solids' silhouettes in the vertex stage.
#pragma once

#include "platform/d3d9/d3d9types.h"

// With a width above 0 (a float, in pixels), vertices of the silhouette-edge
// format (D3DFVF_SILHOUETTEEDGE) are drawn as edges of that width that show
// only where one of their two faces turns towards the eye and the other away
// (or as D3DRS_SILHOUETTESHOW widens it); the vertex stage collapses every
// other edge to nothing. 0, the default, draws them as plain triangles.
inline constexpr D3DRENDERSTATETYPE D3DRS_SILHOUETTEWIDTH = D3DRENDERSTATETYPE(240);

// Which silhouette-edge vertices show, a D3DSILHOUETTESHOW value.
inline constexpr D3DRENDERSTATETYPE D3DRS_SILHOUETTESHOW = D3DRENDERSTATETYPE(241);

static_assert(D3DRS_SILHOUETTEWIDTH < D3DRS_MAX_INDEX && D3DRS_SILHOUETTESHOW < D3DRS_MAX_INDEX,
              "render states are indexed directly");

// Values of D3DRS_SILHOUETTESHOW: the edges where one face turns towards the
// eye and the other away (outlines); those and the edges whose faces both
// turn towards it (feature edges on the side that can be seen); every edge.
enum D3DSILHOUETTESHOW { D3DSILHOUETTE_OUTLINE = 0, D3DSILHOUETTE_FRONT = 1, D3DSILHOUETTE_ALL = 2 };

// A silhouette-edge vertex, 56 bytes: the edge's end, one face's normal, the
// colour, the other face's normal (texture set 0, three floats) and the
// edge's other end with the side of the edge this corner lies on, +1 or -1
// (set 1, four floats). Each edge is two triangles over four such corners,
// which the vertex stage pushes apart to the width of D3DRS_SILHOUETTEWIDTH.
#define D3DFVF_SILHOUETTEEDGE                                                                  \
    (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0) | \
     D3DFVF_TEXCOORDSIZE4(1))
