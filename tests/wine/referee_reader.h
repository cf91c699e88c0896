/*
 * referee_reader.h - the launcher's own text-mode reader, for the referee.
 *
 * The reader's platform header declares its own few Win32 names and cannot
 * meet <windows.h>, so the reader is driven from this separate translation
 * unit and the referee sees only this plain interface.
 */
#ifndef PELGROVE_REFEREE_READER_H
#define PELGROVE_REFEREE_READER_H

typedef void (*PieceSink)(const char *piece, int length, void *context);

/*
 * Reads fileName with the launcher's reader into pieces of at most
 * size - 1 characters (NUL bytes included), handing each to sink in order.
 * Returns 0 at the end of the file, -1 when the file cannot be opened or a
 * read fails.
 */
int
ReadWithLauncherReader(const char *fileName, int size, PieceSink sink,
                       void *context);

#endif /* PELGROVE_REFEREE_READER_H */
