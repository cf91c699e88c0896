/*
 * ini.cpp - the configuration lookup and its two text operations.
 *
 * Must never: allocate, keep global state, call the C runtime (the launcher
 * has none), or write to the caller's value buffer unless the lookup
 * succeeds and the value fits. Start reading at GetIniValue.
 */
#include "ini.h"

#include "textfile.h"

static int
TextLength(const char *text)
{
    int n = 0;
    while (text[n] != '\0')
        n++;
    return n;
}

static int
IsTrimmed(char c)
{
    return c == ' ' || c == '\r' || c == '\n';
}

char *
TrimLine(char *text)
{
    if (text == 0)
        return text;
    const char *from = text;
    while (IsTrimmed(*from))
        from++;
    /* Move the rest to the front (in place: from never trails to), then
     * cut the trailing run. */
    char *to = text;
    while ((*to = *from) != '\0') {
        to++;
        from++;
    }
    while (to > text && IsTrimmed(to[-1]))
        to--;
    *to = '\0';
    return text;
}

char *
CopyChars(char *destination, const char *source, int count)
{
    int i = 0;
    for (; i < count; i++)
        destination[i] = source[i];
    destination[i] = '\0';
    return destination;
}

/*
 * Is this line, once trimmed, exactly "[" name "]"? Decided in one pass
 * without trimming the line: lines outside the section are by far the most
 * of a large file, and only this question is asked of them.
 */
static int
IsHeader(const char *line, const char *name)
{
    while (IsTrimmed(*line))
        line++;
    if (*line++ != '[')
        return 0;
    while (*name != '\0' && *name == *line) {
        name++;
        line++;
    }
    if (*name != '\0' || *line++ != ']')
        return 0;
    while (IsTrimmed(*line))
        line++;
    return *line == '\0';
}

/*
 * If the key of this entry (everything before the first "=") is exactly
 * key, returns the rest of the line after that "=", or the empty text at
 * the end of a line that has no "=". Otherwise returns 0.
 */
static char *
AfterKey(char *line, const char *key)
{
    while (*key != '\0' && *key == *line && *line != '=') {
        key++;
        line++;
    }
    if (*key != '\0')
        return 0;
    if (*line == '=')
        return line + 1;
    return *line == '\0' ? line : 0;
}

int
GetIniValue(char *value, int valueSize, const char *fileName,
            const char *sectionName, const char *keyName)
{
    char line[INI_LINE_SIZE];
    TextFile file;
    int inSection = 0;
    int result = -1;

    /* A line holds at most INI_LINE_SIZE - 1 characters, so a header with
     * a longer name could never match: do not even open the file. */
    if (TextLength(sectionName) > INI_LINE_SIZE - 3)
        return -1;
    if (OpenTextFile(&file, fileName) != 0)
        return -1;

    /* End of file and a failed read both end the scan with -1. */
    while (ReadTextLine(&file, line, sizeof line) > 0) {
        if (!inSection) {
            /* Outside a section only the header matters; comments too are
             * just lines that are not the header. */
            inSection = IsHeader(line, sectionName);
            continue;
        }
        TrimLine(line);
        if (line[0] == '[') {
            /* The section ends here. This line is not itself compared
             * with the header: the search resumes with the next line. */
            inSection = 0;
            continue;
        }
        if (line[0] == '#' || line[0] == '!')
            continue;

        /* An entry; spaces before "=" belong to the key, so "jre =" is
         * the key "jre " and does not match "jre". */
        char *rest = AfterKey(line, keyName);
        if (rest == 0)
            continue;

        /* The value is what follows the first "=", trimmed again. The
         * first matching entry decides, whether it fits or not. */
        TrimLine(rest);
        int length = TextLength(rest);
        if (length < valueSize) {
            CopyChars(value, rest, length);
            result = 0;
        }
        break;
    }

    CloseTextFile(&file);
    return result;
}
