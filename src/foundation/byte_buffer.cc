#include "foundation/byte_buffer.h"

#include <cstdlib>
#include <cstring>

namespace {

// malloc may answer 0 bytes with null, which would read as a failure.
unsigned char* NewBlock(uint32_t n) {
  return static_cast<unsigned char*>(std::malloc(n == 0 ? 1 : n));
}

}  // namespace

ByteBuffer::ByteBuffer(const ByteBuffer& other) {
  Init();
  *this = other;
}

ByteBuffer::~ByteBuffer() { Release(); }

void ByteBuffer::Init() {
  data = nullptr;
  size = 0;
}

void ByteBuffer::Release() {
  std::free(data);
  Init();
}

bool ByteBuffer::Allocate(uint32_t n) {
  Release();
  data = NewBlock(n);
  if (data == nullptr) return false;
  std::memset(data, 0, n);
  size = n;
  return true;
}

bool ByteBuffer::Assign(const void* source, uint32_t n) {
  // Copy before freeing, since the source may be our own block.
  unsigned char* block = NewBlock(n);
  if (block != nullptr && n > 0) std::memcpy(block, source, n);
  Release();
  if (block == nullptr) return false;
  data = block;
  size = n;
  return true;
}

bool ByteBuffer::Append(const void* source, uint32_t n) {
  if (n > UINT32_MAX - size) {
    Release();
    return false;
  }
  unsigned char* block = NewBlock(size + n);
  if (block != nullptr) {
    if (size > 0) std::memcpy(block, data, size);
    if (n > 0) std::memcpy(block + size, source, n);
  }
  const uint32_t new_size = size + n;
  Release();
  if (block == nullptr) return false;
  data = block;
  size = new_size;
  return true;
}

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
  if (this == &other) return *this;
  Assign(other.data, other.size);
  return *this;
}

ByteBuffer& ByteBuffer::operator+=(const ByteBuffer& other) {
  Append(other.data, other.size);
  return *this;
}

ByteBuffer ByteBuffer::operator+(const ByteBuffer& other) const {
  ByteBuffer sum(*this);
  sum += other;
  return sum;
}

bool ByteBuffer::operator==(const ByteBuffer& other) const {
  return size == other.size && (size == 0 || std::memcmp(data, other.data, size) == 0);
}

ByteBuffer ByteBuffer::Mid(uint32_t offset, uint32_t count) const {
  if (offset > size) offset = size;
  if (count > size - offset) count = size - offset;
  ByteBuffer part;
  part.Assign(data == nullptr ? nullptr : data + offset, count);
  return part;
}

void ByteBuffer::Delete(uint32_t offset, uint32_t count) {
  if (offset >= size || count == 0) return;
  if (count > size - offset) count = size - offset;
  const uint32_t end = offset + count;
  if (offset == 0 && end == size) {
    Release();
    return;
  }
  // Shrinking in place cannot fail, so a list stack never loses its other entries.
  std::memmove(data + offset, data + end, size - end);
  size -= count;
  if (void* smaller = std::realloc(data, size)) data = static_cast<unsigned char*>(smaller);
}

bool ByteBuffer::AppendPointer(const void* pointer) { return Append(&pointer, sizeof pointer); }

void* ByteBuffer::PointerAt(uint32_t index) const {
  if (index >= size / sizeof(void*)) return nullptr;
  void* pointer;
  std::memcpy(&pointer, data + index * sizeof(void*), sizeof pointer);
  return pointer;
}

void ByteBuffer::DeletePointer(uint32_t index) {
  if (index >= size / sizeof(void*)) return;
  Delete(static_cast<uint32_t>(index * sizeof(void*)), sizeof(void*));
}
