/*
 * launch.h - what the launcher starts, and from which settings.
 *
 * The launcher reads two settings from the section [pelgrove] of config.ini
 * in its current working directory (not beside the executable: a shortcut's
 * "Start in" folder decides), joins them as  <jre> -jar <jar>  and starts
 * that command line. ComposeCommandLine is the whole of the first half and
 * is shared by everything that must agree with the launcher on what it
 * would start; WinMain (winmain.cpp) adds only the process start.
 */
#ifndef PELGROVE_LAUNCH_H
#define PELGROVE_LAUNCH_H

#define LAUNCH_CONFIG_FILE "config.ini"
#define LAUNCH_SECTION "pelgrove"
#define LAUNCH_RUNTIME_KEY "jre"
#define LAUNCH_ARCHIVE_KEY "jar"
#define LAUNCH_SEPARATOR " -jar "

enum {
    /* A value of at most 99 characters; a longer one is refused, not cut,
     * so a truncated path can never start some other program or archive. */
    LAUNCH_VALUE_SIZE = 100,
    /* Two values and the six-character separator: 99 + 6 + 99 = 204
     * characters and a terminator always fit. */
    LAUNCH_COMMAND_SIZE = 256
};

/*
 * Looks up jre, then jar, and writes  jre " -jar " jar  into commandLine
 * (LAUNCH_COMMAND_SIZE bytes) exactly as configured: nothing is quoted,
 * escaped or added, and an empty value contributes nothing. Returns 0, or
 * -1 when config.ini cannot be read, a setting is missing or too long;
 * when jre fails, jar is not looked up. On -1 commandLine is untouched.
 */
int
ComposeCommandLine(char *commandLine);

#endif /* PELGROVE_LAUNCH_H */
