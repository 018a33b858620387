// Sound layer costs: starting a cached effect, memory held by a playing music stream, and the
// CPU the layer uses while music plays. Run from build/game:
//   ALSOFT_DRIVERS=null ../bench/bench_sound_bench
// Each figure has a baseline measured in the same run (raw OpenAL calls, a fully decoded
// title, an idle system).
#include <AL/al.h>
#include <AL/alc.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/Audio.h"

namespace {

std::string benchDir() {
    static std::string dir = [] {
        char pattern[] = "/tmp/lumivex-soundbench-XXXXXX";
        if (!mkdtemp(pattern)) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        return std::string(pattern);
    }();
    return dir;
}

// A mono 16-bit 44.1 kHz sine of the given length, written once per run.
std::string toneFile(double seconds) {
    const std::string path = benchDir() + "/tone-" + std::to_string(static_cast<int>(seconds * 1000)) + ".wav";
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return path;
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<short> block(44100);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<short>(12000 * std::sin(2 * M_PI * 440 * i / 44100.0));
    for (double done = 0; done < seconds; done += 1.0) {
        const sf_count_t n = static_cast<sf_count_t>(std::min(1.0, seconds - done) * 44100);
        sf_writef_short(f, block.data(), n);
    }
    sf_close(f);
    return path;
}

audio::System* openSystem() {
    audio::System* system = nullptr;
    if (audio::System::create(&system) != audio::OK || system->init(32, 0, nullptr) != audio::OK) {
        std::fprintf(stderr, "no sound device\n");
        std::exit(2);
    }
    return system;
}

size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

double processCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// --- starting a cached effect ---------------------------------------------------------------

void BM_PlaySoundCachedEffect(benchmark::State& state) {
    audio::System* system = openSystem();
    audio::Sound* fire = nullptr;
    system->createSound(toneFile(0.5).c_str(), audio::HARDWARE, nullptr, &fire);
    audio::Channel* effects = nullptr;
    for (auto _ : state) {
        const int result = system->playSound(audio::CHANNEL_REUSE, fire, false, &effects);
        benchmark::DoNotOptimize(result);
    }
    system->release();
}
BENCHMARK(BM_PlaySoundCachedEffect)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// Baseline: the bare OpenAL calls any restart of a buffer on a source needs.
void BM_Baseline_RawOpenALRestart(benchmark::State& state) {
    ALCdevice* device = alcOpenDevice(nullptr);
    ALCcontext* context = alcCreateContext(device, nullptr);
    alcMakeContextCurrent(context);
    SF_INFO info{};
    SNDFILE* f = sf_open(toneFile(0.5).c_str(), SFM_READ, &info);
    std::vector<short> data(static_cast<size_t>(info.frames));
    sf_readf_short(f, data.data(), info.frames);
    sf_close(f);
    ALuint buffer = 0, source = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, data.data(), static_cast<ALsizei>(data.size() * 2), 44100);
    alGenSources(1, &source);
    for (auto _ : state) {
        alSourceStop(source);
        alSourcei(source, AL_BUFFER, 0);
        alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
        alSourcePlay(source);
    }
    alSourceStop(source);
    alDeleteSources(1, &source);
    alDeleteBuffers(1, &buffer);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
}
BENCHMARK(BM_Baseline_RawOpenALRestart)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// For contrast: what createSound pays once (decoding a 0.5 s effect).
void BM_CreateSoundDecodesOnce(benchmark::State& state) {
    audio::System* system = openSystem();
    const std::string path = toneFile(0.5);
    for (auto _ : state) {
        audio::Sound* s = nullptr;
        system->createSound(path.c_str(), audio::HARDWARE, nullptr, &s);
        s->release();
    }
    system->release();
}
BENCHMARK(BM_CreateSoundDecodesOnce)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// --- memory held by a playing title ---------------------------------------------------------

// Heap held by one title while it plays (counter heap_kB), opened as a stream or, as the
// baseline, fully decoded as an effect. Argument: title length in seconds; mode 0 stream, 1 effect.
void BM_HeapHeldWhilePlaying(benchmark::State& state) {
    const double seconds = static_cast<double>(state.range(0));
    const bool asEffect = state.range(1) == 1;
    const std::string path = toneFile(seconds);
    audio::System* system = openSystem();
    double heldKb = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        audio::Sound* s = nullptr;
        if (asEffect)
            system->createSound(path.c_str(), audio::HARDWARE, nullptr, &s);
        else
            system->createStream(path.c_str(), audio::DEFAULT, nullptr, &s);
        audio::Channel* ch = nullptr;
        system->playSound(audio::CHANNEL_FREE, s, false, &ch);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the feeder cycle buffers
        heldKb = (static_cast<double>(heapInUse()) - static_cast<double>(before)) / 1024.0;
        s->release();
    }
    state.counters["heap_kB"] = heldKb;
    system->release();
}
BENCHMARK(BM_HeapHeldWhilePlaying)
    ->Args({10, 0})
    ->Args({120, 0})
    ->Args({10, 1})
    ->Args({120, 1})
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// --- CPU while music plays ------------------------------------------------------------------

// Process CPU time per wall-clock second (counter cpu_fraction, 1.0 = one core) over 2 s,
// with music streaming (arg 1) or, as the baseline, with the same system idle (arg 0).
void BM_CpuWhileMusicPlays(benchmark::State& state) {
    const bool withMusic = state.range(0) == 1;
    audio::System* system = openSystem();
    audio::Sound* music = nullptr;
    system->createStream(toneFile(10).c_str(), audio::DEFAULT, nullptr, &music);
    double fraction = 0;
    for (auto _ : state) {
        audio::Channel* ch = nullptr;
        if (withMusic) system->playSound(audio::CHANNEL_FREE, music, false, &ch);
        const double cpu0 = processCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        fraction = (processCpuSeconds() - cpu0) / wall;
        if (ch) ch->stop();
    }
    state.counters["cpu_fraction"] = fraction;
    system->release();
}
BENCHMARK(BM_CpuWhileMusicPlays)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Only the files this run wrote, then its own folder.
    for (double seconds : {0.5, 10.0, 120.0}) std::remove(toneFile(seconds).c_str());
    return rmdir(benchDir().c_str()) == 0 ? 0 : 1;
}
