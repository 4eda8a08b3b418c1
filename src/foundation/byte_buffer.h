#ifndef UPDATER_FOUNDATION_BYTE_BUFFER_H_
#define UPDATER_FOUNDATION_BYTE_BUFFER_H_

#include <cstdint>

// An owned array of raw bytes with no spare capacity: every change copies the contents into
// a block of exactly `size` bytes. Holds a file's contents, and the pointers of the
// procedure-list stack (see the pointer helpers at the end).
//
// `data` is null when the buffer is empty after construction, Release, a Delete of all its
// bytes or a failed allocation. A successful allocation of 0 bytes gives a valid block.
// Allocation failure is reported only by a false result; the buffer is then empty.
class ByteBuffer {
 public:
  ByteBuffer() { Init(); }
  ByteBuffer(const ByteBuffer& other);
  ~ByteBuffer();

  // Forgets the block without freeing it.
  void Init();
  // Frees the block; the buffer becomes empty.
  void Release();

  // Replaces the contents by n zero bytes. The old contents are gone either way.
  bool Allocate(uint32_t n);
  // Replaces the contents by a copy of the n bytes at source, which may lie inside this
  // buffer's own block (the bytes are taken as they stood before the call).
  bool Assign(const void* source, uint32_t n);
  // Appends the n bytes at source (which may lie inside this buffer). On failure the old
  // contents are lost too.
  bool Append(const void* source, uint32_t n);

  const unsigned char* GetData() const { return data; }
  unsigned char* GetBuffer() { return data; }

  ByteBuffer& operator=(const ByteBuffer& other);
  ByteBuffer& operator+=(const ByteBuffer& other);
  ByteBuffer operator+(const ByteBuffer& other) const;
  // Same size and same bytes.
  bool operator==(const ByteBuffer& other) const;
  bool operator!=(const ByteBuffer& other) const { return !(*this == other); }

  // The count bytes from offset, cut to the part that lies inside the buffer.
  ByteBuffer Mid(uint32_t offset, uint32_t count) const;
  // Removes the count bytes from offset, cut to the part that lies inside the buffer;
  // nothing happens when that part is empty. Removing every byte empties the buffer.
  // Never fails: the remaining bytes are kept even when no smaller block can be had.
  void Delete(uint32_t offset, uint32_t count);

  // The buffer as an array of pointers; the owner counts the elements.
  bool AppendPointer(const void* pointer);
  // Element index, or null when the buffer holds no such element.
  void* PointerAt(uint32_t index) const;
  // Removes element index; the elements above it move down by one.
  void DeletePointer(uint32_t index);

  unsigned char* data;
  uint32_t size;
};

#endif  // UPDATER_FOUNDATION_BYTE_BUFFER_H_
