/*
 * textfile.cpp - text-mode line reading without a C runtime.
 *
 * Must never: allocate, keep global state, or read or write outside the
 * caller's TextFile and line buffer. See textfile.h for the rules kept.
 */
#include "textfile.h"

enum { CTRL_Z = 0x1A };

int
OpenTextFile(TextFile *text, const char *fileName)
{
    /* OPEN_EXISTING and shared read/write access are what the platform's own
     * text-mode fopen(..., "r") asks for; a directory fails to open here,
     * because we do not ask for backup semantics. */
    HANDLE file = CreateFileA(fileName, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    text->file = file;
    text->next = 0;
    text->end = 0;
    text->status = TEXT_OPEN;
    return 0;
}

void
CloseTextFile(TextFile *text)
{
    CloseHandle(text->file);
}

/*
 * Fills the block with the next bytes of the file. Returns 0 when there is
 * at least one new byte, -1 at the end of the file or on a failed read; both
 * are remembered, so the file is never read again after either.
 */
static int
Refill(TextFile *text)
{
    DWORD got = 0;

    if (text->status != TEXT_OPEN)
        return -1;
    if (!ReadFile(text->file, text->block, sizeof text->block, &got, 0) ||
        got > sizeof text->block) {
        text->status = TEXT_FAILED;
        return -1;
    }
    if (got == 0) {
        text->status = TEXT_ENDED;
        return -1;
    }
    text->next = 0;
    text->end = got;
    return 0;
}

/*
 * Called after a CR has been taken: looks at the byte after it, loading the
 * next block if the CR was the last byte of this one. A following LF is
 * consumed and the pair becomes one LF; anything else (including Ctrl-Z and
 * the end of the file) is left for the next read and the CR stays a CR.
 */
static char
AfterCarriageReturn(TextFile *text)
{
    if (text->next == text->end && Refill(text) != 0)
        return '\r';
    if (text->block[text->next] != '\n')
        return '\r';
    text->next++;
    return '\n';
}

int
ReadTextLine(TextFile *text, char *line, int size)
{
    int taken = 0;

    while (taken < size - 1) {
        if (text->next == text->end && Refill(text) != 0)
            break;
        char c = text->block[text->next++];
        if (c == CTRL_Z) {
            /* Text mode treats Ctrl-Z as the end of the file, whatever
             * follows it; make that permanent. */
            text->status = TEXT_ENDED;
            text->next = text->end;
            break;
        }
        if (c == '\r')
            c = AfterCarriageReturn(text);
        line[taken++] = c;
        if (c == '\n')
            break;
    }
    line[taken] = '\0';
    if (text->status == TEXT_FAILED)
        return -1;
    return taken;
}
