// lumivex_content GAME_DIR: writes every data file of the game below GAME_DIR.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <string>

#include "Content.h"
#include "highscore/HighscorePicture.h"
#include "platform/Paths.h"

namespace {

bool makeDir(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

bool copyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    // A folder named like an option (--help) is a slip, not where the data should go.
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: %s GAME_DIR\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::string dir = argv[1];
    for (const char* sub : {"", "/Modells", "/Textures", "/Sounds", "/icons"})
        if (!makeDir(dir + sub)) {
            std::fprintf(stderr, "content: cannot create %s%s\n", dir.c_str(), sub);
            return 1;
        }
    bool ok = true;
    auto step = [&ok](const char* what, bool result) {
        if (!result) std::fprintf(stderr, "content: writing %s failed\n", what);
        ok = ok && result;
    };
    step("the font", copyFile("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", dir + "/Faktos.ttf"));
    // The music encoding is the longest part: it runs beside the pictures (no shared state).
    auto timed = [](bool (*write)(const std::string&), const std::string& where) {
        const auto t0 = std::chrono::steady_clock::now();
        const bool result = write(where);
        return std::make_pair(result, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    };
    auto sounds = std::async(std::launch::async, timed, &content::writeSounds, dir);
    const auto models = timed(&content::writeModels, dir);
    const auto pictures = timed(&content::writePictures, dir);
    const auto volumes = timed(&content::writeVolumes, dir);
    const auto music = sounds.get();
    step("models", models.first);
    step("pictures", pictures.first);
    step("volume textures", volumes.first);
    step("sounds", music.first);
    std::printf("content: models %.1f s, pictures %.1f s, volumes %.1f s, sounds %.1f s\n", models.second,
                pictures.second, volumes.second, music.second);
    // The empty table is installed and copied for each new player. The folder's own picture
    // belongs to its table: a portable folder that holds scores keeps the picture of them.
    step("the initial high-score picture", HighscorePicture::renderEmptyTablePicture(dir, paths::kInitialPicture));
    std::ifstream table(dir + "/highscore.txt");
    if (table.peek() == std::ifstream::traits_type::eof() || !std::ifstream(dir + "/Textures/highscore.png"))
        step("the high-score picture",
             copyFile(dir + "/" + paths::kInitialPicture, dir + "/Textures/highscore.png"));
    step("the icon", content::writeIcons(dir));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("content: game data written to %s in %.1f s\n", dir.c_str(), seconds);
    return ok ? 0 : 1;
}
