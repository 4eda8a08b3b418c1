// Lists the resources of PE files as our own reader sees them, in the format of
// read_resources.exe: "TYPE NAME LANGUAGE SIZE HASH" per resource, in directory order; or
// writes the data of one resource (its first language) to standard output.
//   dump_resources FILE
//   dump_resources FILE TYPE NAME     (TYPE and NAME as the resource functions read them: #24)
// Built by cross-check.sh from src/foundation.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "standins/pe_resources.h"

namespace {

std::string Show(const ResourceId& id) {
  if (id.is_number) return "#" + std::to_string(id.number);
  std::string text;
  for (char16_t c : id.text) text += c < 0x80 ? static_cast<char>(c) : '?';
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  PeImage image;
  std::vector<Resource> resources;
  if (!image.Parse(bytes) || !image.ReadResources(&resources)) {
    std::printf("cannot read %s\n", argv[1]);
    return 1;
  }
  if (argc == 4) {
    ResourceId type, name;
    const Resource* found = nullptr;
    if (ParseResourceId(std::string_view(argv[2]), &type) &&
        ParseResourceId(std::string_view(argv[3]), &name)) {
      found = FindFirstLanguage(resources, type, name);
    }
    if (!found) {
      std::fprintf(stderr, "%s: no resource %s %s\n", argv[1], argv[2], argv[3]);
      return 1;
    }
    std::fwrite(found->data.data(), 1, found->data.size(), stdout);
    return 0;
  }
  for (const Resource& r : resources) {
    unsigned hash = 2166136261u;
    for (uint8_t b : r.data) hash = (hash ^ b) * 16777619u;
    std::printf("%s %s %04X %zu %08x\n", Show(r.type).c_str(), Show(r.name).c_str(), r.language,
                r.data.size(), hash);
  }
  return 0;
}
