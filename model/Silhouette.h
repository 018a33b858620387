#pragma once
#include <cstddef>
#include <vector>

struct GLMmodel;

// The edges that outline a model seen from a point: those between a face turned towards the
// eye and one turned away, and the open edges of faces turned away. Drawn as wide lines they
// give the outline that every back face's edges drawn as lines gave, hidden ones and all, at a
// few per cent of the lines: a software rasteriser sets every line up, seen or not.
class Silhouette {
public:
    explicit Silhouette(const GLMmodel& model);

    // The outline seen from eye (in the model's own space), appended to out as line ends of
    // five floats, s, t, x, y, z (OpenGL's GL_T2F_V3F): each end with the texture coordinates
    // the face turned away has there.
    void appendEdges(const float eye[3], std::vector<float>& out) const;
    size_t edgeCount() const { return edges.size(); }
    // Every edge between two faces that meet at a shallow angle (their normals 66 degrees apart
    // at most). Only then is the outline alone what all the edges of the faces turned away
    // drew: an open model (parts that only touch, seams, thin sheets) shows faces turned away
    // through its gaps, and where an outline turns sharply (a star's tips) the ends of wide
    // lines leave notches that the other edges filled.
    bool smooth() const { return isSmooth; }

    // Where the eye of a model-view matrix (column-major, affine) is in the model's space;
    // false when the matrix has no inverse.
    static bool eyeOf(const float modelView[16], float eye[3]);

private:
    struct Plane {
        float n[3];
        float d;
    };
    struct Edge {
        unsigned int a, b;  // vertex indices, a < b
        int faces[2];       // -1: an open edge
        float st[2][4];     // per face: s, t at a, then at b
    };
    std::vector<float> vertices;  // x, y, z from index 1 on, as the model has them
    std::vector<Plane> planes;    // one a face; a degenerate face has none (a zero normal)
    std::vector<Edge> edges;
    bool isSmooth = false;
    mutable std::vector<char> away;  // a face turned away from the eye, for the call at hand
};
