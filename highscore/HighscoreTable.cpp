#include <GL/glew.h>

#include "highscore/HighscoreTable.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "framework/Texture.h"

bool HighscoreTable::simulateFailureBeforeRename = false;

namespace {

const char* const kFont = "Faktos.ttf";
const char* const kTableFile = "highscore.txt";
const char* const kBackgroundFile = "Textures/highscore.jpg";
const char* const kPictureFile = "Textures/highscore.png";

constexpr int kPanelWidth = 400;
constexpr int kPanelHeight = 100;
constexpr double kTextPoints = 20.0;
constexpr double kRulerPoints = 50.0;
constexpr int kRulerLength = 83;

using Entry = std::pair<const int, std::string>;

// The leading decimal number as atoi reads it (blanks, sign, digits), but clamped to the int
// range instead of overflowing on a damaged file.
int parseScore(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Makes sure the directory entry of a renamed file reaches the disk too. Best effort: some
// file systems refuse fsync on directories, and the data itself is already safe.
void syncFolderOf(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Replaces `path` with `size` bytes so that readers only ever see the old or the complete new
// content: the bytes go to a temporary file in the same folder, are flushed and synced, and
// that file is then renamed over the old one. Any failure removes the temporary file and
// leaves the old file untouched.
bool replaceFile(const std::string& path, const void* data, std::size_t size) {
    std::vector<char> tempName(path.begin(), path.end());
    const char suffix[] = ".XXXXXX";
    tempName.insert(tempName.end(), suffix, suffix + sizeof suffix);  // with the terminator
    const int fd = mkstemp(tempName.data());
    if (fd < 0) return false;
    const std::string temp(tempName.data());

    // mkstemp creates the file private to its owner; keep the old file's permissions, or use
    // the usual ones of a data file.
    struct stat old;
    fchmod(fd, stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

    // errno of the first failure, kept across the clean-up for the caller's message.
    int failure = 0;
    auto check = [&failure](bool success) {
        if (!success && !failure) failure = errno ? errno : EIO;
    };
    FILE* file = fdopen(fd, "wb");
    check(file != nullptr);
    if (!file) {
        close(fd);
    } else {
        check(size == 0 || std::fwrite(data, 1, size, file) == size);
        check(std::fflush(file) == 0);
        check(fsync(fileno(file)) == 0);
        check(std::fclose(file) == 0);
    }
    if (!failure && HighscoreTable::simulateFailureBeforeRename) failure = EIO;
    if (!failure) check(std::rename(temp.c_str(), path.c_str()) == 0);
    if (failure) {
        unlink(temp.c_str());
        errno = failure;
        return false;
    }
    syncFolderOf(path);
    return true;
}

// Reads an encoded JPEG file whole (binary) and decodes it; null when it is missing or broken.
gdImagePtr loadBackground(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    gdImagePtr image = nullptr;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && size <= INT_MAX && std::fseek(file, 0, SEEK_SET) == 0) {
            std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
            if (std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size())
                image = gdImageCreateFromJpegPtr(static_cast<int>(size), bytes.data());
        }
    }
    std::fclose(file);
    return image;
}

bool writePicture(gdImagePtr canvas, const std::string& path) {
    int size = 0;
    void* png = gdImagePngPtr(canvas, &size);
    if (!png) return false;
    const bool ok = size > 0 && replaceFile(path, png, static_cast<std::size_t>(size));
    gdFree(png);
    return ok;
}

std::string tableText(const std::multimap<int, std::string>& entries) {
    std::string text;
    char number[16];
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        std::snprintf(number, sizeof number, "%i;", it->first);
        text += number;
        text += it->second;
        text += '\n';
    }
    return text;
}

// The rows of the high-score screen and the ruler under them. `newEntry` (may be null) is the
// entry just made: the first five rows are always shown, and a new entry further down is shown
// below them with its neighbours.
void drawTable(gdImagePtr canvas, const std::multimap<int, std::string>& entries, const Entry* newEntry) {
    const int black = gdImageColorAllocate(canvas, 0, 0, 0);
    const int gold = gdImageColorAllocate(canvas, 255, 223, 0);
    const int red = gdImageColorAllocate(canvas, 255, 0, 0);

    int row = 1;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it, ++row) {
        const bool isNew = &*it == newEntry;
        if (row <= 5) {
            HighscoreTable::drawRow(canvas, isNew ? red : gold, 270 + 30 * row, row, it->first, it->second);
        } else if (isNew) {
            const auto above = std::prev(it);
            HighscoreTable::drawRow(canvas, gold, 465, row - 1, above->first, above->second);
            HighscoreTable::drawRow(canvas, red, 495, row, it->first, it->second);
            const auto below = std::next(it);
            if (below != entries.rend())
                HighscoreTable::drawRow(canvas, gold, 525, row + 1, below->first, below->second);
        }
    }

    const std::string ruler(kRulerLength, '_');
    HighscoreTable::drawOutlinedText(canvas, black, kFont, kRulerPoints, -5, 590, ruler.c_str(), false);
}

// Whether libgd can find and open the font under its current search path.
bool fontAvailable() {
    int rect[8] = {0};
    return gdImageStringFT(nullptr, rect, 0, kFont, kTextPoints, 0.0, 0, 0, "0") == nullptr;
}

// Counts the changes of the font folder, so text drawn and kept under an earlier one is redrawn.
int fontGeneration = 0;

// Points libgd's font search at one folder and forgets the faces it has cached, which were
// found by name under the previous search path.
void setFontFolder(const char* folder) {
    ++fontGeneration;
    if (folder)
        setenv("GDFONTPATH", folder, 1);
    else
        unsetenv("GDFONTPATH");
    gdFontCacheShutdown();
}

// DevIL has to be set up before the first decode; the game's start-up does it too, but the
// panel can be rendered before (and by tools and tests without it).
void ensureImageLibrary() {
    static bool done = false;
    if (done) return;
    ilInit();
    iluInit();
    ilutInit();
    ilutRenderer(ILUT_OPENGL);
    done = true;
}

}  // namespace

HighscoreTable::HighscoreTable()
    : rank(1),
      newScore(0),
      scoreTexture(nullptr),
      lastScore(1),
      scoreImage(gdImageCreateTrueColor(kPanelWidth, kPanelHeight)),
      transparentColour(0x7f000000),
      textColour(0xffdf00),
      panelRenderCount(0),
      titleLayer(nullptr),
      titleLayerHasTitle(false),
      titleLayerFonts(0) {
    if (!scoreImage) return;
    gdImageAlphaBlending(scoreImage, 1);
    gdImageSaveAlpha(scoreImage, 1);
    gdImageSetAntiAliased(scoreImage, 0);
    gdImageColorTransparent(scoreImage, transparentColour);
    gdImageFill(scoreImage, 1, 1, transparentColour);
}

HighscoreTable::~HighscoreTable() {
    delete scoreTexture;
    if (scoreImage) gdImageDestroy(scoreImage);
    if (titleLayer) gdImageDestroy(titleLayer);
}

void HighscoreTable::load(const std::string& fileName) {
    FILE* file = std::fopen(fileName.c_str(), "r");
    entries.clear();
    if (!file) return;

    char* buffer = nullptr;
    std::size_t capacity = 0;
    ssize_t length;
    while ((length = getline(&buffer, &capacity, file)) >= 0) {
        std::string line(buffer, static_cast<std::size_t>(length));
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();  // written on Windows
        const std::string::size_type separator = line.find(';');
        if (separator == std::string::npos) continue;  // damaged line: keep the ones after it
        // Equal scores: a line read later goes before the earlier ones, so the walk from the
        // top meets them in file order and a rewrite keeps their order.
        const int score = parseScore(line.substr(0, separator));
        entries.emplace_hint(entries.lower_bound(score), score, line.substr(separator + 1));
    }
    std::free(buffer);
    std::fclose(file);
}

int HighscoreTable::computeRank(int score) {
    load(kTableFile);
    newScore = score;
    rank = 1;
    for (auto it = entries.rbegin(); it != entries.rend() && it->first > score; ++it) ++rank;
    return rank;
}

void HighscoreTable::appendToName(const std::string& text) {
    for (const char c : text) {
        if (name.size() >= maxNameLength) break;
        // A line break would split the entry in the one-line-per-entry file.
        if (c == '\n' || c == '\r' || c == '\0') continue;
        name += c;
    }
}

void HighscoreTable::removeLastChar() {
    if (!name.empty()) name.pop_back();
}

void HighscoreTable::commitAndRender() {
    gdImagePtr canvas = loadBackground(kBackgroundFile);

    const auto added = entries.emplace(newScore, name);
    const std::string text = tableText(entries);
    if (!replaceFile(kTableFile, text.data(), text.size()))
        std::printf("Could not save the high-score table to %s: %s\n", kTableFile, std::strerror(errno));

    if (canvas) {
        drawTable(canvas, entries, &*added);
        writePicture(canvas, kPictureFile);
        gdImageDestroy(canvas);
    }
    name.clear();
}

void HighscoreTable::drawOutlinedText(gdImagePtr image, int colour, const char* fontFile, double pointSize, int x,
                                      int y, const char* text, bool rightAligned) {
    int rect[8] = {0};
    if (gdImageStringFT(nullptr, rect, colour, fontFile, pointSize, 0.0, 0, 0, text)) return;  // no font: no text
    const int shift = rightAligned ? rect[2] - rect[0] : 0;
    const int left = x - shift;

    // Black outline: the text at these offsets, in this order; then the text itself on top.
    static const int offsets[16][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0},   {-1, 1},
                                       {0, 1},   {1, 1},  {-2, -2}, {0, -2}, {2, -2}, {-2, 0},
                                       {2, 0},   {-2, 2}, {0, 2},   {2, 2}};

    if (!image || !gdImageTrueColor(image) || !*text) {
        if (!image) return;
        for (const auto& offset : offsets)
            gdImageStringFT(image, rect, 0, fontFile, pointSize, 0.0, left + offset[0], y + offset[1], text);
        gdImageStringFT(image, rect, colour, fontFile, pointSize, 0.0, left, y, text);
        return;
    }

    // libgd re-runs the font's hinting program on every call, which made the seventeen calls
    // per text the bulk of a score-panel update. The glyphs come out the same at every whole-
    // pixel position, so the text is rasterised once and its coverage stamped at each offset,
    // blended exactly as libgd blends a glyph pixel into a true-colour image.
    const int margin = 4;  // anti-aliasing may reach past the bounding box
    const int minX = std::min(rect[0], rect[6]) - margin, maxX = std::max(rect[2], rect[4]) + margin;
    const int minY = std::min(rect[5], rect[7]) - margin, maxY = std::max(rect[1], rect[3]) + margin;
    gdImagePtr coverage = gdImageCreateTrueColor(maxX - minX + 1, maxY - minY + 1);
    if (!coverage) return;
    gdImageAlphaBlending(coverage, 0);
    gdImageFilledRectangle(coverage, 0, 0, gdImageSX(coverage), gdImageSY(coverage), 0x7f000000);
    gdImageAlphaBlending(coverage, 1);
    gdImageStringFT(coverage, rect, 0, fontFile, pointSize, 0.0, -minX, -minY, text);

    int clipX1, clipY1, clipX2, clipY2;
    gdImageGetClip(image, &clipX1, &clipY1, &clipX2, &clipY2);
    auto stamp = [&](int originX, int originY, int ink) {
        const int inkOpacity = gdAlphaMax - gdTrueColorGetAlpha(ink);
        for (int cy = 0; cy < gdImageSY(coverage); ++cy) {
            const int ty = originY + minY + cy;
            if (ty < clipY1 || ty > clipY2) continue;
            const int* row = coverage->tpixels[cy];
            for (int cx = 0; cx < gdImageSX(coverage); ++cx) {
                int level = gdAlphaMax - gdTrueColorGetAlpha(row[cx]);
                if (level == 0) continue;
                const int tx = originX + minX + cx;
                if (tx < clipX1 || tx > clipX2) continue;
                level = level * inkOpacity / gdAlphaMax;
                const int pixel = ((gdAlphaMax - level) << 24) + (ink & 0xffffff);
                int& target = image->tpixels[ty][tx];
                target = image->alphaBlendingFlag ? gdAlphaBlend(target, pixel) : pixel;
            }
        }
    };
    for (const auto& offset : offsets) stamp(left + offset[0], y + offset[1], 0);
    stamp(left, y, colour);
    gdImageDestroy(coverage);
}

void HighscoreTable::drawRow(gdImagePtr image, int colour, int y, int rank, int score, const std::string& name) {
    char text[16];
    std::snprintf(text, sizeof text, "%i.", rank);
    drawOutlinedText(image, colour, kFont, kTextPoints, 200, y, text, false);
    std::snprintf(text, sizeof text, "%i", score);
    drawOutlinedText(image, colour, kFont, kTextPoints, 350, y, text, true);
    drawOutlinedText(image, colour, kFont, kTextPoints, 400, y, name.c_str(), false);
}

void HighscoreTable::updateScoreImage(int score, bool force) {
    if (!force && score == lastScore) return;
    if (!scoreImage) return;

    // Cleared panel plus title line: redrawn only when the title changes, else copied.
    const EffectGroup* group = Game::instance().getCurrentEffectGroup();
    const char* title = group ? group->getTitle() : nullptr;
    if (!titleLayer || titleLayerFonts != fontGeneration || titleLayerHasTitle != (title != nullptr) ||
        (title && titleLayerText != title)) {
        if (!titleLayer) titleLayer = gdImageCreateTrueColor(kPanelWidth, kPanelHeight);
        if (!titleLayer) return;
        gdImageSaveAlpha(titleLayer, 1);
        gdImageAlphaBlending(titleLayer, 0);
        gdImageFilledRectangle(titleLayer, 0, 0, kPanelWidth, kPanelHeight, transparentColour);
        gdImageAlphaBlending(titleLayer, 1);
        if (title) {
            // The longest style title does not fit the panel at the normal size: such a
            // title is set smaller rather than cut off at the panel's edge.
            double points = kTextPoints;
            int box[8];
            if (!gdImageStringFT(nullptr, box, textColour, const_cast<char*>(kFont), points, 0.0, 0, 0,
                                 const_cast<char*>(title))) {
                const int width = box[2] - box[0];
                const int room = kPanelWidth - 2 * 10;  // the same margin on both sides
                if (width > room) points = points * room / width;
            }
            drawOutlinedText(titleLayer, textColour, kFont, points, 10, 30, title, false);
        }
        titleLayerHasTitle = title != nullptr;
        titleLayerText = title ? title : "";
        titleLayerFonts = fontGeneration;
    }
    for (int y = 0; y < kPanelHeight; ++y)
        std::memcpy(scoreImage->tpixels[y], titleLayer->tpixels[y], sizeof(int) * kPanelWidth);
    gdImageAlphaBlending(scoreImage, 1);

    char line[32];
    std::snprintf(line, sizeof line, "Score: %i", score);
    drawOutlinedText(scoreImage, textColour, kFont, kTextPoints, 10, 60, line, false);

    // Decoded again at once, so the fastest compression: it halves the encoding time and
    // leaves the pixels as they are.
    int size = 0;
    void* png = gdImagePngPtrEx(scoreImage, &size, 1);
    delete scoreTexture;
    scoreTexture = nullptr;
    if (png) {
        ensureImageLibrary();
        TextureLoader fallback;  // before start-up the configuration has no loader yet
        TextureLoader* loader = Game::instance().getConfig().textureLoader;
        scoreTexture = (loader ? loader : &fallback)
                           ->loadTextureFromMemory(IL_PNG, png, static_cast<unsigned int>(size), GL_TEXTURE_2D);
        gdFree(png);
    }
    lastScore = score;
    ++panelRenderCount;
}

void HighscoreTable::drawScoreImage() {
    if (!scoreTexture) return;
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
    scoreTexture->bind(GL_TEXTURE_2D, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 0.67f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(0.0f, 0.67f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(0.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glDisable(GL_ALPHA_TEST);
}

void HighscoreTable::useGameFolderFonts() {
    char* folder = getcwd(nullptr, 0);
    if (!folder) return;
    setFontFolder(folder);
    std::free(folder);
}

bool HighscoreTable::renderEmptyTablePicture(const std::string& gameDir) {
    const std::string folder = gameDir.empty() ? "." : gameDir;
    char* absolute = realpath(folder.c_str(), nullptr);
    if (!absolute) return false;

    // Draw with the game folder's font, then give the caller its own search path back.
    const char* previous = std::getenv("GDFONTPATH");
    const std::string saved = previous ? previous : "";
    setFontFolder(absolute);
    std::free(absolute);

    bool ok = false;
    gdImagePtr canvas = loadBackground(folder + "/" + kBackgroundFile);
    if (canvas) {
        if (fontAvailable()) {
            const std::multimap<int, std::string> none;
            drawTable(canvas, none, nullptr);
            ok = writePicture(canvas, folder + "/" + kPictureFile);
        }
        gdImageDestroy(canvas);
    }
    setFontFolder(previous ? saved.c_str() : nullptr);
    return ok;
}
