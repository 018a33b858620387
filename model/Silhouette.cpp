#include "model/Silhouette.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "model/glm.h"

Silhouette::Silhouette(const GLMmodel& model)
    : vertices(model.vertices, model.vertices + 3 * (model.numvertices + 1)) {
    std::map<std::pair<unsigned int, unsigned int>, size_t> found;
    planes.reserve(model.numtriangles);
    for (unsigned int f = 0; f < model.numtriangles; ++f) {
        const GLMtriangle& t = model.triangles[f];
        const float* p[3];
        for (int k = 0; k < 3; ++k) p[k] = &vertices[3 * t.vindices[k]];
        const float u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const float v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        // Counter-clockwise faces the viewer, as OpenGL takes it.
        Plane plane{{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]}, 0.0f};
        plane.d = -(plane.n[0] * p[0][0] + plane.n[1] * p[0][1] + plane.n[2] * p[0][2]);
        planes.push_back(plane);
        // A face without area is never drawn, so it neither outlines nor closes an edge.
        if (plane.n[0] == 0.0f && plane.n[1] == 0.0f && plane.n[2] == 0.0f) continue;
        for (int k = 0; k < 3; ++k) {
            unsigned int a = t.vindices[k], b = t.vindices[(k + 1) % 3];
            unsigned int ta = t.tindices[k], tb = t.tindices[(k + 1) % 3];
            if (a > b) std::swap(a, b), std::swap(ta, tb);
            auto texel = [&model](unsigned int i, int c) {
                return model.texcoords && i > 0 && i <= model.numtexcoords ? model.texcoords[2 * i + c] : 0.0f;
            };
            const float st[4] = {texel(ta, 0), texel(ta, 1), texel(tb, 0), texel(tb, 1)};
            auto it = found.find({a, b});
            // An edge of more than two faces is taken as a pair and the rest as more edges.
            if (it != found.end() && edges[it->second].faces[1] < 0) {
                Edge& e = edges[it->second];
                e.faces[1] = static_cast<int>(f);
                std::copy(st, st + 4, e.st[1]);
                continue;
            }
            Edge e{a, b, {static_cast<int>(f), -1}, {}};
            std::copy(st, st + 4, e.st[0]);
            found[{a, b}] = edges.size();
            edges.push_back(e);
        }
    }
    // At 66 degrees a 7-pixel line leaves at most 2 pixels of the corner open.
    constexpr float kShallow = 0.4f;
    auto cosine = [this](int f, int g) {
        const float* a = planes[f].n;
        const float* b = planes[g].n;
        return (a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) /
               std::sqrt((a[0] * a[0] + a[1] * a[1] + a[2] * a[2]) * (b[0] * b[0] + b[1] * b[1] + b[2] * b[2]));
    };
    isSmooth = !edges.empty() && std::all_of(edges.begin(), edges.end(), [&cosine](const Edge& e) {
        return e.faces[1] >= 0 && cosine(e.faces[0], e.faces[1]) >= kShallow;
    });
}

void Silhouette::appendEdges(const float eye[3], std::vector<float>& out) const {
    away.resize(planes.size());
    for (size_t f = 0; f < planes.size(); ++f) {
        const Plane& p = planes[f];
        away[f] = p.n[0] * eye[0] + p.n[1] * eye[1] + p.n[2] * eye[2] + p.d <= 0.0f;
    }
    for (const Edge& e : edges) {
        const bool first = away[e.faces[0]];
        const int side = e.faces[1] < 0 ? (first ? 0 : -1) : (first != away[e.faces[1]] ? (first ? 0 : 1) : -1);
        if (side < 0) continue;
        const float* st = e.st[side];
        for (int end = 0; end < 2; ++end) {
            const float* v = &vertices[3 * (end ? e.b : e.a)];
            out.insert(out.end(), {st[2 * end], st[2 * end + 1], v[0], v[1], v[2]});
        }
    }
}

bool Silhouette::eyeOf(const float m[16], float eye[3]) {
    // The eye is the model-space point the matrix takes to the origin: -A^-1 t for m = [A t].
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
    const float co[9] = {e * i - f * h, c * h - b * i, b * f - c * e,
                         f * g - d * i, a * i - c * g, c * d - a * f,
                         d * h - e * g, b * g - a * h, a * e - b * d};
    const float det = a * co[0] + b * co[3] + c * co[6];
    if (!std::isfinite(det) || std::fabs(det) < 1e-20f) return false;
    const float t[3] = {m[12], m[13], m[14]};
    for (int r = 0; r < 3; ++r) eye[r] = -(co[3 * r] * t[0] + co[3 * r + 1] * t[1] + co[3 * r + 2] * t[2]) / det;
    return true;
}
