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
SameText(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
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
    int n = TextLength(text);
    int i = 0;
    while (i < n && IsTrimmed(text[i]))
        i++;
    int j = n; /* one past the last character kept */
    while (j > i && IsTrimmed(text[j - 1]))
        j--;
    if (i > 0)
        for (int k = i; k < j; k++)
            text[k - i] = text[k];
    text[j - i] = '\0';
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
 * Writes "[" name "]" into header (size bytes). Returns -1 when it would not
 * fit; such a header could never equal a line anyway, since a line is at
 * most size - 1 characters.
 */
static int
FormatHeader(char *header, int size, const char *name)
{
    int n = 0;
    header[n++] = '[';
    for (; *name != '\0'; name++) {
        if (n >= size - 2)
            return -1;
        header[n++] = *name;
    }
    header[n++] = ']';
    header[n] = '\0';
    return 0;
}

/* Is the key of this entry, the first k characters of line, exactly key? */
static int
KeyMatches(const char *line, int k, const char *key)
{
    for (int i = 0; i < k; i++)
        if (key[i] != line[i])
            return 0;
    return key[k] == '\0';
}

int
GetIniValue(char *value, int valueSize, const char *fileName,
            const char *sectionName, const char *keyName)
{
    char line[INI_LINE_SIZE];
    char header[INI_LINE_SIZE];
    char scratch[INI_LINE_SIZE];
    TextFile file;
    int inSection = 0;
    int result = -1;

    if (FormatHeader(header, sizeof header, sectionName) != 0)
        return -1;
    if (OpenTextFile(&file, fileName) != 0)
        return -1;

    /* End of file and a failed read both end the scan with -1. */
    while (ReadTextLine(&file, line, sizeof line) > 0) {
        TrimLine(line);
        if (!inSection) {
            /* Outside a section only the header matters; comments too are
             * just lines that are not the header. */
            inSection = SameText(line, header);
            continue;
        }
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
        int k = 0;
        while (line[k] != '\0' && line[k] != '=')
            k++;
        if (!KeyMatches(line, k, keyName))
            continue;

        /* The value is what follows the first "=", trimmed again; a line
         * with no "=" at all has k == n and gives the empty value. The
         * first matching entry decides, whether it fits or not. */
        int n = TextLength(line);
        CopyChars(scratch, line + k + 1, n - k - 1);
        TrimLine(scratch);
        int length = TextLength(scratch);
        if (length < valueSize) {
            CopyChars(value, scratch, length);
            result = 0;
        }
        break;
    }

    CloseTextFile(&file);
    return result;
}
