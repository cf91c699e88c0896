/*
 * fake_platform.h - a test platform layer behind win32.h.
 *
 * Defines CreateFileA, ReadFile, CloseHandle and CreateProcessA over
 * in-memory files, so the code that ships runs unchanged in host tests. It
 * can show what real files cannot: short reads that split a CR LF pair,
 * the Nth read failing, handles left open, and every argument of a process
 * start.
 *
 * With the environment variable PELGROVE_FIXTURE_DIR set, every file a test
 * adds is also saved in that folder, named by a hash of its bytes: that is
 * how the fuzzers' seed corpus is made from exactly the tests' fixtures.
 */
#ifndef PELGROVE_FAKE_PLATFORM_H
#define PELGROVE_FAKE_PLATFORM_H

#include <string>
#include <vector>

#include "../../platform/win32.h"

struct FakeOpen {
    std::string name;
    DWORD access;
    DWORD share;
    DWORD disposition;
};

struct FakeProcessStart {
    bool applicationNameNull;
    std::string commandLine;
    bool processAttributesNull;
    bool threadAttributesNull;
    BOOL inheritHandles;
    DWORD creationFlags;
    bool environmentNull;
    bool currentDirectoryNull;
    STARTUPINFOA startup;
    bool processInformationGiven;
};

namespace fake {

/* Forgets every file, counter, fault and recorded call. */
void Reset();

/* Makes name openable with the given bytes. */
void AddFile(const std::string &name, const std::string &bytes);

/* Each ReadFile delivers at most this many bytes (0: as many as asked). */
void SetReadLimit(DWORD bytes);

/* ReadFile calls deliver at most sizes[0], sizes[1], ... bytes in turn,
 * starting over after the last (a 0 there: as many as asked), on top of any
 * SetReadLimit. An empty list turns this off. */
void SetReadSizes(const std::vector<DWORD> &sizes);

/* The nth ReadFile from now (1-based) fails, and every one after it. */
void FailReadAt(int nth);

/* Makes CreateProcessA report failure (the launcher must not care). */
void FailProcessStart();

extern std::vector<FakeOpen> opens;       /* every CreateFileA, in order */
extern int closes;                        /* CloseHandle calls */
extern int openHandles;                   /* opened and not yet closed */
extern int reads;                         /* ReadFile calls */
extern std::vector<FakeProcessStart> starts;

} /* namespace fake */

#endif /* PELGROVE_FAKE_PLATFORM_H */
