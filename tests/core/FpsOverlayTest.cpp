// The FPS overlay in a real context: F10 shows it in the top right corner of every screen and
// hides it again, it reads the game's clock, and it leaves the GL state as a style left it.
#include <vector>

#include "CoreTest.h"

namespace {

// The top right corner of the frame, where the overlay sits.
std::vector<unsigned char> corner() {
    glReadBuffer(GL_BACK);
    return harness::readPixels(600, 550, 200, 50);
}

int whitePixels(const std::vector<unsigned char>& p) {
    int white = 0;
    for (size_t i = 0; i < p.size(); i += 4) white += p[i] > 240 && p[i + 1] > 240 && p[i + 2] > 240;
    return white;
}

// Everything of the GL state a style may have left that the overlay must not change.
std::vector<double> glState() {
    std::vector<double> s;
    auto ints = [&s](GLenum name, int count) {
        GLint v[16] = {};
        glGetIntegerv(name, v);
        s.insert(s.end(), v, v + count);
    };
    auto floats = [&s](GLenum name, int count) {
        GLfloat v[16] = {};
        glGetFloatv(name, v);
        s.insert(s.end(), v, v + count);
    };
    ints(GL_CURRENT_PROGRAM, 1);
    ints(GL_ACTIVE_TEXTURE, 1);
    ints(GL_MATRIX_MODE, 1);
    ints(GL_VIEWPORT, 4);
    ints(GL_BLEND_SRC, 1);
    ints(GL_BLEND_DST, 1);
    ints(GL_POLYGON_MODE, 2);
    floats(GL_CURRENT_COLOR, 4);
    floats(GL_MODELVIEW_MATRIX, 16);
    floats(GL_PROJECTION_MATRIX, 16);
    ints(GL_MODELVIEW_STACK_DEPTH, 1);
    ints(GL_PROJECTION_STACK_DEPTH, 1);
    for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
        glActiveTexture(unit);
        ints(GL_TEXTURE_BINDING_2D, 1);
        ints(GL_TEXTURE_BINDING_3D, 1);
        s.push_back(glIsEnabled(GL_TEXTURE_2D));
        s.push_back(glIsEnabled(GL_TEXTURE_3D));
    }
    glActiveTexture(static_cast<GLenum>(s[1]));
    for (GLenum flag : {GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST, GL_BLEND, GL_FOG, GL_COLOR_LOGIC_OP})
        s.push_back(glIsEnabled(flag));
    return s;
}

GLuint linkedProgram() {
    const char* vertex = "void main() { gl_Position = ftransform(); }";
    const char* fragment = "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }";
    const GLuint program = glCreateProgram();
    for (auto [type, source] : {std::make_pair(GL_VERTEX_SHADER, vertex), std::make_pair(GL_FRAGMENT_SHADER, fragment)}) {
        const GLuint shader = glCreateShader(type);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        glAttachShader(program, shader);
        glDeleteShader(shader);
    }
    glLinkProgram(program);
    return program;
}

}  // namespace

TEST_F(CoreTest, F10ShowsTheFrameRateOnEveryScreenAndASecondF10HidesIt) {
    ASSERT_FALSE(game.fpsOverlay.isShown());
    for (int screen : {Title, Credits, Highscore, EnterName, Playing}) {
        if (screen == Playing) {
            startGame(20000);
        } else if (screen == Highscore) {
            game.reloadHighscoreImage();  // the screen's picture, which covers the whole frame
        } else {
            testclock::enable(20000);
            game.state = screen;
        }
        game.display();
        const std::vector<unsigned char> without = corner();

        game.special(GLUT_KEY_F10, 0, 0);
        ASSERT_TRUE(game.fpsOverlay.isShown()) << "screen " << screen;
        EXPECT_EQ(game.state, screen) << "F10 changes nothing else";
        for (int frame = 0; frame < 30; ++frame) testclock::advance(25), game.display();
        EXPECT_EQ(game.fpsOverlay.text(), "40 fps  25.0 ms") << "screen " << screen;
        const std::vector<unsigned char> with = corner();
        EXPECT_GT(whitePixels(with), whitePixels(without) + 60) << "letters, screen " << screen;
        size_t changed = 0;
        for (size_t i = 0; i < with.size(); i += 4) changed += with[i] != without[i] || with[i + 1] != without[i + 1];
        EXPECT_GT(changed, with.size() / 4 / 5) << "the box, screen " << screen;

        game.special(GLUT_KEY_F10, 0, 0);
        EXPECT_FALSE(game.fpsOverlay.isShown());
        game.display();
        const std::vector<unsigned char> hidden = corner();
        size_t differing = 0;
        for (size_t i = 0; i < hidden.size(); ++i) differing += hidden[i] != without[i];
        EXPECT_EQ(differing, 0u) << "hidden again, screen " << screen;
    }
    EXPECT_EQ(harness::glErrors(), "");

    // A viewer's key: the demo flies on under it.
    game.startDemo();
    game.special(GLUT_KEY_F10, 0, 0);
    EXPECT_TRUE(game.demoRunning);
    EXPECT_TRUE(game.fpsOverlay.isShown());
    game.special(GLUT_KEY_F10, 0, 0);
    game.endDemo();
}

TEST_F(CoreTest, TheFpsOverlayDrawsDarkBoxAndWhiteLettersAndLeavesTheGlStateAsItWas) {
    glClearColor(1, 1, 1, 1);  // the brightest style's sky
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GLuint program = linkedProgram();
    GLuint textures[2] = {};
    glGenTextures(2, textures);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_3D, textures[1]);
    glEnable(GL_TEXTURE_3D);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    glEnable(GL_TEXTURE_2D);
    glUseProgram(program);
    for (GLenum flag : {GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST, GL_FOG}) glEnable(flag);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    glViewport(10, 20, 300, 200);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, -3);
    glMatrixMode(GL_PROJECTION);  // left in another mode than model-view
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 0.5, 40);
    const std::vector<double> before = glState();

    game.fpsOverlay.draw(800, 600);
    EXPECT_EQ(glState(), before);
    EXPECT_EQ(harness::glErrors(), "");

    // On white: a dark box (60 % black) with white letters in it, nothing outside it.
    glReadBuffer(GL_BACK);
    const std::vector<unsigned char> p = corner();
    auto at = [&p](int x, int y) { return Rgb{p[(y * 200 + x) * 4], p[(y * 200 + x) * 4 + 1], p[(y * 200 + x) * 4 + 2]}; };
    EXPECT_TRUE(near(at(199 - 10, 49 - 10), Rgb{102, 102, 102}, 3)) << "inside the box, right of the letters";
    EXPECT_TRUE(near(at(199 - 4, 49 - 4), Rgb{255, 255, 255}, 0)) << "the margin to the window's edge";
    // The box is at least as wide as the shortest reading ("-- fps"), 30 pixels high.
    int white = 0, dark = 0;
    for (int y = 14; y < 40; ++y)
        for (int x = 140; x < 189; ++x) {
            const Rgb c = at(x, y);
            white += c[0] > 240 && c[1] > 240 && c[2] > 240;
            dark += c[0] < 110;
        }
    EXPECT_GT(dark, 26 * 49 / 2) << "the box";
    EXPECT_GT(white, 40) << "letters inside the box";

    glUseProgram(0);
    glDeleteProgram(program);
    glDeleteTextures(2, textures);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    game.initProjection();
    for (GLenum flag : {GL_LIGHTING, GL_CULL_FACE, GL_ALPHA_TEST, GL_FOG, GL_TEXTURE_2D}) glDisable(flag);
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_3D);
    glActiveTexture(GL_TEXTURE0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glBlendFunc(GL_ONE, GL_ZERO);
    glViewport(0, 0, 800, 600);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}
