// A plate of square cells. Every cell's outline carries the same n points:
// the projections, from the cell centre, of n directions evenly round the
// circle, starting at +x (n a multiple of 8, so the corners are among them).
// A cell with a hole joins its outline to the hole's n-gon; one without fans
// from its centre. Neighbouring cells compute their shared points with the
// same arithmetic, so the faces meet without cracks, and the outer walls and
// hole walls reuse the same points.
#include "MeshBuilder.h"
#include "Shapes.h"

#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace samplekernel {

namespace {

constexpr int kOutlineMultiple = 8;
constexpr int kSides = 4;
constexpr double kFullTurn = 360.0;

class PlateOutline {
public:
    PlateOutline(const Plate& plate, double angle) : plate_(plate) {
        const int wanted = segmentCount(kFullTurn, angle, kOutlineMultiple);
        n_ = (wanted + kOutlineMultiple - 1) / kOutlineMultiple * kOutlineMultiple;
        // Offsets along a side from its middle, odd in j so both cells on a
        // shared side get the same values.
        const int half = n_ / kOutlineMultiple;
        offsets_.assign(2 * half + 1, 0.0);
        for (int j = 1; j < half; ++j) {
            const double offset = plate.cellSize * 0.5 * std::tan(2.0 * kPi * j / n_);
            offsets_[half + j] = offset;
            offsets_[half - j] = -offset;
        }
    }

    int pointCount() const { return n_; }
    double gridX(int column) const { return plate_.corner.x + column * plate_.cellSize; }
    double gridY(int row) const { return plate_.corner.y + row * plate_.cellSize; }

    Vec3 centre(int column, int row) const {
        return {plate_.corner.x + (column + 0.5) * plate_.cellSize,
                plate_.corner.y + (row + 0.5) * plate_.cellSize, 0.0};
    }

    // Outline point k of a cell in the xy plane; side 0 is the right side
    // (+x), then top, left, bottom, each starting at its first corner.
    Vec3 point(int column, int row, int k) const {
        const int quarter = n_ / kSides;
        const int half = n_ / kOutlineMultiple;
        const int shifted = (k + half) % n_;
        const int side = shifted / quarter;
        const int j = shifted % quarter - half;
        const double x0 = gridX(column), x1 = gridX(column + 1);
        const double y0 = gridY(row), y1 = gridY(row + 1);
        const Vec3 mid = centre(column, row);
        const double s = offsets_[j + half];
        const bool corner = j == -half;
        switch (side) {
            case 0: return {x1, corner ? y0 : mid.y + s, 0.0};
            case 1: return {corner ? x1 : mid.x - s, y1, 0.0};
            case 2: return {x0, corner ? y1 : mid.y - s, 0.0};
            default: return {corner ? x0 : mid.x + s, y0, 0.0};
        }
    }

    // Whether the side of the cell lies on the plate's border.
    bool onBorder(int column, int row, int side) const {
        switch (side) {
            case 0: return column == plate_.columns - 1;
            case 1: return row == plate_.rows - 1;
            case 2: return column == 0;
            default: return row == 0;
        }
    }

private:
    const Plate& plate_;
    int n_ = kOutlineMultiple;
    std::vector<double> offsets_;
};

struct Level {
    double z;
    Vec3 normal;
};

Vec3 at(Vec3 p, double z) { return {p.x, p.y, z}; }

// One cell of the top or bottom face; the bottom's triangles turn the other way.
void addCellFace(MeshBuilder& builder, const PlateOutline& outline, int column, int row,
                 const Hole* hole, const Level& level) {
    const int n = outline.pointCount();
    const bool bottom = level.normal.z < 0.0;
    std::vector<int> ring(n);
    for (int k = 0; k < n; ++k)
        ring[k] = builder.addVertex(at(outline.point(column, row, k), level.z), level.normal);
    const Vec3 mid = outline.centre(column, row);
    auto triangle = [&](int a, int b, int c) {
        if (bottom)
            builder.addTriangle(a, c, b);
        else
            builder.addTriangle(a, b, c);
    };
    if (!hole) {
        const int centre = builder.addVertex(at(mid, level.z), level.normal);
        for (int k = 0; k < n; ++k) triangle(centre, ring[k], ring[(k + 1) % n]);
        return;
    }
    std::vector<int> inner(n);
    for (int k = 0; k < n; ++k) {
        const double t = 2.0 * kPi * k / n;
        const Vec3 p = mid + Vec3{std::cos(t), std::sin(t), 0.0} * hole->radius;
        inner[k] = builder.addVertex(at(p, level.z), level.normal);
    }
    for (int k = 0; k < n; ++k) {
        const int next = (k + 1) % n;
        triangle(inner[k], ring[k], ring[next]);
        triangle(inner[k], ring[next], inner[next]);
    }
}

// The hole's wall faces the hole's axis.
void addHoleWall(MeshBuilder& builder, const PlateOutline& outline, const Hole& hole, double z0,
                 double z1) {
    const int n = outline.pointCount();
    const Vec3 mid = outline.centre(hole.column, hole.row);
    std::vector<int> lower(n), upper(n);
    for (int k = 0; k < n; ++k) {
        const double t = 2.0 * kPi * k / n;
        const Vec3 d{std::cos(t), std::sin(t), 0.0};
        const Vec3 p = mid + d * hole.radius;
        lower[k] = builder.addVertex(at(p, z0), -d);
        upper[k] = builder.addVertex(at(p, z1), -d);
    }
    for (int k = 0; k < n; ++k) {
        const int next = (k + 1) % n;
        builder.addQuad(lower[k], upper[k], upper[next], lower[next]);
    }
}

constexpr Vec3 kSideNormals[kSides] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};

// The outer wall along one border side of a cell, one quad per outline segment.
void addBorderWall(MeshBuilder& builder, const PlateOutline& outline, int column, int row,
                   int side, double z0, double z1) {
    const int n = outline.pointCount();
    const int quarter = n / kSides;
    const int first = side * quarter - n / kOutlineMultiple;
    for (int i = 0; i < quarter; ++i) {
        const Vec3 a = outline.point(column, row, (first + i + n) % n);
        const Vec3 b = outline.point(column, row, (first + i + 1 + n) % n);
        builder.addFlatQuad(at(a, z0), at(b, z0), at(b, z1), at(a, z1), kSideNormals[side]);
    }
}

}  // namespace

FacetMesh tessellatePlate(const Plate& plate, double angle) {
    const PlateOutline outline(plate, angle);
    std::map<std::pair<int, int>, const Hole*> holes;
    for (const Hole& hole : plate.holes) holes[{hole.column, hole.row}] = &hole;
    const double z0 = plate.corner.z;
    const double z1 = plate.corner.z + plate.thickness;
    const Level top{z1, {0, 0, 1}};
    const Level bottom{z0, {0, 0, -1}};
    MeshBuilder builder;
    for (int row = 0; row < plate.rows; ++row) {
        for (int column = 0; column < plate.columns; ++column) {
            auto found = holes.find({column, row});
            const Hole* hole = found == holes.end() ? nullptr : found->second;
            addCellFace(builder, outline, column, row, hole, top);
            addCellFace(builder, outline, column, row, hole, bottom);
            if (hole) addHoleWall(builder, outline, *hole, z0, z1);
            for (int side = 0; side < kSides; ++side)
                if (outline.onBorder(column, row, side))
                    addBorderWall(builder, outline, column, row, side, z0, z1);
        }
    }
    return builder.build();
}

}  // namespace samplekernel
