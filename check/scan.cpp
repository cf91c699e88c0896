/*
 * scan.cpp - config.ini piece by piece, as the launcher reads it.
 *
 * The walk keeps the lookup's own state (in the section or not) and its
 * rules for headers, comments and entries (config/ini.h), so what it
 * reports as the header or as an entry is what GetIniValue takes as such;
 * check.cpp's tests hold the two against each other on every fixture.
 * Everything else here is about lines the launcher does not take, and why.
 *
 * Must never: decide the verdict (that is ComposeCommandLine's), or write
 * to the file.
 */
#include "scan.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../config/ini.h"
#include "../config/textfile.h"
#include "../launch/launch.h"
#include "system.h"

enum {
    CTRL_Z = 0x1A,
    /* The most characters one read delivers, and so the longest line the
     * launcher sees whole. */
    PIECE_CHARS = INI_LINE_SIZE - 1,
    /* How much of an unknown key a warning shows. */
    KEY_SHOWN = 20
};

struct Walk {
    Scan *scan;
    Findings *findings;
    Findings near[SCAN_KEYS]; /* kept only for a key that turns out missing */
    char header[INI_LINE_SIZE];
    int line;   /* physical line of the next piece */
    int piece;  /* its number within that line, from 1 */
    int column; /* its first character's position in the line, from 1 */
    int inSection;
    int sectionLine;
    Text where; /* for a line outside the section: where it is instead */
    int utf16;
    Text story; /* what each piece of the current line is read as */
    int pieces;
};

static int
IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

static int
LowerCase(int c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

/* Are the count characters at text equal to word, ignoring ASCII case? */
static int
SameIgnoringCase(const char *text, int count, const char *word)
{
    int i = 0;
    for (; i < count && word[i] != '\0'; i++)
        if (LowerCase((unsigned char)text[i]) != LowerCase((unsigned char)word[i]))
            return 0;
    return i == count && word[i] == '\0';
}

/* Reasons for one warning, joined as "a, b and c". */
enum { MAX_REASONS = 8 };

struct Reasons {
    Text items[MAX_REASONS];
    int count;
};

static Text *
Reason(Reasons *r)
{
    return &r->items[r->count++];
}

static void
AddReasons(Text *t, Reasons *r)
{
    for (int i = 0; i < r->count; i++) {
        AddText(t, "%s%s", i == 0 ? "" : i == r->count - 1 ? " and " : ", ",
                TextOf(&r->items[i]));
        FreeText(&r->items[i]);
    }
    r->count = 0;
}

static void
SetWhere(Walk *w, const char *text)
{
    FreeText(&w->where);
    if (strcmp(text, w->header) == 0) {
        AddText(&w->where, "it comes after the [%s] on line %d, which ended the "
                "section instead of starting one", LAUNCH_SECTION, w->line);
        return;
    }
    AddText(&w->where, "it is in the section \"");
    AddVisible(&w->where, text, (int)strlen(text));
    AddText(&w->where, "\", not in [%s]", LAUNCH_SECTION);
}

/* Adds to the story of the current line what this piece is read as. */
static void
Tell(Walk *w, int chars, const char *what)
{
    if (chars == 0)
        return; /* only the line end of a line that filled a piece */
    AddText(&w->story, "%spiece %d (characters %d-%d) is %s",
            w->pieces > 0 ? "; " : "", w->piece, w->column,
            w->column + chars - 1, what);
    w->pieces++;
}

static void
TellEntry(Walk *w, int chars, const char *text)
{
    int k = 0;
    while (text[k] != '\0' && text[k] != '=')
        k++;
    Text what = {};
    AddText(&what, "an entry with the key \"");
    AddVisible(&what, text, k < KEY_SHOWN ? k : KEY_SHOWN);
    AddText(&what, "%s\" (not used)", k > KEY_SHOWN ? "..." : "");
    Tell(w, chars, TextOf(&what));
    FreeText(&what);
}

/*
 * A line that resembles "[pelgrove]" but is not taken as the header: the
 * usual ways it goes wrong, named. Returns 1 when text was one.
 */
static int
LookalikeHeader(Walk *w, const char *text)
{
    const char *p = text;
    int mark = 0, tabBefore = 0, spacesInside = 0, tabAfter = 0;
    if (w->line == 1 && w->piece == 1 && strncmp(p, "\xEF\xBB\xBF", 3) == 0) {
        mark = 1;
        p += 3;
    }
    while (IsBlank(*p))
        tabBefore |= *p++ == '\t';
    if (*p != '[')
        return 0;
    const char *close = strchr(p, ']');
    if (close == 0)
        return 0;
    const char *inner = p + 1;
    const char *innerEnd = close;
    while (inner < innerEnd && IsBlank(*inner))
        inner++, spacesInside = 1;
    while (innerEnd > inner && IsBlank(innerEnd[-1]))
        innerEnd--, spacesInside = 1;
    int n = (int)(innerEnd - inner);
    if (!SameIgnoringCase(inner, n, LAUNCH_SECTION))
        return 0;
    int otherCase = strncmp(inner, LAUNCH_SECTION, (size_t)n) != 0;
    const char *after = close + 1;
    const char *end = after + strlen(after);
    while (end > after && IsBlank(end[-1]))
        tabAfter |= *--end == '\t';
    int textAfter = end > after;
    if (!(mark || tabBefore || spacesInside || tabAfter || otherCase ||
          textAfter))
        return 0; /* the header itself */

    Reasons r = {};
    if (mark)
        AddText(Reason(&r), "a UTF-8 byte-order mark is in front of it (the "
                "file was saved as UTF-8 with a BOM; save it as ANSI)");
    if (tabBefore)
        AddText(Reason(&r), "a tab is in front of it");
    if (tabAfter)
        AddText(Reason(&r), "a tab follows it");
    if (otherCase)
        AddText(Reason(&r), "the name's letter case differs (it must be "
                "\"%s\")", LAUNCH_SECTION);
    if (spacesInside)
        AddText(Reason(&r), "there are spaces inside the brackets");
    if (textAfter)
        AddText(Reason(&r), "there is text after \"]\" (\";\" does not start "
                "a comment)");

    Text t = {};
    AddText(&t, "\"");
    AddVisible(&t, text, (int)strlen(text));
    AddText(&t, "\" is not the section header: ");
    AddReasons(&t, &r);
    AddText(&t, "; write [%s] alone on its line", LAUNCH_SECTION);
    AddFinding(w->findings, w->line, &t);
    return 1;
}

/*
 * A line that was probably meant as the entry for key but is not one:
 * remembered, and reported only if the launcher finds no entry at all.
 * text is the trimmed piece; inComment tells a "#" or "!" line in the
 * section, which the lookup skips.
 */
static void
NearMiss(Walk *w, int index, const char *text)
{
    const char *key = w->scan->keys[index].key;
    const char *p = text;
    int tabBefore = 0;
    while (IsBlank(*p))
        tabBefore |= *p++ == '\t';
    char comment = 0;
    if (*p == '#' || *p == '!' || *p == ';') {
        comment = *p++;
        while (IsBlank(*p))
            p++;
    }
    const char *equals = strchr(p, '=');
    if (equals == 0)
        return;
    const char *keyEnd = equals;
    int blanksBefore = 0;
    while (keyEnd > p && IsBlank(keyEnd[-1]))
        keyEnd--, blanksBefore = 1;
    int n = (int)(keyEnd - p);
    if (!SameIgnoringCase(p, n, key))
        return;
    int otherCase = strncmp(p, key, (size_t)n) != 0;
    int outside = !w->inSection;

    Reasons r = {};
    if (outside)
        AddText(Reason(&r), "%s", TextOf(&w->where));
    if (comment == '#' || comment == '!')
        AddText(Reason(&r), "it is a comment (it starts with \"%c\")", comment);
    else if (comment == ';')
        AddText(Reason(&r), "\";\" does not start a comment, so its key is "
                "\";%.*s\"", n, p);
    if (otherCase)
        AddText(Reason(&r), "keys are case-sensitive and this one is written "
                "\"%.*s\"", n, p);
    if (tabBefore)
        AddText(Reason(&r), "the tab in front of it belongs to the key");
    if (blanksBefore)
        AddText(Reason(&r), "the spaces or tabs before \"=\" belong to the key");

    Text t = {};
    AddText(&t, "\"");
    AddVisible(&t, text, (int)strlen(text));
    AddText(&t, "\" is not read as the %s entry: ", key);
    AddReasons(&t, &r);
    /* The value as it would have been read, less any tabs around it. */
    const char *value = equals + 1;
    while (IsBlank(*value))
        value++;
    int length = (int)strlen(value);
    while (length > 0 && IsBlank(value[length - 1]))
        length--;
    AddText(&t, "; write \"%s=", key);
    AddVisible(&t, value, length);
    AddText(&t, "\" at the start of a line under [%s]", LAUNCH_SECTION);
    AddFinding(&w->near[index], w->line, &t);
}

/* The piece is an entry inside the section (not "[", "#" or "!"). */
static void
TakeEntry(Walk *w, int chars, const char *text)
{
    int k = 0;
    while (text[k] != '\0' && text[k] != '=')
        k++;
    for (int i = 0; i < SCAN_KEYS; i++) {
        KeyPlace *place = &w->scan->keys[i];
        if ((int)strlen(place->key) != k || strncmp(text, place->key, (size_t)k) != 0)
            continue;
        if (place->line == 0) {
            place->line = w->line;
            place->piece = w->piece;
            Tell(w, chars, i == SCAN_RUNTIME ? "the " LAUNCH_RUNTIME_KEY " entry"
                                             : "the " LAUNCH_ARCHIVE_KEY " entry");
            return;
        }
        Text t = {};
        AddText(&t, "a second %s entry, not used: the first one, on line %d, "
                "is the one the launcher takes; delete one of them",
                place->key, place->line);
        AddFinding(w->findings, w->line, &t);
        Tell(w, chars, "a second entry for that key (not used)");
        return;
    }
    for (int i = 0; i < SCAN_KEYS; i++)
        NearMiss(w, i, text);
    LookalikeHeader(w, text);
    if (text[0] == '\0')
        Tell(w, chars, "blank");
    else
        TellEntry(w, chars, text);
}

/* One piece, in the state the lookup would be in when reading it. */
static void
TakeText(Walk *w, int chars, const char *text)
{
    if (!w->inSection) {
        if (strcmp(text, w->header) == 0) {
            w->inSection = 1;
            w->sectionLine = w->line;
            if (w->scan->headerLine == 0)
                w->scan->headerLine = w->line;
            Tell(w, chars, "the [" LAUNCH_SECTION "] header");
            return;
        }
        LookalikeHeader(w, text);
        for (int i = 0; i < SCAN_KEYS; i++)
            NearMiss(w, i, text);
        if (text[0] == '[')
            SetWhere(w, text);
        Tell(w, chars, "outside the section (not read)");
        return;
    }
    if (text[0] == '[') {
        /* Ends the section; not itself compared with the header. */
        w->inSection = 0;
        if (strcmp(text, w->header) == 0) {
            Text t = {};
            AddText(&t, "this [%s] comes inside the section begun on line %d, "
                    "so it ends that section instead of starting one, and the "
                    "lines after it are not read; delete it", LAUNCH_SECTION,
                    w->sectionLine);
            AddFinding(w->findings, w->line, &t);
        } else {
            LookalikeHeader(w, text);
        }
        SetWhere(w, text);
        Tell(w, chars, "a line starting with \"[\", which ends the section");
        return;
    }
    if (text[0] == '#' || text[0] == '!') {
        for (int i = 0; i < SCAN_KEYS; i++)
            NearMiss(w, i, text);
        Tell(w, chars, "a comment");
        return;
    }
    TakeEntry(w, chars, text);
}

static void
FinishLine(Walk *w, int length)
{
    if (length > PIECE_CHARS && w->pieces > 1) {
        Text t = {};
        AddText(&t, "this line is %d characters long; the launcher reads at "
                "most %d at a time and takes each piece as a line of its own: "
                "%s; keep every line shorter than %d characters",
                length, PIECE_CHARS, TextOf(&w->story), PIECE_CHARS + 1);
        AddFinding(w->findings, w->line, &t);
    }
    FreeText(&w->story);
    w->pieces = 0;
}

static void
TakePiece(Walk *w, const char *raw, int taken)
{
    int endsLine = raw[taken - 1] == '\n';
    int chars = taken - endsLine;
    int seen = (int)strlen(raw);
    if (seen < taken && !w->utf16) {
        Text t = {};
        AddText(&t, "a NUL byte at character %d: the launcher reads this "
                "line only up to it; delete it", w->column + seen);
        AddFinding(w->findings, w->line, &t);
    }

    char text[INI_LINE_SIZE];
    CopyChars(text, raw, seen);
    TrimLine(text);
    const char *cr = strchr(text, '\r');
    if (cr != 0) {
        Text t = {};
        AddText(&t, "a carriage return (CR) without a line feed: the launcher "
                "does not end the line there, the text after it stays on this "
                "line; save the file with Windows (CR LF) line ends");
        AddFinding(w->findings, w->line, &t);
    }
    TakeText(w, chars, text);

    if (endsLine) {
        FinishLine(w, w->column + chars - 1);
        w->line++;
        w->piece = 1;
        w->column = 1;
    } else {
        w->piece++;
        w->column += chars;
    }
}

/* The whole file as bytes, for what the text reader never delivers. Returns
 * the count, or -1 when it cannot be read; *bytes is to be freed. */
static long
ReadBytes(char **bytes)
{
    *bytes = 0;
    FILE *file = fopen(LAUNCH_CONFIG_FILE, "rb");
    if (file == 0)
        return -1;
    long size = 0, capacity = 0;
    char *data = 0;
    for (;;) {
        if (size == capacity) {
            capacity = capacity > 0 ? capacity * 2 : 4096;
            char *grown = (char *)realloc(data, (size_t)capacity);
            if (grown == 0) {
                free(data);
                fclose(file);
                return -1;
            }
            data = grown;
        }
        size_t got = fread(data + size, 1, (size_t)(capacity - size), file);
        if (got == 0)
            break;
        size += (long)got;
    }
    int failed = ferror(file);
    fclose(file);
    if (failed) {
        free(data);
        return -1;
    }
    *bytes = data;
    return size;
}

/* Does the line (count bytes, untrimmed) start an entry for key, however
 * spaced? Used only on text the launcher never reads. */
static int
LooksLikeEntry(const char *line, int count, const char *key)
{
    int n = (int)strlen(key);
    if (count < n || strncmp(line, key, (size_t)n) != 0)
        return 0;
    while (n < count && IsBlank(line[n]))
        n++;
    return n < count && line[n] == '=';
}

/*
 * A Ctrl-Z ends the file for the launcher (text mode). Harmless at the very
 * end, where old editors put one; a trap when anything follows it.
 */
static void
CtrlZ(Walk *w, const char *bytes, long size)
{
    const char *z = (const char *)memchr(bytes, CTRL_Z, (size_t)size);
    if (z == 0)
        return;
    int line = 1;
    const char *lineStart = bytes;
    for (const char *p = bytes; p < z; p++)
        if (*p == '\n') {
            line++;
            lineStart = p + 1;
        }

    Text lost = {};
    int anything = 0;
    int at = line;
    const char *p = z + 1;
    const char *end = bytes + size;
    while (p < end) {
        const char *next = (const char *)memchr(p, '\n', (size_t)(end - p));
        const char *stop = next != 0 ? next : end;
        const char *a = p, *b = stop;
        while (a < b && (IsBlank(*a) || *a == '\r' || *a == CTRL_Z))
            a++;
        while (b > a && (IsBlank(b[-1]) || b[-1] == '\r' || b[-1] == CTRL_Z))
            b--;
        if (a < b) {
            anything = 1;
            int n = (int)(b - a);
            if (n == (int)strlen(w->header) &&
                strncmp(a, w->header, (size_t)n) == 0)
                AddText(&lost, ", the [%s] header on line %d", LAUNCH_SECTION,
                        at);
            for (int i = 0; i < SCAN_KEYS; i++)
                if (LooksLikeEntry(a, n, w->scan->keys[i].key))
                    AddText(&lost, ", the %s entry on line %d",
                            w->scan->keys[i].key, at);
        }
        at++;
        p = stop + 1;
    }
    if (anything) {
        Text t = {};
        AddText(&t, "a byte 0x1A (Ctrl-Z) at character %d ends the file for "
                "the launcher: nothing after it is read", (int)(z - lineStart) + 1);
        if (lost.length > 0)
            AddText(&t, " (it misses%s)", TextOf(&lost) + 1);
        AddText(&t, "; delete that byte");
        AddFinding(w->findings, line, &t);
    }
    FreeText(&lost);
}

void
ScanConfig(Scan *scan, Findings *findings)
{
    memset(scan, 0, sizeof *scan);
    scan->keys[SCAN_RUNTIME].key = LAUNCH_RUNTIME_KEY;
    scan->keys[SCAN_ARCHIVE].key = LAUNCH_ARCHIVE_KEY;

    TextFile file;
    if (OpenTextFile(&file, LAUNCH_CONFIG_FILE) != 0) {
        SysErrorText(scan->reason, sizeof scan->reason);
        return;
    }
    scan->opened = 1;

    Walk w;
    memset(&w, 0, sizeof w);
    w.scan = scan;
    w.findings = findings;
    snprintf(w.header, sizeof w.header, "[%s]", LAUNCH_SECTION);
    w.line = 1;
    w.piece = 1;
    w.column = 1;
    AddText(&w.where, "it comes before the [%s] header", LAUNCH_SECTION);

    char *bytes = 0;
    long size = ReadBytes(&bytes);
    if (size >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                      (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        w.utf16 = 1;
        Text t = {};
        AddText(&t, "config.ini is saved as UTF-16 (\"Unicode\"): the launcher "
                "reads single bytes, and every other one is a NUL, so it finds "
                "no header and no entries; save it as ANSI");
        AddFinding(findings, 1, &t);
    }
    scan->utf8Mark = size >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0;

    char raw[INI_LINE_SIZE];
    int taken;
    while ((taken = ReadTextLine(&file, raw, sizeof raw)) > 0)
        TakePiece(&w, raw, taken);
    if (taken < 0) {
        scan->readFailed = 1;
        SysErrorText(scan->reason, sizeof scan->reason);
    }
    CloseTextFile(&file);
    if (w.pieces > 0 || w.story.length > 0)
        FinishLine(&w, w.column - 1);

    if (size > 0)
        CtrlZ(&w, bytes, size);
    free(bytes);

    for (int i = 0; i < SCAN_KEYS; i++) {
        if (scan->keys[i].line == 0)
            for (int j = 0; j < w.near[i].count; j++) {
                Text t = {};
                AddText(&t, "%s", w.near[i].items[j].text);
                AddFinding(findings, w.near[i].items[j].line, &t);
            }
        FreeFindings(&w.near[i]);
    }
    FreeText(&w.where);
    FreeText(&w.story);
}
