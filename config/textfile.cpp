/*
 * textfile.cpp - text-mode line reading without a C runtime.
 *
 * Must never: allocate, keep global state, or read or write outside the
 * caller's TextFile and line buffer. See textfile.h for the rules kept.
 *
 * Almost every byte of a configuration file is an ordinary character, so
 * ReadTextLine copies runs of them straight out of the block in a tight
 * loop and gives a second look only to the three bytes text mode treats
 * specially: LF, CR and Ctrl-Z.
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
        got > sizeof text->block)
        text->status = TEXT_FAILED;
    else if (got == 0)
        text->status = TEXT_ENDED;
    else {
        text->next = 0;
        text->end = got;
        return 0;
    }
    return -1;
}

/* Takes the next byte of the file, or returns -1 at its end. */
static int
TakeByte(TextFile *text)
{
    if (text->next == text->end && Refill(text) != 0)
        return -1;
    return (unsigned char)text->block[text->next++];
}

int
ReadTextLine(TextFile *text, char *line, int size)
{
    int taken = 0;

    while (taken < size - 1) {
        /* Printable bytes, nearly all of a file, are copied in a tight
         * loop over the block. Its position is kept in a local: through
         * text the compiler would have to store and reload it around
         * every byte stored into line, which might alias it. */
        DWORD next = text->next;
        while (next < text->end && taken < size - 1 &&
               (unsigned char)text->block[next] > CTRL_Z)
            line[taken++] = text->block[next++];
        text->next = next;
        if (taken == size - 1)
            break;

        /* Any other byte, one at a time, refilling the block as needed. */
        int c = TakeByte(text);
        if (c < 0)
            break;
        if (c == CTRL_Z) {
            /* Text mode treats Ctrl-Z as the end of the file, whatever
             * follows it; make that permanent. */
            text->status = TEXT_ENDED;
            text->next = text->end;
            break;
        }
        if (c == '\r') {
            /* CR LF is taken as one LF, also when the LF starts the next
             * block. Anything else after a CR, Ctrl-Z included, is put
             * back for the next read (it is still in the block), and the
             * CR stays a CR. */
            int after = TakeByte(text);
            if (after == '\n')
                c = '\n';
            else if (after >= 0)
                text->next--;
        }
        line[taken++] = (char)c;
        if (c == '\n')
            break;
    }
    line[taken] = '\0';
    if (text->status == TEXT_FAILED)
        return -1;
    return taken;
}
