/*
 * ini.h - looking up one key in one section of an INI-style text file.
 *
 * The format is deliberately small and is read by hand, not by a platform
 * service, so that every byte of it behaves the same everywhere:
 *
 *   - the file is read in text mode (see textfile.h) in pieces of at most
 *     INI_LINE_SIZE - 1 characters; a longer physical line arrives as several
 *     pieces and each piece is examined as a line of its own;
 *   - every piece is trimmed of leading and trailing spaces, CRs and LFs
 *     (tabs and all other bytes stay);
 *   - a section starts at a line equal, byte for byte, to "[" name "]";
 *   - inside a section a line starting with "[" ends it, a line starting
 *     with "#" or "!" is a comment, and every other line (the empty one
 *     too) is an entry: key is everything before the first "=", value is
 *     everything after it, trimmed again;
 *   - the first matching entry wins; keys and names are case-sensitive.
 */
#ifndef PELGROVE_INI_H
#define PELGROVE_INI_H

/* fgets-sized line buffer of the lookup: a piece holds at most 499
 * characters. A header line must fit in one piece, so a section name has
 * at most 497 characters (two go to the brackets). */
enum { INI_LINE_SIZE = 500 };

/*
 * Finds the entry keyName in the section sectionName of the file fileName
 * and copies its trimmed value, with terminator, into value.
 *
 *   value      caller's buffer, valueSize bytes; only written on success
 *   valueSize  capacity of value; a value that needs more (its length is
 *              valueSize or more) is refused rather than cut, since a cut
 *              value could name a different program or file
 *
 * Returns 0 when the entry was found and delivered; -1 when the file cannot
 * be opened or read, the section or the entry is missing, or the first
 * matching entry's value does not fit. On -1, value is left exactly as it
 * was. The file is opened and closed within the call.
 */
int
GetIniValue(char *value, int valueSize, const char *fileName,
            const char *sectionName, const char *keyName);

/*
 * Removes leading and trailing spaces, CRs and LFs from text in place and
 * returns text (null stays null). Tabs and every other byte are kept.
 */
char *
TrimLine(char *text);

/*
 * Copies exactly count characters from source to destination and writes a
 * terminator after them; a count of 0 or less writes only the terminator.
 * The caller provides count + 1 bytes. Returns destination.
 */
char *
CopyChars(char *destination, const char *source, int count);

#endif /* PELGROVE_INI_H */
