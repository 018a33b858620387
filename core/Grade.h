#pragma once
// The difficulty grades. Normal is the game as it always was; Relaxed is slower and calmer, to
// learn on; Arcade is faster and busier. A grade changes only the speeds and the spawn
// pressure of a flight, and keeps a table (and a best replay) of its own.
#include <cstdint>
#include <string>

#include "core/FlightRules.h"

class GameConfig;

// The values are what a replay's header stores: 0 is Normal, as in every replay recorded
// before there were grades.
enum class Grade : uint8_t { Normal = 0, Relaxed = 1, Arcade = 2 };

// "Relaxed", "Normal", "Arcade": what the screens show.
const char* gradeName(Grade grade);
// "relaxed", "normal", "arcade": what settings.ini and the file names say.
const char* gradeKey(Grade grade);
// A key as gradeKey gives it, in any case; false for anything else.
bool parseGrade(const std::string& text, Grade* out);
// A replay header's byte; false for a grade this game does not know.
bool gradeFromByte(uint8_t byte, Grade* out);
// The neighbour from gentle to hard (direction +1) or back (-1), round the three.
Grade nextGrade(Grade grade, int direction);

// The rules a player's flight of this grade is flown by.
FlightRules flightRules(const GameConfig& config, Grade grade);

// A grade's file beside Normal's: Normal keeps the name as it is, the others add their key
// before the extension ("highscore.txt" -> "highscore-arcade.txt").
std::string gradeFile(const std::string& normalFile, Grade grade);
