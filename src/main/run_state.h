// The state of the run: the answer at the latest prompt and the counters of games.
#pragma once

extern char mode;  // "t" traces, "s" plays silently without end, "l" quits
extern bool running;
extern double gamesPlayed;
extern double gamesWon;
extern double winPercentage;

constexpr char kTrace = 't';
constexpr char kSilentForever = 's';
constexpr char kQuit = 'l';
