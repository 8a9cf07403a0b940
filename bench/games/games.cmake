# The measuring games as snapshots, made at build time: pasmo assembles game.asm and
# libspectrum writes the snapshot (make_game_snapshot).
#   still.z80   a still picture and a beeper tone
#   sprite.z80  a sprite moving across the same picture every frame
set(TAVISK_GAMES_DIR ${CMAKE_BINARY_DIR}/games)
include_guard(GLOBAL)
find_program(PASMO pasmo REQUIRED)
file(MAKE_DIRECTORY ${TAVISK_GAMES_DIR})
add_executable(make_game_snapshot ${CMAKE_CURRENT_LIST_DIR}/make_game_snapshot.cpp)
target_link_libraries(make_game_snapshot PRIVATE PkgConfig::LIBSPECTRUM)
set(game_snapshots)
foreach(game still sprite)
  if(game STREQUAL "sprite")
    set(moving 1)
  else()
    set(moving 0)
  endif()
  add_custom_command(
    OUTPUT ${TAVISK_GAMES_DIR}/${game}.z80
    WORKING_DIRECTORY ${TAVISK_GAMES_DIR}
    COMMAND ${PASMO} --bin --equ MOVING=${moving} ${CMAKE_CURRENT_LIST_DIR}/game.asm ${game}.bin
    COMMAND make_game_snapshot ${game}.bin 0x8000 ${game}.z80
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/game.asm make_game_snapshot
    VERBATIM
    COMMENT "Making the ${game} game's snapshot")
  list(APPEND game_snapshots ${TAVISK_GAMES_DIR}/${game}.z80)
endforeach()
add_custom_target(game_snapshots ALL DEPENDS ${game_snapshots})
