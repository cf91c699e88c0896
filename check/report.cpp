/*
 * report.cpp - growing texts, visible values and the warning list.
 *
 * Running out of memory ends the program: the checker has nothing useful
 * to say with half a report.
 *
 * Must never: show a value's bytes in a form that could be read as other
 * bytes, or cut a text short.
 */
#include "report.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

static void *
Grow(void *block, size_t size)
{
    void *grown = realloc(block, size);
    if (grown == 0) {
        fputs("pelgrove-check: out of memory\n", stderr);
        abort();
    }
    return grown;
}

static void
Reserve(Text *text, int more)
{
    int need = text->length + more + 1;
    if (need <= text->capacity)
        return;
    int capacity = text->capacity > 0 ? text->capacity : 128;
    while (capacity < need)
        capacity *= 2;
    text->bytes = (char *)Grow(text->bytes, (size_t)capacity);
    text->capacity = capacity;
}

void
AddText(Text *text, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int n = vsnprintf(0, 0, format, arguments);
    va_end(arguments);
    if (n <= 0)
        return;
    Reserve(text, n);
    va_start(arguments, format);
    vsnprintf(text->bytes + text->length, (size_t)n + 1, format, arguments);
    va_end(arguments);
    text->length += n;
}

void
AddVisible(Text *text, const char *value, int count)
{
    for (int i = 0; i < count; i++) {
        unsigned char c = (unsigned char)value[i];
        if (c == '\t')
            AddText(text, "<TAB>");
        else if (c == '\r')
            AddText(text, "<CR>");
        else if (c < 0x20 || c >= 0x7F || c == '<')
            AddText(text, "<%02X>", c);
        else
            AddText(text, "%c", c);
    }
}

const char *
TextOf(const Text *text)
{
    return text->bytes != 0 ? text->bytes : "";
}

void
FreeText(Text *text)
{
    free(text->bytes);
    text->bytes = 0;
    text->length = 0;
    text->capacity = 0;
}

void
AddFinding(Findings *findings, int line, Text *text)
{
    if (findings->count == findings->capacity) {
        int capacity = findings->capacity > 0 ? findings->capacity * 2 : 16;
        findings->items = (Finding *)Grow(
            findings->items, (size_t)capacity * sizeof *findings->items);
        findings->capacity = capacity;
    }
    Finding *finding = &findings->items[findings->count++];
    finding->line = line;
    finding->text = text->bytes;
    if (finding->text == 0) {
        finding->text = (char *)Grow(0, 1);
        finding->text[0] = '\0';
    }
    text->bytes = 0;
    text->length = 0;
    text->capacity = 0;
}

/* Line 0 (the whole file) sorts after every real line. */
static unsigned
SortKey(int line)
{
    return line > 0 ? (unsigned)line : ~0u;
}

void
SortFindings(Findings *findings)
{
    /* Insertion sort: stable, and the list is short and mostly in order. */
    for (int i = 1; i < findings->count; i++) {
        Finding moving = findings->items[i];
        int j = i;
        while (j > 0 &&
               SortKey(findings->items[j - 1].line) > SortKey(moving.line)) {
            findings->items[j] = findings->items[j - 1];
            j--;
        }
        findings->items[j] = moving;
    }
}

void
FreeFindings(Findings *findings)
{
    for (int i = 0; i < findings->count; i++)
        free(findings->items[i].text);
    free(findings->items);
    findings->items = 0;
    findings->count = 0;
    findings->capacity = 0;
}
