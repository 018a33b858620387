#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Game.h"
#include "effects/EffectGroups.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "framework/Logger.h"
#include "framework/Texture.h"
#include "effects/EffectContext.h"
#include "highscore/HighscorePicture.h"
#include "objects/ObjectDraw.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"

void Game::initResources() {
    // The score panel and the high-score picture use "Faktos.ttf" from the game folder.
    HighscorePicture::useGameFolderFonts();

    highscoreStore().removeStaleTemporaries();
    config.logger = new Logger(playerFiles.log);
    config.textureLoader = new TextureLoader();
    effectContext().logger = config.logger;
    scorePanel.setTextureLoader(config.textureLoader);

    ssao = new SSAO();
    ssao->setup(config.windowWidth, config.windowHeight);
    ssao->setClipPlanes(0.1f, 30.0f);
    ssao->captureProjection();

    normalShader = new NormalShader();
    normalShader->setup(config.windowWidth, config.windowHeight);

    createHeightQueryTargets();

    std::printf("Effect Groups setup START\n");
    std::fflush(stdout);
    config.firstEffectGroup = createEffectGroups(ssao, normalShader);
    std::printf("Effect Groups setup FINISHED\n");

    std::srand(timeGetTime());

    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glCullFace(GL_BACK);
    glEnable(GL_POINT_SMOOTH);

    // Every kind's model, texture and sound now, so the first game starts without a loading pause.
    resolveObjectKinds(resourceCache);
    for (int i = 0; i < kObjectKindCount; ++i) {
        const char* sound = objectKind(static_cast<ObjectKind>(i)).sound;
        if (!sound || !soundSystem) continue;
        int result = audio::OK;
        objectSounds[i] = resourceCache.getSound(sound, soundSystem, &result);
        checkSoundResult(result);
    }

    titleTexture = resourceCache.getTexture(config.titlePicture, GL_TEXTURE_2D);
    creditsTexture = resourceCache.getTexture(config.creditsPicture, GL_TEXTURE_2D);
    enterNameTexture = resourceCache.getTexture(config.enterNamePicture, GL_TEXTURE_2D);
    highscoreTexture = nullptr;
    for (int i = 0; i < 11; ++i)
        labelTextures[i] = resourceCache.getTexture("shaderAnzeige" + std::to_string(i + 1) + ".png", GL_TEXTURE_2D);
    std::printf("Textures Loaded\n");
    std::fflush(stdout);

    applyVolumes();  // the music at the player's level (0.4 unless set otherwise)
}
