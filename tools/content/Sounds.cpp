// Sound effects (WAV) and the music (MP3) with its playlist, all synthesised.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "Content.h"

namespace content {

namespace {

constexpr int kRate = 44100;
using Buffer = std::vector<float>;

double noteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Attack/decay envelope over a note of `len` seconds at time t.
double env(double t, double len, double attack, double release) {
    if (t < 0 || t > len) return 0;
    double e = 1;
    if (t < attack) e = t / attack;
    if (t > len - release) e = std::min(e, (len - t) / release);
    return e;
}

// Scales to the given peak, with short fades at both ends so nothing clicks.
void finish(Buffer& b, double peak, double fadeIn, double fadeOut) {
    float maxAbs = 0;
    for (float s : b) maxAbs = std::max(maxAbs, std::fabs(s));
    const double g = maxAbs > 0 ? peak / maxAbs : 1;
    const size_t in = static_cast<size_t>(fadeIn * kRate), out = static_cast<size_t>(fadeOut * kRate);
    for (size_t i = 0; i < b.size(); ++i) {
        double f = g;
        if (i < in) f *= static_cast<double>(i) / in;
        if (i + out > b.size()) f *= static_cast<double>(b.size() - i) / out;
        b[i] = static_cast<float>(b[i] * f);
    }
}

bool save(const std::string& path, const Buffer& b, int format) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "content: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const sf_count_t n = sf_write_float(f, b.data(), static_cast<sf_count_t>(b.size()));
    sf_close(f);
    return n == static_cast<sf_count_t>(b.size());
}

// A one-pole low-pass filter, for softer noise.
struct LowPass {
    double a, y = 0;
    explicit LowPass(double hz) : a(1 - std::exp(-2 * M_PI * hz / kRate)) {}
    double operator()(double x) { return y += a * (x - y); }
};

Buffer effect(double seconds, const std::function<double(double t, Rng&)>& fn, uint64_t seed) {
    Buffer b(static_cast<size_t>(seconds * kRate));
    Rng rng(seed);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<float>(fn(static_cast<double>(i) / kRate, rng));
    return b;
}

bool soundEffects(const std::string& dir) {
    bool ok = true;
    const int wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    {  // fire: a falling laser zap
        double phase = 0;
        Buffer b = effect(0.28, [&](double t, Rng& r) {
            const double hz = 1400 * std::exp(-t * 9) + 180;
            phase += hz / kRate;
            const double sq = std::sin(2 * M_PI * phase) + 0.3 * std::sin(6 * M_PI * phase);
            return (sq + 0.15 * (r.uniform() * 2 - 1)) * std::exp(-t * 11);
        }, 1);
        finish(b, 0.8, 0.002, 0.03);
        ok &= save(dir + "/fire.wav", b, wav);
    }
    {  // beam: a rising shimmer as the ship beams in
        double p1 = 0, p2 = 0, p3 = 0;
        Buffer b = effect(1.3, [&](double t, Rng&) {
            const double hz = 220 * std::pow(2.0, t * 2.2);
            p1 += hz / kRate, p2 += hz * 1.5 / kRate, p3 += hz * 2.01 / kRate;
            const double trem = 0.6 + 0.4 * std::sin(2 * M_PI * 14 * t);
            return (std::sin(2 * M_PI * p1) + 0.5 * std::sin(2 * M_PI * p2) + 0.3 * std::sin(2 * M_PI * p3)) * trem *
                   env(t, 1.3, 0.15, 0.5);
        }, 2);
        finish(b, 0.75, 0.005, 0.05);
        ok &= save(dir + "/beam.wav", b, wav);
    }
    {  // jump: a quick upward swoop
        double phase = 0;
        Buffer b = effect(0.36, [&](double t, Rng&) {
            const double hz = 260 + 900 * t * t / 0.13;
            phase += std::min(hz, 1400.0) / kRate;
            return (std::sin(2 * M_PI * phase) + 0.25 * std::sin(4 * M_PI * phase)) * env(t, 0.36, 0.01, 0.2);
        }, 3);
        finish(b, 0.75, 0.002, 0.04);
        ok &= save(dir + "/jump.wav", b, wav);
    }
    {  // collision: a crack, a crunching rock and a thump: as loud to the ear as the jump
        LowPass lp(2600), body(900);
        double phase = 0;
        Buffer b = effect(0.6, [&](double t, Rng& r) {
            const double hz = 70 + 160 * std::exp(-t * 14);
            phase += hz / kRate;
            const double thump = std::sin(2 * M_PI * phase) * std::exp(-t * 6);
            const double crack = lp(r.uniform() * 2 - 1) * std::exp(-t * 40);
            const double crunch = body(r.uniform() * 2 - 1) * std::exp(-t * 5) * (0.6 + 0.4 * std::sin(2 * M_PI * 23 * t));
            return std::tanh(1.8 * (0.9 * thump + 1.4 * crack + 2.2 * crunch));  // saturated: dense, not peaky
        }, 4);
        finish(b, 0.95, 0.001, 0.08);
        ok &= save(dir + "/collision.wav", b, wav);
    }
    {  // gameover: the ship breaking up, a long falling groan under a rumble
        LowPass rumble(400);
        double p1 = 0, p2 = 0;
        Buffer b = effect(1.6, [&](double t, Rng& r) {
            const double hz = 330 * std::pow(2.0, -t * 1.6);
            p1 += hz / kRate, p2 += hz * 1.498 / kRate;
            const double groan = (std::sin(2 * M_PI * p1) + 0.6 * std::sin(2 * M_PI * p2)) * env(t, 1.6, 0.02, 0.6);
            const double blast = rumble(r.uniform() * 2 - 1) * std::exp(-t * 2.2) * 3.0;
            return std::tanh(0.8 * groan + blast);
        }, 7);
        finish(b, 0.9, 0.001, 0.2);
        ok &= save(dir + "/gameover.wav", b, wav);
    }
    {  // powerup (star): a bright major arpeggio
        const int notes[] = {72, 76, 79, 84, 88};
        double phase = 0;
        Buffer b = effect(0.8, [&](double t, Rng&) {
            const int i = std::min(4, static_cast<int>(t / 0.09));
            phase += noteHz(notes[i]) / kRate;
            const double tone = std::sin(2 * M_PI * phase) + 0.3 * std::sin(4 * M_PI * phase) + 0.15 * std::sin(6 * M_PI * phase);
            return tone * env(t, 0.8, 0.005, 0.35) * (0.8 + 0.2 * std::sin(2 * M_PI * 9 * t));
        }, 5);
        finish(b, 0.75, 0.002, 0.05);
        ok &= save(dir + "/powerup.wav", b, wav);
    }
    {  // bulletpowerup (reload): click, clack and a short confirm blip
        LowPass lp(5000);
        double phase = 0;
        Buffer b = effect(0.5, [&](double t, Rng& r) {
            double s = 0;
            for (double at : {0.0, 0.12}) {
                const double dt = t - at;
                if (dt >= 0) s += lp(r.uniform() * 2 - 1) * std::exp(-dt * 90) * 1.5;
            }
            if (t > 0.22) {
                phase += noteHz(t < 0.32 ? 79 : 86) / kRate;
                s += 0.5 * std::sin(2 * M_PI * phase) * env(t - 0.22, 0.28, 0.005, 0.12);
            }
            return s;
        }, 6);
        finish(b, 0.75, 0.001, 0.04);
        ok &= save(dir + "/bulletpowerup.wav", b, wav);
    }
    return ok;
}

struct Song {
    const char* file;
    const char* title;
    double bpm;
    int root;                        // MIDI note of the key
    std::vector<std::vector<int>> chords;  // semitone offsets from the root, one chord per bar
    int bars;                        // a whole number of progressions, so the end joins the start
    uint64_t seed;
};

// Renders a loopable arcade tune: pad chords, bass, a lead melody built from repeated phrases,
// and drums. Every note ends inside the last bar, so the end joins the start cleanly.
Buffer renderSong(const Song& s) {
    const double beat = 60.0 / s.bpm, bar = 4 * beat;
    const size_t total = static_cast<size_t>(std::lround(s.bars * bar * kRate));
    std::vector<double> mixBuf(total, 0.0);
    auto addNote = [&](double start, double len, double hz, double gain, int wave, double attack, double release) {
        const size_t i0 = static_cast<size_t>(start * kRate);
        const size_t n = static_cast<size_t>(len * kRate);
        double phase = 0;
        for (size_t i = 0; i < n && i0 + i < total; ++i) {
            const double t = static_cast<double>(i) / kRate;
            phase += hz * (1 + 0.003 * std::sin(2 * M_PI * 5.5 * t) * (wave == 2)) / kRate;
            double v;
            if (wave == 0) v = std::sin(2 * M_PI * phase) + 0.25 * std::sin(4 * M_PI * phase + 0.3);  // soft pad
            else if (wave == 1) v = std::sin(2 * M_PI * phase) + 0.5 * std::sin(4 * M_PI * phase) + 0.25 * std::sin(6 * M_PI * phase);  // bass
            else v = std::sin(2 * M_PI * phase) + 0.33 * std::sin(6 * M_PI * phase) + 0.2 * std::sin(10 * M_PI * phase);  // lead
            mixBuf[i0 + i] += gain * v * env(t, len, attack, release);
        }
    };
    Rng rng(s.seed);
    const std::vector<int> scale = {0, 2, 4, 5, 7, 9, 11};
    // Two four-bar lead phrases: A, A, B, A-like pattern over the song.
    std::vector<std::vector<std::pair<int, int>>> phrases(2);  // (eighth index in bar, scale step) per bar
    std::vector<std::vector<std::vector<std::pair<int, int>>>> phraseBars(2);
    for (int p = 0; p < 2; ++p) {
        for (int b = 0; b < 4; ++b) {
            std::vector<std::pair<int, int>> notes;
            int step = 7 + static_cast<int>(rng.next() % 5);
            for (int e = 0; e < 8; ++e) {
                if (rng.uniform() < (e % 2 == 0 ? 0.8 : 0.35)) {
                    step += static_cast<int>(rng.next() % 5) - 2;
                    step = std::clamp(step, 4, 14);
                    notes.push_back({e, step});
                }
            }
            phraseBars[p].push_back(notes);
        }
    }
    Rng noise(s.seed ^ 0xabcdef);
    for (int b = 0; b < s.bars; ++b) {
        const double t0 = b * bar;
        const std::vector<int>& chord = s.chords[b % s.chords.size()];
        const bool intro = b < 4, outro = b >= s.bars - 2;
        // Pad: the chord, released before the bar ends.
        for (int off : chord) addNote(t0, bar * 0.96, noteHz(s.root + 12 + off), 0.07, 0, 0.08, 0.25);
        // Bass: eighths on the chord root, octave jumps on the off-beats.
        for (int e = 0; e < 8; ++e)
            addNote(t0 + e * beat / 2, beat / 2 * 0.85, noteHz(s.root - 12 + chord[0] + (e % 2 ? 12 : 0)), 0.16, 1,
                    0.005, 0.05);
        // Lead from the phrase table (not in the intro).
        if (!intro && !outro) {
            const int p = ((b - 4) / 4) % 3 == 2 ? 1 : 0;
            for (auto [e, step] : phraseBars[p][b % 4]) {
                const int octave = step / 7, degree = scale[step % 7];
                int midi = s.root + 12 * octave + degree;
                addNote(t0 + e * beat / 2, beat * 0.45, noteHz(midi), 0.11, 2, 0.01, 0.08);
            }
        }
        // Drums.
        for (int q = 0; q < 4; ++q) {
            const double tq = t0 + q * beat;
            if (q % 2 == 0) {  // kick
                const size_t i0 = static_cast<size_t>(tq * kRate);
                double phase = 0;
                for (size_t i = 0; i < static_cast<size_t>(0.22 * kRate) && i0 + i < total; ++i) {
                    const double t = static_cast<double>(i) / kRate;
                    phase += (45 + 110 * std::exp(-t * 30)) / kRate;
                    mixBuf[i0 + i] += 0.5 * std::sin(2 * M_PI * phase) * std::exp(-t * 14) * std::min(1.0, t * 400);
                }
            } else if (!intro || b >= 2) {  // snare
                const size_t i0 = static_cast<size_t>(tq * kRate);
                LowPass lp(4000);
                for (size_t i = 0; i < static_cast<size_t>(0.16 * kRate) && i0 + i < total; ++i) {
                    const double t = static_cast<double>(i) / kRate;
                    mixBuf[i0 + i] += (0.22 * lp(noise.uniform() * 2 - 1) + 0.08 * std::sin(2 * M_PI * 190 * t)) *
                                      std::exp(-t * 22) * std::min(1.0, t * 500);
                }
            }
            for (int h = 0; h < 2; ++h) {  // hats on the eighths
                const size_t i0 = static_cast<size_t>((tq + h * beat / 2) * kRate);
                double prev = 0;
                for (size_t i = 0; i < static_cast<size_t>(0.05 * kRate) && i0 + i < total; ++i) {
                    const double t = static_cast<double>(i) / kRate;
                    const double w = noise.uniform() * 2 - 1;
                    mixBuf[i0 + i] += 0.06 * (w - prev) * std::exp(-t * 80) * std::min(1.0, t * 1000);
                    prev = w;
                }
            }
        }
    }
    Buffer out(total);
    for (size_t i = 0; i < total; ++i) out[i] = static_cast<float>(std::tanh(mixBuf[i] * 1.2) / 1.2);
    finish(out, 0.85, 0.003, 0.003);
    return out;
}

}  // namespace

bool writeSounds(const std::string& gameDir) {
    const std::string dir = gameDir + "/Sounds";
    bool ok = soundEffects(dir);
    const std::vector<Song> songs = {
        {"01 - Remember.mp3", "Remember", 124, 57, {{0, 3, 7}, {-4, 0, 3}, {-7, -3, 0}, {-2, 2, 5}}, 24, 11},
        {"02 - Skyline Run.mp3", "Skyline Run", 140, 60, {{0, 4, 7}, {-3, 0, 4}, {5, 9, 12}, {7, 11, 14}}, 28, 22},
        {"03 - Turquoise Drift.mp3", "Turquoise Drift", 112, 62, {{0, 4, 7}, {5, 9, 12}, {-3, 0, 4}, {7, 11, 14}}, 24, 33},
    };
    std::string playlist = "#EXTM3U\n";
    for (const Song& s : songs) {
        const Buffer b = renderSong(s);
        const int seconds = static_cast<int>(b.size() / kRate);
        ok &= save(dir + "/" + s.file, b, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
        playlist += "#EXTINF:" + std::to_string(seconds) + ",Lumivex - " + s.title + "\n" + s.file + "\n";
    }
    FILE* f = std::fopen((dir + "/playlist.m3u").c_str(), "wb");
    if (!f) return false;
    ok &= std::fwrite(playlist.data(), 1, playlist.size(), f) == playlist.size();
    ok &= std::fclose(f) == 0;
    return ok;
}

}  // namespace content
