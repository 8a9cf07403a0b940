// Where the test game (game.asm) leaves what it did, for the programs that run it and look.
#pragma once

#include <cstdint>

constexpr uint16_t kGameMark = 0xC000;   // MARK: its marker, copied there once it runs
constexpr uint16_t kGameCount = 0xC010;  // COUNT: its loops, 16 bits
constexpr uint16_t kGameSeen = 0xC012;   // SEEN: bit 0 P pressed, bit 1 L
constexpr char kGameMarker[] = "TAVISK TAPE GAME";
