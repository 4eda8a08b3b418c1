/* The yardstick of the CRC command's speed: ISA-L's CRC-32 of a file read in 1 MiB
 * chunks, printed as 8 lowercase hex digits (zlib's crc32 of the whole file).
 * Not part of the build:
 *   cc -O2 bench/yardsticks/isal_crc.c -lisal -o isal_crc
 *   ./isal_crc FILE
 */
#include <isa-l/crc.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#define CHUNK_SIZE (1 << 20)

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  FILE* file = fopen(argv[1], "rb");
  if (!file) {
    perror(argv[1]);
    return 1;
  }
  /* Unbuffered: fread then reads straight into the chunk, as read(2) would. */
  setvbuf(file, NULL, _IONBF, 0);
  unsigned char* chunk = malloc(CHUNK_SIZE);
  if (!chunk) return 1;
  /* crc32_gzip_refl inverts before and after, as zlib does: chaining from 0 matches it. */
  uint32_t crc = 0;
  size_t n;
  while ((n = fread(chunk, 1, CHUNK_SIZE, file)) > 0) crc = crc32_gzip_refl(crc, chunk, n);
  int failed = ferror(file);
  fclose(file);
  free(chunk);
  if (failed) {
    perror(argv[1]);
    return 1;
  }
  printf("%08x\n", crc);
  return 0;
}
