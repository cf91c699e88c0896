/*
 * report.h - building pelgrove-check's output: growing texts, the visible
 * form of configured values, and the list of warnings.
 *
 * Values are shown byte for byte except where a byte could be misread: an
 * invisible or non-ASCII byte is written as <TAB>, <CR> or two hex digits
 * in angle brackets (<1A>, <C3>), and "<" itself as <3C>, so an angle
 * bracket in the output always starts such a mark. Backslashes are left
 * alone: they are what Windows paths are made of.
 */
#ifndef PELGROVE_CHECK_REPORT_H
#define PELGROVE_CHECK_REPORT_H

/* A text that grows as it is written; start it as {} and free it. */
struct Text {
    char *bytes;
    int length;
    int capacity;
};

/* Appends printf-style text. */
void
AddText(Text *text, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

/* Appends count bytes of value in the visible form described above. */
void
AddVisible(Text *text, const char *value, int count);

/* The text so far, "" when nothing was written. */
const char *
TextOf(const Text *text);

void
FreeText(Text *text);

/* One warning: the physical line it is about (0 for the whole file or
 * folder) and its text, without the "warning: line N: " in front. */
struct Finding {
    int line;
    char *text;
};

struct Findings {
    Finding *items;
    int count;
    int capacity;
};

/* Adds a warning and takes over text's bytes, leaving text empty. */
void
AddFinding(Findings *findings, int line, Text *text);

/* Orders the warnings by line, keeping the order of those on one line;
 * warnings about the whole file or folder come last. */
void
SortFindings(Findings *findings);

void
FreeFindings(Findings *findings);

#endif /* PELGROVE_CHECK_REPORT_H */
