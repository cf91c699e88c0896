/*
 * ini_model.cpp - the plain model of the lookup; see ini_model.h.
 */
#include "ini_model.h"

namespace model {

namespace {

/* Spaces, CRs and LFs go from both ends; tabs and all other bytes stay. */
std::string
Trim(const std::string &text)
{
    const char *blank = " \r\n";
    size_t first = text.find_first_not_of(blank);
    if (first == std::string::npos)
        return "";
    size_t last = text.find_last_not_of(blank);
    return text.substr(first, last - first + 1);
}

/* A line is examined as a C text: a NUL ends it. */
std::string
AsLine(const std::string &piece)
{
    return Trim(piece.substr(0, piece.find('\0')));
}

} /* namespace */

std::string
TextMode(const std::string &bytes)
{
    std::string text = bytes.substr(0, bytes.find('\x1A'));
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue; /* the LF that follows stands for the pair */
        out += text[i];
    }
    return out;
}

std::vector<std::string>
Pieces(const std::string &bytes, size_t most)
{
    std::string text = TextMode(bytes);
    std::vector<std::string> pieces;
    size_t at = 0;
    while (at < text.size()) {
        size_t lineFeed = text.find('\n', at);
        size_t length = lineFeed == std::string::npos ? text.size() - at
                                                      : lineFeed - at + 1;
        if (length > most)
            length = most;
        pieces.push_back(text.substr(at, length));
        at += length;
    }
    return pieces;
}

Found
Lookup(const std::string &bytes, const std::string &section,
       const std::string &key)
{
    const std::string header = "[" + section + "]";
    bool inSection = false;
    for (const std::string &piece : Pieces(bytes, 499)) {
        std::string line = AsLine(piece);
        if (!inSection) {
            inSection = line == header;
            continue;
        }
        if (line.compare(0, 1, "[") == 0) {
            inSection = false; /* and this line is no header */
            continue;
        }
        if (line.compare(0, 1, "#") == 0 || line.compare(0, 1, "!") == 0)
            continue;
        size_t equals = line.find('=');
        if (line.substr(0, equals) != key)
            continue;
        if (equals == std::string::npos)
            return {true, ""};
        return {true, Trim(line.substr(equals + 1))};
    }
    return {false, ""};
}

Launch
Launcher(const std::string &bytes)
{
    Found runtime = Lookup(bytes, "pelgrove", "jre");
    if (!runtime.found || runtime.value.size() > 99)
        return {false, "", ""};
    Found archive = Lookup(bytes, "pelgrove", "jar");
    if (!archive.found || archive.value.size() > 99)
        return {false, "", ""};
    return {true, runtime.value + " -jar " + archive.value, runtime.value};
}

} /* namespace model */
