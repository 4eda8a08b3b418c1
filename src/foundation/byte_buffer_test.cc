#include "foundation/byte_buffer.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string Bytes(const ByteBuffer& buffer) {
  return buffer.data == nullptr
             ? std::string()
             : std::string(reinterpret_cast<const char*>(buffer.data), buffer.size);
}

ByteBuffer Make(const std::string& bytes) {
  ByteBuffer buffer;
  EXPECT_TRUE(buffer.Assign(bytes.data(), static_cast<uint32_t>(bytes.size())));
  return buffer;
}

}  // namespace

TEST(ByteBufferTest, AllocateGivesZerosAndDropsOldContents) {
  ByteBuffer buffer;
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.size, 0u);

  buffer = Make("xyz");
  ASSERT_TRUE(buffer.Allocate(5));
  EXPECT_EQ(Bytes(buffer), std::string(5, '\0'));

  ASSERT_TRUE(buffer.Allocate(0));
  EXPECT_NE(buffer.data, nullptr);  // a valid block of no bytes
  EXPECT_EQ(buffer.size, 0u);

  buffer.Release();
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.size, 0u);
}

TEST(ByteBufferTest, AssignAndAppendMayReadTheirOwnBlock) {
  ByteBuffer buffer = Make("abcdef");
  ASSERT_TRUE(buffer.Assign(buffer.data + 2, 3));
  EXPECT_EQ(Bytes(buffer), "cde");

  ASSERT_TRUE(buffer.Assign(buffer.data, buffer.size));
  EXPECT_EQ(Bytes(buffer), "cde");

  ASSERT_TRUE(buffer.Append(buffer.data, buffer.size));
  EXPECT_EQ(Bytes(buffer), "cdecde");

  const ByteBuffer& same = buffer;
  buffer = same;
  EXPECT_EQ(Bytes(buffer), "cdecde");

  ByteBuffer empty;
  ASSERT_TRUE(empty.Append("12", 2));
  EXPECT_EQ(Bytes(empty), "12");
}

TEST(ByteBufferTest, CopiesAreDeepAndOperatorsCombine) {
  const ByteBuffer original = Make("ab");
  ByteBuffer copy(original);
  ASSERT_NE(copy.data, original.data);
  copy.data[0] = 'X';
  EXPECT_EQ(Bytes(original), "ab");

  EXPECT_EQ(Bytes(original + Make("cd")), "abcd");
  copy += original;
  EXPECT_EQ(Bytes(copy), "Xbab");

  EXPECT_TRUE(Make("ab") == original);
  EXPECT_TRUE(Make("aB") != original);
  EXPECT_TRUE(Make("abc") != original);
  EXPECT_TRUE(ByteBuffer() == Make(""));
}

TEST(ByteBufferTest, MidIsCutToTheBuffer) {
  const ByteBuffer buffer = Make("0123456789");
  EXPECT_EQ(Bytes(buffer.Mid(2, 3)), "234");
  EXPECT_EQ(Bytes(buffer.Mid(7, 100)), "789");
  EXPECT_EQ(Bytes(buffer.Mid(8, UINT32_MAX)), "89");  // offset + count wraps
  EXPECT_EQ(buffer.Mid(10, 1).size, 0u);
  EXPECT_EQ(buffer.Mid(50, 1).size, 0u);
  EXPECT_EQ(ByteBuffer().Mid(0, 4).size, 0u);
}

TEST(ByteBufferTest, DeleteKeepsWhatIsOutsideTheRange) {
  const ByteBuffer twelve = Make("AAAABBBBCCCC");

  ByteBuffer middle = twelve;
  middle.Delete(4, 4);
  EXPECT_EQ(Bytes(middle), "AAAACCCC");

  ByteBuffer tail = twelve;
  tail.Delete(8, 4);
  EXPECT_EQ(Bytes(tail), "AAAABBBB");

  ByteBuffer head = twelve;
  head.Delete(0, 4);
  EXPECT_EQ(Bytes(head), "BBBBCCCC");

  ByteBuffer all = Make("AAAA");
  all.Delete(0, 4);
  EXPECT_EQ(all.data, nullptr);
  EXPECT_EQ(all.size, 0u);
  ASSERT_TRUE(all.Append("Z", 1));
  EXPECT_EQ(Bytes(all), "Z");

  // Ranges reaching past the end are cut; empty ranges change nothing.
  ByteBuffer past = twelve;
  past.Delete(10, 100);
  EXPECT_EQ(Bytes(past), "AAAABBBBCC");
  past.Delete(4, UINT32_MAX);
  EXPECT_EQ(Bytes(past), "AAAA");
  past.Delete(0, 0);
  past.Delete(2, 0);
  past.Delete(4, 1);
  past.Delete(UINT32_MAX, 2);
  EXPECT_EQ(Bytes(past), "AAAA");
  past.Delete(0, UINT32_MAX);
  EXPECT_EQ(past.data, nullptr);

  ByteBuffer empty;
  empty.Delete(0, 4);
  EXPECT_EQ(empty.data, nullptr);
  EXPECT_EQ(empty.size, 0u);
}

TEST(ByteBufferTest, PointerStack) {
  int a = 0, b = 0, c = 0;
  ByteBuffer stack;
  ASSERT_TRUE(stack.AppendPointer(&a));
  ASSERT_TRUE(stack.AppendPointer(&b));
  ASSERT_TRUE(stack.AppendPointer(&c));
  EXPECT_EQ(stack.size, 3 * sizeof(void*));
  EXPECT_EQ(stack.PointerAt(0), &a);
  EXPECT_EQ(stack.PointerAt(1), &b);
  EXPECT_EQ(stack.PointerAt(2), &c);
  EXPECT_EQ(stack.PointerAt(3), nullptr);

  stack.DeletePointer(1);
  EXPECT_EQ(stack.PointerAt(0), &a);
  EXPECT_EQ(stack.PointerAt(1), &c);
  EXPECT_EQ(stack.PointerAt(2), nullptr);
  stack.DeletePointer(5);
  EXPECT_EQ(stack.size, 2 * sizeof(void*));

  stack.DeletePointer(1);
  stack.DeletePointer(0);
  EXPECT_EQ(stack.data, nullptr);
  EXPECT_EQ(stack.PointerAt(0), nullptr);
}
