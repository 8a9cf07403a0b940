// tavisk-decode <file>: decodes one file for the program, which starts it with its limits
// set, and writes the record of decode_result.h to standard output, a file the program made.
#include "decode/file_decoder.h"

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    return decode_file(argv[1], 1) == 0 ? 0 : 1;
}
