/*
 * ini_model.h - a second, deliberately plain account of what the launcher
 * reads from config.ini and what it then starts, to check the real code by.
 *
 * It is written from the rules of the format, not from config/: the whole
 * file is one std::string, text mode is a find-and-replace, a piece is a
 * substring, trimming is find_first_not_of. It must stay that way. An
 * oracle that shares the real code's structure (blocks, a state machine,
 * counted copies) would share its mistakes; one this plain is easy to
 * check by eye against the rules.
 *
 * Used by the fuzzers (host), the text-mode referee and the Wine harness
 * (Windows), so it is standard C++ only: no platform headers.
 */
#ifndef PELGROVE_INI_MODEL_H
#define PELGROVE_INI_MODEL_H

#include <string>
#include <vector>

namespace model {

/* The file as text mode delivers it: nothing from the first byte 0x1A on,
 * and every CR LF pair as one LF. A CR not followed by LF stays. */
std::string
TextMode(const std::string &bytes);

/* What successive reads of at most `most` characters each (fgets with a
 * buffer of most + 1 bytes) deliver from the file: a piece ends after an LF
 * or after `most` characters. NUL bytes are kept inside the pieces. */
std::vector<std::string>
Pieces(const std::string &bytes, size_t most);

struct Found {
    bool found;
    std::string value; /* when found */
};

/* The value of key in section, as the rules give it: the first matching
 * entry, trimmed, however long it is. Names are C texts (no NUL). */
Found
Lookup(const std::string &bytes, const std::string &section,
       const std::string &key);

struct Launch {
    bool starts;
    std::string commandLine; /* when starts */
    std::string runtime;     /* the jre value, when starts */
};

/* What the launcher starts given this config.ini: jre " -jar " jar when
 * both are found in [pelgrove] and each has at most 99 characters;
 * otherwise nothing. */
Launch
Launcher(const std::string &bytes);

} /* namespace model */

#endif /* PELGROVE_INI_MODEL_H */
