/*
 * verdict.cpp - pelgrove-check.exe against what pelgrove.exe really does.
 *
 *   verdict.exe CHECK LAUNCHER CHILD WORKDIR
 *
 * For every folder of the shared table (cases.cpp) it makes WORKDIR\<case>,
 * then
 *   - runs CHECK in that folder, as a user would, capturing its output and
 *     exit status, and holds them to the table's expectations for Windows;
 *   - runs CHECK from WORKDIR with the folder as its argument: the verdict
 *     must be the same, with a reminder about the working directory added;
 *   - starts LAUNCHER in the folder, in a job object so that every process
 *     it starts is counted and waited for, and reads its full exit code and
 *     the record of the child it started (CHILD, see tests/wine/child.cpp).
 * The check's verdict must be the launcher's: exit status 0 exactly when
 * the launcher exits 0, and 1 exactly when it exits -1; a child runs
 * exactly when the check says a process starts and does not warn "no
 * program starts"; and the child's command line is the check's
 * "command line:" byte for byte.
 *
 * One rewrite is accounted for, by name: given an unquoted command line
 * whose program was found at a prefix containing a space, Wine hands the
 * child that prefix in quotes ("with space\child" app.exe ...), where
 * Windows hands on the line as it was. Only under Wine, and only then, the
 * expected child command line is rewritten the same way.
 *
 * Prints "ok" or "not ok" per folder; exits with the number that failed.
 */
#include <windows.h>

#include <stdio.h>

#include <string>

#include "../wine/wintest.h"
#include "cases.h"

namespace {

void
RemoveTree(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(Join(path, "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string inside = Join(path, name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(inside);
            else
                DeleteFileA(inside.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool
UnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr &&
           GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

/* Lays the folder out as the case says. */
std::string
MakeFolder(const CheckCase &c, const std::string &folder,
           const std::string &child)
{
    RemoveTree(folder);
    if (!CreateDirectoryA(folder.c_str(), nullptr))
        return "cannot make the folder";
    if (c.kind == CONFIG_FILE &&
        !WriteBytes(Join(folder, "config.ini"), c.config))
        return "cannot write config.ini";
    if (c.kind == CONFIG_IS_FOLDER)
        CreateDirectoryA(Join(folder, "config.ini").c_str(), nullptr);
    for (std::string file : c.files) {
        for (char &ch : file)
            if (ch == '/')
                ch = '\\';
        size_t slash = file.rfind('\\');
        if (slash != std::string::npos)
            CreateDirectoryA(Join(folder, file.substr(0, slash)).c_str(),
                             nullptr);
        std::string path = Join(folder, file);
        bool isChild = file.size() >= 9 &&
                       (file.compare(file.size() - 9, 9, "child.exe") == 0 ||
                        file.compare(file.size() - 9, 9, "d app.exe") == 0);
        bool ok = isChild ? CopyFileA(child.c_str(), path.c_str(), FALSE) != 0
                          : WriteBytes(path, "");
        if (!ok)
            return "cannot make " + file;
    }
    return "";
}

struct Checked {
    DWORD status;
    std::string output;
    std::string failure;
};

/* Runs the check in directory with its output on a pipe. */
Checked
RunCheck(const std::string &check, const std::string &arguments,
         const std::string &directory)
{
    Checked out = {0, "", ""};
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        out.failure = "cannot make a pipe";
        return out;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string commandLine = "\"" + check + "\"" + arguments;
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(check.c_str(), &commandLine[0], nullptr,
                                  nullptr, TRUE, 0, nullptr, directory.c_str(),
                                  &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        out.failure = "cannot start the check";
        return out;
    }
    char block[4096];
    DWORD got;
    while (ReadFile(readEnd, block, sizeof block, &got, nullptr) && got > 0)
        out.output.append(block, got);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &out.status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return out;
}

std::string
CommandLineOf(const std::string &output)
{
    const std::string prefix = "command line: ";
    for (const std::string &line : Lines(output))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return line.substr(prefix.size());
    return "";
}

bool
HasExtension(const std::string &name)
{
    size_t dot = name.rfind('.');
    return dot != std::string::npos &&
           name.find_first_of("\\/:", dot) == std::string::npos;
}

/*
 * The command line the child must have been given, from the one the check
 * reports and the program that ran (module). Under Wine an unquoted
 * program found at a prefix with a space arrives quoted; see the top.
 */
std::string
ExpectedChildCommand(const std::string &commandLine, const std::string &module,
                     const std::string &folder, bool wine,
                     const std::string &checkOutput, std::string *failure)
{
    if (!wine || commandLine.empty() || commandLine[0] == '"')
        return commandLine;
    for (size_t at = 0; at <= commandLine.size(); at++) {
        if (at < commandLine.size() && commandLine[at] != ' ' &&
            commandLine[at] != '\t')
            continue;
        std::string prefix = commandLine.substr(0, at);
        std::string name = HasExtension(prefix) ? prefix : prefix + ".exe";
        if (lstrcmpiA(FullPath(Join(folder, name)).c_str(), module.c_str()) != 0)
            continue;
        if (prefix.find(' ') == std::string::npos)
            return commandLine;
        /* The check must have named this one as the program that starts. */
        std::string named = "\"" + name + "\" (found: this one starts)";
        if (checkOutput.find(named) == std::string::npos)
            *failure = "the check does not name [" + name + "] as started";
        return "\"" + prefix + "\"" + commandLine.substr(at);
    }
    return commandLine;
}

std::string
Check(const std::string &check, const std::string &launcher,
      const std::string &child, const std::string &work, const CheckCase &c,
      bool wine)
{
    std::string folder = Join(work, c.name);
    std::string failure = MakeFolder(c, folder, child);
    if (!failure.empty())
        return failure;

    Checked inside = RunCheck(check, "", folder);
    if (!inside.failure.empty())
        return inside.failure;
    failure = CompareOutput(c, inside.output, (int)inside.status, true);
    if (!failure.empty())
        return "check in the folder: " + failure + "\n" + inside.output;

    Checked outside = RunCheck(check, " \"" + folder + "\"", work);
    if (!outside.failure.empty())
        return outside.failure;
    CheckCase reminded = c;
    reminded.expect.push_back({EVERYWHERE, "warning: config.ini is read from "
                                           "the launcher's working directory"});
    failure = CompareOutput(reminded, outside.output, (int)outside.status, true);
    if (!failure.empty())
        return "check with the folder as argument: " + failure + "\n" +
               outside.output;

    std::string record = Join(folder, "child-record.txt");
    DeleteFileA(record.c_str());
    Launched launched = RunInJob(launcher, "", folder, -1);
    if (!launched.failure.empty())
        return launched.failure;

    char text[256];
    DWORD expectedExit = inside.status == 0 ? 0 : 0xFFFFFFFF;
    if (launched.exitCode != expectedExit) {
        snprintf(text, sizeof text, "launcher exit code 0x%08lX, the check "
                 "said %lu", (unsigned long)launched.exitCode,
                 (unsigned long)inside.status);
        return text;
    }
    std::string got;
    bool childRan = ReadBytes(record, &got);
    bool predicted = inside.status == 0 &&
                     inside.output.find("no program starts") == std::string::npos;
    if (childRan != predicted || launched.processes != (childRan ? 2u : 1u)) {
        snprintf(text, sizeof text, "%lu processes ran, a child %s; the check "
                 "predicted %s", (unsigned long)launched.processes,
                 childRan ? "recorded its start" : "did not run",
                 predicted ? "a start" : "none");
        return text;
    }
    if (!childRan)
        return "";

    std::string commandLine = CommandLineOf(inside.output);
    std::string module = Field(got, "module");
    failure = "";
    std::string expected = ExpectedChildCommand(commandLine, module, folder,
                                                wine, inside.output, &failure);
    if (!failure.empty())
        return failure;
    std::string command = Field(got, "command");
    if (command != expected)
        return "the child was given [" + command + "], the check said [" +
               commandLine + "]" +
               (expected != commandLine ? " (under Wine: [" + expected + "])"
                                        : "");
    return "";
}

} /* namespace */

int
main(int argc, char **argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: verdict CHECK LAUNCHER CHILD WORKDIR\n");
        return 100;
    }
    /* Accept Unix paths too: Wine resolves them on the current drive. */
    const std::string check = FullPath(argv[1]);
    const std::string launcher = FullPath(argv[2]);
    const std::string child = FullPath(argv[3]);
    const std::string work = FullPath(argv[4]);
    CreateDirectoryA(work.c_str(), nullptr);
    const bool wine = UnderWine();

    int failures = 0;
    for (const CheckCase &c : kCheckCases) {
        std::string failure = Check(check, launcher, child, work, c, wine);
        if (failure.empty()) {
            printf("ok %s\n", c.name);
        } else {
            printf("not ok %s: %s\n", c.name, failure.c_str());
            failures++;
        }
        fflush(stdout);
    }
    printf("%d of %u folders failed%s\n", failures,
           (unsigned)kCheckCases.size(), wine ? " (under Wine)" : "");
    return failures;
}
