/*
 * check.cpp - the verdict, the values, and the traps in them.
 *
 * Start at CheckFolder. The verdict and the command line are the shared
 * ComposeCommandLine's, called in the folder exactly as the launcher calls
 * it; the values are the shared GetIniValue's. scan.cpp adds where things
 * are; this file adds what the values will do once Windows and the Java
 * runtime get them: which program a command line without an application
 * name starts, which archive Java opens, what becomes of invisible and
 * non-ASCII bytes.
 *
 * Must never: change what the launcher reads or how, or write into the
 * folder.
 */
#include "check.h"

#include <string.h>

#include "../config/ini.h"
#include "../launch/launch.h"
#include "report.h"
#include "scan.h"
#include "system.h"

enum {
    /* Enough for any value GetIniValue can deliver from one piece, so a
     * value the launcher refuses as too long can still be shown. */
    CHECK_VALUE_SIZE = INI_LINE_SIZE
};

/* One value as the launcher's lookup delivers it. */
struct Value {
    const char *key;
    int found;    /* the lookup finds an entry */
    int accepted; /* and it fits the launcher's buffer */
    int line;
    int length;
    char text[CHECK_VALUE_SIZE];
};

static int
IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

/* Does the last component of name have an extension? Windows adds ".exe"
 * to a program name that has none. */
static int
HasExtension(const char *name, int length)
{
    for (int i = length - 1; i >= 0; i--) {
        if (name[i] == '\\' || name[i] == '/' || name[i] == ':')
            return 0;
        if (name[i] == '.')
            return 1;
    }
    return 0;
}

/* A Windows path in the sense of a path with a folder part. */
static int
HasFolderPart(const char *name)
{
    return strpbrk(name, "\\/:") != 0;
}

static void
Quoted(Text *t, const char *text, int length)
{
    AddText(t, "\"");
    AddVisible(t, text, length);
    AddText(t, "\"");
}

/* Is text valid UTF-8 with at least one multi-byte character? */
static int
ReadsAsUtf8(const unsigned char *text, int length)
{
    int multi = 0;
    for (int i = 0; i < length;) {
        unsigned char c = text[i];
        int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1
                 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (more < 0 || (more == 1 && c < 0xC2) || i + more >= length)
            return 0;
        for (int k = 1; k <= more; k++)
            if ((text[i + k] & 0xC0) != 0x80)
                return 0;
        multi |= more > 0;
        i += more + 1;
    }
    return multi;
}

/* Invisible bytes kept in a value; trailing spaces never are, the lookup
 * trims them. */
static void
InvisibleCharacters(Findings *findings, const Value *v)
{
    const unsigned char *s = (const unsigned char *)v->text;
    int utf8 = ReadsAsUtf8(s, v->length);
    Text where = {};
    int count = 0, last = 0;
    for (int i = 0; i < v->length; i++) {
        int width = 0;
        if (s[i] == '\r')
            continue; /* a lone CR has its own warning on its line */
        if (s[i] < 0x20 || s[i] == 0x7F)
            width = 1;
        else if (utf8 && i + 1 < v->length && s[i] == 0xC2 && s[i + 1] == 0xA0)
            width = 2; /* no-break space */
        else if (utf8 && i + 2 < v->length &&
                 ((s[i] == 0xE2 && s[i + 1] == 0x80 && s[i + 2] == 0x8B) ||
                  (s[i] == 0xEF && s[i + 1] == 0xBB && s[i + 2] == 0xBF)))
            width = 3; /* zero-width space, zero-width no-break space */
        else if (!utf8 && s[i] == 0xA0)
            width = 1; /* no-break space in the usual ANSI code pages */
        if (width == 0)
            continue;
        last = i + width == v->length;
        AddText(&where, "%s", count > 0 ? ", " : "");
        AddVisible(&where, v->text + i, width);
        if (last)
            AddText(&where, " at the end");
        else
            AddText(&where, " at character %d", i + 1);
        count++;
        i += width - 1;
    }
    if (count > 0) {
        Text t = {};
        AddText(&t, "%s holds %s: invisible in an editor, but kept in the "
                "value and passed on with it", v->key, TextOf(&where));
        if (last && v->text[v->length - 1] != '\t')
            AddText(&t, ", so the name is not the one it looks like");
        AddText(&t, "; delete %s", count > 1 ? "them" : "it");
        AddFinding(findings, v->line, &t);
    }
    FreeText(&where);
}

static void
NonAscii(Findings *findings, const Value *v, int utf8Mark)
{
    Text bytes = {};
    int count = 0;
    for (int i = 0; i < v->length; i++)
        if ((unsigned char)v->text[i] >= 0x80) {
            AddVisible(&bytes, v->text + i, 1);
            count++;
        }
    if (count == 0)
        return;
    char codePage[128];
    SysAnsiCodePage(codePage, sizeof codePage);
    Text t = {};
    AddText(&t, "%s holds bytes outside ASCII (%s); the launcher passes them on "
            "unchanged and Windows reads them in %s", v->key, TextOf(&bytes),
            codePage);
    if (utf8Mark || ReadsAsUtf8((const unsigned char *)v->text, v->length))
        AddText(&t, ". These bytes are UTF-8 (config.ini was saved as "
                "UTF-8%s), where one accented letter takes two or three bytes, "
                "and read in the ANSI code page each byte is a letter of its "
                "own: the path becomes a different one; save config.ini as "
                "ANSI, or use a path without accented letters",
                utf8Mark ? " with a byte-order mark" : "");
    else
        AddText(&t, ": they name the path intended only where that code page "
                "is the one config.ini was written in; a path without accented "
                "letters is safest");
    AddFinding(findings, v->line, &t);
    FreeText(&bytes);
}

static void
TooLong(Findings *findings, const Value *v)
{
    Text t = {};
    AddText(&t, "%s is %d characters long; the launcher takes at most %d and "
            "refuses a longer value rather than cut it short, so it starts "
            "nothing; shorten it (a shorter folder, or a path relative to "
            "this folder)", v->key, v->length, LAUNCH_VALUE_SIZE - 1);
    AddFinding(findings, v->line, &t);
}

static void
CannotCheck(Text *t, const char *what, const char *name)
{
    AddText(t, "cannot check from here whether the %s ", what);
    Quoted(t, name, (int)strlen(name));
    if (HasFolderPart(name))
        AddText(t, " exists: it is a Windows path");
    else
        AddText(t, " exists: Windows looks for it in the launcher's folder, "
                "its system folders and PATH");
}

/* The programs Windows tries for the command line, at most this many. */
enum { MAX_CANDIDATES = INI_LINE_SIZE };

struct Candidate {
    char name[INI_LINE_SIZE + 4];
    int length; /* of the name as written, before any ".exe" */
    int state;  /* SYS_FOUND, SYS_NOT_FOUND, SYS_CANNOT_CHECK */
};

static void
SetCandidate(Candidate *c, const char *name, int length)
{
    memcpy(c->name, name, (size_t)length);
    c->length = length;
    strcpy(c->name + length, HasExtension(name, length) ? "" : ".exe");
}

/* What becomes of a start that finds no program: with the launcher's exit
 * status 0 that is the silent failure this tool exists for. */
static void
NoProgram(Text *t, int starts)
{
    if (starts)
        AddText(t, "no program starts, although the launcher's exit status "
                "is 0");
    else
        AddText(t, "no program would start even with the rest of the file "
                "right");
}

/*
 * Which program the command line starts. The launcher gives no application
 * name, so Windows takes the program from the command line: a quoted first
 * token as it stands; otherwise the text up to the first space or tab,
 * then up to the next one, and so on, starting the first that exists as a
 * file. Each name gets ".exe" when its last component has no extension.
 */
static void
Runtime(Findings *findings, const Value *v, int starts)
{
    static Candidate candidates[MAX_CANDIDATES];
    const char *jre = v->text;
    int count = 0;

    if (v->length == 0) {
        Text t = {};
        AddText(&t, "jre is empty, so the command line begins with \" -jar\" "
                "and names no program: ");
        NoProgram(&t, starts);
        AddText(&t, "; write the runtime's path after \"jre=\", e.g. "
                "jre=\"C:\\Program Files\\Java\\bin\\javaw.exe\"");
        AddFinding(findings, v->line, &t);
        return;
    }
    int spaced = 0;
    if (jre[0] == '"') {
        const char *close = strchr(jre + 1, '"');
        if (close == 0) {
            Text t = {};
            AddText(&t, "the quote that begins jre is not closed, so Windows "
                    "runs on to the next quote in the command line, if any; "
                    "close it after the program's path");
            AddFinding(findings, v->line, &t);
            return;
        }
        SetCandidate(&candidates[count++], jre + 1, (int)(close - jre - 1));
    } else {
        for (int i = 1; i < v->length; i++)
            if (IsBlank(jre[i]) && !IsBlank(jre[i - 1])) {
                SetCandidate(&candidates[count++], jre, i);
                /* A path with spaces, as opposed to a program followed by
                 * its options. */
                int next = i;
                while (next < v->length && IsBlank(jre[next]))
                    next++;
                if (count == 1 && next < v->length && jre[next] != '-')
                    spaced = 1;
            }
        SetCandidate(&candidates[count++], jre, v->length);
    }

    int runs = -1, unknown = 0; /* the candidate that starts */
    char found[SYS_PATH_SIZE];
    for (int i = 0; i < count && runs < 0; i++) {
        candidates[i].state = SysFindProgram(candidates[i].name, found,
                                             sizeof found);
        if (candidates[i].state == SYS_FOUND)
            runs = i;
        else if (candidates[i].state == SYS_CANNOT_CHECK)
            unknown = 1;
    }
    int tried = runs >= 0 ? runs + 1 : count;

    if (spaced) {
        Text t = {};
        AddText(&t, "jre has spaces and no quotes, so Windows tries one "
                "program after another and starts the first that exists:");
        for (int i = 0; i < tried; i++) {
            AddText(&t, "%s ", i > 0 ? "," : "");
            Quoted(&t, candidates[i].name, (int)strlen(candidates[i].name));
            AddText(&t, " (%s)",
                    candidates[i].state == SYS_FOUND ? "found: this one starts"
                    : candidates[i].state == SYS_NOT_FOUND
                        ? "not found"
                        : "cannot check from here");
        }
        if (runs < 0 && !unknown) {
            AddText(&t, "; none exists: ");
            NoProgram(&t, starts);
        }
        AddText(&t, "; put the program's path in quotes: jre=\"");
        int quoted = runs >= 0 ? candidates[runs].length : v->length;
        AddVisible(&t, jre, quoted);
        AddText(&t, "\"");
        AddVisible(&t, jre + quoted, v->length - quoted);
        AddFinding(findings, v->line, &t);
        return;
    }

    if (runs >= 0)
        return;
    Text t = {};
    if (unknown) {
        /* The first name Windows tries is the one meant; the longer ones
         * run into the program's own options. */
        CannotCheck(&t, "runtime", candidates[0].name);
    } else {
        AddText(&t, "the runtime ");
        Quoted(&t, candidates[0].name, (int)strlen(candidates[0].name));
        AddText(&t, " is not found%s: ", HasFolderPart(candidates[0].name)
                    ? ""
                    : " (looked in this folder, the system folders and PATH)");
        NoProgram(&t, starts);
        AddText(&t, "; write the full path of the runtime's javaw.exe");
    }
    AddFinding(findings, v->line, &t);
}

/* The archive the runtime opens: its first argument after -jar, split the
 * way the C runtime splits a command line (quotes group, blanks part). */
static void
Archive(Findings *findings, const Value *v)
{
    const char *jar = v->text;
    char path[CHECK_VALUE_SIZE];
    int n = 0;
    if (jar[0] == '"') {
        const char *close = strchr(jar + 1, '"');
        n = close != 0 ? (int)(close - jar - 1) : v->length - 1;
        memcpy(path, jar + 1, (size_t)n);
    } else {
        while (n < v->length && !IsBlank(jar[n]))
            n++;
        memcpy(path, jar, (size_t)n);
        int rest = n;
        while (rest < v->length && IsBlank(jar[rest]))
            rest++;
        if (rest < v->length) {
            Text t = {};
            AddText(&t, "jar has spaces and no quotes, so the runtime takes ");
            Quoted(&t, jar, n);
            AddText(&t, " as the archive and passes the rest to the "
                    "application; write jar=\"");
            AddVisible(&t, jar, v->length);
            AddText(&t, "\"");
            AddFinding(findings, v->line, &t);
        }
    }
    path[n] = '\0';
    if (n == 0)
        return;

    int state = SysFindFile(path);
    if (state == SYS_FOUND)
        return;
    Text t = {};
    if (state == SYS_CANNOT_CHECK) {
        CannotCheck(&t, "archive", path);
    } else {
        AddText(&t, "the archive ");
        Quoted(&t, path, n);
        AddText(&t, " is not found in this folder: the runtime starts but has "
                "no application to run; write its path relative to this "
                "folder, or its full path");
    }
    AddFinding(findings, v->line, &t);
}

static void
Lookup(Value *v, const char *key, const KeyPlace *place)
{
    memset(v, 0, sizeof *v);
    v->key = key;
    v->line = place->line;
    v->found = GetIniValue(v->text, sizeof v->text, LAUNCH_CONFIG_FILE,
                           LAUNCH_SECTION, key) == 0;
    if (!v->found)
        return;
    v->length = (int)strlen(v->text);
    v->accepted = v->length < LAUNCH_VALUE_SIZE;
}

static void
PrintValue(FILE *out, const Value *v)
{
    if (!v->found) {
        fprintf(out, "%s = missing\n", v->key);
        return;
    }
    Text t = {};
    AddText(&t, "%s = ", v->key);
    Quoted(&t, v->text, v->length);
    fprintf(out, "%s\n", TextOf(&t));
    FreeText(&t);
}

static int
Examine(FILE *out, const char *here, int elsewhere)
{
    Findings findings = {};
    Scan scan;
    ScanConfig(&scan, &findings);

    Value values[SCAN_KEYS];
    Lookup(&values[SCAN_RUNTIME], LAUNCH_RUNTIME_KEY, &scan.keys[SCAN_RUNTIME]);
    Lookup(&values[SCAN_ARCHIVE], LAUNCH_ARCHIVE_KEY, &scan.keys[SCAN_ARCHIVE]);
    char commandLine[LAUNCH_COMMAND_SIZE];
    int starts = ComposeCommandLine(commandLine) == 0;

    const char *separator = SysSeparator();
    size_t n = strlen(here);
    if (n > 0 && here[n - 1] == separator[0])
        separator = "";
    fprintf(out, "config: %s%s%s ", here, separator, LAUNCH_CONFIG_FILE);
    if (!scan.opened)
        fprintf(out, "(cannot be opened: %s)\n", scan.reason);
    else if (scan.readFailed)
        fprintf(out, "(opened, but reading it failed: %s)\n", scan.reason);
    else
        fprintf(out, "(opened)\n");
    if (scan.headerLine > 0)
        fprintf(out, "section: [%s] at line %d\n", LAUNCH_SECTION,
                scan.headerLine);
    else
        fprintf(out, "section: [%s] not found\n", LAUNCH_SECTION);
    PrintValue(out, &values[SCAN_RUNTIME]);
    PrintValue(out, &values[SCAN_ARCHIVE]);
    if (starts) {
        fputs("command line: ", out);
        fwrite(commandLine, 1, strlen(commandLine), out);
        fputs("\n", out);
        fputs("result: starts a process (exit status 0)\n", out);
    } else {
        fputs("result: starts nothing (exit status -1)\n", out);
    }

    for (int i = 0; i < SCAN_KEYS; i++) {
        Value *v = &values[i];
        if (!v->found)
            continue;
        if (!v->accepted) {
            TooLong(&findings, v);
            continue;
        }
        InvisibleCharacters(&findings, v);
        NonAscii(&findings, v, scan.utf8Mark);
        if (i == SCAN_RUNTIME)
            Runtime(&findings, v, starts);
        else
            Archive(&findings, v);
    }
    if (elsewhere) {
        Text t = {};
        AddText(&t, "config.ini is read from the launcher's working directory, "
                "not from the folder its exe is in: this check looked in %s, as "
                "asked, not in the current directory, and the launcher reads "
                "that file only when started there (a double click starts it "
                "in its own folder, a shortcut in its \"Start in\" folder)",
                here);
        AddFinding(&findings, 0, &t);
    }

    SortFindings(&findings);
    for (int i = 0; i < findings.count; i++) {
        if (findings.items[i].line > 0)
            fprintf(out, "warning: line %d: %s\n", findings.items[i].line,
                    findings.items[i].text);
        else
            fprintf(out, "warning: %s\n", findings.items[i].text);
    }
    FreeFindings(&findings);
    return starts ? CHECK_STARTS : CHECK_NOTHING;
}

int
CheckFolder(FILE *out, FILE *errors, const char *folder)
{
    char before[SYS_PATH_SIZE];
    char here[SYS_PATH_SIZE];
    char reason[256];

    if (SysCurrentFolder(before, sizeof before) != 0) {
        SysErrorText(reason, sizeof reason);
        fprintf(errors, "pelgrove-check: cannot tell the current directory: "
                "%s\n", reason);
        return CHECK_USAGE;
    }
    if (folder != 0 && SysEnterFolder(folder) != 0) {
        SysErrorText(reason, sizeof reason);
        fprintf(errors, "pelgrove-check: cannot enter the folder \"%s\": %s\n",
                folder, reason);
        return CHECK_USAGE;
    }
    if (SysCurrentFolder(here, sizeof here) != 0)
        strcpy(here, folder != 0 ? folder : ".");

    int status = Examine(out, here, !SysSameFolder(before, here));
    fflush(out);
    if (folder != 0)
        SysEnterFolder(before);
    return status;
}
