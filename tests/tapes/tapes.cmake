# The tapes the tests and benchmarks load, made at build time by tools nobody here wrote:
# zmakebas for the BASIC loaders, pasmo for the code blocks, tapeconv for another format.
#   game.tap    BASIC loader, then a 113-byte CODE block at 32768 that runs the test game
#   game.tzx    the same through tapeconv
#   big.tap     BASIC loader, a loading screen and a 40,713-byte CODE block at 24576: a
#               full-size 48K game
#   turbo_game.tzx  BASIC loader and a CODE block with the tape tests' turbo loader, then
#               the test game with 16,000 bytes of padding in one turbo block (written by the
#               tape tests' make_test_tapes)
#   deck.tzx    the same loader with deck_boot.asm, which loads the loading screen of big.tap
#               from the turbo block after it at each key press
# Every includer gets the folder; the rules are made once.
set(TAVISK_TAPES_DIR ${CMAKE_BINARY_DIR}/tapes)
include_guard(GLOBAL)
find_program(PASMO pasmo REQUIRED)
find_program(ZMAKEBAS zmakebas REQUIRED)
find_program(TAPECONV tapeconv REQUIRED)
set(tapes_src ${CMAKE_SOURCE_DIR}/tests/tapes)
file(MAKE_DIRECTORY ${TAVISK_TAPES_DIR})
add_custom_command(
  OUTPUT ${TAVISK_TAPES_DIR}/game.tap ${TAVISK_TAPES_DIR}/game.tzx
  WORKING_DIRECTORY ${TAVISK_TAPES_DIR}
  COMMAND ${ZMAKEBAS} -a 10 -n game -o game_loader.tap ${tapes_src}/loader.bas
  COMMAND ${PASMO} --tap --equ BASE=32768 --equ PAD=0 ${tapes_src}/game.asm game_code.tap
  COMMAND sh -c "cat game_loader.tap game_code.tap > game.tap"
  COMMAND ${TAPECONV} game.tap game.tzx
  DEPENDS ${tapes_src}/loader.bas ${tapes_src}/game.asm
  VERBATIM
  COMMENT "Making the test game's tapes")
add_custom_command(
  OUTPUT ${TAVISK_TAPES_DIR}/big.tap
  WORKING_DIRECTORY ${TAVISK_TAPES_DIR}
  COMMAND ${ZMAKEBAS} -a 10 -n big -o big_loader.tap ${tapes_src}/big_loader.bas
  COMMAND ${PASMO} --tap ${tapes_src}/screen.asm big_screen.tap
  COMMAND ${PASMO} --tap --equ BASE=24576 --equ PAD=40600 ${tapes_src}/game.asm big_code.tap
  COMMAND sh -c "cat big_loader.tap big_screen.tap big_code.tap > big.tap"
  DEPENDS ${tapes_src}/big_loader.bas ${tapes_src}/screen.asm ${tapes_src}/game.asm
  VERBATIM
  COMMENT "Making the full-size test tape")
if(NOT TARGET make_test_tapes)
  add_executable(make_test_tapes ${CMAKE_SOURCE_DIR}/tests/tape/make_test_tapes.cpp)
  target_link_libraries(make_test_tapes PRIVATE PkgConfig::LIBSPECTRUM)
  target_include_directories(make_test_tapes PRIVATE ${CMAKE_SOURCE_DIR})
endif()
add_custom_command(
  OUTPUT ${TAVISK_TAPES_DIR}/turbo_game.tzx
  WORKING_DIRECTORY ${TAVISK_TAPES_DIR}
  COMMAND ${PASMO} --bin ${CMAKE_SOURCE_DIR}/tests/tape/turbo_loader.asm turbo_loader.bin
  COMMAND ${PASMO} --bin --equ BASE=32768 --equ PAD=16000 ${tapes_src}/game.asm turbo_game.bin
  COMMAND ${ZMAKEBAS} -a 10 -n turbo -o turbo_loader.tap ${tapes_src}/turbo_loader.bas
  COMMAND sh -c "${PASMO} --tap --equ LEN=$(stat -c %s turbo_game.bin) ${tapes_src}/turbo_boot.asm turbo_boot.tap"
  COMMAND sh -c "cat turbo_loader.tap turbo_boot.tap > turbo_blocks.tap"
  COMMAND make_test_tapes --game turbo_blocks.tap turbo_game.bin turbo_game.tzx
  DEPENDS ${tapes_src}/game.asm ${tapes_src}/turbo_boot.asm ${tapes_src}/turbo_loader.bas
          ${CMAKE_SOURCE_DIR}/tests/tape/turbo_loader.asm make_test_tapes
  VERBATIM
  COMMENT "Making the turbo test game's tape")
add_custom_command(
  OUTPUT ${TAVISK_TAPES_DIR}/deck.tzx
  WORKING_DIRECTORY ${TAVISK_TAPES_DIR}
  COMMAND ${PASMO} --bin ${tapes_src}/screen.asm deck_screen.bin
  COMMAND ${ZMAKEBAS} -a 10 -n deck -o deck_loader.tap ${tapes_src}/turbo_loader.bas
  COMMAND sh -c "${PASMO} --tap --equ LEN=$(stat -c %s deck_screen.bin) ${tapes_src}/deck_boot.asm deck_boot.tap"
  COMMAND sh -c "cat deck_loader.tap deck_boot.tap > deck_blocks.tap"
  COMMAND make_test_tapes --game deck_blocks.tap deck_screen.bin deck.tzx
  # turbo_loader.bin comes from the turbo game's rule, made first.
  DEPENDS ${tapes_src}/screen.asm ${tapes_src}/deck_boot.asm ${tapes_src}/turbo_loader.bas
          ${TAVISK_TAPES_DIR}/turbo_game.tzx make_test_tapes
  VERBATIM
  COMMENT "Making the deck test's tape")
add_custom_target(test_tapes ALL DEPENDS ${TAVISK_TAPES_DIR}/game.tap ${TAVISK_TAPES_DIR}/game.tzx
                                         ${TAVISK_TAPES_DIR}/big.tap
                                         ${TAVISK_TAPES_DIR}/turbo_game.tzx
                                         ${TAVISK_TAPES_DIR}/deck.tzx)
