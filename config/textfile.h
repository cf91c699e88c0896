/*
 * textfile.h - a buffered text-mode line reader over CreateFileA/ReadFile.
 *
 * The launcher carries no C runtime, so it cannot use fopen/fgets. This
 * reader stands in for them and keeps their text-mode behaviour exactly,
 * because configuration files written on Windows rely on it:
 *
 *   - a CR LF pair is delivered as one LF, also when the pair is split
 *     across two block reads; a CR on its own stays an ordinary character;
 *   - byte 0x1A (Ctrl-Z, the old DOS end-of-file mark) ends the file:
 *     nothing from it on is ever delivered;
 *   - ReadTextLine takes characters until it has taken an LF or has filled
 *     all but the last byte of the caller's buffer, like fgets; a NUL byte
 *     is taken like any other character, so it ends the text the caller
 *     sees while the rest of the piece is still consumed.
 *
 * The file is read in blocks of TEXT_BLOCK_SIZE bytes, not a system call per
 * byte. All state lives in the caller's TextFile; no heap, no globals.
 */
#ifndef PELGROVE_TEXTFILE_H
#define PELGROVE_TEXTFILE_H

#include "../platform/win32.h"

/* Big enough to make system calls rare, small enough that a lookup's whole
 * frame (three 500-byte line buffers and this reader) stays well under the
 * 4 KiB at which the Windows compiler would insert a stack probe. */
enum { TEXT_BLOCK_SIZE = 2048 };

struct TextFile {
    HANDLE file;
    DWORD next;  /* index of the next unread byte in block */
    DWORD end;   /* number of valid bytes in block */
    int status;  /* TEXT_OPEN, TEXT_ENDED or TEXT_FAILED; the last two stick */
    char block[TEXT_BLOCK_SIZE];
};

enum { TEXT_OPEN = 0, TEXT_ENDED = 1, TEXT_FAILED = 2 };

/*
 * Opens fileName for reading, sharing it with other readers and writers (a
 * file held open for writing by an editor can still be read). Returns 0, or
 * -1 when it cannot be opened; on -1 there is nothing to close.
 */
int
OpenTextFile(TextFile *text, const char *fileName);

/*
 * Reads the next piece of text into line (size bytes, at least 2): up to
 * size - 1 characters, stopping after the first LF, then a terminator.
 * Returns the number of characters taken, NUL bytes included (> 0); 0 at the
 * end of the file; -1 when a read failed, in which case line holds nothing
 * to use. A failed read is final: every later call returns -1 too.
 */
int
ReadTextLine(TextFile *text, char *line, int size);

/* Closes a file that OpenTextFile opened. */
void
CloseTextFile(TextFile *text);

#endif /* PELGROVE_TEXTFILE_H */
