"""A parametric tube with round holes through its wall, tessellated in
Python at whatever deviation the view asks for (the largest angle, in
degrees, one facet may span around the axis). The holes follow the facet
grid: stepped at coarse deviations, rounder as the view zooms in. Used by
parametric_tube.py and notebook.py."""
import math

import numpy as np


class Tube:
    def __init__(self, outer=10.0, inner=8.0, length=60.0, holes=((-math.pi / 2, 15.0, 2.5), (-math.pi / 2 + 0.9, 32.0, 5.0),
                                                                  (-math.pi / 2 - 0.5, 47.0, 3.0))):
        self.outer, self.inner, self.length = outer, inner, length
        self.holes = holes  # (angle about the axis, height, radius)
        self.asked = []  # the deviations the engine asked for

    @property
    def bounds(self):
        r = self.outer
        return (-r, -r, 0.0), (r, r, self.length)

    def __call__(self, body, deviation):
        """The facet factory: (vertices, normals, triangles) at `deviation` degrees."""
        self.asked.append(deviation)
        around = int(np.clip(math.ceil(360.0 / max(deviation, 1e-3)), 12, 720))
        along = int(np.clip(round(self.length / (2 * math.pi * self.outer / around)), 2, 2000))
        theta = np.linspace(0.0, 2 * math.pi, around + 1)
        z = np.linspace(0.0, self.length, along + 1)
        solid = ~self._in_holes(theta, z)
        quads = [self._wall(theta, z, solid, self.outer, +1), self._wall(theta, z, solid, self.inner, -1),
                 self._hole_sides(theta, z, solid), self._cap(theta, 0.0, -1), self._cap(theta, self.length, +1)]
        return _triangles(np.concatenate([q[0] for q in quads]), np.concatenate([q[1] for q in quads]))

    def _in_holes(self, theta, z):
        """Which grid cells (around x along) lie in a hole, by their centres."""
        tc, zc = np.meshgrid((theta[:-1] + theta[1:]) / 2, (z[:-1] + z[1:]) / 2, indexing="ij")
        inside = np.zeros(tc.shape, bool)
        for angle, height, radius in self.holes:
            arc = (np.angle(np.exp(1j * (tc - angle)))) * self.outer
            inside |= arc ** 2 + (zc - height) ** 2 < radius ** 2
        return inside

    def _wall(self, theta, z, solid, radius, outward):
        """The cylinder of `radius`, cells kept where `solid`; normals radial (inwards when outward < 0)."""
        i, j = np.nonzero(solid)
        t = np.stack([theta[i], theta[i + 1], theta[i + 1], theta[i]], axis=1)
        h = np.stack([z[j], z[j], z[j + 1], z[j + 1]], axis=1)
        corners = np.stack([radius * np.cos(t), radius * np.sin(t), h], axis=2)
        normals = outward * np.stack([np.cos(t), np.sin(t), np.zeros_like(t)], axis=2)
        return corners, normals

    def _hole_sides(self, theta, z, solid):
        """The faces joining the two walls where a kept cell meets a hole cell."""
        corners, normals = [], []
        rolled = np.roll(solid, -1, axis=0)  # the neighbour at the next angle (the tube closes)
        for mask, edge in (((solid & ~rolled), "next angle"), ((~solid & rolled), "previous angle")):
            i, j = np.nonzero(mask)
            t = theta[i + 1]
            side = np.stack([-np.sin(t), np.cos(t), np.zeros_like(t)], axis=1) * (1 if edge == "next angle" else -1)
            ring = [(self.outer, z[j]), (self.outer, z[j + 1]), (self.inner, z[j + 1]), (self.inner, z[j])]
            corners.append(np.stack([np.stack([r * np.cos(t), r * np.sin(t), h], 1) for r, h in ring], 1))
            normals.append(np.repeat(side[:, None, :], 4, axis=1))
        for mask, sign in (((solid[:, 1:] & ~solid[:, :-1]), -1), ((~solid[:, 1:] & solid[:, :-1]), +1)):
            i, j = np.nonzero(mask)
            h = z[j + 1]
            ring = [(self.outer, theta[i]), (self.outer, theta[i + 1]), (self.inner, theta[i + 1]), (self.inner, theta[i])]
            corners.append(np.stack([np.stack([r * np.cos(t), r * np.sin(t), h], 1) for r, t in ring], 1))
            normals.append(np.tile(np.float64([0, 0, sign]), (len(i), 4, 1)))
        return np.concatenate(corners), np.concatenate(normals)

    def _cap(self, theta, height, up):
        t0, t1 = theta[:-1], theta[1:]
        ring = [(self.outer, t0), (self.outer, t1), (self.inner, t1), (self.inner, t0)]
        corners = np.stack([np.stack([r * np.cos(t), r * np.sin(t), np.full_like(t, height)], 1) for r, t in ring], 1)
        return corners, np.tile(np.float64([0, 0, up]), (len(t0), 4, 1))


def _triangles(corners, normals):
    """Quads (Q x 4 corners) to vertices, normals and two triangles each,
    turned counter-clockwise about their normals."""
    face_normal = np.cross(corners[:, 1] - corners[:, 0], corners[:, 2] - corners[:, 0])
    flip = np.einsum("ij,ij->i", face_normal, normals.mean(axis=1)) < 0
    corners[flip] = corners[flip][:, ::-1]
    normals[flip] = normals[flip][:, ::-1]
    base = 4 * np.arange(len(corners))[:, None]
    triangles = np.concatenate([base + [0, 1, 2], base + [0, 2, 3]])
    return corners.reshape(-1, 3).astype(np.float32), normals.reshape(-1, 3).astype(np.float32), triangles
