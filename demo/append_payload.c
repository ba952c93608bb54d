/* Build step of the demo installer: copies the linked program and appends the payload and its
   trailer after the last section, the way an installer carries its packed product. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "demo_payload.h"

static unsigned char* readFile(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  if (file == NULL) return NULL;
  unsigned char* bytes = NULL;
  if (fseek(file, 0, SEEK_END) == 0) {
    const long length = ftell(file);
    if (length > 0 && fseek(file, 0, SEEK_SET) == 0) {
      bytes = malloc((size_t)length);
      if (bytes != NULL && fread(bytes, 1, (size_t)length, file) != (size_t)length) {
        free(bytes);
        bytes = NULL;
      }
      *size = (size_t)length;
    }
  }
  fclose(file);
  return bytes;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s <program.exe> <installer.exe>\n", argv[0]);
    return 2;
  }
  size_t size = 0;
  unsigned char* program = readFile(argv[1], &size);
  if (program == NULL) {
    fprintf(stderr, "%s: cannot read\n", argv[1]);
    return 1;
  }
  /* A symbol table or anything else past the sections would be taken for part of the payload. */
  if (kxEndOfSections(program, size) != size) {
    fprintf(stderr, "%s: not a PE image ending with its last section (strip it)\n", argv[1]);
    free(program);
    return 1;
  }

  unsigned char* payload = malloc(KX_PAYLOAD_SIZE);
  if (payload == NULL) return 1;
  uint32_t state = KX_PAYLOAD_SEED;
  for (size_t i = 0; i < KX_PAYLOAD_SIZE; ++i) payload[i] = kxPayloadByte(&state);
  unsigned char trailer[KX_PAYLOAD_TRAILER_SIZE];
  memcpy(trailer, kxPayloadMagic, sizeof kxPayloadMagic);
  kxPutLittle32(trailer + 8, KX_PAYLOAD_SIZE);
  kxPutLittle32(trailer + 12, kxPayloadChecksum(payload, KX_PAYLOAD_SIZE));

  FILE* out = fopen(argv[2], "wb");
  int ok = out != NULL && fwrite(program, 1, size, out) == size &&
           fwrite(payload, 1, KX_PAYLOAD_SIZE, out) == KX_PAYLOAD_SIZE &&
           fwrite(trailer, 1, sizeof trailer, out) == sizeof trailer;
  if (out != NULL && fclose(out) != 0) ok = 0;
  if (!ok) {
    fprintf(stderr, "%s: cannot write\n", argv[2]);
    remove(argv[2]);
  }
  free(payload);
  free(program);
  return ok ? 0 : 1;
}
