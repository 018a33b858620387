// The drawing half of the model reader: immediate-mode triangles and display lists.
#include <GL/glew.h>

#include "model/glm.h"

void glmDraw(GLMmodel* model, unsigned int mode) {
    if ((mode & GLM_FLAT) && !model->facetnorms) mode &= ~GLM_FLAT;
    if ((mode & GLM_SMOOTH) && !model->normals) mode &= ~GLM_SMOOTH;
    if ((mode & GLM_TEXTURE) && !model->texcoords) mode &= ~GLM_TEXTURE;
    if ((mode & GLM_COLOR) && !model->materials) mode &= ~GLM_COLOR;
    if ((mode & GLM_MATERIAL) && !model->materials) mode &= ~GLM_MATERIAL;
    if ((mode & GLM_FLAT) && (mode & GLM_SMOOTH)) mode &= ~GLM_FLAT;
    if ((mode & GLM_COLOR) && (mode & GLM_MATERIAL)) mode &= ~GLM_COLOR;

    if (mode & GLM_COLOR)
        glEnable(GL_COLOR_MATERIAL);
    else if (mode & GLM_MATERIAL)
        glDisable(GL_COLOR_MATERIAL);

    for (GLMgroup* group = model->groups; group; group = group->next) {
        const unsigned int m = group->material < model->nummaterials ? group->material : 0;
        if (mode & GLM_MATERIAL) {
            const GLMmaterial& material = model->materials[m];
            glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, material.ambient);
            glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, material.diffuse);
            glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material.specular);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess);
        }
        if (mode & GLM_COLOR) glColor3fv(model->materials[m].diffuse);

        glBegin(GL_TRIANGLES);
        for (unsigned int i = 0; i < group->numtriangles; ++i) {
            const GLMtriangle& t = model->triangles[group->triangles[i]];
            if (mode & GLM_FLAT) glNormal3fv(&model->facetnorms[3 * t.findex]);
            for (int k = 0; k < 3; ++k) {
                if (mode & GLM_SMOOTH) glNormal3fv(&model->normals[3 * t.nindices[k]]);
                if (mode & GLM_TEXTURE) glTexCoord2fv(&model->texcoords[2 * t.tindices[k]]);
                glVertex3fv(&model->vertices[3 * t.vindices[k]]);
            }
        }
        glEnd();
    }
}

unsigned int glmList(GLMmodel* model, unsigned int mode) {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glmDraw(model, mode);
    glEndList();
    return list;
}
