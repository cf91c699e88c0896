/*
 * referee_reader.cpp - drives config/textfile.cpp for the referee; see
 * referee_reader.h. Must never include <windows.h>.
 */
#include "referee_reader.h"

#include "../../config/textfile.h"

int
ReadWithLauncherReader(const char *fileName, int size, PieceSink sink,
                       void *context)
{
    TextFile text;
    char line[1024];

    if (size < 2 || size > (int)sizeof line)
        return -1;
    if (OpenTextFile(&text, fileName) != 0)
        return -1;
    int taken;
    while ((taken = ReadTextLine(&text, line, size)) > 0)
        sink(line, taken, context);
    CloseTextFile(&text);
    return taken;
}
