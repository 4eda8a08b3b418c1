#ifndef UPDATER_PLATFORM_POSIX_CACHED_FILE_H_
#define UPDATER_PLATFORM_POSIX_CACHED_FILE_H_

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>

// A file read and parsed once, and again only when it changed (another file, size or time
// of last change), so that every lookup sees the file as it now reads.
template <typename Parsed>
class CachedFile {
 public:
  // The parsed contents of the regular file at path, or null when it is missing, no
  // regular file, cannot be read or parse(bytes, &parsed) fails.
  template <typename Parse>
  const Parsed* Get(const std::string& path, Parse parse) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      valid_ = false;
      return nullptr;
    }
    if (!loaded_ || !SameFile(path, st)) {
      loaded_ = true;
      path_ = path;
      st_ = st;
      parsed_ = Parsed();
      std::ifstream in(path, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      valid_ = in.is_open() && parse(bytes, &parsed_);
    }
    return valid_ ? &parsed_ : nullptr;
  }

 private:
  bool SameFile(const std::string& path, const struct stat& st) const {
    return path == path_ && st.st_dev == st_.st_dev && st.st_ino == st_.st_ino &&
           st.st_size == st_.st_size && st.st_mtim.tv_sec == st_.st_mtim.tv_sec &&
           st.st_mtim.tv_nsec == st_.st_mtim.tv_nsec;
  }

  bool loaded_ = false;
  bool valid_ = false;
  std::string path_;
  struct stat st_ = {};
  Parsed parsed_;
};

#endif  // UPDATER_PLATFORM_POSIX_CACHED_FILE_H_
