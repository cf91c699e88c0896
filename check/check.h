/*
 * check.h - pelgrove-check: what the launcher will do in a folder, and why.
 *
 * The launcher is silent by design; this companion explains it offline. It
 * reads the folder's config.ini with the launcher's own code (GetIniValue
 * for the values, ComposeCommandLine for the verdict and the command line),
 * so the two cannot disagree, and writes one finding per line:
 *
 *   config: <path> (opened)              or (cannot be opened: <reason>)
 *   section: [pelgrove] at line N        or section: [pelgrove] not found
 *   jre = "<value>"                      or jre = missing
 *   jar = "<value>"                      or jar = missing
 *   command line: <command line>         only when one would be started
 *   result: starts a process (exit status 0)
 *                                        or result: starts nothing (exit status -1)
 *   warning: line N: <what is wrong and what to write instead>
 *   warning: <the same, about the whole file or folder>
 *
 * Values are shown in the visible form of report.h. The command line is
 * written byte for byte as the launcher passes it: everything between
 * "command line: " and the end of that output line. Line numbers are
 * physical lines (see scan.h).
 */
#ifndef PELGROVE_CHECK_CHECK_H
#define PELGROVE_CHECK_CHECK_H

#include <stdio.h>

enum {
    CHECK_STARTS = 0,  /* the launcher would start a process */
    CHECK_NOTHING = 1, /* the launcher would start nothing (its -1) */
    CHECK_USAGE = 2    /* bad arguments, or a folder that cannot be entered */
};

/*
 * Examines folder (0: the current directory) and writes the findings to
 * out; problems with the folder itself go to errors. The current directory
 * is changed to folder for the examination, because the launcher's code
 * reads config.ini from there, and changed back before returning. Returns
 * CHECK_STARTS, CHECK_NOTHING or CHECK_USAGE.
 */
int
CheckFolder(FILE *out, FILE *errors, const char *folder);

#endif /* PELGROVE_CHECK_CHECK_H */
