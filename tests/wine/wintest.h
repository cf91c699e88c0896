/*
 * wintest.h - what the Windows-side test programs share.
 *
 * The harness, the text-mode referee and pelgrove-check's verdict test all
 * run under Wine with the C runtime: they make folders and files, read back
 * what a child recorded, and start the launcher in a job object so that
 * every process it starts is counted and waited for.
 */
#ifndef PELGROVE_WINTEST_H
#define PELGROVE_WINTEST_H

#include <windows.h>

#include <functional>
#include <string>

std::string
Join(const std::string &folder, const std::string &name);

/* Unix paths work too: Wine resolves them on the current drive. */
std::string
FullPath(const std::string &path);

bool
WriteBytes(const std::string &path, const std::string &bytes);

bool
ReadBytes(const std::string &path, std::string *bytes);

/* The value of "name=" in a child's record (child.cpp), or "(missing)". */
std::string
Field(const std::string &record, const std::string &name);

bool
SameIgnoringCase(const std::string &a, const std::string &b);

struct Launched {
    DWORD exitCode;  /* all 32 bits: a Unix parent sees only the low 8 */
    DWORD processes; /* started in the job, the launcher included */
    std::string failure;
};

/*
 * Starts program, with arguments after its quoted name, in folder and in a
 * job object, and waits until it and everything it started have exited.
 * show, unless -1, is the show request the program is started with. If
 * debugger is given, the program is started as its debuggee and debugger
 * runs its debug loop; a failure it returns ends the program.
 */
Launched
RunInJob(const std::string &program, const std::string &arguments,
         const std::string &folder, int show,
         const std::function<std::string(const PROCESS_INFORMATION &)>
             &debugger = nullptr);

/* xorshift64*: the same files on every machine, unlike rand(). */
class Random {
  public:
    explicit Random(unsigned long long seed) : state_(seed) {}

    unsigned
    Below(unsigned below)
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return (unsigned)((state_ * 2685821657736338717ull) >> 33) % below;
    }

  private:
    unsigned long long state_;
};

#endif /* PELGROVE_WINTEST_H */
