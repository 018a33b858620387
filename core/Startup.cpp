#include <GL/glew.h>

#include <cstdio>
#include <string>

#include "core/Game.h"
#include "effects/EffectContext.h"
#include "framework/Logger.h"
#include "framework/Texture.h"
#include "highscore/HighscorePicture.h"
#include "highscore/HighscoreStore.h"
#include "objects/ObjectDraw.h"
#include "platform/Threads.h"
#include "platform/WriteFile.h"

void Game::initResources() {
    // Without a GPU, Mesa draws on worker threads of its own, one a core. A scheduler that packs
    // busy threads onto fewer cores (as a virtual machine's may) puts two on one core for
    // stretches of a frame, which then takes half as long again with a core idle. Each keeps a
    // core of its own; the driver hands its work to whichever worker comes for it next, so one
    // that shares its core with another program only takes less of it.
    if (const int pinned = threads::spreadOverCores("llvmpipe-")) {
        std::printf("Rasteriser threads: %d, each on a core of its own\n", pinned);
        std::fflush(stdout);
    }
    // The score panel and the high-score picture use "Faktos.ttf" from the game folder.
    HighscorePicture::useGameFolderFonts();

    for (Grade grade : {Grade::Normal, Grade::Relaxed, Grade::Arcade}) highscoreStore(grade).removeStaleTemporaries();
    files::removeLeftoverTemporaries(playerFiles.settings, false);
    files::removeLeftoverTemporaries(playerFiles.daily, false);
    files::removeLeftoverTemporaries(playerFiles.stats, true);  // young ones: another game may be saving
    config.logger = new Logger(playerFiles.log);
    config.textureLoader = new TextureLoader();
    effectContext().logger = config.logger;
    scorePanel.setTextureLoader(config.textureLoader);

    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glCullFace(GL_BACK);
    glEnable(GL_POINT_SMOOTH);

    applyVolumes();  // the music at the player's level (0.4 unless set otherwise)
}

void Game::loadFlightResources() {
    if (flightResourcesLoaded) return;
    flightResourcesLoaded = true;
    // The occlusion and normal-view effects, the rims, the eleven styles.
    renderer.create(config, config.logger);
    config.firstEffectGroup = renderer.style(0);
    // Every program is linked now: the compiler's built-in functions (some 6 MB in Mesa) are not
    // needed again. Should something compile later, the driver loads them anew.
    if (glReleaseShaderCompiler) glReleaseShaderCompiler();

    // Every kind's model, texture and sound now, so the first game starts without a loading pause.
    resolveObjectKinds(resourceCache);
    sound.loadObjectSounds(resourceCache);
    renderer.createScenery(resourceCache, config);

    for (int i = 0; i < kStyleCount; ++i)
        labelTextures[i] = resourceCache.getTexture("shaderAnzeige" + std::to_string(i + 1) + ".png", GL_TEXTURE_2D);
    std::printf("Textures Loaded\n");
    std::fflush(stdout);
}
