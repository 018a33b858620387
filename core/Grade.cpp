#include "core/Grade.h"

#include "core/GameConfig.h"

namespace {

struct GradeRow {
    Grade grade;
    const char* name;
    const char* key;
    float startSpeed, acceleration, maxSpeed, steerRate;
    int spawnPressureStart;
    float spawnPressureGrowth;  // per simulated ms
};

// Every grade's numbers, gentle to hard; Normal's are the game's own (GameConfig, FlightRules).
// Relaxed: three quarters of the speed, half its growth, and the field fills at 0.4 of the rate
// (World adds the growth per 5 ms step in whole numbers: 2 instead of 5). Arcade: a quarter
// faster, twice the growth, a busier field from the start and filling twice as fast.
constexpr GradeRow kGrades[] = {
    // grade         name       key        start     accel  max    steer   spawn  growth
    {Grade::Relaxed, "Relaxed", "relaxed", 0.00375f, 5e-8f, 0.06f, 0.003f, 5000, 0.4f},
    {Grade::Normal,  "Normal",  "normal",  0.005f,   1e-7f, 0.08f, 0.003f, 5000, 1.0f},
    {Grade::Arcade,  "Arcade",  "arcade",  0.00625f, 2e-7f, 0.1f,  0.003f, 7500, 2.0f},
};
constexpr int kCount = sizeof kGrades / sizeof kGrades[0];

int indexOf(Grade grade) {
    for (int i = 0; i < kCount; ++i)
        if (kGrades[i].grade == grade) return i;
    return 1;
}

const GradeRow& rowOf(Grade grade) { return kGrades[indexOf(grade)]; }

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

const char* gradeName(Grade grade) { return rowOf(grade).name; }
const char* gradeKey(Grade grade) { return rowOf(grade).key; }

bool parseGrade(const std::string& text, Grade* out) {
    for (const GradeRow& row : kGrades)
        if (lower(text) == row.key) {
            *out = row.grade;
            return true;
        }
    return false;
}

bool gradeFromByte(uint8_t byte, Grade* out) {
    for (const GradeRow& row : kGrades)
        if (static_cast<uint8_t>(row.grade) == byte) {
            *out = row.grade;
            return true;
        }
    return false;
}

Grade nextGrade(Grade grade, int direction) {
    const int step = direction < 0 ? kCount - 1 : 1;
    return kGrades[(indexOf(grade) + step) % kCount].grade;
}

FlightRules flightRules(const GameConfig& config, Grade grade) {
    FlightRules rules = flightRules(config);
    const GradeRow& row = rowOf(grade);
    rules.startSpeed = row.startSpeed;
    rules.acceleration = row.acceleration;
    rules.maxSpeed = row.maxSpeed;
    rules.steerRate = row.steerRate;
    rules.spawnPressureStart = row.spawnPressureStart;
    rules.spawnPressureGrowth = row.spawnPressureGrowth;
    return rules;
}

std::string gradeFile(const std::string& normalFile, Grade grade) {
    if (grade == Grade::Normal) return normalFile;
    const std::string::size_type slash = normalFile.rfind('/');
    const std::string::size_type dot = normalFile.rfind('.');
    const std::string::size_type at = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? normalFile.size() : dot;
    return normalFile.substr(0, at) + "-" + gradeKey(grade) + normalFile.substr(at);
}
