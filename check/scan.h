/*
 * scan.h - walking config.ini exactly as the launcher reads it, to say
 * where things are and which lines are traps.
 *
 * The launcher's verdict itself comes from the shared ComposeCommandLine
 * and its values from the shared GetIniValue (see check.cpp); this walk
 * uses the same text reader (config/textfile.h) piece by piece and follows
 * the same rules as the lookup, only to attach line numbers and to find
 * the lines that were meant as the header or an entry and are not.
 *
 * Line numbers are physical lines: line N starts after the (N-1)th line
 * feed, as an editor counts them. A line longer than 499 characters reaches
 * the launcher as several pieces, each examined on its own; a warning about
 * such a line says which piece holds what.
 */
#ifndef PELGROVE_CHECK_SCAN_H
#define PELGROVE_CHECK_SCAN_H

#include "report.h"

enum { SCAN_RUNTIME = 0, SCAN_ARCHIVE = 1, SCAN_KEYS = 2 };

/* Where the entry the launcher uses for one key is. */
struct KeyPlace {
    const char *key;
    int line;  /* 0: the launcher finds no such entry */
    int piece; /* 1 unless the line is longer than 499 characters */
};

struct Scan {
    int opened;       /* config.ini could be opened for reading */
    int readFailed;   /* a read failed partway; the launcher gives up too */
    char reason[256]; /* why it could not be opened or read */
    int headerLine;   /* first line the launcher takes as the header, or 0 */
    int utf8Mark;     /* the file starts with a UTF-8 byte-order mark */
    KeyPlace keys[SCAN_KEYS]; /* jre, then jar */
};

/*
 * Reads config.ini in the current directory, fills scan and adds a warning
 * to findings for every trap that sits on a particular line: look-alike
 * headers, near misses for a key that is missing, a second entry for a
 * key, long lines, a Ctrl-Z with text after it, NUL bytes and lone CRs.
 * Warnings about the values themselves are check.cpp's.
 */
void
ScanConfig(Scan *scan, Findings *findings);

#endif /* PELGROVE_CHECK_SCAN_H */
