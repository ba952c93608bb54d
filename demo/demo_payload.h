#ifndef KX_DEMO_PAYLOAD_H
#define KX_DEMO_PAYLOAD_H

/* The demo installer's payload: bytes that stand for the packed player, appended after the
   program's last section, then a trailer of magic, size and checksum that ends the file. The tool
   that appends it and the installer that checks it share this generator. */

#include <stddef.h>
#include <stdint.h>

/* Odd on purpose, so that no alignment hides a byte lost or gained at the end. */
#define KX_PAYLOAD_SIZE 300007u
#define KX_PAYLOAD_TRAILER_SIZE 16u
#define KX_PAYLOAD_SEED 0x4b585031u

static const unsigned char kxPayloadMagic[8] = {'K', 'X', 'P', 'A', 'Y', 'L', 'D', '1'};

/* xorshift32: cheap, deterministic and never the same byte run twice in this size. */
static inline unsigned char kxPayloadByte(uint32_t* state) {
  uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  *state = x;
  return (unsigned char)(x >> 24);
}

/* FNV-1a over the payload bytes, stored in the trailer. */
static inline uint32_t kxPayloadChecksum(const unsigned char* bytes, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

static inline void kxPutLittle32(unsigned char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

static inline uint32_t kxGetLittle32(const unsigned char* at) {
  return (uint32_t)at[0] | ((uint32_t)at[1] << 8) | ((uint32_t)at[2] << 16) |
         ((uint32_t)at[3] << 24);
}

/* Offset just past the raw data of the last section of a PE image, or 0 if the bytes are not
   one. Whatever follows it is the overlay. */
static inline size_t kxEndOfSections(const unsigned char* file, size_t size) {
  if (size < 0x40 || file[0] != 'M' || file[1] != 'Z') return 0;
  const size_t pe = kxGetLittle32(file + 0x3c);
  if (pe > size || size - pe < 24 || file[pe] != 'P' || file[pe + 1] != 'E' || file[pe + 2] != 0 ||
      file[pe + 3] != 0) {
    return 0;
  }
  const unsigned sections = file[pe + 6] | (file[pe + 7] << 8);
  const unsigned optionalSize = file[pe + 20] | (file[pe + 21] << 8);
  const size_t table = pe + 24 + optionalSize;
  if (table > size || (size - table) / 40 < sections) return 0;
  size_t end = 0;
  for (unsigned i = 0; i < sections; ++i) {
    const unsigned char* header = file + table + 40 * i;
    const size_t rawSize = kxGetLittle32(header + 16);
    const size_t rawOffset = kxGetLittle32(header + 20);
    if (rawSize != 0 && rawOffset + rawSize > end) end = rawOffset + rawSize;
  }
  return end <= size ? end : 0;
}

#endif
