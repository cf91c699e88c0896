/*
 * fuzz_support.h - what the two fuzz targets share: stopping loudly, and
 * turning an input into the varying conditions it is checked under.
 *
 * Each target takes the fuzzer's bytes as the whole file. Everything else
 * (sizes of the underlying reads, which read fails, which names are looked
 * up) is derived from those bytes by a seeded generator, so an input always
 * replays the same way, any saved test case reproduces on its own, and the
 * seed corpus can be plain configuration files.
 */
#ifndef PELGROVE_FUZZ_SUPPORT_H
#define PELGROVE_FUZZ_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../platform/win32.h"

namespace fuzz {

/* A broken rule stops the run; libFuzzer saves the input that did it. */
inline void
Require(bool holds, const char *rule, const std::string &detail = "")
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s %s\n", rule, detail.c_str());
    std::abort();
}

/* splitmix64 over a seed taken from the input's bytes (FNV-1a). */
class Choices {
  public:
    explicit Choices(const std::string &bytes)
    {
        state_ = 14695981039346656037ull;
        for (unsigned char c : bytes)
            state_ = (state_ ^ c) * 1099511628211ull;
    }

    /* A number from 0 to below (below > 0). */
    unsigned long long
    Below(unsigned long long below)
    {
        unsigned long long z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return (z ^ (z >> 31)) % below;
    }

    /* Sizes for successive reads: mostly tiny, so that CR LF pairs, pieces
     * and blocks are split everywhere, with some just around a piece (499,
     * 500) or a block (2048), and some reads as large as asked (0). */
    std::vector<DWORD>
    ReadSizes()
    {
        static const DWORD kEdges[] = {0, 498, 499, 500, 501, 2047, 2048};
        std::vector<DWORD> sizes(1 + Below(8));
        for (DWORD &size : sizes) {
            unsigned long long kind = Below(10);
            if (kind < 6)
                size = (DWORD)(1 + Below(8));
            else if (kind < 8)
                size = kEdges[Below(sizeof kEdges / sizeof kEdges[0])];
            else
                size = (DWORD)(1 + Below(3000));
        }
        return sizes;
    }

  private:
    unsigned long long state_;
};

/* Printable form of a text for a failure message. */
inline std::string
Shown(const std::string &text)
{
    std::string shown = "\"";
    for (unsigned char c : text) {
        char hex[8];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            shown += (char)c;
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        }
    }
    return shown + "\"";
}

} /* namespace fuzz */

#endif /* PELGROVE_FUZZ_SUPPORT_H */
