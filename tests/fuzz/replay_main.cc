// The entry of a fuzz target built without libFuzzer: feeds it every file named on the
// command line or lying in a folder named there, so that the seeds and the inputs of past
// findings run as a regression test in every build. A missing folder is passed over (a
// target without findings has no folder of them), but no input at all fails; a failing
// input ends the process from inside the target.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
    } else if (std::filesystem::is_regular_file(path, error)) {
      files.push_back(path);
    }
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The name first: a crash then shows which input caused it.
    std::fprintf(stderr, "%s\n", file.c_str());
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());  // exactly its size, for ASan
    LLVMFuzzerTestOneInput(copy.data(), copy.size());
  }
  std::fprintf(stderr, "%zu inputs passed\n", files.size());
  if (files.empty()) std::fprintf(stderr, "no input to replay\n");
  return files.empty() ? 1 : 0;
}
