#pragma once
// Wavefront OBJ/MTL reader: reads a model into plain malloc'ed records, sizes it to the unit
// cube, computes facet and vertex normals and records it into a display list.
//
// Vertex, normal, texture-coordinate and facet-normal arrays are 1-based: element 0 is
// allocated but never filled, and index 0 in a triangle means "none".

// Draw mode flags (bit set).
#define GLM_NONE (0)
#define GLM_FLAT (1 << 0)
#define GLM_SMOOTH (1 << 1)
#define GLM_TEXTURE (1 << 2)
#define GLM_COLOR (1 << 3)
#define GLM_MATERIAL (1 << 4)

struct GLMmaterial {
    char* name;          // owned
    float diffuse[4];
    float ambient[4];
    float specular[4];
    float emissive[4];   // never set or used
    float shininess;     // OpenGL range 0..128
};

struct GLMtriangle {
    unsigned int vindices[3];
    unsigned int nindices[3];
    unsigned int tindices[3];
    unsigned int findex;
};

struct GLMgroup {
    char* name;               // owned; a name from a "g" line keeps its leading blank
    unsigned int numtriangles;
    unsigned int* triangles;  // indices into the model's triangle array
    unsigned int material;    // index into the model's materials
    GLMgroup* next;           // list runs from the newest group to the oldest
};

struct GLMmodel {
    char* pathname;
    char* mtllibname;

    unsigned int numvertices;
    float* vertices;      // (numvertices + 1) x 3

    unsigned int numnormals;
    float* normals;       // (numnormals + 1) x 3, or null

    unsigned int numtexcoords;
    float* texcoords;     // (numtexcoords + 1) x 2, or null

    unsigned int numfacetnorms;
    float* facetnorms;    // (numfacetnorms + 1) x 3, or null

    unsigned int numtriangles;
    GLMtriangle* triangles;  // 0-based

    unsigned int nummaterials;
    GLMmaterial* materials;  // 0-based, index 0 is "default"

    unsigned int numgroups;
    GLMgroup* groups;

    float position[3];
};

// Reads a model; a missing file, a missing material library, an unknown "v" keyword or a face
// index outside the arrays print a message and end the program with exit code 1.
GLMmodel* glmReadOBJ(const char* filename);
// Replaces the std::exit of those failures (null restores it), for callers that must survive a
// damaged file, such as the fuzzing harness. A handler that returns still ends the program; one
// that throws unwinds out of glmReadOBJ, which then closes its files and frees the partial model.
void glmSetFatalHandler(void (*handler)(int code));
// Writes the model as OBJ (with its material library when it has materials). mode selects
// what is written besides positions: GLM_SMOOTH normals, GLM_TEXTURE texture coordinates,
// GLM_FLAT facet normals (as normals, when GLM_SMOOTH is not given), GLM_MATERIAL materials.
// Returns false when a file cannot be written.
bool glmWriteOBJ(GLMmodel* model, const char* filename, unsigned int mode);
// Writes the material library (name relative to the model file's folder).
bool glmWriteMTL(GLMmodel* model, const char* modelpath, const char* mtllibname);
void glmDelete(GLMmodel* model);

// Centres the model on the origin and scales it so its largest size is 2; returns the scale.
float glmUnitize(GLMmodel* model);
// What glmUnitize does to a model: the point it moves to the origin, then the scale.
struct GLMframe {
    double centre[3] = {0.0, 0.0, 0.0};
    double scale = 1.0;
};
GLMframe glmUnitFrame(const GLMmodel* model);
// Moves and scales the model's points by a frame: another model's, for a model that must
// stand where that one stands and be as large (a simpler version of it).
void glmPlaceIn(GLMmodel* model, const GLMframe& frame);
// Width, height and depth measured as glmUnitize measures them.
void glmDimensions(GLMmodel* model, float* dimensions);
void glmScale(GLMmodel* model, float scale);
void glmReverseWinding(GLMmodel* model);
void glmFacetNormals(GLMmodel* model);
void glmVertexNormals(GLMmodel* model, float angle);

void glmDraw(GLMmodel* model, unsigned int mode);
unsigned int glmList(GLMmodel* model, unsigned int mode);

// Reading helpers, exposed for the writer's users and tests.
GLMgroup* glmFindGroup(GLMmodel* model, const char* name);
GLMgroup* glmAddGroup(GLMmodel* model, const char* name);
unsigned int glmFindMaterial(GLMmodel* model, const char* name);
void glmReadMTL(GLMmodel* model, const char* name);
char* glmDirName(const char* path);

float glmDot(const float* u, const float* v);
void glmCross(const float* u, const float* v, float* n);
// Leaves a zero-length vector at zero instead of dividing by zero.
void glmNormalize(float* v);
float glmAbs(float f);
float glmMax(float a, float b);
