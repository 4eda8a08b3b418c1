#include "platform/shell_operation.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/paths.h"
#include "standins/shell_file_operation.h"

namespace {

// The last item of a path.
const char* NameOf(const char* path) {
  size_t cut = LastPathSeparator(path);
  return cut == std::string::npos ? path : path + cut + 1;
}

// The name of each file handled, on one line of the terminal rewritten each time, as the
// shell's progress window shows it.
class Progress {
 public:
  explicit Progress(const char* title) : title_(title), terminal_(isatty(STDERR_FILENO) == 1) {}
  ~Progress() {
    if (shown_) std::fputs("\r\033[K", stderr);
  }
  static void OnFile(const char* path, void* context) {
    static_cast<Progress*>(context)->Show(path);
  }

 private:
  void Show(const char* path) {
    if (!terminal_) return;
    std::fprintf(stderr, "\r\033[K%s%s%s", title_, *title_ ? ": " : "", NameOf(path));
    std::fflush(stderr);
    shown_ = true;
  }

  const char* title_;
  bool terminal_;
  bool shown_ = false;
};

}  // namespace

int RunShellOperation(const ShellRequest& request) {
  std::string title(request.title, strnlen(request.title, kShellBufferSize));
  Progress progress(title.c_str());
  return RunShellFileOperation(request, Progress::OnFile, &progress);
}
