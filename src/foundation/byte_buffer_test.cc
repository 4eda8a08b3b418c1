#include "foundation/byte_buffer.h"

#include <string>

#include <gtest/gtest.h>

namespace {

std::string Bytes(const ByteBuffer& buffer) {
  return buffer.data == nullptr
             ? "<null>"
             : std::string(reinterpret_cast<const char*>(buffer.data), buffer.size);
}

ByteBuffer Make(const std::string& bytes) {
  ByteBuffer buffer;
  EXPECT_TRUE(buffer.Assign(bytes.data(), static_cast<uint32_t>(bytes.size())));
  return buffer;
}

}  // namespace

TEST(ByteBufferTest, AllocateAssignAppend) {
  ByteBuffer buffer = Make("abcdef");
  ASSERT_TRUE(buffer.Allocate(5));
  EXPECT_EQ(Bytes(buffer), std::string(5, '\0'));
  ASSERT_TRUE(buffer.Allocate(0));
  EXPECT_EQ(Bytes(buffer), "");  // a valid block of no bytes

  // The source may lie in the buffer's own block.
  buffer = Make("abcdef");
  ASSERT_TRUE(buffer.Assign(buffer.data + 2, 3));
  EXPECT_EQ(Bytes(buffer), "cde");
  ASSERT_TRUE(buffer.Append(buffer.data, buffer.size));
  EXPECT_EQ(Bytes(buffer), "cdecde");

  ByteBuffer copy(buffer);
  copy.data[0] = 'X';
  EXPECT_EQ(Bytes(buffer), "cdecde");
  EXPECT_EQ(Bytes(Make("ab") + Make("cd")), "abcd");
  EXPECT_TRUE(Make("ab") == Make("ab"));
  EXPECT_TRUE(Make("ab") != Make("aB"));
  EXPECT_TRUE(Make("ab") != Make("abc"));
}

TEST(ByteBufferTest, MidAndDeleteStayInsideTheBuffer) {
  const ByteBuffer digits = Make("0123456789");
  EXPECT_EQ(Bytes(digits.Mid(2, 3)), "234");
  EXPECT_EQ(Bytes(digits.Mid(8, UINT32_MAX)), "89");
  EXPECT_EQ(digits.Mid(50, 1).size, 0u);

  const ByteBuffer twelve = Make("AAAABBBBCCCC");
  const struct {
    uint32_t offset, count;
    const char* left;
  } cases[] = {
      {4, 4, "AAAACCCC"},
      {8, 4, "AAAABBBB"},
      {0, 4, "BBBBCCCC"},
      {0, 12, "<null>"},
      // Ranges reaching past the end are cut; empty ranges change nothing.
      {10, 100, "AAAABBBBCC"},
      {4, UINT32_MAX, "AAAA"},
      {0, UINT32_MAX, "<null>"},
      {0, 0, "AAAABBBBCCCC"},
      {12, 1, "AAAABBBBCCCC"},
      {UINT32_MAX, 2, "AAAABBBBCCCC"},
  };
  for (const auto& c : cases) {
    ByteBuffer buffer = twelve;
    buffer.Delete(c.offset, c.count);
    EXPECT_EQ(Bytes(buffer), c.left) << c.offset << ", " << c.count;
    EXPECT_EQ(buffer.size, std::string(c.left) == "<null>" ? 0 : std::string(c.left).size());
  }

  ByteBuffer emptied = Make("AAAA");
  emptied.Delete(0, 4);
  emptied.Delete(0, 4);
  ASSERT_TRUE(emptied.Append("Z", 1));
  EXPECT_EQ(Bytes(emptied), "Z");
}

TEST(ByteBufferTest, PointerStack) {
  int a = 0, b = 0, c = 0;
  ByteBuffer stack;
  ASSERT_TRUE(stack.AppendPointer(&a));
  ASSERT_TRUE(stack.AppendPointer(&b));
  ASSERT_TRUE(stack.AppendPointer(&c));
  EXPECT_EQ(stack.size, 3 * sizeof(void*));
  EXPECT_EQ(stack.PointerAt(2), &c);
  EXPECT_EQ(stack.PointerAt(3), nullptr);

  stack.DeletePointer(1);
  stack.DeletePointer(5);
  EXPECT_EQ(stack.PointerAt(0), &a);
  EXPECT_EQ(stack.PointerAt(1), &c);
  EXPECT_EQ(stack.PointerAt(2), nullptr);
  stack.DeletePointer(1);
  stack.DeletePointer(0);
  EXPECT_EQ(stack.data, nullptr);
}
