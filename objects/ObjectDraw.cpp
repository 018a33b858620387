#include <GL/glew.h>

#include "objects/ObjectDraw.h"

#include <vector>

#include "framework/Texture.h"
#include "model/Silhouette.h"
#include "objects/GameObject.h"
#include "objects/ResourceCache.h"

namespace {
KindResources resolved[kObjectKindCount];
}

void resolveObjectKinds(ResourceCache& cache) {
    for (int i = 0; i < kObjectKindCount; ++i) {
        const ObjectKindInfo& info = objectKind(static_cast<ObjectKind>(i));
        KindResources& r = resolved[i];
        r.texture = cache.getTexture(info.texture, GL_TEXTURE_2D);
        r.model = cache.getModel(info.model);
        r.displayList = cache.getDisplayList(r.model);
        if (r.model) r.silhouette = std::make_shared<const Silhouette>(*r.model);
    }
    GameObject::setDrawFunction(drawGameObject);
}

const KindResources& kindResources(ObjectKind kind) { return resolved[static_cast<int>(kind)]; }

namespace {

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

void drawModel(const GameObject& object, const KindResources& r) {
    glPushMatrix();
    placeModel(object);
    glCallList(r.displayList);
    glPopMatrix();
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
    const bool smooth = r.silhouette && r.silhouette->smooth();
    if (smooth == sharpModels) return;
    if (sharpModels) return drawGameObject(object);
    bindKindTexture(r);
    glPushMatrix();
    placeModel(object);
    float modelView[16], eye[3];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    static std::vector<float> lines;  // kept: the outline pass draws every object every frame
    lines.clear();
    if (Silhouette::eyeOf(modelView, eye)) r.silhouette->appendEdges(eye, lines);
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
