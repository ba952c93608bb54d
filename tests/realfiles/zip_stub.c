/* A minimal self-extractor: finds the ZIP archive at the end of its own file and writes its stored
   entries into the folder given as its argument. It reads the central directory's offsets as
   offsets of its own file, as "zip -A" sets them, and checks each entry's CRC.
     zip_stub FOLDER */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static unsigned long crcTable[256];

static void makeTable(void) {
  unsigned long n, c;
  int k;
  for (n = 0; n < 256; ++n) {
    c = n;
    for (k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
    crcTable[n] = c;
  }
}

static unsigned long crc32(const unsigned char* bytes, unsigned long count) {
  unsigned long crc = 0xFFFFFFFFUL, i;
  for (i = 0; i < count; ++i) crc = crcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFUL;
}

static unsigned u16(const unsigned char* p) { return p[0] | (p[1] << 8); }
static unsigned long u32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | ((unsigned long)p[2] << 16) | ((unsigned long)p[3] << 24);
}

int main(int argc, char** argv) {
  char self[MAX_PATH];
  FILE* file;
  unsigned char* all;
  long size, at, eocd = -1;
  unsigned long entries, directory, i;
  if (argc != 2) return 2;
  makeTable();
  GetModuleFileNameA(NULL, self, sizeof self);
  file = fopen(self, "rb");
  if (!file) return 3;
  fseek(file, 0, SEEK_END);
  size = ftell(file);
  fseek(file, 0, SEEK_SET);
  all = malloc((size_t)size);
  if (fread(all, 1, (size_t)size, file) != (size_t)size) return 3;
  fclose(file);
  for (at = size - 22; at >= 0; --at) {
    if (memcmp(all + at, "PK\5\6", 4) == 0 && at + 22 + (long)u16(all + at + 20) == size) {
      eocd = at;
      break;
    }
  }
  if (eocd < 0) {
    printf("no archive\n");
    return 4;
  }
  entries = u16(all + eocd + 10);
  directory = u32(all + eocd + 16);
  for (i = 0; i < entries; ++i) {
    unsigned char* central = all + directory;
    unsigned long local, length;
    unsigned nameLength;
    unsigned char* data;
    char path[MAX_PATH * 2];
    if (directory + 46 > (unsigned long)size || memcmp(central, "PK\1\2", 4) != 0) {
      printf("central directory not at its offset\n");
      return 5;
    }
    nameLength = u16(central + 28);
    local = u32(central + 42);
    length = u32(central + 20);
    if (u16(central + 10) != 0) {
      printf("entry not stored\n");
      return 6;
    }
    if (local + 30 > (unsigned long)size || memcmp(all + local, "PK\3\4", 4) != 0) {
      printf("local header not at its offset\n");
      return 5;
    }
    data = all + local + 30 + u16(all + local + 26) + u16(all + local + 28);
    if (data + length > all + size || crc32(data, length) != u32(central + 16)) {
      printf("CRC mismatch\n");
      return 7;
    }
    snprintf(path, sizeof path, "%s\\%.*s", argv[1], (int)nameLength, (const char*)central + 46);
    if (path[strlen(path) - 1] != '/') {
      FILE* out = fopen(path, "wb");
      if (!out || fwrite(data, 1, length, out) != length || fclose(out) != 0) return 8;
    }
    directory += 46 + nameLength + u16(central + 30) + u16(central + 32);
  }
  printf("extracted %lu entries\n", entries);
  return 0;
}
