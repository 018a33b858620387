#include "framework/RenderTargetPair.h"

#include <GL/glew.h>

#include "framework/FBO.h"
#include "framework/Texture.h"

RenderTargetPair::RenderTargetPair(TextureLoader* textureLoader, Logger* logger, int width, int height)
    : width(width), height(height), textureLoader(textureLoader), logger(logger), frameBuffer(nullptr),
      texture0(nullptr), texture1(nullptr) {
    texture0 = textureLoader->createTexture(GL_TEXTURE_RECTANGLE_ARB, GL_RGBA32F_ARB, width, height, GL_RGBA,
                                            GL_FLOAT, GL_LINEAR, true, false, false, nullptr);
    texture1 = textureLoader->createTexture(GL_TEXTURE_RECTANGLE_ARB, GL_RGBA32F_ARB, width, height, GL_RGBA,
                                            GL_FLOAT, GL_LINEAR, true, false, false, nullptr);

    frameBuffer = new FBO(logger, width, height, true);
    frameBuffer->bind();
    frameBuffer->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, texture0->getID());
    frameBuffer->attachTexture(GL_COLOR_ATTACHMENT1_EXT, GL_TEXTURE_RECTANGLE_ARB, texture1->getID());
    frameBuffer->attachDepthRenderbuffer();
    for (int i = 0; i < 2; ++i) {
        glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT + i);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    frameBuffer->checkStatus();
    frameBuffer->unbind();
}

RenderTargetPair::~RenderTargetPair() {
    delete texture0;
    delete texture1;
    delete frameBuffer;
}

void RenderTargetPair::bindAndClear(int attachment) {
    frameBuffer->bind();
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT + attachment);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void RenderTargetPair::unbind() { frameBuffer->unbind(); }

void RenderTargetPair::beginScreenPass() {
    glDisable(GL_LIGHTING);
    glPushMatrix();
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, width, height);
}

void RenderTargetPair::endScreenPass() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    glViewport(0, 0, width, height);
    glPopMatrix();
    glEnable(GL_LIGHTING);
}
