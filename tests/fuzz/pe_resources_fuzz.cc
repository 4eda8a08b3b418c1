// Fuzz target for the PE resource reader and writer: any bytes must be refused or read
// within bounds, and whatever is read, changed and written must read back the same.

#include <algorithm>
#include <string_view>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_input.h"
#include "standins/pe_resources.h"

namespace {

bool Before(const Resource& a, const Resource& b) {
  if (!(a.type == b.type)) return a.type < b.type;
  if (!(a.name == b.name)) return a.name < b.name;
  return a.language < b.language;
}

bool Same(const Resource& a, const Resource& b) {
  return a.type == b.type && a.name == b.name && a.language == b.language &&
         a.code_page == b.code_page && a.data == b.data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PeImage image;
  if (!image.Parse(std::vector<uint8_t>(data, data + size))) return 0;
  std::vector<Resource> resources;
  if (!image.ReadResources(&resources)) return 0;

  // One change of each kind, chosen by the input's last bytes.
  std::vector<Resource> changed = resources;
  if (!changed.empty()) changed.erase(changed.begin() + data[size - 1] % changed.size());
  Resource added;
  added.type = ResourceId::Number(data[size - 2]);
  ParseResourceId(std::string_view(reinterpret_cast<const char*>(data), std::min<size_t>(size, 6)),
                  &added.name);
  added.language = static_cast<uint16_t>(data[size - 3] * 0x101);
  added.data.assign(data, data + std::min<size_t>(size, data[size - 4] * 64));
  SetResource(&changed, added);

  std::vector<uint8_t> out;
  if (!image.WriteResources(changed, &out)) return 0;
  PeImage again;
  std::vector<Resource> read;
  FUZZ_CHECK(again.Parse(out) && again.ReadResources(&read));
  std::stable_sort(changed.begin(), changed.end(), Before);
  FUZZ_CHECK(read.size() == changed.size());
  for (size_t i = 0; i < read.size(); ++i) FUZZ_CHECK(Same(read[i], changed[i]));
  // A second update of the written image reads back too. (It may be refused: a damaged
  // directory of the input may claim the new section, which then cannot be reused.)
  std::vector<uint8_t> twice;
  PeImage third;
  std::vector<Resource> reread;
  if (again.WriteResources(read, &twice)) {
    FUZZ_CHECK(third.Parse(twice) && third.ReadResources(&reread) && reread.size() == read.size());
  }
  return 0;
}
