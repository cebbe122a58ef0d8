#include "view/RectangleSelection.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pelmora {

namespace {

// World to clip space, K x V x P, multiplied out in double.
struct ClipMatrix {
    double m[4][4];
};

ClipMatrix worldToClipMatrix(const ViewTransforms& t) {
    const D3DXMATRIX* factors[3] = {&t.camera, &t.view, &t.projection};
    ClipMatrix product{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) product.m[i][j] = double(t.camera.m[i][j]);
    for (int f = 1; f < 3; ++f) {
        ClipMatrix next{};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k) next.m[i][j] += product.m[i][k] * double(factors[f]->m[k][j]);
        product = next;
    }
    return product;
}

// A function of world points that is linear (a . p + b), with its least and
// greatest values over a box.
struct Linear {
    double a[3], b;

    double at(const D3DXVECTOR3& p) const { return a[0] * p.x + a[1] * p.y + a[2] * p.z + b; }
    double least(const WorldBox& box) const { return middle(box) - spread(box); }
    double greatest(const WorldBox& box) const { return middle(box) + spread(box); }
    // The same function of a mesh's own coordinates, for a mesh drawn with world.
    Linear through(const D3DMATRIX& world) const {
        const D3DXVECTOR3 translation(world._41, world._42, world._43);
        return {{a[0] * world._11 + a[1] * world._12 + a[2] * world._13,
                 a[0] * world._21 + a[1] * world._22 + a[2] * world._23,
                 a[0] * world._31 + a[1] * world._32 + a[2] * world._33},
                at(translation)};
    }
    Linear scaled(double times) const { return {{a[0] * times, a[1] * times, a[2] * times}, b * times}; }
    Linear plus(const Linear& other, double times) const {
        return {{a[0] + times * other.a[0], a[1] + times * other.a[1], a[2] + times * other.a[2]},
                b + times * other.b};
    }

private:
    double middle(const WorldBox& box) const {
        return a[0] * box.centre(0) + a[1] * box.centre(1) + a[2] * box.centre(2) + b;
    }
    double spread(const WorldBox& box) const {
        double sum = 0.0;
        for (int axis = 0; axis < 3; ++axis) sum += std::fabs(a[axis]) * 0.5 * (box.maximum[axis] - box.minimum[axis]);
        return sum;
    }
};

// A vertex is selected when it lies in front of the eye (w > 0) and its
// pixel inside the rectangle. Times w, each side of the rectangle is a
// linear function of the world point, so a box is judged exactly by the
// least and greatest values of five linear functions over it, without
// dividing by w: wholly outside when one side is negative all over it,
// wholly inside when every side is positive all over it (the sides moved
// by kPixelMargin, out for the first test and in for the second, so that
// rounding never sets a box's verdict apart from its vertices'). A mesh the
// sides cross is judged vertex by vertex with the same functions, carried
// into its own coordinates.
class RectangleRegion {
public:
    enum class Verdict { Outside, Inside, Across };

    RectangleRegion(const ViewTransforms& t, const RECT& area) {
        const ClipMatrix clip = worldToClipMatrix(t);
        const auto& m = clip.m;
        const auto clipColumn = [&](int k) { return Linear{{m[0][k], m[1][k], m[2][k]}, m[3][k]}; };
        w_ = clipColumn(3);
        // The pixel column times w, and the pixel row times w.
        const Linear across = clipColumn(0).plus(w_, 1.0).scaled(0.5 * t.width);
        const Linear down = w_.plus(clipColumn(1), -1.0).scaled(0.5 * t.height);
        sides_[0] = across.plus(w_, -double(area.left));
        sides_[1] = w_.scaled(double(area.right)).plus(across, -1.0);
        sides_[2] = down.plus(w_, -double(area.top));
        sides_[3] = w_.scaled(double(area.bottom)).plus(down, -1.0);
    }

    Verdict judge(const WorldBox& box) const {
        if (!(w_.greatest(box) > 0.0)) return Verdict::Outside;
        bool inside = w_.least(box) > 0.0;
        for (const Linear& side : sides_) {
            if (side.plus(w_, kPixelMargin).greatest(box) < 0.0) return Verdict::Outside;
            inside = inside && side.plus(w_, -kPixelMargin).least(box) >= 0.0;
        }
        return inside ? Verdict::Inside : Verdict::Across;
    }

    // The mesh judged vertex by vertex: every vertex (Inside) or one
    // (Crossing) in front of the eye with its pixel inside the rectangle.
    bool selectsVertices(const PlacedMesh& placed, Selection mode) const {
        const MeshData data = placed.mesh->selectionData();
        if (data.vertexCount == 0) return false;
        const Linear w = w_.through(placed.world);
        Linear sides[4];
        for (int i = 0; i < 4; ++i) sides[i] = sides_[i].through(placed.world);
        for (uint32_t i = 0; i < data.vertexCount; ++i) {
            const D3DXVECTOR3 vertex = data.vertices[i];
            // The left and top sides take their pixels in, the right and bottom ones leave theirs out.
            const bool in = w.at(vertex) > 0.0 && sides[0].at(vertex) >= 0.0 && sides[1].at(vertex) > 0.0 &&
                            sides[2].at(vertex) >= 0.0 && sides[3].at(vertex) > 0.0;
            if (in != (mode == Selection::Inside)) return in;
        }
        return mode == Selection::Inside;
    }

private:
    static constexpr double kPixelMargin = 0.01;
    Linear w_{};
    Linear sides_[4]{};
};

class RectangleSelection {
public:
    RectangleSelection(const SceneIndex& index, const ViewTransforms& transforms, const RECT& area, Selection mode)
        : index_(index), mode_(mode), region_(transforms, area) {}

    // The selected meshes' places in the index, in the render's order.
    std::vector<uint32_t> run() {
        for (uint32_t placed : index_.unboxed()) judgeByVertices(placed);
        if (!index_.tree().empty()) visit(0, false);
        std::sort(chosen_.begin(), chosen_.end());
        return std::move(chosen_);
    }

private:
    void visit(uint32_t nodeIndex, bool wholeInside) {
        const BoxTree::Node& node = index_.tree().node(nodeIndex);
        if (!wholeInside) {
            const RectangleRegion::Verdict verdict = region_.judge(node.box);
            if (verdict == RectangleRegion::Verdict::Outside) return;
            wholeInside = verdict == RectangleRegion::Verdict::Inside;
        }
        if (!node.leaf()) {
            visit(node.first, wholeInside);
            visit(node.first + 1, wholeInside);
            return;
        }
        for (uint32_t k = node.first; k < node.first + node.count; ++k) {
            const uint32_t placed = index_.boxed()[index_.tree().order()[k]];
            // Every vertex lies in its box, so a box wholly inside settles both modes.
            if (wholeInside) {
                if (index_.placed()[placed].mesh->selectionData().vertexCount > 0) chosen_.push_back(placed);
            } else {
                judgeByVertices(placed);
            }
        }
    }

    void judgeByVertices(uint32_t placed) {
        if (region_.selectsVertices(index_.placed()[placed], mode_)) chosen_.push_back(placed);
    }

    const SceneIndex& index_;
    Selection mode_;
    RectangleRegion region_;
    std::vector<uint32_t> chosen_;
};

}  // namespace

void selectInRectangle(DXViewport& viewport, const SceneIndex& index, const RECT& area, Selection mode,
                       std::vector<PlacedMesh>* selected) {
    selected->clear();
    const ViewTransforms transforms = viewport.transforms();
    for (uint32_t placed : RectangleSelection(index, transforms, area, mode).run())
        selected->push_back(index.placed()[placed]);
}

}  // namespace pelmora
