/*
 * main.cpp - the pelgrove-check command: arguments, help, exit status.
 *
 * Everything it reports is CheckFolder's (check.h); this file only reads
 * the command line.
 *
 * Must never: write to standard output anything but the findings or the
 * help (scripts read it line by line); complaints go to standard error.
 */
#include <stdio.h>
#include <string.h>

#include "check.h"

static const char kHelp[] =
    "usage: pelgrove-check [FOLDER]\n"
    "\n"
    "Explains what the launcher will do when it is started with FOLDER as\n"
    "its working directory (default: the current directory): which\n"
    "config.ini it reads, the section and the jre and jar values it finds,\n"
    "the exact command line it starts, and every trap in the file, with its\n"
    "line number. It reads config.ini with the launcher's own code, so the\n"
    "two always agree. Nothing is started and nothing is written.\n"
    "\n"
    "Output, one finding per line:\n"
    "  config: PATH (opened)              or (cannot be opened: REASON)\n"
    "  section: [pelgrove] at line N      or not found\n"
    "  jre = \"VALUE\"                      or jre = missing\n"
    "  jar = \"VALUE\"                      or jar = missing\n"
    "  command line: COMMAND LINE         byte for byte; only when one starts\n"
    "  result: starts a process (exit status 0)\n"
    "          or: starts nothing (exit status -1)\n"
    "  warning: line N: WHAT IS WRONG; WHAT TO WRITE INSTEAD\n"
    "Invisible and non-ASCII bytes in values are shown as <TAB>, <CR> or hex\n"
    "in angle brackets (<1A>, <C3>); \"<\" itself as <3C>. Line N is the line\n"
    "as an editor counts it; a line longer than 499 characters is read in\n"
    "pieces, and its warning says what each piece holds.\n"
    "\n"
    "Exit status:\n"
    "  0  the launcher would start a process (its own exit status 0)\n"
    "  1  the launcher would start nothing (its exit status -1)\n"
    "  2  usage error: bad arguments, or FOLDER cannot be entered\n";

int
main(int argc, char **argv)
{
    const char *folder = 0;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0 ||
            strcmp(arg, "/?") == 0) {
            fputs(kHelp, stdout);
            return CHECK_STARTS;
        }
        if (arg[0] == '-' && arg[1] != '\0') {
            fprintf(stderr, "pelgrove-check: unknown option \"%s\"; try "
                    "--help\n", arg);
            return CHECK_USAGE;
        }
        if (folder != 0) {
            fprintf(stderr, "pelgrove-check: one folder at most; try --help\n");
            return CHECK_USAGE;
        }
        folder = arg;
    }
    return CheckFolder(stdout, stderr, folder);
}
