// Fuzz target for the text operations: the input chooses a code page, a text and a run of
// operations with their indexes, separators and replacements. Besides what the sanitizers
// see, every step checks what the operations promise of each other.

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/code_page.h"
#include "foundation/text_string.h"
#include "fuzz_input.h"

namespace {

constexpr int32_t kMaxLength = 1024;

std::string Str(const TextString& t) { return t.GetText() ? t.GetText() : ""; }

// What "%d" reads, as strtol reads it, cut to 32 bits.
int32_t ExpectedInt(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

void CheckWhole(const TextString& t) {
  FUZZ_CHECK(t.GetText() != nullptr);
  FUZZ_CHECK(t.GetLength() == static_cast<int32_t>(std::strlen(t.GetText())));
}

// Replacing a part by itself changes nothing, whichever way the part is found.
void CheckSelfReplacement(const TextString& t, FuzzInput& in, const std::string& sep,
                          const std::string& open, const std::string& close) {
  const int32_t first = in.Index(), last = in.Index();
  TextString copy = t;
  copy.ReplaceMid(first, last, t.Mid(first, last).GetText());
  FUZZ_CHECK(Str(copy) == Str(t));
  // A word that is a lone quote gives an empty span ending before it starts, and replacing
  // that span keeps the quote on both sides: only words that give text, or no quote in the
  // text, can be checked.
  const bool no_lone_quote = t.GetWords(first, last).GetLength() > 0 || !t.Contains("\"");
  copy.ReplaceWords(first, last, t.GetWords(first, last).GetText());
  if (no_lone_quote) FUZZ_CHECK(Str(copy) == Str(t));
  copy = t;
  copy.ReplaceWord(first, t.GetWord(first).GetText());
  if (t.GetWord(first).GetLength() > 0 || !t.Contains("\"")) FUZZ_CHECK(Str(copy) == Str(t));
  copy = t;
  copy.ReplaceItems(first, last, sep.c_str(), t.GetItems(first, last, sep.c_str()).GetText());
  FUZZ_CHECK(Str(copy) == Str(t));
  copy.ReplaceBlocks(first, last, open.c_str(), close.c_str(),
                     t.GetBlocks(first, last, open.c_str(), close.c_str()).GetText());
  FUZZ_CHECK(Str(copy) == Str(t));
}

// The one-pass split agrees with the item operations and loses nothing.
void CheckItems(const TextString& t, const std::string& sep) {
  const std::vector<TextString> items = SplitItems(t, sep.c_str());
  const int32_t count = t.CountItems(sep.c_str());
  FUZZ_CHECK(static_cast<int32_t>(items.size()) == count);
  std::string joined;
  for (int32_t i = 0; i < count && i < 64; ++i) {
    FUZZ_CHECK(Str(items[i]) == Str(t.GetItem(i, sep.c_str())));
  }
  for (size_t i = 0; i < items.size(); ++i) joined += (i ? sep : "") + Str(items[i]);
  FUZZ_CHECK(joined == Str(t));
  if (count > 0) FUZZ_CHECK(Str(t.GetItems(0, -1, sep.c_str())) == Str(t));
}

void CheckBlocks(const TextString& t, const std::string& open, const std::string& close) {
  const int32_t count = t.CountBlocks(open.c_str(), close.c_str());
  for (int32_t i = 0; i < count && i < 16; ++i) {
    const std::string block = Str(t.GetBlock(i, open.c_str(), close.c_str()));
    // A counted block is closed: it lies in the text and ends with its closer.
    FUZZ_CHECK(Str(t).find(block) != std::string::npos);
    FUZZ_CHECK(block.size() >= close.size() &&
               block.compare(block.size() - close.size(), close.size(), close) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  SetCodePage(ChooseCodePage(in.Byte()));
  TextString t(in.Text(200).c_str());
  for (int step = 0; step < 32 && !in.empty(); ++step) {
    const uint8_t op = in.Byte();
    const int32_t first = in.Index(), last = in.Index();
    // Short separators and delimiters, so that they occur; an empty one never does.
    const std::string sep = in.Text(3), open = in.Text(2), close = in.Text(2);
    const std::string replacement = in.Text(24);
    const char* r = replacement.c_str();
    switch (op % 20) {
      case 0: t.ReplaceMid(first, last, r); break;
      case 1: t.ReplaceMid(first, r); break;
      case 2: t.ReplaceWords(first, last, r); break;
      case 3: t.ReplaceWord(first, r); break;
      case 4: t.ReplaceItems(first, last, sep.c_str(), r); break;
      case 5: t.ReplaceItem(first, sep.c_str(), r); break;
      case 6: t.ReplaceBlocks(first, last, open.c_str(), close.c_str(), r); break;
      case 7: t.ReplaceBlock(first, open.c_str(), close.c_str(), r); break;
      case 8: {
        const std::string before = Str(t);
        t.Trim(open.c_str(), close.c_str());
        // Trimming only cuts, and a second trim finds nothing more to cut.
        FUZZ_CHECK(before.find(Str(t)) != std::string::npos);
        TextString again = t;
        again.Trim(open.c_str(), close.c_str());
        FUZZ_CHECK(Str(again) == Str(t));
        break;
      }
      case 9: {
        const bool resume = SearchText(r, sep.c_str()) != nullptr;
        if (!resume && replacement.size() >= sep.size() &&
            replacement.find_first_of(sep) != std::string::npos) {
          break;  // may form the pattern again forever, which ReplaceAll's rule allows
        }
        const bool replaced = t.ReplaceAll(sep.c_str(), r);
        // Searching from the start again leaves no occurrence behind.
        if (replaced && !resume) FUZZ_CHECK(!t.Contains(sep.c_str()));
        if (!replaced) FUZZ_CHECK(!t.Contains(sep.c_str()));
        break;
      }
      case 10: t = t.Mid(first, last); break;
      case 11: t = t.GetWords(first, last); break;
      case 12: t = t.GetItems(first, last, sep.c_str()); break;
      case 13: t = t.GetBlocks(first, last, open.c_str(), close.c_str()); break;
      case 14: {
        // The source may be a suffix of the object's own text.
        const int32_t at = first < 0 ? 0 : first > t.GetLength() ? t.GetLength() : first;
        const std::string suffix = Str(t).substr(at);
        t = t.GetPointerAt(at);
        FUZZ_CHECK(Str(t) == suffix);
        break;
      }
      case 15: {
        const std::string twice = Str(t) + Str(t);
        t += t;
        FUZZ_CHECK(Str(t) == twice);
        break;
      }
      case 16: t = t + r; break;
      case 17: {
        TextString formatted;
        formatted.Format("%s", t.GetText());
        // Cut at 1,023 bytes at most, and only there.
        const std::string whole = Str(t), cut = Str(formatted);
        FUZZ_CHECK(cut.size() <= 1023 && whole.compare(0, cut.size(), cut) == 0);
        if (whole.size() <= 1023) FUZZ_CHECK(cut == whole);
        FUZZ_CHECK(cut.size() + 1 >= std::min<size_t>(whole.size(), 1023));
        break;
      }
      case 18: {
        FUZZ_CHECK(t.ToInt() == ExpectedInt(Str(t)));
        (void)t.ToHex();
        FUZZ_CHECK(t.CountOccurrences(sep.c_str()) == t.CountItems(sep.c_str()) - 1 ||
                   (t.GetLength() == 0 && t.CountOccurrences(sep.c_str()) == 0));
        FUZZ_CHECK(t.StartsWith(sep.c_str()) <= t.Contains(sep.c_str()));
        break;
      }
      default: {
        FUZZ_CHECK(t == t.GetText());
        FUZZ_CHECK(t.GetAt(first) == (first >= 0 && first < t.GetLength() ? t.GetText()[first] : 0));
        (void)t.CountWords();
        break;
      }
    }
    CheckWhole(t);
    // Doubling and replacing grow the text without bound; the cost of a run grows with the
    // square of its length (ReplaceAll searches from the start after each replacement), and
    // what long texts meet short ones meet too.
    if (t.GetLength() > kMaxLength) t = t.Mid(0, kMaxLength - 1);
    CheckSelfReplacement(t, in, sep, open, close);
    CheckItems(t, sep);
    CheckBlocks(t, open, close);
  }
  return 0;
}
