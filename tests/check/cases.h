/*
 * cases.h - the folders pelgrove-check is tested on, one per trap plus
 * clean ones, shared by the host tests (check_test.cpp) and the Windows
 * verdict test run under Wine (verdict.cpp).
 *
 * Each case is a folder: config.ini (byte for byte) and the files beside
 * it. A file whose name ends in "child.exe" or "child app.exe" is a copy of
 * the Wine tests' child program on Windows (so the launcher really starts
 * something) and an empty file on the host; every other file is empty.
 * Names use "/" and become "\" on Windows.
 */
#ifndef PELGROVE_CHECK_CASES_H
#define PELGROVE_CHECK_CASES_H

#include <string>
#include <vector>

enum ConfigKind { CONFIG_FILE, NO_CONFIG, CONFIG_IS_FOLDER };

/* Which build of the checker says it. On the host a Windows path, or a bare
 * program name that is not in the folder, cannot be checked. */
enum Where { EVERYWHERE, HOST_ONLY, WINDOWS_ONLY };

struct Expect {
    Where where;
    std::string text; /* occurs in one output line; "warning: ..." texts
                         must account for every warning line, one each */
};

struct CheckCase {
    const char *name;
    ConfigKind kind;
    std::string config;
    std::vector<std::string> files;
    int status;              /* the checker's: 0 starts, 1 nothing */
    std::string commandLine; /* when status is 0 */
    std::vector<Expect> expect;
};

extern const std::vector<CheckCase> kCheckCases;

/* Is text, an output of the checker built for host (or Windows), what c
 * expects? Returns "" or what is wrong. */
std::string
CompareOutput(const CheckCase &c, const std::string &output, int status,
              bool onWindows);

/* The lines of text, without line ends (LF or CR LF). */
std::vector<std::string>
Lines(const std::string &text);

#endif /* PELGROVE_CHECK_CASES_H */
