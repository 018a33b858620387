#include "highscore/HighscorePicture.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/ReadFile.h"

namespace {

const char* const kFont = "Faktos.ttf";
const char* const kBackgroundFile = "Textures/highscore.jpg";

constexpr int kPanelWidth = PanelPicture::kWidth;
constexpr int kPanelHeight = PanelPicture::kHeight;
constexpr double kTextPoints = 20.0;
constexpr double kSmallestPoints = 12.0;
constexpr int kNameRight = 622;  // the dark band behind the rows ends at 630
constexpr double kRulerPoints = 50.0;
constexpr int kRulerLength = 83;

// The background decoded; null when it is missing, not a plain file or broken.
gdImagePtr loadBackground(const std::string& path) {
    files::ReadResult file = files::readRegularFile(path, files::kPictureLimit);
    if (!file.ok() || file.data.empty()) return nullptr;
    return gdImageCreateFromJpegPtr(static_cast<int>(file.data.size()), &file.data[0]);
}

std::string pngBytes(gdImagePtr image) {
    int size = 0;
    void* png = gdImagePngPtr(image, &size);
    if (!png) return std::string();
    std::string bytes(static_cast<const char*>(png), size > 0 ? static_cast<std::size_t>(size) : 0);
    gdFree(png);
    return bytes;
}

// The rows of the high-score screen and the ruler under them. `newEntry` (may be null) is the
// entry just made: the first five rows are always shown, and a new entry further down is shown
// below them with its neighbours.
void drawTable(gdImagePtr canvas, const HighscoreTable::Entries& entries, const HighscoreTable::Entry* newEntry) {
    const int black = gdImageColorAllocate(canvas, 0, 0, 0);
    const int gold = gdImageColorAllocate(canvas, 255, 223, 0);
    const int red = gdImageColorAllocate(canvas, 255, 0, 0);

    int row = 1;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it, ++row) {
        const bool isNew = &*it == newEntry;
        if (row <= 5) {
            HighscorePicture::drawRow(canvas, isNew ? red : gold, 270 + 30 * row, row, it->first, it->second);
        } else if (isNew) {
            const auto above = std::prev(it);
            HighscorePicture::drawRow(canvas, gold, 465, row - 1, above->first, above->second);
            HighscorePicture::drawRow(canvas, red, 495, row, it->first, it->second);
            const auto below = std::next(it);
            if (below != entries.rend())
                HighscorePicture::drawRow(canvas, gold, 525, row + 1, below->first, below->second);
        }
    }

    // An empty band reads as a lost table: say there is nothing yet.
    if (entries.empty()) {
        const std::pair<const char*, double> lines[2] = {{"No scores yet", kTextPoints}, {"your first flight sets one", 14}};
        for (int i = 0; i < 2; ++i) {
            int box[8] = {0};
            char* text = const_cast<char*>(lines[i].first);
            gdImageStringFT(nullptr, box, 0, const_cast<char*>(HighscorePicture::font()), lines[i].second, 0.0, 0, 0, text);
            HighscorePicture::drawOutlinedText(canvas, gold, HighscorePicture::font(), lines[i].second,
                                               400 - (box[2] - box[0]) / 2, 400 + 36 * i, text, false);
        }
    }

    const std::string ruler(kRulerLength, '_');
    HighscorePicture::drawOutlinedText(canvas, black, HighscorePicture::font(), kRulerPoints, -5, 590, ruler.c_str(),
                                       false);
}

// Whether libgd can find and open the font under its current search path.
bool fontAvailable() {
    int rect[8] = {0};
    return gdImageStringFT(nullptr, rect, 0, const_cast<char*>(HighscorePicture::font()), kTextPoints, 0.0, 0, 0,
                           const_cast<char*>("0")) == nullptr;
}

// Counts the changes of the font folder, so text drawn and kept under an earlier one is redrawn.
int fontGeneration = 0;
std::string fontFolder;  // empty: libgd's own search path

// Points libgd's font search at one folder and forgets the faces it has cached, which were
// found by name under the previous search path.
void setFontFolder(const char* folder) {
    ++fontGeneration;
    fontFolder = folder ? folder : "";
    if (folder)
        setenv("GDFONTPATH", folder, 1);
    else
        unsetenv("GDFONTPATH");
    gdFontCacheShutdown();
}

// Why our font cannot draw the scores; empty when it can.
std::string fontProblem() {
    // FreeType opens the file itself, and would wait for ever on a FIFO.
    if (!fontFolder.empty()) {
        const files::ReadResult file = files::readRegularFile(fontFolder + "/" + kFont, files::kPictureLimit);
        if (!file.ok()) return files::describe(file);
    }
    int rect[8] = {0};
    const char* error = gdImageStringFT(nullptr, rect, 0, const_cast<char*>(kFont), kTextPoints, 0.0, 0, 0,
                                        const_cast<char*>("Score: 0123456789."));
    if (error) return error;
    return rect[2] > rect[0] ? std::string() : "it draws nothing";
}

}  // namespace

const char* HighscorePicture::font() {
    static int checked = -1;
    // Never destroyed: a score saved while the game ends still draws its picture.
    static std::string& chosen = *new std::string;
    if (checked == fontGeneration) return chosen.c_str();
    checked = fontGeneration;
    chosen = kFont;
    const std::string problem = fontProblem();
    if (problem.empty()) return chosen.c_str();
    gdFTStringExtra extra = {};
    extra.flags = gdFTEX_FONTCONFIG | gdFTEX_RETURNFONTPATHNAME;
    int rect[8] = {0};
    const char* error = gdImageStringFTEx(nullptr, rect, 0, const_cast<char*>("sans-serif:bold"), kTextPoints, 0.0, 0,
                                          0, const_cast<char*>("Score"), &extra);
    if (!error && extra.fontpath) chosen = extra.fontpath;
    if (extra.fontpath) gdFree(extra.fontpath);
    if (chosen != kFont)
        std::printf("The font %s cannot be used (%s): the scores are drawn in %s instead\n", kFont, problem.c_str(),
                    chosen.c_str());
    else
        std::printf("The font %s cannot be used (%s), and no other font was found: the scores cannot be drawn\n",
                    kFont, problem.c_str());
    std::fflush(stdout);
    return chosen.c_str();
}

HighscoreStore::PictureMaker HighscorePicture::pictureMaker(const HighscoreStore& store) {
    const std::string background = store.folderFile(kBackgroundFile);
    return [background](const HighscoreTable& saved, const HighscoreTable::Entry& added) {
        gdImagePtr canvas = loadBackground(background);
        if (!canvas) return std::string();
        drawTable(canvas, saved.getEntries(), &added);
        const std::string png = pngBytes(canvas);
        gdImageDestroy(canvas);
        return png;
    };
}

SaveResult HighscorePicture::commitAndRender(HighscoreTable& table, const HighscoreStore& store) {
    return store.save(table, pictureMaker(store));
}

void HighscorePicture::drawOutlinedText(gdImagePtr image, int colour, const char* fontFile, double pointSize, int x,
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

    // The inked texels only, read once: the text covers a fraction of its box, and it is
    // stamped seventeen times.
    struct Ink {
        int x, y, level;
    };
    std::vector<Ink> inked;
    for (int cy = 0; cy < gdImageSY(coverage); ++cy)
        for (int cx = 0; cx < gdImageSX(coverage); ++cx)
            if (const int level = gdAlphaMax - gdTrueColorGetAlpha(coverage->tpixels[cy][cx]))
                inked.push_back({minX + cx, minY + cy, level});
    int clipX1, clipY1, clipX2, clipY2;
    gdImageGetClip(image, &clipX1, &clipY1, &clipX2, &clipY2);
    auto stamp = [&](int originX, int originY, int ink) {
        const int inkOpacity = gdAlphaMax - gdTrueColorGetAlpha(ink);
        for (const Ink& texel : inked) {
            const int tx = originX + texel.x, ty = originY + texel.y;
            if (ty < clipY1 || ty > clipY2 || tx < clipX1 || tx > clipX2) continue;
            const int level = texel.level * inkOpacity / gdAlphaMax;
            const int pixel = ((gdAlphaMax - level) << 24) + (ink & 0xffffff);
            int& target = image->tpixels[ty][tx];
            target = image->alphaBlendingFlag ? gdAlphaBlend(target, pixel) : pixel;
        }
    };
    for (const auto& offset : offsets) stamp(left + offset[0], y + offset[1], 0);
    stamp(left, y, colour);
    gdImageDestroy(coverage);
}

void HighscorePicture::drawRow(gdImagePtr image, int colour, int y, int rank, int score, const std::string& name) {
    char text[16];
    std::snprintf(text, sizeof text, "%i.", rank);
    drawOutlinedText(image, colour, font(), kTextPoints, 200, y, text, false);
    std::snprintf(text, sizeof text, "%i", score);
    drawOutlinedText(image, colour, font(), kTextPoints, 350, y, text, true);
    // The name column ends at the band's right edge: a long name of wide letters is set
    // smaller, down to a size still read at a glance, and what is left over is cut.
    const int room = kNameRight - 400;
    double points = kTextPoints;
    std::string shown = name;
    int box[8] = {0};
    auto width = [&](const std::string& t, double p) {
        return gdImageStringFT(nullptr, box, 0, const_cast<char*>(font()), p, 0.0, 0, 0, const_cast<char*>(t.c_str()))
                   ? 0
                   : box[2] - box[0];
    };
    while (points > kSmallestPoints && width(shown, points) > room) points -= 1;
    const bool cut = width(shown, points) > room;
    while (cut && shown.size() > 1 && width(shown + "...", points) > room) {
        shown.pop_back();
        while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xc0) == 0x80) shown.pop_back();  // whole characters
    }
    if (cut) shown += "...";
    drawOutlinedText(image, colour, font(), points, 400, y, shown.c_str(), false);
}

void HighscorePicture::useGameFolderFonts() {
    char* folder = getcwd(nullptr, 0);
    if (!folder) return;
    setFontFolder(folder);
    std::free(folder);
}

bool HighscorePicture::renderEmptyTablePicture(const std::string& gameDir, const char* file) {
    const std::string folder = gameDir.empty() ? "." : gameDir;
    char* absolute = realpath(folder.c_str(), nullptr);
    if (!absolute) return false;

    // Draw with the game folder's font, then give the caller its own search path back.
    const char* previous = std::getenv("GDFONTPATH");
    const std::string saved = previous ? previous : "";
    setFontFolder(absolute);
    std::free(absolute);

    const HighscoreStore store(folder);
    bool ok = false;
    gdImagePtr canvas = loadBackground(store.folderFile(kBackgroundFile));
    if (canvas) {
        if (fontAvailable()) {
            drawTable(canvas, HighscoreTable::Entries(), nullptr);
            const std::string png = pngBytes(canvas);
            ok = !png.empty() && HighscoreStore::replaceFile(store.folderFile(file), png.data(), png.size());
        }
        gdImageDestroy(canvas);
    }
    setFontFolder(previous ? saved.c_str() : nullptr);
    return ok;
}

PanelPicture::PanelPicture()
    : scoreImage(gdImageCreateTrueColor(kPanelWidth, kPanelHeight)),
      transparentColour(0x7f000000),
      textColour(0xffdf00),
      scoreLineScore(0) {
    if (!scoreImage) return;
    gdImageAlphaBlending(scoreImage, 1);
    gdImageSaveAlpha(scoreImage, 1);
    gdImageSetAntiAliased(scoreImage, 0);
    gdImageColorTransparent(scoreImage, transparentColour);
    gdImageFill(scoreImage, 1, 1, transparentColour);
}

PanelPicture::~PanelPicture() {
    if (scoreImage) gdImageDestroy(scoreImage);
}

std::vector<unsigned char> HighscorePicture::rgba(gdImagePtr image) {
    // libgd's 7-bit transparency to 8-bit opacity, looked up: the panel has 40,000 texels.
    static const std::array<unsigned char, gdAlphaMax + 1> opacity = [] {
        std::array<unsigned char, gdAlphaMax + 1> table{};
        for (int a = 0; a <= gdAlphaMax; ++a) table[a] = static_cast<unsigned char>(255 - a * 255 / gdAlphaMax);
        return table;
    }();
    const int w = gdImageSX(image), h = gdImageSY(image);
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    unsigned char* p = pixels.data();
    for (int y = 0; y < h; ++y)
        for (const int* c = image->tpixels[y], *end = c + w; c != end; ++c, p += 4) {
            p[0] = static_cast<unsigned char>(gdTrueColorGetRed(*c));
            p[1] = static_cast<unsigned char>(gdTrueColorGetGreen(*c));
            p[2] = static_cast<unsigned char>(gdTrueColorGetBlue(*c));
            p[3] = opacity[gdTrueColorGetAlpha(*c)];
        }
    return pixels;
}

void PanelPicture::clear() {
    for (int y = 0; y < kPanelHeight; ++y) std::fill_n(scoreImage->tpixels[y], kPanelWidth, transparentColour);
}

PanelPicture::Line PanelPicture::drawLine(const char* text, double points, int baseline) {
    clear();
    HighscorePicture::drawOutlinedText(scoreImage, textColour, HighscorePicture::font(), points, 10, baseline, text,
                                       false);
    Line line;
    line.fonts = fontGeneration;
    line.left = kPanelWidth, line.top = kPanelHeight;
    for (int y = 0; y < kPanelHeight; ++y) {
        const int* row = scoreImage->tpixels[y];
        const int* end = row + kPanelWidth;
        const int* first = std::find_if(row, end, [this](int texel) { return texel != transparentColour; });
        if (first == end) continue;
        const int* last = std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(first),
                                       [this](int texel) { return texel != transparentColour; }).base() - 1;
        line.left = std::min(line.left, static_cast<int>(first - row));
        line.right = std::max(line.right, static_cast<int>(last - row));
        line.top = std::min(line.top, y), line.bottom = y;
    }
    for (int y = line.top; y <= line.bottom; ++y) {
        const int* row = scoreImage->tpixels[y];
        line.texels.insert(line.texels.end(), row + line.left, row + line.right + 1);
    }
    return line;
}

void PanelPicture::paste(const Line& line) {
    const int width = line.right - line.left + 1;
    for (int y = line.top; y <= line.bottom; ++y)
        for (int x = 0; x < width; ++x) {
            const int texel = line.texels[static_cast<size_t>(y - line.top) * width + x];
            int& target = scoreImage->tpixels[y][line.left + x];
            if (gdTrueColorGetAlpha(texel) != gdAlphaTransparent) target = gdAlphaBlend(target, texel);
        }
}

const PanelPicture::Line& PanelPicture::titleLine(const char* title) {
    Line& line = titles[title];
    if (line.fonts == fontGeneration) return line;
    // The longest style title does not fit the panel at the normal size: such a title is set
    // smaller rather than cut off at the panel's edge.
    double points = kTextPoints;
    int box[8];
    if (!gdImageStringFT(nullptr, box, textColour, const_cast<char*>(HighscorePicture::font()), points, 0.0, 0, 0,
                         const_cast<char*>(title))) {
        const int width = box[2] - box[0];
        const int room = kPanelWidth - 2 * 10;  // the same margin on both sides
        if (width > room) points = points * room / width;
    }
    return line = drawLine(title, points, 30);
}

void PanelPicture::prepareTitle(const char* title) {
    if (scoreImage && title) titleLine(title);
}

std::vector<unsigned char> PanelPicture::render(int score, const char* title) {
    if (!scoreImage) return {};
    char text[32];
    std::snprintf(text, sizeof text, "Score: %i", score);
    if (scoreLine.fonts != fontGeneration || scoreLineScore != score) {
        scoreLine = drawLine(text, kTextPoints, 60);
        scoreLineScore = score;
    }
    if (titles.size() > 32) titles.clear();  // only a test shows that many
    const Line* titleShown = title ? &titleLine(title) : nullptr;

    // On the cleared panel, a line copied in is the line drawn there. Where the two lines'
    // boxes meet, the score is drawn over the title instead, as ink over ink blends.
    clear();
    if (titleShown) paste(*titleShown);
    const bool meet = titleShown && titleShown->left <= scoreLine.right && scoreLine.left <= titleShown->right &&
                      titleShown->top <= scoreLine.bottom && scoreLine.top <= titleShown->bottom;
    if (meet)
        HighscorePicture::drawOutlinedText(scoreImage, textColour, HighscorePicture::font(), kTextPoints, 10, 60, text,
                                           false);
    else
        paste(scoreLine);
    return HighscorePicture::rgba(scoreImage);
}
