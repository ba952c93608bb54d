/* A stand-in for the Kestrix Enterprise installer. It installs nothing: it prints the
   configuration it carries, its installation-mode switch (string 300) and whether the payload
   appended to its file is intact, so that a customised copy can be judged by running it. */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "demo_payload.h"

static const unsigned char* resourceBytes(const wchar_t* type, const wchar_t* name, DWORD* size) {
  HRSRC found = FindResourceW(NULL, name, type);
  if (found == NULL) return NULL;
  HGLOBAL loaded = LoadResource(NULL, found);
  *size = SizeofResource(NULL, found);
  return loaded != NULL ? (const unsigned char*)LockResource(loaded) : NULL;
}

static void printSwitch(void) {
  /* LoadStringW with a zero length hands out a pointer into the resource, which is not
     terminated; copy it through a sized buffer instead. */
  wchar_t text[256];
  const int length = LoadStringW(NULL, 300, text, 256);
  char utf8[1024];
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof utf8, NULL, NULL);
  printf("string 300: \"%.*s\"\n", bytes, utf8);
}

/* Reads this program's own file whole; the caller frees it. */
static unsigned char* readOwnFile(size_t* size) {
  wchar_t path[MAX_PATH];
  if (GetModuleFileNameW(NULL, path, MAX_PATH) == 0) return NULL;
  FILE* file = _wfopen(path, L"rb");
  if (file == NULL) return NULL;
  unsigned char* bytes = NULL;
  if (fseek(file, 0, SEEK_END) == 0) {
    const long length = ftell(file);
    if (length > 0 && fseek(file, 0, SEEK_SET) == 0) {
      bytes = (unsigned char*)malloc((size_t)length);
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

/* The overlay must be exactly the generated payload and its trailer: nothing lost, moved,
   changed or added after the program's last section. */
static int payloadIntact(void) {
  size_t size = 0;
  unsigned char* file = readOwnFile(&size);
  if (file == NULL) return 0;
  int intact = 0;
  const size_t start = kxEndOfSections(file, size);
  if (start != 0 && size - start == KX_PAYLOAD_SIZE + KX_PAYLOAD_TRAILER_SIZE) {
    const unsigned char* payload = file + start;
    const unsigned char* trailer = payload + KX_PAYLOAD_SIZE;
    uint32_t state = KX_PAYLOAD_SEED;
    intact = memcmp(trailer, kxPayloadMagic, sizeof kxPayloadMagic) == 0 &&
             kxGetLittle32(trailer + 8) == KX_PAYLOAD_SIZE &&
             kxGetLittle32(trailer + 12) == kxPayloadChecksum(payload, KX_PAYLOAD_SIZE);
    for (size_t i = 0; intact && i < KX_PAYLOAD_SIZE; ++i) {
      intact = payload[i] == kxPayloadByte(&state);
    }
  }
  free(file);
  return intact;
}

int main(void) {
  /* The configuration goes out byte for byte, line ends included. */
  _setmode(_fileno(stdout), _O_BINARY);

  DWORD size = 0;
  const unsigned char* config = resourceBytes(L"BINARY", L"KXECONFIG", &size);
  if (config != NULL) {
    fwrite(config, 1, size, stdout);
    if (size > 0 && config[size - 1] != '\n') putchar('\n');
  } else {
    puts("KXECONFIG missing");
  }

  printSwitch();

  DWORD qtSize = 0;
  if (resourceBytes(L"BINARY", L"QTPREF", &qtSize) != NULL) {
    printf("QTPREF: %lu bytes\n", (unsigned long)qtSize);
  } else {
    puts("QTPREF missing");
  }

  const int intact = payloadIntact();
  puts(intact ? "payload ok" : "payload damaged");
  fflush(stdout);
  return config != NULL && intact ? 0 : 1;
}
