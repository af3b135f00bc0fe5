// Stands in for the mail program and the browser in the about box tests.
//
//   url_recorder <record file> <address>
//
// Appends the address it was handed, one line per call, to the record file.

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  FILE* record = std::fopen(argv[1], "ab");
  if (!record) return 1;
  std::fprintf(record, "%s\n", argv[2]);
  return std::fclose(record) == 0 ? 0 : 1;
}
