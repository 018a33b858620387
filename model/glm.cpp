#include "model/glm.h"


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ReadFile.h"

namespace {

// Buffer sizes of the reading primitives: words fit 127 characters plus the terminator, and a
// rest-of-line read takes at most 127 characters (a longer line leaves its remainder to be
// read as further words).
constexpr int kBufferSize = 128;

void (*fatalHandler)(int) = nullptr;

// Every reading failure ends here: the handler, if one is set, or the program.
[[noreturn]] void fatal(int code) {
    std::fflush(stdout);
    if (fatalHandler) fatalHandler(code);
    std::exit(code);
}

// Closes a file on every way out, including an exception thrown by the fatal handler.
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

// A model or material file, read whole into memory and scanned from there. Only a plain file
// within the model limit is read: a device such as /dev/zero would be read forever, a FIFO
// would never open, a folder holds no text. Anything else counts as a file that cannot be
// opened (file() is null).
class TextFile {
public:
    explicit TextFile(const char* path) : contents(files::readRegularFile(path, files::kModelLimit)) {
        if (contents.ok()) handle.reset(fmemopen(contents.data.data(), contents.data.size(), "r"));
    }
    FILE* file() const { return handle.get(); }

private:
    files::ReadResult contents;
    FileHandle handle;  // declared last: closed before the text it reads goes
};

char* copyString(const char* s) {
    const size_t n = std::strlen(s) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    std::memcpy(copy, s, n);
    return copy;
}

// One whitespace-delimited word, never longer than the buffer.
bool readWord(FILE* file, char* buf) {
    buf[0] = '\0';
    return std::fscanf(file, "%127s", buf) == 1;
}

// The rest of the current line (bounded); empty at the end of the file.
void readLine(FILE* file, char* buf) {
    if (!std::fgets(buf, kBufferSize, file)) buf[0] = '\0';
}

// The name on an mtllib/usemtl/newmtl line: the first word after the keyword, or the second
// if there is one.
void lineName(const char* line, char* name) {
    char first[kBufferSize] = "";
    char second[kBufferSize] = "";
    const int n = std::sscanf(line, "%127s %127s", first, second);
    std::strcpy(name, n >= 2 ? second : (n == 1 ? first : ""));
}

// A group name is the rest of the "g" line without its newline, leading blank included.
void groupName(FILE* file, char* buf) {
    readLine(file, buf);
    const size_t n = std::strlen(buf);
    if (n > 0 && buf[n - 1] == '\n') buf[n - 1] = '\0';
}

[[noreturn]] void malformed(const GLMmodel* model, const char* what) {
    std::printf("glmReadOBJ() failed: %s in \"%s\".\n", what, model->pathname);
    fatal(1);
}

enum class FaceForm { VertexNormal, VertexTexNormal, VertexTex, Vertex };

struct Corner {
    int v = 0;
    int t = 0;
    int n = 0;
};

bool hasTex(FaceForm form) { return form == FaceForm::VertexTexNormal || form == FaceForm::VertexTex; }
bool hasNormal(FaceForm form) { return form == FaceForm::VertexNormal || form == FaceForm::VertexTexNormal; }

// The first vertex word decides the form of the whole face.
FaceForm firstCorner(const char* word, Corner& c) {
    if (std::strstr(word, "//")) {
        std::sscanf(word, "%d//%d", &c.v, &c.n);
        return FaceForm::VertexNormal;
    }
    Corner probe;
    if (std::sscanf(word, "%d/%d/%d", &probe.v, &probe.t, &probe.n) == 3) {
        c = probe;
        return FaceForm::VertexTexNormal;
    }
    probe = Corner();
    if (std::sscanf(word, "%d/%d", &probe.v, &probe.t) == 2) {
        c = probe;
        return FaceForm::VertexTex;
    }
    std::sscanf(word, "%d", &c.v);
    return FaceForm::Vertex;
}

// Scans one more vertex of the face with the face's pattern; returns how many numbers matched
// (0 or less at the next keyword or the end of the file). Unmatched parts stay 0.
int scanCorner(FILE* file, FaceForm form, Corner& c) {
    c = Corner();
    switch (form) {
        case FaceForm::VertexNormal: return std::fscanf(file, "%d//%d", &c.v, &c.n);
        case FaceForm::VertexTexNormal: return std::fscanf(file, "%d/%d/%d", &c.v, &c.t, &c.n);
        case FaceForm::VertexTex: return std::fscanf(file, "%d/%d", &c.v, &c.t);
        case FaceForm::Vertex: return std::fscanf(file, "%d", &c.v);
    }
    return 0;
}

// Reads one face; calls onTriangle(a, b, c) for each fan triangle, in order. The first and the
// second pass both read faces through this one function, so they always agree on the count.
template <typename OnTriangle>
void readFace(FILE* file, OnTriangle onTriangle) {
    char word[kBufferSize];
    readWord(file, word);
    Corner first;
    const FaceForm form = firstCorner(word, first);
    Corner second, third;
    scanCorner(file, form, second);
    scanCorner(file, form, third);
    onTriangle(form, first, second, third);
    Corner previous = third;
    Corner next;
    while (scanCorner(file, form, next) > 0) {
        onTriangle(form, first, previous, next);
        previous = next;
    }
}

void defaultMaterial(GLMmaterial& m) {
    m.name = nullptr;
    const float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        m.diffuse[i] = diffuse[i];
        m.ambient[i] = ambient[i];
        m.specular[i] = specular[i];
        m.emissive[i] = 0.0f;
    }
    m.shininess = 65.0f;
}

void freeMaterials(GLMmodel* model) {
    for (unsigned int i = 0; i < model->nummaterials; ++i) std::free(model->materials[i].name);
    std::free(model->materials);
    model->materials = nullptr;
    model->nummaterials = 0;
}

void glmFirstPass(GLMmodel* model, FILE* file) {
    GLMgroup* group = glmAddGroup(model, "default");
    unsigned int numvertices = 0, numnormals = 0, numtexcoords = 0, numtriangles = 0;
    char buf[kBufferSize];
    while (readWord(file, buf)) {
        switch (buf[0]) {
            case 'v':
                switch (buf[1]) {
                    case '\0': ++numvertices; break;
                    case 'n': ++numnormals; break;
                    case 't': ++numtexcoords; break;
                    default:
                        std::printf("glmFirstPass(): Unknown token \"%s\".\n", buf);
                        fatal(1);
                }
                readLine(file, buf);
                break;
            case 'm': {
                readLine(file, buf);
                char name[kBufferSize];
                lineName(buf, name);
                if (name[0] == '\0') break;  // an mtllib line without a name names nothing
                std::free(model->mtllibname);
                model->mtllibname = copyString(name);
                glmReadMTL(model, name);
                break;
            }
            case 'g':
                groupName(file, buf);
                group = glmAddGroup(model, buf);
                break;
            case 'f':
                readFace(file, [&](FaceForm, const Corner&, const Corner&, const Corner&) {
                    ++numtriangles;
                    ++group->numtriangles;
                });
                break;
            default:  // '#', 'u' and everything else: the rest of the line is not needed here
                readLine(file, buf);
                break;
        }
    }
    model->numvertices = numvertices;
    model->numnormals = numnormals;
    model->numtexcoords = numtexcoords;
    model->numtriangles = numtriangles;
    for (GLMgroup* g = model->groups; g; g = g->next) {
        g->triangles = static_cast<unsigned int*>(std::malloc(sizeof(unsigned int) * (g->numtriangles + 1)));
        g->numtriangles = 0;
    }
}

// A face index made absolute and checked against the items of its kind: a negative index
// counts back from the items read so far; zero, or anything outside the array, ends the
// program with a message, since using it would read outside the model's arrays.
unsigned int faceIndex(const GLMmodel* model, const char* kind, int index, unsigned int counter,
                       unsigned int total) {
    long long absolute = index;
    if (index < 0) absolute += counter;
    if (absolute < 1 || absolute > static_cast<long long>(total)) {
        std::printf("glmReadOBJ() failed: face in \"%s\" uses %s index %d, outside 1..%u.\n",
                    model->pathname, kind, index, total);
        fatal(1);
    }
    return static_cast<unsigned int>(absolute);
}

void glmSecondPass(GLMmodel* model, FILE* file) {
    unsigned int numvertices = 1, numnormals = 1, numtexcoords = 1, numtriangles = 0;
    unsigned int material = 0;
    GLMgroup* group = glmFindGroup(model, "default");
    char buf[kBufferSize];
    while (readWord(file, buf)) {
        switch (buf[0]) {
            case 'v': {
                char line[kBufferSize];
                readLine(file, line);
                if (buf[1] == '\0') {
                    if (numvertices > model->numvertices) malformed(model, "more vertices than counted");
                    float* v = &model->vertices[3 * numvertices++];
                    std::sscanf(line, "%f %f %f", &v[0], &v[1], &v[2]);
                } else if (buf[1] == 'n') {
                    if (numnormals > model->numnormals) malformed(model, "more normals than counted");
                    float* n = &model->normals[3 * numnormals++];
                    std::sscanf(line, "%f %f %f", &n[0], &n[1], &n[2]);
                } else if (buf[1] == 't') {
                    if (numtexcoords > model->numtexcoords) malformed(model, "more texture coordinates than counted");
                    float* t = &model->texcoords[2 * numtexcoords++];
                    std::sscanf(line, "%f %f", &t[0], &t[1]);
                }
                break;
            }
            case 'u': {
                readLine(file, buf);
                char name[kBufferSize];
                lineName(buf, name);
                material = glmFindMaterial(model, name);
                group->material = material;
                break;
            }
            case 'g':
                groupName(file, buf);
                group = glmFindGroup(model, buf);
                if (!group) malformed(model, "a group that the first pass did not see");
                group->material = material;
                break;
            case 'f': {
                bool first = true;
                readFace(file, [&](FaceForm form, const Corner& a, const Corner& b, const Corner& c) {
                    if (numtriangles >= model->numtriangles) malformed(model, "more faces than counted");
                    GLMtriangle& t = model->triangles[numtriangles];
                    if (first) {
                        const Corner* corners[3] = {&a, &b, &c};
                        for (int k = 0; k < 3; ++k) {
                            t.vindices[k] = faceIndex(model, "vertex", corners[k]->v, numvertices, model->numvertices);
                            if (hasTex(form))
                                t.tindices[k] = faceIndex(model, "texture coordinate", corners[k]->t, numtexcoords,
                                                          model->numtexcoords);
                            if (hasNormal(form))
                                t.nindices[k] =
                                    faceIndex(model, "normal", corners[k]->n, numnormals, model->numnormals);
                        }
                        first = false;
                    } else {
                        // A fan around the face's first vertex: slot 0 and slot 2 of the
                        // previous triangle, then the new vertex.
                        const GLMtriangle& p = model->triangles[numtriangles - 1];
                        t.vindices[0] = p.vindices[0];
                        t.vindices[1] = p.vindices[2];
                        t.vindices[2] = faceIndex(model, "vertex", c.v, numvertices, model->numvertices);
                        if (hasTex(form)) {
                            t.tindices[0] = p.tindices[0];
                            t.tindices[1] = p.tindices[2];
                            t.tindices[2] =
                                faceIndex(model, "texture coordinate", c.t, numtexcoords, model->numtexcoords);
                        }
                        if (hasNormal(form)) {
                            t.nindices[0] = p.nindices[0];
                            t.nindices[1] = p.nindices[2];
                            t.nindices[2] = faceIndex(model, "normal", c.n, numnormals, model->numnormals);
                        }
                    }
                    group->triangles[group->numtriangles++] = numtriangles;
                    ++numtriangles;
                });
                break;
            }
            default:  // '#', 'm' (read in the first pass) and everything else
                readLine(file, buf);
                break;
        }
    }
    if (numtriangles != model->numtriangles) malformed(model, "fewer faces than counted");
}

void writeVector(FILE* f, const char* keyword, const float* v, int n) {
    std::fprintf(f, "%s", keyword);
    for (int i = 0; i < n; ++i) std::fprintf(f, " %.9g", v[i]);
    std::fprintf(f, "\n");
}

}  // namespace

float glmMax(float a, float b) { return b > a ? b : a; }

float glmAbs(float f) { return f < 0 ? -f : f; }

float glmDot(const float* u, const float* v) { return u[0] * v[0] + u[1] * v[1] + u[2] * v[2]; }

void glmCross(const float* u, const float* v, float* n) {
    n[0] = u[1] * v[2] - u[2] * v[1];
    n[1] = u[2] * v[0] - u[0] * v[2];
    n[2] = u[0] * v[1] - u[1] * v[0];
}

void glmNormalize(float* v) {
    // The length in double: squares of the tiny cross products of a sliver triangle would be
    // float denormals, and the rounded length then gave "unit" normals far from length 1.
    const double x = v[0], y = v[1], z = v[2];
    const double l = std::sqrt(x * x + y * y + z * z);
    // Degenerate triangles have no direction: keep their zero normal rather than NaNs.
    if (!(l > 0.0) || !std::isfinite(l)) {
        v[0] = v[1] = v[2] = 0.0f;
        return;
    }
    v[0] = static_cast<float>(x / l);
    v[1] = static_cast<float>(y / l);
    v[2] = static_cast<float>(z / l);
}

char* glmDirName(const char* path) {
    char* dir = copyString(path);
    char* slash = std::strrchr(dir, '/');
    if (slash)
        slash[1] = '\0';
    else
        dir[0] = '\0';
    return dir;
}

GLMgroup* glmFindGroup(GLMmodel* model, const char* name) {
    for (GLMgroup* g = model->groups; g; g = g->next)
        if (std::strcmp(name, g->name) == 0) return g;
    return nullptr;
}

GLMgroup* glmAddGroup(GLMmodel* model, const char* name) {
    GLMgroup* group = glmFindGroup(model, name);
    if (!group) {
        group = static_cast<GLMgroup*>(std::malloc(sizeof(GLMgroup)));
        group->name = copyString(name);
        group->material = 0;
        group->numtriangles = 0;
        group->triangles = nullptr;
        group->next = model->groups;
        model->groups = group;
        model->numgroups++;
    }
    return group;
}

unsigned int glmFindMaterial(GLMmodel* model, const char* name) {
    for (unsigned int i = 0; i < model->nummaterials; ++i)
        if (model->materials[i].name && std::strcmp(model->materials[i].name, name) == 0) return i;
    std::printf("glmFindMaterial():  can't find material \"%s\".\n", name);
    return 0;
}

void glmReadMTL(GLMmodel* model, const char* name) {
    char* dir = glmDirName(model->pathname);
    std::vector<char> filename(std::strlen(dir) + std::strlen(name) + 1);
    std::strcpy(filename.data(), dir);
    std::strcat(filename.data(), name);
    std::free(dir);

    const TextFile text(filename.data());
    FILE* file = text.file();
    if (!file) {
        std::fprintf(stderr, "glmReadMTL() failed: can't open material file \"%s\".\n", filename.data());
        fatal(1);
    }

    char buf[kBufferSize];
    unsigned int count = 1;
    while (readWord(file, buf)) {
        if (buf[0] == 'n') ++count;
        readLine(file, buf);
    }
    std::rewind(file);

    freeMaterials(model);
    model->materials = static_cast<GLMmaterial*>(std::malloc(sizeof(GLMmaterial) * count));
    model->nummaterials = count;
    for (unsigned int i = 0; i < count; ++i) defaultMaterial(model->materials[i]);
    model->materials[0].name = copyString("default");

    // Every keyword's line is read whole, as in the count pass, so both passes see the same
    // keywords even in a malformed file.
    unsigned int index = 0;
    char line[kBufferSize];
    while (readWord(file, buf)) {
        readLine(file, line);
        switch (buf[0]) {
            case 'n': {
                if (index + 1 >= count) break;
                ++index;
                char matName[kBufferSize];
                lineName(line, matName);
                std::free(model->materials[index].name);
                model->materials[index].name = copyString(matName);
                break;
            }
            case 'N': {
                float shininess;
                // The file's 0..1000 range becomes OpenGL's 0..128.
                if (std::sscanf(line, "%f", &shininess) == 1)
                    model->materials[index].shininess = shininess / 1000.0f * 128.0f;
                break;
            }
            case 'K': {
                float* colour = nullptr;
                switch (buf[1]) {
                    case 'd': colour = model->materials[index].diffuse; break;
                    case 's': colour = model->materials[index].specular; break;
                    case 'a': colour = model->materials[index].ambient; break;
                    default: break;
                }
                if (colour) std::sscanf(line, "%f %f %f", &colour[0], &colour[1], &colour[2]);
                break;
            }
            default: break;
        }
    }
}

void glmSetFatalHandler(void (*handler)(int code)) { fatalHandler = handler; }

GLMmodel* glmReadOBJ(const char* filename) {
    const TextFile text(filename);
    FILE* file = text.file();
    if (!file) {
        std::printf("glmReadOBJ() failed: can't open data file \"%s\".\n", filename);
        fatal(1);
    }
    // Owned here until it is complete, so an unwinding fatal handler leaks nothing.
    std::unique_ptr<GLMmodel, void (*)(GLMmodel*)> owner(
        static_cast<GLMmodel*>(std::calloc(1, sizeof(GLMmodel))), glmDelete);
    GLMmodel* model = owner.get();
    model->pathname = copyString(filename);

    glmFirstPass(model, file);

    model->vertices = static_cast<float*>(std::calloc(3 * (model->numvertices + 1), sizeof(float)));
    model->triangles = static_cast<GLMtriangle*>(std::calloc(model->numtriangles + 1, sizeof(GLMtriangle)));
    if (model->numnormals)
        model->normals = static_cast<float*>(std::calloc(3 * (model->numnormals + 1), sizeof(float)));
    if (model->numtexcoords)
        model->texcoords = static_cast<float*>(std::calloc(2 * (model->numtexcoords + 1), sizeof(float)));

    std::rewind(file);
    glmSecondPass(model, file);
    return owner.release();
}

void glmDimensions(GLMmodel* model, float* dimensions) {
    dimensions[0] = dimensions[1] = dimensions[2] = 0.0f;
    if (!model->numvertices) return;
    float maxv[3], minv[3];
    for (int k = 0; k < 3; ++k) maxv[k] = minv[k] = model->vertices[3 + k];
    for (unsigned int i = 1; i <= model->numvertices; ++i)
        for (int k = 0; k < 3; ++k) {
            const float v = model->vertices[3 * i + k];
            if (v > maxv[k]) maxv[k] = v;
            if (v < minv[k]) minv[k] = v;
        }
    for (int k = 0; k < 3; ++k) dimensions[k] = glmAbs(maxv[k]) + glmAbs(minv[k]);
}

GLMframe glmUnitFrame(const GLMmodel* model) {
    GLMframe frame;
    if (!model->numvertices) return frame;  // nothing to measure
    float maxv[3], minv[3];
    for (int k = 0; k < 3; ++k) maxv[k] = minv[k] = model->vertices[3 + k];
    for (unsigned int i = 1; i <= model->numvertices; ++i)
        for (int k = 0; k < 3; ++k) {
            const float v = model->vertices[3 * i + k];
            if (v > maxv[k]) maxv[k] = v;
            if (v < minv[k]) minv[k] = v;
        }
    // In double: the size and the centre of coordinates near the float limit would overflow.
    double size[3];
    for (int k = 0; k < 3; ++k) {
        size[k] = std::fabs(static_cast<double>(maxv[k])) + std::fabs(static_cast<double>(minv[k]));
        frame.centre[k] = (static_cast<double>(maxv[k]) + minv[k]) / 2.0;
    }
    const double largest = std::max(std::max(size[0], size[1]), size[2]);
    // A model that is a single point at the origin has no size to scale by.
    frame.scale = largest > 0.0 ? 2.0 / largest : 1.0;
    return frame;
}

void glmPlaceIn(GLMmodel* model, const GLMframe& frame) {
    for (unsigned int i = 1; i <= model->numvertices; ++i)
        for (int k = 0; k < 3; ++k)
            model->vertices[3 * i + k] =
                static_cast<float>((model->vertices[3 * i + k] - frame.centre[k]) * frame.scale);
}

float glmUnitize(GLMmodel* model) {
    const GLMframe frame = glmUnitFrame(model);
    glmPlaceIn(model, frame);
    return static_cast<float>(frame.scale);
}

void glmScale(GLMmodel* model, float scale) {
    for (unsigned int i = 1; i <= model->numvertices; ++i)
        for (int k = 0; k < 3; ++k) model->vertices[3 * i + k] *= scale;
}

void glmReverseWinding(GLMmodel* model) {
    for (unsigned int i = 0; i < model->numtriangles; ++i) {
        GLMtriangle& t = model->triangles[i];
        std::swap(t.vindices[0], t.vindices[2]);
        std::swap(t.nindices[0], t.nindices[2]);
        std::swap(t.tindices[0], t.tindices[2]);
    }
    for (unsigned int i = 1; i <= model->numfacetnorms; ++i)
        for (int k = 0; k < 3; ++k) model->facetnorms[3 * i + k] = -model->facetnorms[3 * i + k];
    for (unsigned int i = 1; i <= model->numnormals; ++i)
        for (int k = 0; k < 3; ++k) model->normals[3 * i + k] = -model->normals[3 * i + k];
}

void glmFacetNormals(GLMmodel* model) {
    std::free(model->facetnorms);
    model->numfacetnorms = model->numtriangles;
    model->facetnorms = static_cast<float*>(std::calloc(3 * (model->numfacetnorms + 1), sizeof(float)));
    for (unsigned int i = 0; i < model->numtriangles; ++i) {
        GLMtriangle& t = model->triangles[i];
        t.findex = i + 1;
        const float* v0 = &model->vertices[3 * t.vindices[0]];
        const float* v1 = &model->vertices[3 * t.vindices[1]];
        const float* v2 = &model->vertices[3 * t.vindices[2]];
        const float u[3] = {v1[0] - v0[0], v1[1] - v0[1], v1[2] - v0[2]};
        const float v[3] = {v2[0] - v0[0], v2[1] - v0[1], v2[2] - v0[2]};
        float* n = &model->facetnorms[3 * (i + 1)];
        glmCross(u, v, n);
        glmNormalize(n);
    }
}

void glmVertexNormals(GLMmodel* model, float angle) {
    if (!model->facetnorms) glmFacetNormals(model);
    const float cosAngle = std::cos(angle * 3.1415927f / 180.0f);

    std::free(model->normals);
    std::vector<float> normals(3 * (static_cast<size_t>(model->numtriangles) * 3 + 1), 0.0f);

    // Per vertex, the triangles that use it, newest first (the head is the highest-numbered).
    // Each node is one corner (slot) of a triangle, so a triangle that uses a vertex at two
    // corners gets a normal at both instead of leaving one slot with a stale index.
    struct Node {
        unsigned int index;
        bool averaged;
        int slot;
    };
    std::vector<std::vector<Node>> members(model->numvertices + 1);
    for (unsigned int i = 0; i < model->numtriangles; ++i)
        for (int k = 0; k < 3; ++k) members[model->triangles[i].vindices[k]].push_back({i, false, k});

    unsigned int numnormals = 1;
    for (unsigned int v = 1; v <= model->numvertices; ++v) {
        std::vector<Node>& list = members[v];
        if (list.empty()) {
            std::fprintf(stderr, "glmVertexNormals(): vertex w/o a triangle\n");
            continue;
        }
        const float* headNormal = &model->facetnorms[3 * model->triangles[list.back().index].findex];
        float average[3] = {0.0f, 0.0f, 0.0f};
        bool any = false;
        for (auto node = list.rbegin(); node != list.rend(); ++node) {
            const float* fn = &model->facetnorms[3 * model->triangles[node->index].findex];
            if (glmDot(fn, headNormal) > cosAngle) {
                node->averaged = true;
                for (int k = 0; k < 3; ++k) average[k] += fn[k];
                any = true;
            }
        }
        unsigned int avg = 0;
        if (any) {
            glmNormalize(average);
            for (int k = 0; k < 3; ++k) normals[3 * numnormals + k] = average[k];
            avg = numnormals++;
        }
        for (auto node = list.rbegin(); node != list.rend(); ++node) {
            GLMtriangle& t = model->triangles[node->index];
            const int slot = node->slot;
            if (node->averaged) {
                t.nindices[slot] = avg;
            } else {
                const float* fn = &model->facetnorms[3 * t.findex];
                for (int k = 0; k < 3; ++k) normals[3 * numnormals + k] = fn[k];
                t.nindices[slot] = numnormals++;
            }
        }
    }
    model->numnormals = numnormals - 1;
    model->normals = static_cast<float*>(std::malloc(sizeof(float) * 3 * numnormals));
    std::memcpy(model->normals, normals.data(), sizeof(float) * 3 * numnormals);
}

bool glmWriteMTL(GLMmodel* model, const char* modelpath, const char* mtllibname) {
    char* dir = glmDirName(modelpath);
    std::string path = std::string(dir) + mtllibname;
    std::free(dir);
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    std::fprintf(file, "# Lumivex material library\n");
    std::fprintf(file, "# %u materials\n\n", model->nummaterials > 0 ? model->nummaterials - 1 : 0);
    // Lines before the first newmtl set the default material, so it survives a round trip.
    for (unsigned int i = 0; i < model->nummaterials; ++i) {
        const GLMmaterial& m = model->materials[i];
        if (i > 0) std::fprintf(file, "newmtl %s\n", m.name ? m.name : "unnamed");
        writeVector(file, "Ka", m.ambient, 3);
        writeVector(file, "Kd", m.diffuse, 3);
        writeVector(file, "Ks", m.specular, 3);
        std::fprintf(file, "Ns %.9g\n\n", m.shininess / 128.0 * 1000.0);
    }
    const bool ok = std::ferror(file) == 0;
    return std::fclose(file) == 0 && ok;
}

bool glmWriteOBJ(GLMmodel* model, const char* filename, unsigned int mode) {
    if ((mode & GLM_FLAT) && !model->facetnorms) mode &= ~GLM_FLAT;
    if ((mode & GLM_SMOOTH) && !model->normals) mode &= ~GLM_SMOOTH;
    if ((mode & GLM_TEXTURE) && !model->texcoords) mode &= ~GLM_TEXTURE;
    if ((mode & GLM_FLAT) && (mode & GLM_SMOOTH)) mode &= ~GLM_FLAT;
    if ((mode & GLM_COLOR) || (mode & GLM_MATERIAL)) mode |= GLM_MATERIAL;
    if (!model->materials) mode &= ~(GLM_MATERIAL | GLM_COLOR);

    FILE* file = std::fopen(filename, "w");
    if (!file) return false;
    std::fprintf(file, "# Lumivex model\n");
    std::fprintf(file, "# %u vertices, %u triangles, %u groups\n\n", model->numvertices, model->numtriangles,
                 model->numgroups);
    bool ok = true;
    if ((mode & GLM_MATERIAL) && model->mtllibname) {
        std::fprintf(file, "mtllib %s\n\n", model->mtllibname);
        ok = glmWriteMTL(model, filename, model->mtllibname);
    } else {
        mode &= ~GLM_MATERIAL;
    }

    for (unsigned int i = 1; i <= model->numvertices; ++i) writeVector(file, "v", &model->vertices[3 * i], 3);
    if (mode & GLM_SMOOTH)
        for (unsigned int i = 1; i <= model->numnormals; ++i) writeVector(file, "vn", &model->normals[3 * i], 3);
    else if (mode & GLM_FLAT)
        for (unsigned int i = 1; i <= model->numfacetnorms; ++i)
            writeVector(file, "vn", &model->facetnorms[3 * i], 3);
    if (mode & GLM_TEXTURE)
        for (unsigned int i = 1; i <= model->numtexcoords; ++i)
            writeVector(file, "vt", &model->texcoords[2 * i], 2);
    std::fprintf(file, "\n");

    // Oldest group first, so reading the file back builds the same list; the "default" group
    // gets no "g" line, since faces before any group line land in it.
    std::vector<GLMgroup*> groups;
    for (GLMgroup* g = model->groups; g; g = g->next) groups.insert(groups.begin(), g);
    const bool withNormals = mode & (GLM_SMOOTH | GLM_FLAT);
    const bool withTex = mode & GLM_TEXTURE;
    for (GLMgroup* g : groups) {
        const bool isDefault = std::strcmp(g->name, "default") == 0;
        if (isDefault && g->numtriangles == 0) continue;
        if (!isDefault) std::fprintf(file, "g%s%s\n", g->name[0] == ' ' ? "" : " ", g->name);
        if ((mode & GLM_MATERIAL) && g->material < model->nummaterials && model->materials[g->material].name)
            std::fprintf(file, "usemtl %s\n", model->materials[g->material].name);
        for (unsigned int i = 0; i < g->numtriangles; ++i) {
            const GLMtriangle& t = model->triangles[g->triangles[i]];
            std::fprintf(file, "f");
            for (int k = 0; k < 3; ++k) {
                const unsigned int n = (mode & GLM_SMOOTH) ? t.nindices[k] : t.findex;
                if (withNormals && withTex)
                    std::fprintf(file, " %u/%u/%u", t.vindices[k], t.tindices[k], n);
                else if (withNormals)
                    std::fprintf(file, " %u//%u", t.vindices[k], n);
                else if (withTex)
                    std::fprintf(file, " %u/%u", t.vindices[k], t.tindices[k]);
                else
                    std::fprintf(file, " %u", t.vindices[k]);
            }
            std::fprintf(file, "\n");
        }
        std::fprintf(file, "\n");
    }
    ok = ok && std::ferror(file) == 0;
    return std::fclose(file) == 0 && ok;
}

void glmDelete(GLMmodel* model) {
    if (!model) return;
    std::free(model->pathname);
    std::free(model->mtllibname);
    std::free(model->vertices);
    std::free(model->normals);
    std::free(model->texcoords);
    std::free(model->facetnorms);
    std::free(model->triangles);
    freeMaterials(model);
    while (model->groups) {
        GLMgroup* g = model->groups;
        model->groups = g->next;
        std::free(g->name);
        std::free(g->triangles);
        std::free(g);
    }
    std::free(model);
}
