#include "terrain/HeightQuery.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>

#include "framework/FBO.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"
#include "objects/Camera.h"
#include "terrain/TerrainMode.h"

TerrainHeightQuery::TerrainHeightQuery()
    : positionFBO(nullptr),
      positionTexture(nullptr),
      heightTexture(nullptr),
      renderPositionProgram(nullptr),
      fetchHeightProgram(nullptr),
      playerPositionLocation(-1),
      projMatrixLocation(-1),
      viewMatrixLocation(-1),
      positionWidth(0),
      positionHeight(0),
      projectionMatrix{},
      viewMatrix{} {}

void TerrainHeightQuery::createTargets(Logger* logger, TextureLoader* loader, int width, int height) {
    positionTexture = loader->createTexture(GL_TEXTURE_2D, GL_RGBA32F_ARB, width, height, GL_RGBA, GL_FLOAT,
                                            GL_NEAREST, true, false, false, nullptr);
    heightTexture = loader->createTexture(GL_TEXTURE_2D, GL_LUMINANCE32F_ARB, kMaxPositions, 1, GL_LUMINANCE,
                                          GL_FLOAT, GL_NEAREST, true, false, false, nullptr);

    // No depth buffer: the top-down view of a height field has no hidden surfaces, so the
    // position pass needs no depth test.
    positionFBO = new FBO(logger, width, height, false);
    positionWidth = width;
    positionHeight = height;
    positionFBO->bind();
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    positionFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, positionTexture ? positionTexture->getID() : 0);
    positionFBO->checkStatus();
    positionFBO->unbind();

    renderPositionProgram = new ShaderProgram(logger);
    renderPositionProgram->load("Shader/renderPosition.vert", "Shader/renderPosition.frag");
    renderPositionProgram->unuse();

    fetchHeightProgram = new ShaderProgram(logger);
    fetchHeightProgram->load("Shader/fetchPlayerOnTerrain.vert", "Shader/fetchPlayerOnTerrain.frag");
    fetchHeightProgram->use();
    playerPositionLocation = fetchHeightProgram->getUniformLocation("playerPosition");
    projMatrixLocation = fetchHeightProgram->getUniformLocation("projMatrix");
    viewMatrixLocation = fetchHeightProgram->getUniformLocation("viewMatrix");
    fetchHeightProgram->unuse();
}

void TerrainHeightQuery::renderPositions(const Camera& topDown,
                                         const std::function<void(bool, bool, int)>& drawTerrain) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    topDown.apply();
    glGetFloatv(GL_MODELVIEW_MATRIX, viewMatrix);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-kHalfWidth, kHalfWidth, -kBehind, kAhead, 0.4, 20);
    glGetFloatv(GL_PROJECTION_MATRIX, projectionMatrix);

    glMatrixMode(GL_MODELVIEW);
    positionFBO->bind();
    positionFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, positionTexture->getID());
    glPushAttrib(GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, positionWidth, positionHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);

    renderPositionProgram->use();
    drawTerrain(false, false, Untextured);
    renderPositionProgram->unuse();
    glPopAttrib();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    positionFBO->unbind();
}

std::vector<float> TerrainHeightQuery::insideArea(const Camera& topDown, std::vector<float> points) {
    const float3 eye = topDown.getEye();
    for (size_t k = 0; k + 1 < points.size(); k += 2) {
        points[k] = std::min(std::max(points[k], eye.x - kHalfWidth), eye.x + kHalfWidth);
        points[k + 1] = std::min(std::max(points[k + 1], eye.z - kAhead), eye.z + kBehind);
    }
    return points;
}

void TerrainHeightQuery::computeHeightsAt(const std::vector<float>& positions, float* heights) {
    const int n = static_cast<int>(positions.size() / 2);
    if (n > kMaxPositions) std::printf("[WARNING] computeTerrainHeightAt: too many positions requested\n");
    // Only the first 512 pairs fit the uniform array and the result texture.
    const int uploaded = std::min(n, kMaxPositions);

    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, positionTexture->getID());

    positionFBO->bind();
    positionFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, heightTexture->getID());
    glClear(GL_COLOR_BUFFER_BIT);

    fetchHeightProgram->use();
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(0, 0, kMaxPositions, 1);

    glUniformMatrix4fv(projMatrixLocation, 1, GL_FALSE, projectionMatrix);
    glUniformMatrix4fv(viewMatrixLocation, 1, GL_FALSE, viewMatrix);
    if (uploaded > 0) glUniform2fv(playerPositionLocation, uploaded, positions.data());

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    fetchHeightProgram->unuse();
    glPopAttrib();
    positionFBO->unbind();

    glBindTexture(GL_TEXTURE_2D, heightTexture->getID());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_FLOAT, heights);
}

void TerrainHeightQuery::groundHeights(const Camera& topDown, const std::vector<float>& points,
                                       std::vector<float>& heights) {
    float answers[kMaxPositions];
    std::vector<float> request;
    const size_t total = points.size() / 2;
    heights.assign(total, 0.0f);
    // The query measures from the top-down eye's height.
    const float eyeY = topDown.getEye().y;
    for (size_t first = 0; first < total; first += kMaxPositions) {
        const size_t count = std::min(total - first, static_cast<size_t>(kMaxPositions));
        request.assign(points.begin() + 2 * first, points.begin() + 2 * (first + count));
        computeHeightsAt(request, answers);
        for (size_t k = 0; k < count; ++k) heights[first + k] = answers[k] + eyeY;
    }
}
