// The game's meshes, built from a few primitives and written with the OBJ writer of the reader.
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Content.h"
#include "model/glm.h"

namespace content {

namespace {

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V3 a) { return std::sqrt(dot(a, a)); }

struct Material {
    std::string name;
    float kd[3], ka[3], ks[3];
    float ns;  // file range 0..1000
};

// A rectangle of the texture that a part of the mesh maps into.
struct UvRect {
    double u0, v0, u1, v1;
    double u(double s) const { return u0 + (u1 - u0) * s; }
    double v(double t) const { return v0 + (v1 - v0) * t; }
};

class Mesh {
public:
    int vertex(V3 p) {
        v.push_back(p);
        return static_cast<int>(v.size());
    }
    int tex(double s, double t) {
        uv.push_back({s, t, 0});
        return static_cast<int>(uv.size());
    }
    void group(const std::string& name, const std::string& material) {
        groups.push_back({name, material, {}});
    }
    // A triangle facing away from the point `inside` (its winding is swapped if needed).
    void tri(int a, int b, int c, int ta, int tb, int tc, V3 inside) {
        const V3 centre = (v[a - 1] + v[b - 1] + v[c - 1]) * (1.0 / 3.0);
        triFacing(a, b, c, ta, tb, tc, centre - inside);
    }
    // A triangle whose front side faces `outward`.
    void triFacing(int a, int b, int c, int ta, int tb, int tc, V3 outward) {
        const V3 n = cross(v[b - 1] - v[a - 1], v[c - 1] - v[a - 1]);
        if (length(n) < 1e-12) return;  // no area, nothing to draw
        if (dot(n, outward) < 0) {
            std::swap(b, c);
            std::swap(tb, tc);
        }
        groups.back().tris.push_back({a, b, c, ta, tb, tc});
    }
    size_t triangleCount() const {
        size_t n = 0;
        for (const auto& g : groups) n += g.tris.size();
        return n;
    }

    struct Group {
        std::string name, material;
        std::vector<std::array<int, 6>> tris;
    };
    std::vector<V3> v, uv;
    std::vector<Group> groups;
};

// A surface of revolution: profile points (a along the axis, r radius) turned around the axis
// through `origin` along `axis`; `side1`, `side2` span the cross-section (scaled by sx, sy).
void lathe(Mesh& m, const std::vector<std::pair<double, double>>& profile, int segments, V3 origin, V3 axis,
           V3 side1, V3 side2, double s1, double s2, UvRect rect) {
    std::vector<std::vector<int>> rings;
    std::vector<std::vector<int>> ringTex;
    double total = 0;
    std::vector<double> along{0};
    for (size_t i = 1; i < profile.size(); ++i) {
        total += std::hypot(profile[i].first - profile[i - 1].first, profile[i].second - profile[i - 1].second);
        along.push_back(total);
    }
    for (size_t i = 0; i < profile.size(); ++i) {
        std::vector<int> ring, texRing;
        for (int j = 0; j <= segments; ++j) {
            const double a = 2 * M_PI * j / segments;
            const double r = profile[i].second;
            const V3 p = origin + axis * profile[i].first + side1 * (std::cos(a) * r * s1) +
                         side2 * (std::sin(a) * r * s2);
            ring.push_back(j < segments ? m.vertex(p) : ring[0]);
            texRing.push_back(m.tex(rect.u(along[i] / total), rect.v(static_cast<double>(j) / segments)));
        }
        rings.push_back(ring);
        ringTex.push_back(texRing);
    }
    // The outside of each profile segment: perpendicular to it, on the side away from the
    // axis for a profile that runs from the front (high a) to the back.
    const double dir = profile.front().first > profile.back().first ? 1.0 : -1.0;
    for (size_t i = 0; i + 1 < rings.size(); ++i) {
        const double da = profile[i + 1].first - profile[i].first, dr = profile[i + 1].second - profile[i].second;
        const double na = dr * dir, nr = -da * dir;
        for (int j = 0; j < segments; ++j) {
            const double am = 2 * M_PI * (j + 0.5) / segments;
            const V3 out = axis * na + (side1 * (std::cos(am) * s2) + side2 * (std::sin(am) * s1)) * nr;
            const int a = rings[i][j], b = rings[i][j + 1], c = rings[i + 1][j + 1], d = rings[i + 1][j];
            const int ta = ringTex[i][j], tb = ringTex[i][j + 1], tc = ringTex[i + 1][j + 1], td = ringTex[i + 1][j];
            if (profile[i].second > 1e-9) m.triFacing(a, b, c, ta, tb, tc, out);
            if (profile[i + 1].second > 1e-9) m.triFacing(a, c, d, ta, tc, td, out);
        }
    }
}

// A flat convex polygon (points in the plane spanned by e1, e2 around `origin`) given a
// thickness along the plane's normal: top, bottom and side walls.
void slab(Mesh& m, const std::vector<std::pair<double, double>>& outline, V3 origin, V3 e1, V3 e2, double thickness,
          UvRect rect) {
    const V3 n = cross(e1, e2) * (thickness / 2 / length(cross(e1, e2)));
    double minA = 1e9, maxA = -1e9, minB = 1e9, maxB = -1e9;
    V3 centre{0, 0, 0};
    for (auto [a, b] : outline) {
        minA = std::min(minA, a), maxA = std::max(maxA, a), minB = std::min(minB, b), maxB = std::max(maxB, b);
        centre = centre + origin + e1 * a + e2 * b;
    }
    centre = centre * (1.0 / outline.size());
    std::vector<int> top, bottom, tt, tb;
    for (auto [a, b] : outline) {
        const V3 p = origin + e1 * a + e2 * b;
        top.push_back(m.vertex(p + n));
        bottom.push_back(m.vertex(p - n));
        const double s = (a - minA) / (maxA - minA), t = (b - minB) / (maxB - minB);
        tt.push_back(m.tex(rect.u(s), rect.v(t)));
        tb.push_back(m.tex(rect.u(s), rect.v(t)));
    }
    const size_t k = outline.size();
    for (size_t i = 1; i + 1 < k; ++i) {
        m.tri(top[0], top[i], top[i + 1], tt[0], tt[i], tt[i + 1], centre);
        m.tri(bottom[0], bottom[i], bottom[i + 1], tb[0], tb[i], tb[i + 1], centre);
    }
    for (size_t i = 0; i < k; ++i) {
        const size_t j = (i + 1) % k;
        const int edge0 = m.tex(rect.u(0.02), rect.v(0.02)), edge1 = m.tex(rect.u(0.06), rect.v(0.06));
        m.tri(top[i], top[j], bottom[j], edge0, edge1, edge1, centre);
        m.tri(top[i], bottom[j], bottom[i], edge0, edge1, edge0, centre);
    }
}

// A box whose side faces each show the whole rectangle upright, seen from outside.
void box(Mesh& m, V3 c, V3 h, UvRect rect) {
    const V3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const double half[3] = {h.x, h.y, h.z};
    for (int a = 0; a < 3; ++a)
        for (int s = -1; s <= 1; s += 2) {
            const V3 n = axes[a] * (half[a] * s);
            const V3 e1 = axes[(a + 1) % 3] * half[(a + 1) % 3];
            const V3 e2 = axes[(a + 2) % 3] * half[(a + 2) % 3];
            const V3 corners[4] = {c + n - e1 - e2, c + n + e1 - e2, c + n + e1 + e2, c + n - e1 + e2};
            int p[4], t[4];
            for (int k = 0; k < 4; ++k) {
                const V3 d = corners[k] - c;
                // Right and up as a viewer outside this face sees them.
                double u, v;
                if (a == 0) u = -s * d.z / h.z, v = d.y / h.y;
                else if (a == 2) u = s * d.x / h.x, v = d.y / h.y;
                else u = d.x / h.x, v = -s * d.z / h.z;
                p[k] = m.vertex(corners[k]);
                t[k] = m.tex(rect.u((u + 1) / 2), rect.v((v + 1) / 2));
            }
            m.tri(p[0], p[1], p[2], t[0], t[1], t[2], c);
            m.tri(p[0], p[2], p[3], t[0], t[2], t[3], c);
        }
}

GLMmodel* toModel(const Mesh& mesh, const std::vector<Material>& materials, const std::string& mtllib) {
    GLMmodel* model = static_cast<GLMmodel*>(std::calloc(1, sizeof(GLMmodel)));
    model->pathname = strdup("content");
    model->mtllibname = strdup(mtllib.c_str());
    model->numvertices = mesh.v.size();
    model->vertices = static_cast<float*>(std::calloc(3 * (mesh.v.size() + 1), sizeof(float)));
    for (size_t i = 0; i < mesh.v.size(); ++i) {
        model->vertices[3 * (i + 1)] = static_cast<float>(mesh.v[i].x);
        model->vertices[3 * (i + 1) + 1] = static_cast<float>(mesh.v[i].y);
        model->vertices[3 * (i + 1) + 2] = static_cast<float>(mesh.v[i].z);
    }
    model->numtexcoords = mesh.uv.size();
    model->texcoords = static_cast<float*>(std::calloc(2 * (mesh.uv.size() + 1), sizeof(float)));
    for (size_t i = 0; i < mesh.uv.size(); ++i) {
        model->texcoords[2 * (i + 1)] = static_cast<float>(mesh.uv[i].x);
        model->texcoords[2 * (i + 1) + 1] = static_cast<float>(mesh.uv[i].y);
    }
    model->nummaterials = materials.size() + 1;
    model->materials = static_cast<GLMmaterial*>(std::calloc(model->nummaterials, sizeof(GLMmaterial)));
    for (size_t i = 0; i < model->nummaterials; ++i) {
        GLMmaterial& g = model->materials[i];
        const float defaults[3][3] = {{0.8f, 0.8f, 0.8f}, {0.2f, 0.2f, 0.2f}, {0, 0, 0}};
        for (int k = 0; k < 3; ++k) {
            g.diffuse[k] = i ? materials[i - 1].kd[k] : defaults[0][k];
            g.ambient[k] = i ? materials[i - 1].ka[k] : defaults[1][k];
            g.specular[k] = i ? materials[i - 1].ks[k] : defaults[2][k];
        }
        g.diffuse[3] = g.ambient[3] = g.specular[3] = 1.0f;
        g.shininess = i ? materials[i - 1].ns / 1000.0f * 128.0f : 65.0f;
        g.name = strdup(i ? materials[i - 1].name.c_str() : "default");
    }
    model->numtriangles = mesh.triangleCount();
    model->triangles = static_cast<GLMtriangle*>(std::calloc(model->numtriangles + 1, sizeof(GLMtriangle)));
    glmAddGroup(model, "default");
    unsigned int t = 0;
    for (const auto& g : mesh.groups) {
        GLMgroup* group = glmAddGroup(model, (" " + g.name).c_str());
        group->triangles = static_cast<unsigned int*>(std::malloc(sizeof(unsigned int) * (g.tris.size() + 1)));
        group->material = glmFindMaterial(model, g.material.c_str());
        for (const auto& tri : g.tris) {
            GLMtriangle& out = model->triangles[t];
            for (int k = 0; k < 3; ++k) {
                out.vindices[k] = tri[k];
                out.tindices[k] = tri[3 + k];
            }
            group->triangles[group->numtriangles++] = t++;
        }
    }
    glmFacetNormals(model);
    glmVertexNormals(model, 50.0f);
    return model;
}

bool save(const std::string& gameDir, const std::string& name, const Mesh& mesh, const std::vector<Material>& mats) {
    GLMmodel* model = toModel(mesh, mats, name + ".mtl");
    const std::string path = gameDir + "/Modells/" + name + ".obj";
    const bool ok = glmWriteOBJ(model, path.c_str(), GLM_SMOOTH | GLM_TEXTURE | GLM_MATERIAL);
    std::printf("  %-22s %5zu triangles\n", (name + ".obj").c_str(), mesh.triangleCount());
    glmDelete(model);
    return ok;
}

const V3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};

Mesh ship() {
    Mesh m;
    // Atlas: hull top left, cockpit top right, wings bottom left, engines bottom right.
    const UvRect hullRect{0.0, 0.5, 0.5, 1.0}, glassRect{0.5, 0.5, 1.0, 1.0}, wingRect{0.0, 0.0, 0.5, 0.5},
        engineRect{0.5, 0.0, 1.0, 0.5};
    m.group("hull", "hull");
    lathe(m, {{2.3, 0.0}, {2.0, 0.12}, {1.5, 0.27}, {0.8, 0.42}, {0.0, 0.5}, {-0.9, 0.48}, {-1.6, 0.4}, {-1.95, 0.3},
              {-2.0, 0.0}},
          18, {0, 0, 0}, X, Y, Z, 0.7, 1.0, hullRect);
    m.group("cockpit", "glass");
    lathe(m, {{1.25, 0.0}, {1.1, 0.12}, {0.7, 0.24}, {0.2, 0.27}, {-0.3, 0.2}, {-0.55, 0.0}}, 16, {0, 0.22, 0}, X,
          Y, Z, 0.85, 1.0, glassRect);
    m.group("wings", "wing");
    slab(m, {{0.5, 0.35}, {-0.2, 1.1}, {-1.1, 2.0}, {-1.6, 2.0}, {-1.45, 0.35}}, {0, -0.08, 0}, X, Z, 0.09, wingRect);
    slab(m, {{0.5, -0.35}, {-0.2, -1.1}, {-1.1, -2.0}, {-1.6, -2.0}, {-1.45, -0.35}}, {0, -0.08, 0}, X, Z, 0.09,
         wingRect);
    slab(m, {{-0.8, 0.25}, {-1.7, 0.95}, {-2.05, 0.95}, {-1.85, 0.25}}, {0, 0, 0}, X, Y, 0.07, wingRect);
    m.group("engines", "engine");
    for (int side = -1; side <= 1; side += 2) {
        lathe(m, {{-0.5, 0.0}, {-0.6, 0.13}, {-0.9, 0.19}, {-1.9, 0.19}, {-2.15, 0.16}, {-2.15, 0.11}},
              14, {0, -0.12, 0.62 * side}, X, Y, Z, 1.0, 1.0, engineRect);
    }
    m.group("exhaust", "flame");
    for (int side = -1; side <= 1; side += 2)
        lathe(m, {{-2.15, 0.11}, {-2.05, 0.0}}, 14, {0, -0.12, 0.62 * side}, X, Y, Z, 1.0, 1.0,
              {0.9, 0.05, 0.98, 0.45});
    return m;
}

// far: one subdivision less (a quarter of the faces), for an asteroid small on screen. Its
// points are the near one's first ones, pushed alike: the two differ only between them.
Mesh asteroid(bool far) {
    Mesh m;
    m.group("rock", "rock");
    // An icosahedron, subdivided three times and pushed in and out by noise.
    const double t = (1 + std::sqrt(5.0)) / 2;
    std::vector<V3> pts = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                           {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    std::vector<std::array<int, 3>> faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                             {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                             {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                             {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (auto& p : pts) p = p * (1.0 / length(p));
    std::vector<std::array<int, 3>> farFaces;
    size_t farPoints = 0;
    for (int level = 0; level < 3; ++level) {
        if (level == 2) farFaces = faces, farPoints = pts.size();
        std::vector<std::array<int, 3>> next;
        std::map<std::pair<int, int>, int> mid;
        auto middle = [&](int a, int b) {
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = mid.find(key);
            if (it != mid.end()) return it->second;
            V3 p = (pts[a] + pts[b]) * 0.5;
            pts.push_back(p * (1.0 / length(p)));
            return mid[key] = static_cast<int>(pts.size()) - 1;
        };
        for (auto f : faces) {
            const int a = middle(f[0], f[1]), b = middle(f[1], f[2]), c = middle(f[2], f[0]);
            next.push_back({f[0], a, c});
            next.push_back({f[1], b, a});
            next.push_back({f[2], c, b});
            next.push_back({a, b, c});
        }
        faces = next;
    }
    std::vector<int> ids;
    std::vector<double> us, vs;
    pts.resize(far ? farPoints : pts.size());
    for (const V3& p : pts) {
        const double bumps = periodicFbm(p.x * 1.6 + 7, p.y * 1.6 + 7, p.z * 1.6 + 7, 64, 64, 64, 4, 11);
        const double r = 0.72 + 0.55 * bumps;
        const V3 q{p.x * r * 1.15, p.y * r * 0.9, p.z * r};
        ids.push_back(m.vertex(q));
        us.push_back(0.5 + std::atan2(p.z, p.x) / (2 * M_PI));
        vs.push_back(0.5 + std::asin(std::max(-1.0, std::min(1.0, p.y))) / M_PI);
    }
    for (auto f : far ? farFaces : faces) {
        double u[3] = {us[f[0]], us[f[1]], us[f[2]]};
        // Triangles across the seam get coordinates past 1 (the texture repeats).
        const double hi = std::max(u[0], std::max(u[1], u[2]));
        for (double& x : u)
            if (hi - x > 0.5) x += 1.0;
        const int t0 = m.tex(u[0], vs[f[0]]), t1 = m.tex(u[1], vs[f[1]]), t2 = m.tex(u[2], vs[f[2]]);
        m.tri(ids[f[0]], ids[f[1]], ids[f[2]], t0, t1, t2, {0, 0, 0});
    }
    return m;
}

Mesh bullet() {
    Mesh m;
    // Flies towards -z: a long glowing slug with a bright tip.
    m.group("slug", "slug");
    lathe(m, {{-1.0, 0.0}, {-0.85, 0.22}, {-0.55, 0.32}, {0.2, 0.33}, {0.7, 0.28}}, 16, {0, 0, 0}, Z, X, Y, 1, 1,
          {0.0, 0.0, 1.0, 0.7});
    m.group("trail", "trail");
    lathe(m, {{0.7, 0.28}, {0.95, 0.2}, {1.1, 0.0}}, 16, {0, 0, 0}, Z, X, Y, 1, 1, {0.0, 0.7, 1.0, 1.0});
    return m;
}

Mesh bulletPowerUp() {
    Mesh m;
    // An ammunition case with three rounds standing in it.
    m.group("case", "case");
    box(m, {0, -0.35, 0}, {0.75, 0.3, 0.45}, {0.0, 0.0, 1.0, 0.5});
    m.group("rounds", "brass");
    for (int i = -1; i <= 1; ++i)
        lathe(m, {{-0.1, 0.0}, {-0.1, 0.17}, {0.55, 0.17}, {0.75, 0.14}, {0.95, 0.07}, {1.05, 0.0}}, 14,
              {0.42 * i, 0, 0}, Y, X, Z, 1, 1, {0.0, 0.5, 1.0, 1.0});
    return m;
}

Mesh star() {
    Mesh m;
    // Faces along +-x (the game turns it to face the camera), points in the y-z plane.
    m.group("star", "gold");
    const int points = 5;
    std::vector<int> rim, rimTex;
    std::vector<V3> rimPts;
    for (int i = 0; i < 2 * points; ++i) {
        const double a = M_PI / 2 + M_PI * i / points;
        const double r = (i % 2 == 0) ? 1.0 : 0.45;
        rimPts.push_back({0, r * std::sin(a), r * std::cos(a)});
    }
    const double thickness = 0.22, bulge = 0.38;
    for (int s = -1; s <= 1; s += 2) {
        const int centre = m.vertex({bulge * s, 0, 0});
        const int centreTex = m.tex(0.5, 0.5);
        std::vector<int> ring, ringTex;
        for (const V3& p : rimPts) {
            ring.push_back(m.vertex({thickness * s, p.y, p.z}));
            ringTex.push_back(m.tex(0.5 + 0.48 * p.z, 0.5 + 0.48 * p.y));
        }
        for (int i = 0; i < 2 * points; ++i) {
            const int j = (i + 1) % (2 * points);
            m.tri(centre, ring[i], ring[j], centreTex, ringTex[i], ringTex[j], {-s * 1.0, 0, 0});
        }
        rim.insert(rim.end(), ring.begin(), ring.end());
        rimTex.insert(rimTex.end(), ringTex.begin(), ringTex.end());
    }
    // Side walls: each wall faces outwards from the star's axis at its own height.
    const int n = 2 * points;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const V3 mid = (rimPts[i] + rimPts[j]) * 0.5;
        const V3 inside = mid * 0.5;
        m.tri(rim[i], rim[j], rim[n + j], rimTex[i], rimTex[j], rimTex[n + j], inside);
        m.tri(rim[i], rim[n + j], rim[n + i], rimTex[i], rimTex[n + j], rimTex[n + i], inside);
    }
    return m;
}

}  // namespace

bool writeModels(const std::string& gameDir) {
    bool ok = true;
    ok &= save(gameDir, "ship3", ship(),
               {{"hull", {0.95f, 0.95f, 1.0f}, {0.35f, 0.35f, 0.4f}, {0.9f, 0.9f, 0.9f}, 600},
                {"glass", {0.7f, 0.9f, 1.0f}, {0.2f, 0.3f, 0.4f}, {1.0f, 1.0f, 1.0f}, 900},
                {"wing", {0.95f, 0.95f, 0.95f}, {0.3f, 0.3f, 0.3f}, {0.6f, 0.6f, 0.6f}, 400},
                {"engine", {0.8f, 0.8f, 0.85f}, {0.25f, 0.25f, 0.3f}, {0.8f, 0.8f, 0.8f}, 700},
                {"flame", {1.0f, 0.75f, 0.3f}, {1.0f, 0.6f, 0.2f}, {0.2f, 0.2f, 0.2f}, 100}});
    for (bool far : {false, true})
        ok &= save(gameDir, far ? "asteroid1-far" : "asteroid1", asteroid(far),
                   {{"rock", {0.9f, 0.85f, 0.8f}, {0.3f, 0.28f, 0.26f}, {0.15f, 0.15f, 0.15f}, 80}});
    ok &= save(gameDir, "bullet", bullet(),
               {{"slug", {1.0f, 0.95f, 0.6f}, {0.9f, 0.8f, 0.4f}, {1.0f, 1.0f, 1.0f}, 800},
                {"trail", {1.0f, 0.6f, 0.2f}, {0.9f, 0.5f, 0.2f}, {0.5f, 0.5f, 0.5f}, 300}});
    ok &= save(gameDir, "bullet-powerup", bulletPowerUp(),
               {{"case", {0.9f, 0.95f, 0.9f}, {0.3f, 0.32f, 0.3f}, {0.4f, 0.4f, 0.4f}, 250},
                {"brass", {1.0f, 0.9f, 0.6f}, {0.4f, 0.35f, 0.2f}, {1.0f, 0.95f, 0.8f}, 850}});
    ok &= save(gameDir, "special-stern", star(),
               {{"gold", {1.0f, 0.85f, 0.3f}, {0.5f, 0.4f, 0.1f}, {1.0f, 1.0f, 0.8f}, 900}});
    return ok;
}

}  // namespace content
