#include "image/StripPieces.h"

#include <algorithm>

namespace pelmora {

std::vector<StripPiece> stripPieces(const TexturePlan& plan, const RECT& source) {
    const LONG w = source.right - source.left;
    const LONG h = source.bottom - source.top;
    const LONG size = LONG(plan.textureSize);
    LONG remaining = plan.isWide ? w : h;  // length still to be cut
    std::vector<StripPiece> pieces;
    pieces.reserve(plan.stripCount);
    for (LONG i = 0; i < LONG(plan.stripCount); ++i) {
        StripPiece piece{};
        piece.destinationX = plan.isTall ? i * w : 0;
        piece.destinationY = plan.isWide ? i * h : 0;
        piece.width = plan.isWide ? std::min(remaining, size) : w;
        piece.height = plan.isTall ? std::min(remaining, size) : h;
        if ((plan.isWide || plan.isTall) && remaining > size) remaining -= size;
        piece.sourceX = plan.isTall ? 0 : source.left + i * size;
        piece.sourceY = plan.isWide ? 0 : source.top + i * size;
        pieces.push_back(piece);
    }
    return pieces;
}

}  // namespace pelmora
