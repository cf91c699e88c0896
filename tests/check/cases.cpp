/*
 * cases.cpp - the table of test folders and how an output is held to it.
 */
#include "cases.h"

namespace {

const std::string S = "[pelgrove]\r\n";
const std::string kRuntime = "jre=child.exe\r\n";
const std::string kArchive = "jar=app.jar\r\n";
const std::vector<std::string> kApp = {"child.exe", "app.jar"};
const std::string kStarts = "child.exe -jar app.jar";

const Expect kOpened = {EVERYWHERE, " (opened)"};
const Expect kNoSection = {EVERYWHERE, "section: [pelgrove] not found"};
const Expect kNoRuntime = {EVERYWHERE, "jre = missing"};
const Expect kNoArchive = {EVERYWHERE, "jar = missing"};

std::string
Utf16(const std::string &ascii)
{
    std::string wide = "\xFF\xFE";
    for (char c : ascii) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

const std::string kName99 = std::string(95, 'a') + ".jar";
const std::string kName100 = std::string(96, 'a') + ".jar";

} /* namespace */

const std::vector<CheckCase> kCheckCases = {
    /* Clean folders: no warnings anywhere. */
    {"Clean", CONFIG_FILE, "# My App\r\n" + S + kRuntime + kArchive, kApp, 0,
     kStarts,
     {kOpened,
      {EVERYWHERE, "section: [pelgrove] at line 2"},
      {EVERYWHERE, "jre = \"child.exe\""},
      {EVERYWHERE, "jar = \"app.jar\""}}},
    {"CleanLineFeedsAndOtherSections", CONFIG_FILE,
     "[tools]\nx=1\n\n[pelgrove]\n# the runtime\n!old=1\n   jre=   child.exe  "
     "\njar=app.jar\n[other]\njre=other.exe\n",
     kApp, 0, kStarts,
     {{EVERYWHERE, "section: [pelgrove] at line 4"}}},
    {"CleanRuntimeWithOptions", CONFIG_FILE,
     S + "jre=child.exe -Xmx64m\r\n" + kArchive, kApp, 0,
     "child.exe -Xmx64m -jar app.jar", {}},
    {"CleanQuotedPathsWithSpaces", CONFIG_FILE,
     S + "jre=\"with space\\child app.exe\"\r\njar=\"my app.jar\"\r\n",
     {"with space/child app.exe", "my app.jar"}, 0,
     "\"with space\\child app.exe\" -jar \"my app.jar\"",
     {{HOST_ONLY, "warning: line 2: cannot check from here whether the runtime "
                  "\"with space\\child app.exe\" exists: it is a Windows path"}}},
    {"CleanValueOf99Characters", CONFIG_FILE,
     S + kRuntime + "jar=" + kName99 + "\r\n", {"child.exe", kName99}, 0,
     "child.exe -jar " + kName99, {}},
    {"CleanCtrlZAtTheEnd", CONFIG_FILE, S + kRuntime + kArchive + "\x1A", kApp,
     0, kStarts, {}},

    /* The file itself. */
    {"NoConfigFile", NO_CONFIG, "", kApp, 1, "",
     {{EVERYWHERE, "config.ini (cannot be opened: "}, kNoSection, kNoRuntime,
      kNoArchive}},
    {"ConfigIsAFolder", CONFIG_IS_FOLDER, "", kApp, 1, "",
     {{EVERYWHERE, "config.ini (cannot be opened: "}, kNoSection}},
    {"EmptyFile", CONFIG_FILE, "", kApp, 1, "",
     {kOpened, kNoSection, kNoRuntime, kNoArchive}},
    {"SavedAsUtf16", CONFIG_FILE, Utf16(S + kRuntime + kArchive), kApp, 1, "",
     {kNoSection,
      {EVERYWHERE, "warning: line 1: config.ini is saved as UTF-16 "
                   "(\"Unicode\"): the launcher reads single bytes"}}},

    /* Keys that are there, but not as the launcher reads them. */
    {"KeyInOtherCase", CONFIG_FILE, S + "JRE=child.exe\r\n" + kArchive, kApp, 1,
     "",
     {kNoRuntime,
      {EVERYWHERE, "warning: line 2: \"JRE=child.exe\" is not read as the jre "
                   "entry: keys are case-sensitive and this one is written "
                   "\"JRE\"; write \"jre=child.exe\" at the start of a line "
                   "under [pelgrove]"}}},
    {"KeyWithSpacesBeforeEquals", CONFIG_FILE,
     S + "jre =child.exe\r\n" + kArchive, kApp, 1, "",
     {{EVERYWHERE, "warning: line 2: \"jre =child.exe\" is not read as the jre "
                   "entry: the spaces or tabs before \"=\" belong to the key"}}},
    {"KeysOnCommentLines", CONFIG_FILE,
     S + "# jre=child.exe\r\n;jar=app.jar\r\n", kApp, 1, "",
     {kNoRuntime, kNoArchive,
      {EVERYWHERE, "warning: line 2: \"# jre=child.exe\" is not read as the jre "
                   "entry: it is a comment (it starts with \"#\")"},
      {EVERYWHERE, "warning: line 3: \";jar=app.jar\" is not read as the jar "
                   "entry: \";\" does not start a comment, so its key is "
                   "\";jar\""}}},
    {"KeyBeforeTheHeader", CONFIG_FILE, kRuntime + S + kArchive, kApp, 1, "",
     {{EVERYWHERE, "section: [pelgrove] at line 2"},
      {EVERYWHERE, "warning: line 1: \"jre=child.exe\" is not read as the jre "
                   "entry: it comes before the [pelgrove] header"}}},
    {"KeyOnlyInAnotherSection", CONFIG_FILE,
     S + kArchive + "[tools]\r\n" + kRuntime, kApp, 1, "",
     {{EVERYWHERE, "jar = \"app.jar\""},
      {EVERYWHERE, "warning: line 4: \"jre=child.exe\" is not read as the jre "
                   "entry: it is in the section \"[tools]\", not in "
                   "[pelgrove]"}}},
    {"SecondEntryIsNotUsed", CONFIG_FILE,
     S + kRuntime + "jre=other.exe\r\n" + kArchive, kApp, 0, kStarts,
     {{EVERYWHERE, "warning: line 3: a second jre entry, not used: the first "
                   "one, on line 2, is the one the launcher takes"}}},

    /* Lines that look like the header and are not. */
    {"HeaderInOtherCase", CONFIG_FILE, "[Pelgrove]\r\n" + kRuntime + kArchive,
     kApp, 1, "",
     {kNoSection,
      {EVERYWHERE, "warning: line 1: \"[Pelgrove]\" is not the section header: "
                   "the name's letter case differs (it must be \"pelgrove\"); "
                   "write [pelgrove] alone on its line"},
      {EVERYWHERE, "warning: line 2: \"jre=child.exe\" is not read as the jre "
                   "entry: it is in the section \"[Pelgrove]\""},
      {EVERYWHERE, "warning: line 3: \"jar=app.jar\" is not read as the jar "
                   "entry: it is in the section \"[Pelgrove]\""}}},
    {"HeaderWithSpacesInside", CONFIG_FILE,
     "[ pelgrove ]\r\n" + kRuntime + kArchive, kApp, 1, "",
     {{EVERYWHERE, "warning: line 1: \"[ pelgrove ]\" is not the section "
                   "header: there are spaces inside the brackets"},
      {EVERYWHERE, "warning: line 2: "},
      {EVERYWHERE, "warning: line 3: "}}},
    {"HeaderWithTextAfterIt", CONFIG_FILE,
     "[pelgrove] ; main\r\n" + kRuntime + kArchive, kApp, 1, "",
     {{EVERYWHERE, "warning: line 1: \"[pelgrove] ; main\" is not the section "
                   "header: there is text after \"]\""},
      {EVERYWHERE, "warning: line 2: "},
      {EVERYWHERE, "warning: line 3: "}}},
    {"HeaderWithTabAfterIt", CONFIG_FILE,
     "# app\r\n[pelgrove]\t\r\n" + kRuntime + kArchive, kApp, 1, "",
     {{EVERYWHERE, "warning: line 2: \"[pelgrove]<TAB>\" is not the section "
                   "header: a tab follows it"},
      {EVERYWHERE, "warning: line 3: "},
      {EVERYWHERE, "warning: line 4: "}}},
    {"HeaderWithTabBeforeIt", CONFIG_FILE,
     "\t[pelgrove]\r\n" + kRuntime + kArchive, kApp, 1, "",
     {{EVERYWHERE, "warning: line 1: \"<TAB>[pelgrove]\" is not the section "
                   "header: a tab is in front of it"},
      {EVERYWHERE, "warning: line 2: "},
      {EVERYWHERE, "warning: line 3: "}}},
    {"HeaderAfterAByteOrderMark", CONFIG_FILE,
     "\xEF\xBB\xBF" + S + kRuntime + kArchive, kApp, 1, "",
     {kNoSection,
      {EVERYWHERE, "warning: line 1: \"<EF><BB><BF>[pelgrove]\" is not the "
                   "section header: a UTF-8 byte-order mark is in front of it"},
      {EVERYWHERE, "warning: line 2: \"jre=child.exe\" is not read as the jre "
                   "entry: it comes before the [pelgrove] header"},
      {EVERYWHERE, "warning: line 3: "}}},
    {"HeaderRepeatedInsideTheSection", CONFIG_FILE,
     S + S + kRuntime + kArchive, kApp, 1, "",
     {{EVERYWHERE, "section: [pelgrove] at line 1"},
      {EVERYWHERE, "warning: line 2: this [pelgrove] comes inside the section "
                   "begun on line 1, so it ends that section"},
      {EVERYWHERE, "warning: line 3: \"jre=child.exe\" is not read as the jre "
                   "entry: it comes after the [pelgrove] on line 2"},
      {EVERYWHERE, "warning: line 4: "}}},

    /* What the text-mode reader does to the bytes. */
    {"CtrlZBeforeTheEntry", CONFIG_FILE,
     S + kRuntime + "\x1A\r\n" + kArchive, kApp, 1, "",
     {{EVERYWHERE, "jre = \"child.exe\""}, kNoArchive,
      {EVERYWHERE, "warning: line 3: a byte 0x1A (Ctrl-Z) at character 1 ends "
                   "the file for the launcher: nothing after it is read (it "
                   "misses the jar entry on line 4); delete that byte"}}},
    {"CtrlZBeforeTheHeader", CONFIG_FILE, "# app \x1A\r\n" + S + kRuntime,
     kApp, 1, "",
     {kNoSection,
      {EVERYWHERE, "warning: line 1: a byte 0x1A (Ctrl-Z) at character 7 ends "
                   "the file for the launcher: nothing after it is read (it "
                   "misses the [pelgrove] header on line 2, the jre entry on "
                   "line 3)"}}},
    {"LongCommentLineHidesAnEntry", CONFIG_FILE,
     S + "#" + std::string(498, '-') + "jre=child.exe\r\n" + kArchive, kApp, 0,
     kStarts,
     {{EVERYWHERE, "jre = \"child.exe\""},
      {EVERYWHERE, "warning: line 2: this line is 512 characters long; the "
                   "launcher reads at most 499 at a time and takes each piece "
                   "as a line of its own: piece 1 (characters 1-499) is a "
                   "comment; piece 2 (characters 500-512) is the jre entry; "
                   "keep every line shorter than 500 characters"}}},
    {"LongLineCutsAValue", CONFIG_FILE,
     S + kRuntime + "jar=" + std::string(600, 'a') + ".jar\r\n",
     {"child.exe"}, 1, "",
     {{EVERYWHERE, "jar = \"" + std::string(495, 'a') + "\""},
      {EVERYWHERE, "warning: line 3: this line is 608 characters long; the "
                   "launcher reads at most 499 at a time and takes each piece "
                   "as a line of its own: piece 1 (characters 1-499) is the jar "
                   "entry; piece 2 (characters 500-608) is an entry with the "
                   "key \"aaaaaaaaaaaaaaaaaaaa...\" (not used)"},
      {EVERYWHERE, "warning: line 3: jar is 495 characters long; the launcher "
                   "takes at most 99"}}},
    {"NulByteEndsTheLine", CONFIG_FILE,
     S + std::string("jre=child.exe\0junk\r\n", 20) + kArchive, kApp, 0,
     kStarts,
     {{EVERYWHERE, "warning: line 2: a NUL byte at character 14: the launcher "
                   "reads this line only up to it"}}},
    {"LoneCarriageReturns", CONFIG_FILE,
     "[pelgrove]\rjre=child.exe\rjar=app.jar\r", kApp, 1, "",
     {kNoSection,
      {EVERYWHERE, "warning: line 1: a carriage return (CR) without a line "
                   "feed"},
      {EVERYWHERE, "warning: line 1: \"[pelgrove]<CR>jre=child.exe<CR>"
                   "jar=app.jar\" is not the section header: there is text "
                   "after \"]\""}}},

    /* The values. */
    {"ValueOf100Characters", CONFIG_FILE,
     S + kRuntime + "jar=" + kName100 + "\r\n", {"child.exe", kName100}, 1, "",
     {{EVERYWHERE, "warning: line 3: jar is 100 characters long; the launcher "
                   "takes at most 99 and refuses a longer value rather than "
                   "cut it short, so it starts nothing"}}},
    {"TabAtTheEndOfAValue", CONFIG_FILE, S + kRuntime + "jar=app.jar\t\r\n",
     kApp, 0, kStarts + "\t",
     {{EVERYWHERE, "jar = \"app.jar<TAB>\""},
      {EVERYWHERE, "warning: line 3: jar holds <TAB> at the end: invisible in "
                   "an editor, but kept in the value and passed on with it; "
                   "delete it"}}},
    /* Windows splits the command line at tabs as at spaces, so the child
     * still starts, with the tab on its command line. */
    {"TabAtTheEndOfTheRuntime", CONFIG_FILE, S + "jre=child.exe\t\r\n" + kArchive,
     kApp, 0, "child.exe\t -jar app.jar",
     {{EVERYWHERE, "jre = \"child.exe<TAB>\""},
      {EVERYWHERE, "warning: line 2: jre holds <TAB> at the end: invisible in "
                   "an editor, but kept in the value and passed on with it; "
                   "delete it"}}},
    {"NoBreakSpaceAtTheEndOfAValue", CONFIG_FILE,
     S + kRuntime + "jar=app.jar\xA0\r\n", kApp, 0, kStarts + "\xA0",
     {{EVERYWHERE, "jar = \"app.jar<A0>\""},
      {EVERYWHERE, "warning: line 3: jar holds <A0> at the end: invisible in "
                   "an editor, but kept in the value and passed on with it, so "
                   "the name is not the one it looks like; delete it"},
      {EVERYWHERE, "warning: line 3: jar holds bytes outside ASCII (<A0>)"},
      {EVERYWHERE, "warning: line 3: the archive \"app.jar<A0>\" is not found "
                   "in this folder"}}},
    {"AccentedPathSavedAsUtf8WithMark", CONFIG_FILE,
     "\xEF\xBB\xBF# My App\r\n" + S + kRuntime + "jar=caf\xC3\xA9.jar\r\n",
     {"child.exe"}, 0, "child.exe -jar caf\xC3\xA9.jar",
     {{EVERYWHERE, "jar = \"caf<C3><A9>.jar\""},
      {EVERYWHERE, "warning: line 4: jar holds bytes outside ASCII (<C3><A9>); "
                   "the launcher passes them on unchanged and Windows reads "
                   "them in the ANSI code page"},
      {EVERYWHERE, ". These bytes are UTF-8 (config.ini was saved as UTF-8 "
                   "with a byte-order mark)"},
      {EVERYWHERE, "warning: line 4: the archive \"caf<C3><A9>.jar\" is not "
                   "found"}}},
    {"AccentedPathSavedAsUtf8", CONFIG_FILE,
     S + "jre=child.exe\r\njar=lib/na\xC3\xAFve.jar\r\n", {"child.exe"}, 0,
     "child.exe -jar lib/na\xC3\xAFve.jar",
     {{EVERYWHERE, "warning: line 3: jar holds bytes outside ASCII (<C3><AF>); "
                   "the launcher passes them on unchanged and Windows reads "
                   "them in the ANSI code page"},
      {EVERYWHERE, ". These bytes are UTF-8 (config.ini was saved as UTF-8), "
                   "where one accented letter takes two or three bytes"},
      {EVERYWHERE, "warning: line 3: the archive \"lib/na<C3><AF>ve.jar\" is "
                   "not found"}}},
    {"EmptyRuntime", CONFIG_FILE, S + "jre=\r\n" + kArchive, kApp, 0,
     " -jar app.jar",
     {{EVERYWHERE, "jre = \"\""},
      {EVERYWHERE, "warning: line 2: jre is empty, so the command line begins "
                   "with \" -jar\" and names no program: no program starts, "
                   "although the launcher's exit status is 0"}}},

    /* Which program Windows starts, and which archive Java opens. */
    {"UnquotedSpacesStartAShorterName", CONFIG_FILE,
     S + "jre=with space\\child app.exe\r\n" + kArchive,
     {"with space/child app.exe", "with space/child.exe", "app.jar"}, 0,
     "with space\\child app.exe -jar app.jar",
     {{WINDOWS_ONLY, "warning: line 2: jre has spaces and no quotes, so "
                     "Windows tries one program after another and starts the "
                     "first that exists: \"with.exe\" (not found), \"with "
                     "space\\child.exe\" (found: this one starts); put the "
                     "program's path in quotes: jre=\"with space\\child\" "
                     "app.exe"},
      {HOST_ONLY, "warning: line 2: jre has spaces and no quotes, so Windows "
                  "tries one program after another and starts the first that "
                  "exists: \"with.exe\" (cannot check from here), \"with "
                  "space\\child.exe\" (cannot check from here), \"with "
                  "space\\child app.exe\" (cannot check from here); put the "
                  "program's path in quotes: jre=\"with space\\child app.exe\""}}},
    {"UnquotedSpacesFindNothing", CONFIG_FILE,
     S + "jre=C:\\Program Files\\Pelgrove Test\\javaw.exe\r\n" + kArchive,
     kApp, 0, "C:\\Program Files\\Pelgrove Test\\javaw.exe -jar app.jar",
     {{WINDOWS_ONLY, "warning: line 2: jre has spaces and no quotes, so "
                     "Windows tries one program after another and starts the "
                     "first that exists: \"C:\\Program.exe\" (not found), "
                     "\"C:\\Program Files\\Pelgrove.exe\" (not found), "
                     "\"C:\\Program Files\\Pelgrove Test\\javaw.exe\" (not "
                     "found); none exists: no program starts, although the "
                     "launcher's exit status is 0"},
      {HOST_ONLY, "warning: line 2: jre has spaces and no quotes"}}},
    {"RuntimeNotFound", CONFIG_FILE, S + "jre=missing-runtime.exe\r\n" + kArchive,
     kApp, 0, "missing-runtime.exe -jar app.jar",
     {{WINDOWS_ONLY, "warning: line 2: the runtime \"missing-runtime.exe\" is "
                     "not found (looked in this folder, the system folders and "
                     "PATH): no program starts, although the launcher's exit "
                     "status is 0"},
      {HOST_ONLY, "warning: line 2: cannot check from here whether the runtime "
                  "\"missing-runtime.exe\" exists: Windows looks for it in the "
                  "launcher's folder, its system folders and PATH"}}},
    {"RuntimeNotFoundAndNoArchive", CONFIG_FILE,
     S + "jre=missing-runtime.exe\r\n", kApp, 1, "",
     {kNoArchive,
      {WINDOWS_ONLY, "warning: line 2: the runtime \"missing-runtime.exe\" is "
                     "not found (looked in this folder, the system folders and "
                     "PATH): no program would start even with the rest of the "
                     "file right"},
      {HOST_ONLY, "warning: line 2: cannot check from here whether the "
                  "runtime"}}},
    {"RuntimePathNotFound", CONFIG_FILE, S + "jre=bin/javaw\r\n" + kArchive,
     kApp, 0, "bin/javaw -jar app.jar",
     {{EVERYWHERE, "warning: line 2: the runtime \"bin/javaw.exe\" is not "
                   "found: no program starts"}}},
    {"RuntimeInASubfolder", CONFIG_FILE, S + "jre=bin\\child\r\n" + kArchive,
     {"bin/child.exe", "app.jar"}, 0, "bin\\child -jar app.jar",
     {{HOST_ONLY, "warning: line 2: cannot check from here whether the runtime "
                  "\"bin\\child.exe\" exists: it is a Windows path"}}},
    {"ArchiveNotFound", CONFIG_FILE, S + kRuntime + "jar=missing.jar\r\n",
     {"child.exe"}, 0, "child.exe -jar missing.jar",
     {{EVERYWHERE, "warning: line 3: the archive \"missing.jar\" is not found "
                   "in this folder: the runtime starts but has no application "
                   "to run"}}},
    {"ArchiveWithUnquotedSpaces", CONFIG_FILE,
     S + kRuntime + "jar=my app.jar\r\n", {"child.exe", "my app.jar"}, 0,
     "child.exe -jar my app.jar",
     {{EVERYWHERE, "warning: line 3: jar has spaces and no quotes, so the "
                   "runtime takes \"my\" as the archive and passes the rest to "
                   "the application; write jar=\"my app.jar\""},
      {EVERYWHERE, "warning: line 3: the archive \"my\" is not found"}}},
};

std::vector<std::string>
Lines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

std::string
CompareOutput(const CheckCase &c, const std::string &output, int status,
              bool onWindows)
{
    std::vector<std::string> lines = Lines(output);
    if (status != c.status)
        return "exit status " + std::to_string(status) + ", expected " +
               std::to_string(c.status);

    const std::string command = "command line: ";
    int commands = 0;
    for (const std::string &line : lines)
        if (line.compare(0, command.size(), command) == 0) {
            commands++;
            if (c.status != 0 || line.substr(command.size()) != c.commandLine)
                return "unexpected [" + line + "]";
        }
    if (commands != (c.status == 0 ? 1 : 0))
        return "no single command line";
    const std::string result = c.status == 0
                                   ? "result: starts a process (exit status 0)"
                                   : "result: starts nothing (exit status -1)";

    std::vector<bool> used(lines.size(), false);
    std::vector<Expect> expect = c.expect;
    expect.push_back({EVERYWHERE, result});
    int warningsExpected = 0;
    for (const Expect &e : expect) {
        if (e.where == (onWindows ? HOST_ONLY : WINDOWS_ONLY))
            continue;
        bool isWarning = e.text.compare(0, 9, "warning: ") == 0;
        warningsExpected += isWarning;
        bool found = false;
        for (size_t i = 0; i < lines.size() && !found; i++) {
            if (isWarning && used[i])
                continue;
            if (lines[i].find(e.text) != std::string::npos) {
                found = true;
                if (isWarning)
                    used[i] = true;
            }
        }
        if (!found)
            return "no line with [" + e.text + "]";
    }
    int warnings = 0;
    for (const std::string &line : lines)
        warnings += line.compare(0, 9, "warning: ") == 0;
    if (warnings != warningsExpected)
        return std::to_string(warnings) + " warnings, expected " +
               std::to_string(warningsExpected);
    return "";
}
