#include "script/rollback.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <unordered_set>
#include <vector>

#include "foundation/crc32.h"
#include "foundation/globals.h"
#include "foundation/paths.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "script/messages.h"
#include "script/profile_values.h"
#include "script/run_log.h"
#include "script/show_box.h"

namespace {

constexpr char kHeaderWord[] = "updater-rollback 1";
constexpr int kSlots = 8;  // folders tried for scripts whose paths share a hash

std::string Str(const TextString& text) { return text.GetText() ? text.GetText() : ""; }

std::string ParentOf(const std::string& path) {
  size_t cut = LastPathSeparator(path.c_str());
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// Fields may hold any byte but the three that frame a line, and "%" that escapes them.
std::string Escaped(const std::string& field) {
  std::string out;
  for (char c : field) {
    if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescaped(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '%' && i + 2 < field.size() && std::isxdigit(static_cast<unsigned char>(field[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(field[i + 2]))) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += field[i];
    }
  }
  return out;
}

// A line: the escaped fields and their CRC-32, tab-separated.
std::string Line(const std::vector<std::string>& fields) {
  std::string text;
  for (const std::string& field : fields) text += Escaped(field) + "\t";
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08" PRIX32 "\n", UpdateCrc32(0, text.data(), text.size()));
  return text + crc;
}

// The fields of a whole line whose CRC holds; empty for a torn or damaged one.
std::vector<std::string> Fields(const std::string& line) {
  size_t cut = line.rfind('\t');
  if (cut == std::string::npos) return {};
  std::string text = line.substr(0, cut + 1);
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08" PRIX32, UpdateCrc32(0, text.data(), text.size()));
  if (line.substr(cut + 1) != crc) return {};
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = text.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(Unescaped(text.substr(start, tab - start)));
  }
  return fields;
}

// FNV-1a: the folder's name only narrows the search; the journal's header decides.
std::string HashName(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
  char name[24];
  std::snprintf(name, sizeof name, "%016" PRIX64, hash);
  return name;
}

std::string SlotFolder(const std::string& base, const std::string& script, int slot) {
  std::string name = HashName(script);
  if (slot > 0) name += "-" + std::to_string(slot);
  return base + "\\" + name;
}

// The script path in a journal's header; empty when it has none.
std::string JournalOwner(const std::string& text) {
  std::vector<std::string> header = Fields(text.substr(0, text.find('\n')));
  return header.size() == 2 && header[0] == kHeaderWord ? header[1] : std::string();
}

// Logs a record whose undo failed, right after the failing call.
void Report(char kind, const std::string& path, const std::string& other) {
  const char* what = kind == 'L'   ? "UNDO look"
                     : kind == 'C' ? "UNDO made file"
                     : kind == 'F' ? "UNDO made folder"
                     : kind == 'T' ? "UNDO made tree"
                     : kind == 'R' ? "UNDO removed folder"
                     : kind == 'M' ? "UNDO move"
                                   : "UNDO kept file";
  LogOperation(what, path.c_str(), other.c_str(), false);
}

// ".ext" of the path's last item, when it has a short one.
std::string ExtensionOf(const std::string& path) {
  size_t cut = LastPathSeparator(path.c_str());
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || name.size() - dot > 8) return std::string();
  return name.substr(dot);
}

bool Exists(const std::string& path) { return GetPathAttributes(path.c_str()) != kInvalidAttributes; }

// Removes whatever is at path, read-only files included; true when nothing is left there.
bool RemoveTreeAnyway(const std::string& path) {
  uint32_t attributes = GetPathAttributes(path.c_str());
  if (attributes == kInvalidAttributes) return true;
  if (!IsRealFolder(attributes)) return RemoveFileAnyway(path.c_str());
  bool ok = true;
  if (FolderHandle folder = OpenFolder(path.c_str())) {
    FolderEntry entry;
    std::vector<std::string> names;
    while (NextFolderEntry(folder, &entry)) names.push_back(entry.name);
    CloseFolder(folder);
    for (const std::string& name : names) ok = RemoveTreeAnyway(path + "\\" + name) && ok;
  }
  return RemoveFolder(path.c_str()) && ok;
}

// One journaled run: where its journal is and what it has recorded so far.
struct Journal {
  std::string folder;
  std::string kept;
  DurableFile file = nullptr;
  uint64_t next_record = 1;
  uint64_t next_kept = 1;
  std::unordered_set<std::string> looked;
  UndoBatch batch;
};

Journal* run_journal = nullptr;

bool AppendLines(Journal& journal, const std::string& lines, bool kept_something) {
  if (kept_something && !SyncFolder(journal.kept.c_str())) return false;
  return AppendDurably(journal.file, lines);
}

// Undoes one record; false (reported) when it could not be undone.
bool UndoRecord(const std::vector<std::string>& r) {
  const char kind = r[1][0];
  const std::string& path = r[2];
  uint32_t attributes = GetPathAttributes(path.c_str());
  bool there = attributes != kInvalidAttributes;
  switch (kind) {
    case 'L':  // a look
      return !there || SetEntryLook(path.c_str(), r[3]);
    case 'C':  // a file made
      // A copy killed beside it may have left its temporary file.
      RemoveLeftoversIn(ParentOf(path).c_str());
      return !there || IsRealFolder(attributes) || RemoveFileAnyway(path.c_str());
    case 'F':  // a folder made
      if (!there) return true;
      // A copy killed in the folder may have left its temporary file there.
      RemoveLeftoversIn(path.c_str());
      return RemoveFolder(path.c_str());
    case 'T':  // a tree made
      return RemoveTreeAnyway(path);
    case 'R':  // a folder removed
      return (there || MakePath(path.c_str())) && SetEntryLook(path.c_str(), r[3]);
    case 'M': {  // an entry moved to r[3]
      bool at_target = Exists(r[3]);
      if (!there && at_target) {
        return MakePath(ParentOf(path).c_str()) && MoveEntry(r[3].c_str(), path.c_str(), false);
      }
      // Both there: a move between volumes stopped after its copy.
      if (there && at_target && r[4] == "1" && !IsRealFolder(GetPathAttributes(r[3].c_str()))) {
        return RemoveFileAnyway(r[3].c_str());
      }
      return true;
    }
    case 'K': {  // a file kept at r[3]
      RemoveLeftoversIn(ParentOf(path).c_str());
      if (!Exists(r[3])) return true;
      if (there && (IsRealFolder(attributes) || !RemoveFileAnyway(path.c_str()))) return false;
      return MakePath(ParentOf(path).c_str()) && MoveEntry(r[3].c_str(), path.c_str(), false);
    }
  }
  return false;
}

// Undoes every record of the journal (its text, the open file) not yet marked undone,
// newest first, marking each, and logs the outcome. Returns how many records it undid.
int UndoJournal(const std::string& text, DurableFile file, const char* what) {
  std::vector<std::vector<std::string>> records;
  std::unordered_set<std::string> undone;
  size_t start = text.find('\n');
  while (start != std::string::npos && start + 1 < text.size()) {
    size_t end = text.find('\n', start + 1);
    if (end == std::string::npos) break;  // torn: its step never began
    std::vector<std::string> r = Fields(text.substr(start + 1, end - start - 1));
    start = end;
    if (r.size() == 2 && r[0] == "U") {
      undone.insert(r[1]);
    } else if (r.size() >= 4 && r[1].size() == 1 && !(r[1] == "M" && r.size() < 5)) {
      records.push_back(r);
    }
  }
  int count = 0;
  int failed = 0;
  for (auto r = records.rbegin(); r != records.rend(); ++r) {
    if (undone.count((*r)[0])) continue;
    if (!UndoRecord(*r)) {
      Report((*r)[1][0], (*r)[2], (*r)[3]);
      ++failed;
    }
    // Marked also when it failed: a record that cannot be undone is reported once.
    AppendDurably(file, Line({"U", (*r)[0]}));
    ++count;
  }
  std::string outcome = std::to_string(count) + " undone, " + std::to_string(failed) + " failed";
  LogOperation(what, JournalOwner(text).c_str(), outcome.c_str(), failed == 0);
  return count;
}

// The journal goes first: kept files without it are leftovers, while a journal whose kept
// files were partly removed would undo a finished run with what is left.
void RemoveJournal(const std::string& folder) {
  RemoveFileAnyway((folder + "\\journal").c_str());
  RemoveTreeAnyway(folder + "\\kept");
  RemoveFolder(folder.c_str());
}

bool JournalBase(std::string* base) { return RollbackFolder(base) && !base->empty(); }

}  // namespace

void UndoBatch::Add(char kind, const std::string& a, const std::string& b, const std::string& c) {
  if (!run_journal) return;
  std::vector<std::string> fields = {std::to_string(run_journal->next_record++),
                                     std::string(1, kind), a, b};
  if (kind == 'M') fields.push_back(c);
  pending_ += Line(fields);
}

void UndoBatch::Look(const TextString& path) {
  std::string p = Str(path);
  if (!run_journal || run_journal->looked.count(p)) return;
  // A path not there yet is made by a step that records it, and goes with its undo.
  std::string look = GetEntryLook(p.c_str());
  if (look.empty()) return;
  run_journal->looked.insert(p);
  Add('L', p, look);
}

void UndoBatch::Created(const TextString& path) { Add('C', Str(path)); }

void UndoBatch::CreatedFolder(const TextString& path) { Add('F', Str(path)); }

void UndoBatch::CreatedTree(const TextString& path) { Add('T', Str(path)); }

void UndoBatch::RemovedFolder(const TextString& path) {
  std::string p = Str(path);
  std::string look = GetEntryLook(p.c_str());
  if (!look.empty()) Add('R', p, look);
}

void UndoBatch::Moved(const TextString& from, const TextString& to, bool to_free) {
  Add('M', Str(from), Str(to), to_free ? "1" : "0");
}

void UndoBatch::Keep(const TextString& path, KeepHow how, uint32_t attributes) {
  if (!run_journal) return;
  std::string p = Str(path);
  if (attributes == 0) attributes = GetPathAttributes(p.c_str());
  if (attributes == kInvalidAttributes || IsRealFolder(attributes)) return;
  // The same extension: Wine makes a file executable when a rename gives it ".exe".
  std::string kept = run_journal->kept + "\\" + std::to_string(run_journal->next_kept++) +
                     ExtensionOf(p);
  bool link = attributes & kAttrReparsePoint;
  if (how == KeepHow::kLink || link) {
    // The original stays in place: the record may follow the keeping.
    failed_ = failed_ || !(MakeHardLink(p.c_str(), kept.c_str()) ||
                           (link ? CopyLinkTo(p.c_str(), kept.c_str())
                                 : CopyFileTo(p.c_str(), kept.c_str())));
    if (!failed_) Add('K', p, kept);
    return;
  }
  // The file leaves its place: the record must be on the disk first.
  Add('K', p, kept);
  if (!Commit()) return;
  if (!MoveEntry(p.c_str(), kept.c_str(), false)) {
    failed_ = true;
  } else if (!CopyFileTo(kept.c_str(), p.c_str())) {
    MoveEntry(kept.c_str(), p.c_str(), false);
    failed_ = true;
  }
}

void UndoBatch::MakesPath(const TextString& path) {
  if (IsFolder(path.GetText())) return;
  TextString deepest;
  std::vector<TextString> missing;
  int32_t count = path.CountItems("\\");
  for (int32_t i = 1; i < count; ++i) {
    if (path.GetItem(i, "\\").GetLength() == 0) continue;
    TextString prefix = path.GetItems(0, i, "\\");
    if (!missing.empty() || !IsFolder(prefix.GetText())) {
      missing.push_back(prefix);
    } else {
      deepest = prefix;
    }
  }
  if (missing.empty()) return;
  Look(deepest.GetLength() ? deepest : path.GetItems(0, 0, "\\"));
  for (const TextString& folder : missing) CreatedFolder(folder);
}

void UndoBatch::RemovesTree(const TextString& path, KeepHow how) {
  std::string p = Str(WithoutTrailingBackslashes(path));
  uint32_t attributes = GetPathAttributes(p.c_str());
  if (attributes == kInvalidAttributes) return;
  Look(ParentOf(p).c_str());
  if (!IsRealFolder(attributes)) {
    Keep(p.c_str(), how);
    return;
  }
  RemovedFolder(p.c_str());
  KeepTreeEntries(p, how);
}

void UndoBatch::KeepTreeEntries(const std::string& folder, KeepHow how) {
  FolderHandle handle = OpenFolder(folder.c_str());
  if (!handle) {
    failed_ = true;
    return;
  }
  FolderEntry entry;
  std::vector<FolderEntry> entries;
  while (NextFolderEntry(handle, &entry)) entries.push_back(entry);
  CloseFolder(handle);
  for (const FolderEntry& e : entries) {
    if (failed_) return;
    std::string path = folder + "\\" + e.name;
    if (e.kind == kEntryFolder) {
      RemovedFolder(path.c_str());
      KeepTreeEntries(path, how);
    } else {
      Keep(path.c_str(), how);
    }
  }
}

bool UndoBatch::Commit() {
  bool ok = !failed_ && run_journal &&
            AppendLines(*run_journal, pending_, pending_.find("\tK\t") != std::string::npos);
  pending_.clear();
  failed_ = false;
  return ok;
}

UndoBatch* RunUndo() { return run_journal ? &run_journal->batch : nullptr; }

void RecoverInterruptedRun(const TextString& script_path) {
  std::string base;
  if (!JournalBase(&base)) return;
  std::string script = Str(script_path);
  for (int slot = 0; slot < kSlots; ++slot) {
    std::string folder = SlotFolder(base, script, slot);
    std::string path = folder + "\\journal";
    if (!Exists(path)) continue;
    // Held open by a run still going: not interrupted.
    DurableFile file = OpenDurableFile(path.c_str());
    std::string text;
    if (!file || !ReadDurableFile(file, &text) || JournalOwner(text) != script) {
      CloseDurableFile(file);
      continue;
    }
    int undone = UndoJournal(text, file, "ROLLBACK interrupted run");
    CloseDurableFile(file);
    RemoveJournal(folder);
    if (undone > 0) ShowInformation(kMsgInterruptedUndone);
    return;
  }
}

bool BeginRollback(const TextString& script_path) {
  TextString value;
  if (!ReadProfileText(RunSettings.scriptPath.GetText(), "UPDATER", "ROLLBACK", value)) {
    return true;
  }
  value.Trim(" ", " ");
  if (value != "1") return true;
  std::string base;
  std::string script = Str(script_path);
  std::string folder;
  if (JournalBase(&base)) {
    for (int slot = 0; slot < kSlots && folder.empty(); ++slot) {
      std::string candidate = SlotFolder(base, script, slot);
      std::string path = candidate + "\\journal";
      if (Exists(path)) {
        // Free only when its run died before the header was on the disk.
        DurableFile file = OpenDurableFile(path.c_str());
        std::string text;
        bool free = file && ReadDurableFile(file, &text) && JournalOwner(text).empty();
        CloseDurableFile(file);
        if (!free) continue;
      }
      // Without a journal, what is there is what a removal cut off left.
      RemoveJournal(candidate);
      folder = candidate;
    }
  }
  auto* journal = new Journal;
  journal->folder = folder.empty() ? base : folder;
  journal->kept = journal->folder + "\\kept";
  bool ok = !folder.empty() && MakePath(journal->kept.c_str()) &&
            (journal->file = OpenDurableFile((folder + "\\journal").c_str())) != nullptr &&
            AppendDurably(journal->file, Line({kHeaderWord, script}));
  if (!ok) {
    CloseDurableFile(journal->file);
    ShowMessage(kMsgMakeDirFailed, journal->kept.c_str());
    delete journal;
    return false;
  }
  run_journal = journal;
  return true;
}

void EndRollback(bool undo) {
  Journal* journal = run_journal;
  if (!journal) return;
  run_journal = nullptr;
  std::string text;
  // A journal that cannot be read now stays for the next start.
  if (undo && !ReadDurableFile(journal->file, &text)) {
    CloseDurableFile(journal->file);
    delete journal;
    return;
  }
  if (undo) UndoJournal(text, journal->file, "ROLLBACK");
  CloseDurableFile(journal->file);
  RemoveJournal(journal->folder);
  delete journal;
}

void AbandonRollback() {
  if (!run_journal) return;
  CloseDurableFile(run_journal->file);
  delete run_journal;
  run_journal = nullptr;
}
