// The decoder's work: a tape, an archive or a snapshot format the program does not read by
// its own rules, read with libspectrum and the archive libraries and handed back in a form
// the program reads safely. It runs in a process of its own whose limits bound it
// (decode_job.h): nothing here guards against a file that takes all memory or time.
#pragma once

// Decodes the file at path as its name says (file_kind.h) and writes the record of
// decode_result.h to fd from its start. 0, or the error number of writing it.
int decode_file(const char *path, int fd);
