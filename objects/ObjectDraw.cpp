#include <GL/glew.h>

#include "objects/ObjectDraw.h"

#include "framework/Texture.h"
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
    }
    GameObject::setDrawFunction(drawGameObject);
}

const KindResources& kindResources(ObjectKind kind) { return resolved[static_cast<int>(kind)]; }

namespace {

void drawModel(const GameObject& object, const KindResources& r) {
    const float3 position = object.getPosition();
    const float3 rotation = object.getRotation();
    const float3 scale = object.getScale();
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(rotation.z, 0, 0, 1);
    glRotatef(rotation.x, 1, 0, 0);
    glRotatef(rotation.y, 0, 1, 0);
    glScalef(scale.x, scale.y, scale.z);
    glCallList(r.displayList);
    glPopMatrix();
}

}  // namespace

void drawGameObject(const GameObject& object) {
    const KindResources& r = kindResources(object.getKind());
    if (r.texture) {
        bindTexture(r.texture, GL_TEXTURE_2D, 0);
    } else {
        // No picture: plain colour, not the texture some earlier draw left bound.
        glActiveTextureARB(GL_TEXTURE0);
        glDisable(GL_TEXTURE_2D);
    }
    drawModel(object, r);
}

void drawGameObjectShape(const GameObject& object) { drawModel(object, kindResources(object.getKind())); }
