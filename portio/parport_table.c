#include "parport_table.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

int ParportBaseFromText(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  if (!isdigit((unsigned char)*text)) return -1;
  char* end = NULL;
  const unsigned long base = strtoul(text, &end, 10);
  if (base > 0xFFFF) return -1;
  return (int)base;
}

/* Parses "first-last : name" with hexadecimal first and last. */
static int ParseIoportsLine(const char* line, const char* lineEnd, int* first, int* last,
                            const char** name) {
  while (line < lineEnd && (*line == ' ' || *line == '\t')) ++line;
  char* end = NULL;
  const unsigned long a = strtoul(line, &end, 16);
  if (end == line || end >= lineEnd || *end != '-') return 0;
  const char* second = end + 1;
  const unsigned long b = strtoul(second, &end, 16);
  if (end == second || end > lineEnd || a > 0xFFFF || b > 0xFFFF || b < a) return 0;
  while (end < lineEnd && (*end == ' ' || *end == ':')) ++end;
  *first = (int)a;
  *last = (int)b;
  *name = end;
  return 1;
}

/* The end of the line that starts at `line` (its newline or the text's end). */
static const char* LineEnd(const char* line) {
  const char* end = strchr(line, '\n');
  return end ? end : line + strlen(line);
}

int ParportRangeFromIoports(const char* text, int port, int* first, int* last) {
  static const char prefix[] = "parport";
  const char* line = text;
  while (*line) {
    const char* lineEnd = LineEnd(line);
    int a = 0;
    int b = 0;
    const char* name = NULL;
    if (ParseIoportsLine(line, lineEnd, &a, &b, &name) &&
        (size_t)(lineEnd - name) >= sizeof prefix - 1 &&
        strncmp(name, prefix, sizeof prefix - 1) == 0 && port >= a && port <= b) {
      *first = a;
      *last = b;
      return 1;
    }
    line = *lineEnd ? lineEnd + 1 : lineEnd;
  }
  return 0;
}

int ParportNumberFromName(const char* name) {
  static const char prefix[] = "parport";
  if (strncmp(name, prefix, sizeof prefix - 1) != 0) return -1;
  const char* digits = name + sizeof prefix - 1;
  if (!*digits || strlen(digits) > 4) return -1;
  for (const char* c = digits; *c; ++c)
    if (!isdigit((unsigned char)*c)) return -1;
  return atoi(digits);
}

int IoportsAddressesHidden(const char* text) {
  const char* line = text;
  int seen = 0;
  while (*line) {
    const char* lineEnd = LineEnd(line);
    int a = 0;
    int b = 0;
    const char* name = NULL;
    if (ParseIoportsLine(line, lineEnd, &a, &b, &name)) {
      if (a != 0 || b != 0) return 0;
      seen = 1;
    }
    line = *lineEnd ? lineEnd + 1 : lineEnd;
  }
  return seen;
}
