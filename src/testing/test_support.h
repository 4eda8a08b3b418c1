#ifndef UPDATER_TESTING_TEST_SUPPORT_H_
#define UPDATER_TESTING_TEST_SUPPORT_H_

// Helpers shared by the unit tests of both builds.

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "foundation/code_page.h"
#include "platform/environment.h"

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("updater-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for the life of the object, then restores the old value.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_old_ = old != nullptr;
    if (old) old_ = old;
    SetEnvironmentValue(name, value);
  }
  ~ScopedEnvironment() { SetEnvironmentValue(name_.c_str(), had_old_ ? old_.c_str() : nullptr); }

 private:
  std::string name_, old_;
  bool had_old_ = false;
};

// Chooses the code page in use for the life of the object, then goes back to the one before,
// so that a failing assertion cannot leave later tests in the wrong code page.
class ScopedCodePage {
 public:
  explicit ScopedCodePage(unsigned cp) : saved_(CodePage()) { SetCodePage(cp); }
  ~ScopedCodePage() { SetCodePage(saved_); }

 private:
  unsigned saved_;
};

// A path from the system in the core's form: items separated by backslashes.
inline std::string CorePath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

#endif  // UPDATER_TESTING_TEST_SUPPORT_H_
