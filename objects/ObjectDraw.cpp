#include <GL/glew.h>

#include "objects/ObjectDraw.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "framework/ScreenPass.h"
#include "framework/Texture.h"
#include "model/Silhouette.h"
#include "model/glm.h"
#include "objects/GameObject.h"
#include "objects/ResourceCache.h"

namespace {
KindResources resolved[kObjectKindCount];

float modelRadius(const GLMmodel* model) {
    if (!model) return 0.0f;
    float largest = 0.0f;
    for (unsigned int i = 1; i <= model->numvertices; ++i) {
        const float* v = model->vertices + 3 * i;
        largest = std::max(largest, v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    }
    return std::sqrt(largest);
}
}  // namespace

void resolveObjectKinds(ResourceCache& cache) {
    // frameOf: the model the far one stands in for, placed and sized as that one is.
    auto load = [&cache](const char* name, const std::string& frameOf) {
        KindModel m;
        if (!name) return m;
        m.model = cache.getModel(name, frameOf);
        m.displayList = cache.getDisplayList(m.model);
        if (m.model) m.silhouette = std::make_shared<const Silhouette>(*m.model);
        return m;
    };
    for (int i = 0; i < kObjectKindCount; ++i) {
        const ObjectKindInfo& info = objectKind(static_cast<ObjectKind>(i));
        KindResources& r = resolved[i];
        r.texture = cache.getTexture(info.texture, GL_TEXTURE_2D);
        r.nearModel = load(info.model, "");
        r.farModel = load(info.farModel, info.model);
        if (r.nearModel.model) r.radius = std::max(modelRadius(r.nearModel.model), modelRadius(r.farModel.model));
    }
    GameObject::setDrawFunction(drawGameObject);
}

const KindResources& kindResources(ObjectKind kind) { return resolved[static_cast<int>(kind)]; }

void objectBoxInClip(const GameObject& object, const float modelView[16], const float projection[16],
                     float clip[8][4]) {
    const float3 p = object.getPosition(), k = object.getScale();
    const float largestScale = std::max(std::fabs(k.x), std::max(std::fabs(k.y), std::fabs(k.z)));
    const float r = kindResources(object.getKind()).radius * largestScale;
    float eye[3];
    for (int i = 0; i < 3; ++i)
        eye[i] = modelView[i] * p.x + modelView[4 + i] * p.y + modelView[8 + i] * p.z + modelView[12 + i];
    cubeInClip(eye, r, projection, clip);
}

namespace {

// Below this radius on screen a far model (a quarter of the faces) looks as the near one does
// at twice the size; its light's bands are a little smoother. A software rasteriser sets up
// every triangle, seen or not, in each pass that draws an object (its colours, the rims'
// depth and band): twenty asteroids in their near models cost more than the ground.
constexpr float kFarModelPixels = 24.0f;

// The view an object is drawn in: the current matrices and the picture's size.
struct View {
    float modelView[16], projection[16];
    GLint viewport[4];
    View() {
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
    }
};

// A few pixels more than any pass draws outside an object's faces: the rims' band and half the
// outlines' lines.
constexpr float kBeyondFacesPixels = 8.0f;

// Whether any of the object can reach the picture. A software rasteriser transforms and sets up
// every triangle of a model it is given, and an asteroid just passed or off to the side would
// be drawn in up to three passes for nothing.
bool mayShow(const GameObject& object, const View& view) {
    float clip[8][4];
    objectBoxInClip(object, view.modelView, view.projection, clip);
    return boxMayShow(clip, view.viewport[2], view.viewport[3], kBeyondFacesPixels);
}

// The model to draw the object with, by its size on screen: the view's model-view matrix is
// the one it is placed on, the projection a perspective.
const KindModel& modelFor(const GameObject& object, const KindResources& r, const View& view) {
    if (!r.farModel.model) return r.nearModel;
    const float* modelView = view.modelView;
    const float* projection = view.projection;
    const GLint* viewport = view.viewport;
    const float3 p = object.getPosition(), k = object.getScale();
    const float distance = -(modelView[2] * p.x + modelView[6] * p.y + modelView[10] * p.z + modelView[14]);
    const float radius = std::max(std::fabs(k.x), std::max(std::fabs(k.y), std::fabs(k.z)));
    const bool small = distance > radius && radius * projection[5] * viewport[3] * 0.5f < kFarModelPixels * distance;
    return small ? r.farModel : r.nearModel;
}

// The object's place, turn and size on top of the model-view matrix.
void placeModel(const GameObject& object) {
    const float3 position = object.getPosition();
    const float3 rotation = object.getRotation();
    const float3 scale = object.getScale();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(rotation.z, 0, 0, 1);
    glRotatef(rotation.x, 1, 0, 0);
    glRotatef(rotation.y, 0, 1, 0);
    glScalef(scale.x, scale.y, scale.z);
}

void callModel(const GameObject& object, const KindModel& m) {
    glPushMatrix();
    placeModel(object);
    keepColourFourWide();
    glCallList(m.displayList);
    glPopMatrix();
}

void drawModel(const GameObject& object, const KindResources& r) {
    const View view;
    if (mayShow(object, view)) callModel(object, modelFor(object, r, view));
}

void bindKindTexture(const KindResources& r) {
    if (r.texture) {
        bindTexture(r.texture, GL_TEXTURE_2D, 0);
    } else {
        // No picture: plain colour, not the texture some earlier draw left bound.
        glActiveTextureARB(GL_TEXTURE0);
        glDisable(GL_TEXTURE_2D);
    }
}

}  // namespace

void drawGameObject(const GameObject& object) {
    const KindResources& r = kindResources(object.getKind());
    bindKindTexture(r);
    drawModel(object, r);
}

void drawGameObjectOutline(const GameObject& object, bool sharpModels) {
    const KindResources& r = kindResources(object.getKind());
    const View view;
    if (!mayShow(object, view)) return;
    const KindModel& m = modelFor(object, r, view);
    const bool smooth = m.silhouette && m.silhouette->smooth();
    if (smooth == sharpModels) return;
    bindKindTexture(r);
    if (sharpModels) return callModel(object, m);
    glPushMatrix();
    placeModel(object);
    float modelView[16], eye[3];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    static std::vector<float> lines;  // kept: the outline pass draws every object every frame
    lines.clear();
    if (Silhouette::eyeOf(modelView, eye)) m.silhouette->appendEdges(eye, lines);
    if (!lines.empty()) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glInterleavedArrays(GL_T2F_V3F, 0, lines.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(lines.size() / 5));
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    glPopMatrix();
}

void drawGameObjectShape(const GameObject& object) { drawModel(object, kindResources(object.getKind())); }
