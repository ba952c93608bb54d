/* Asks the Windows loader about a file: it must map as an image, and each resource named on the
   command line must be found with exactly the bytes of its data file.
     load_probe FILE [TYPE NAME LANGUAGE DATAFILE]...
   TYPE and NAME are names or "#number". Exit status 0 when everything holds. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static LPCSTR resourceName(const char* text) {
  return text[0] == '#' ? MAKEINTRESOURCEA(atoi(text + 1)) : text;
}

static long readAll(const char* path, unsigned char** bytes) {
  FILE* file = fopen(path, "rb");
  long size;
  if (!file) return -1;
  fseek(file, 0, SEEK_END);
  size = ftell(file);
  fseek(file, 0, SEEK_SET);
  *bytes = malloc(size > 0 ? (size_t)size : 1);
  if (fread(*bytes, 1, (size_t)size, file) != (size_t)size) size = -1;
  fclose(file);
  return size;
}

int main(int argc, char** argv) {
  int failures = 0;
  int i;
  HMODULE module;
  if (argc < 2 || (argc - 2) % 4 != 0) {
    fprintf(stderr, "usage: load_probe FILE [TYPE NAME LANGUAGE DATAFILE]...\n");
    return 2;
  }
  /* Mapped as an image (sections at their addresses), never run. */
  module = LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) {
    printf("not mapped: error %lu\n", GetLastError());
    return 1;
  }
  for (i = 2; i < argc; i += 4) {
    unsigned char* expected = NULL;
    long size = readAll(argv[i + 3], &expected);
    HRSRC found = FindResourceExA(module, resourceName(argv[i]), resourceName(argv[i + 1]),
                                  (WORD)strtoul(argv[i + 2], NULL, 0));
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const void* data = loaded ? LockResource(loaded) : NULL;
    if (!data || size < 0 || SizeofResource(module, found) != (DWORD)size ||
        memcmp(data, expected, (size_t)size) != 0) {
      printf("resource %s %s %s: not found with the expected bytes\n", argv[i], argv[i + 1],
             argv[i + 2]);
      ++failures;
    }
    free(expected);
  }
  FreeLibrary(module);
  if (failures == 0) printf("mapped, resources found\n");
  return failures ? 1 : 0;
}
