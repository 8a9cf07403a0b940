# The tapes the tests and benchmarks load, made at build time by tools nobody here wrote:
# zmakebas for the BASIC loaders, pasmo for the code blocks, tapeconv for another format.
#   game.tap    BASIC loader, then a 113-byte CODE block at 32768 that runs the test game
#   game.tzx    the same through tapeconv
#   big.tap     BASIC loader, a loading screen and a 40,713-byte CODE block at 24576: a
#               full-size 48K game
include_guard(GLOBAL)
find_program(PASMO pasmo REQUIRED)
find_program(ZMAKEBAS zmakebas REQUIRED)
find_program(TAPECONV tapeconv REQUIRED)
set(TAVISK_TAPES_DIR ${CMAKE_BINARY_DIR}/tapes)
set(tapes_src ${CMAKE_SOURCE_DIR}/tests/tapes)
file(MAKE_DIRECTORY ${TAVISK_TAPES_DIR})
add_custom_command(
  OUTPUT ${TAVISK_TAPES_DIR}/game.tap ${TAVISK_TAPES_DIR}/game.tzx
  WORKING_DIRECTORY ${TAVISK_TAPES_DIR}
  COMMAND ${ZMAKEBAS} -a 10 -n game -o game_loader.tap ${tapes_src}/loader.bas
  COMMAND ${PASMO} --tap --equ BASE=32768 --equ PAD=0 ${tapes_src}/game.asm game_code.tap
  COMMAND ${CMAKE_COMMAND} -E cat game_loader.tap game_code.tap > game.tap
  COMMAND ${TAPECONV} game.tap game.tzx
  DEPENDS ${tapes_src}/loader.bas ${tapes_src}/game.asm
  COMMENT "Making the test game's tapes")
add_custom_command(
  OUTPUT ${TAVISK_TAPES_DIR}/big.tap
  WORKING_DIRECTORY ${TAVISK_TAPES_DIR}
  COMMAND ${ZMAKEBAS} -a 10 -n big -o big_loader.tap ${tapes_src}/big_loader.bas
  COMMAND ${PASMO} --tap ${tapes_src}/screen.asm big_screen.tap
  COMMAND ${PASMO} --tap --equ BASE=24576 --equ PAD=40600 ${tapes_src}/game.asm big_code.tap
  COMMAND ${CMAKE_COMMAND} -E cat big_loader.tap big_screen.tap big_code.tap > big.tap
  DEPENDS ${tapes_src}/big_loader.bas ${tapes_src}/screen.asm ${tapes_src}/game.asm
  COMMENT "Making the full-size test tape")
add_custom_target(test_tapes ALL DEPENDS ${TAVISK_TAPES_DIR}/game.tap ${TAVISK_TAPES_DIR}/game.tzx
                                         ${TAVISK_TAPES_DIR}/big.tap)
