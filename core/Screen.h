#pragma once

// The screen being shown.
enum GameScreen { Title = 0, Playing = 1, Highscore = 2, Credits = 3, EnterName = 4, SettingsScreen = 5, ReplaysScreen = 6,
                  StatisticsScreen = 7 };
