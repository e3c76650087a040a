#include "app/file_safety.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "app/main_window.h"

namespace {

constexpr char kNumberedPrefix[] = "Quenlo备份(";
constexpr char kNumberedSuffix[] = ").txt";

std::string numberedBackup(int n) { return kNumberedPrefix + std::to_string(n) + kNumberedSuffix; }

// The highest N of the "Quenlo备份(N).txt" beside the backup; 0 when there is none.
int newestNumberedBackup() {
  int newest = 0;
  WIN32_FIND_DATAA found;
  HANDLE find =
      FindFirstFileA((std::string(kNumberedPrefix) + "*" + kNumberedSuffix).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string name = found.cFileName;
    const size_t from = std::strlen(kNumberedPrefix),
                 to = name.size() - std::strlen(kNumberedSuffix);
    if (to <= from || to - from > 6 || name.find_first_not_of("0123456789", from) != to) continue;
    newest = std::max(newest, std::stoi(name.substr(from, to - from)));
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return newest;
}

// The text goes beside the backup under a name of its own, never over an earlier one; the
// newest such file serves again when it already holds the text.
std::string keepElsewhere(const ByteBuffer& text, const std::string& why, bool& kept) {
  const int newest = newestNumberedBackup();
  ByteBuffer held;
  if (newest >= 2 && tryReadFileBytes(numberedBackup(newest).c_str(), held) &&
      held.view() == text.view()) {
    kept = true;
    return why + "，内容已另存到" + numberedBackup(newest);
  }
  const std::string name = numberedBackup(std::max(newest + 1, 2));
  if (!writeFileBytesByRename(name.c_str(), text)) return why + "，也无法保存文件到" + name;
  kept = true;
  return why + "，内容已另存到" + name;
}

// The time of last writing of a file (not a folder).
bool lastWrite(const std::string& name, FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  time = data.ftLastWriteTime;
  return true;
}

bool holds(const char* name, const ByteBuffer& text) {
  ByteBuffer held;
  return tryReadFileBytes(name, held) && held.view() == text.view();
}

// A rename keeps a file's time of last writing, so the previous version is older than the
// backup unless someone wrote it since: the user saved a document there. Then it is not an
// earlier backup, and it would be lost when the backup's old content takes its place.
bool previousWrittenSinceBackup() {
  FILETIME previous, backup;
  return lastWrite(kPreviousBackupFileName, previous) && lastWrite(kBackupFileName, backup) &&
         CompareFileTime(&previous, &backup) > 0;
}

}  // namespace

void addClause(std::string& status, const std::string& clause) {
  if (clause.empty()) return;
  status += status.empty() ? clause : "，" + clause;
}

std::string interruptedWritesClause(const std::vector<InterruptedWrite>& writes) {
  std::string clause;
  for (const InterruptedWrite& write : writes) {
    if (!clause.empty()) clause += "；";
    switch (write.outcome) {
      case InterruptedWrite::kFinished:
        clause += "上次中断的保存已完成：" + write.file;
        break;
      case InterruptedWrite::kUndone:
        clause += "上次中断的保存已撤销：" + write.file;
        break;
      case InterruptedWrite::kNotUndone:
        clause += "上次中断的保存无法撤销，原内容在" + write.oldBytesIn;
        break;
    }
  }
  return clause;
}

bool namesBackup(const std::string& path) { return sameFile(path.c_str(), kBackupFileName); }

bool namesPreviousBackup(const std::string& path) {
  return sameFile(path.c_str(), kPreviousBackupFileName);
}

bool backupHolds(const ByteBuffer& text) { return holds(kBackupFileName, text); }

BackupRefresh refreshBackup(const ByteBuffer& text) {
  BackupRefresh refresh;
  if (previousWrittenSinceBackup() && !holds(kBackupFileName, text) &&
      !holds(kPreviousBackupFileName, text)) {
    const std::string name = numberedBackup(std::max(newestNumberedBackup() + 1, 2));
    if (!MoveFileExA(kPreviousBackupFileName, name.c_str(), MOVEFILE_WRITE_THROUGH)) {
      refresh.clause = keepElsewhere(text, "无法保留上次的备份", refresh.kept);
      return refresh;
    }
    refresh.clause = std::string(kPreviousBackupFileName) + "已改名为" + name;
  }
  if (!keepPreviousVersion(kBackupFileName, kPreviousBackupFileName, text)) {
    addClause(refresh.clause, keepElsewhere(text, "无法保留上次的备份", refresh.kept));
  } else if (!writeFileBytesByRename(kBackupFileName, text)) {
    addClause(refresh.clause,
              keepElsewhere(text, std::string("无法保存文件到") + kBackupFileName, refresh.kept));
  } else {
    refresh.written = refresh.kept = true;
  }
  return refresh;
}

std::string newerThanBackupClause() {
  const int newest = newestNumberedBackup();
  FILETIME numbered, backup;
  if (newest < 2 || !lastWrite(numberedBackup(newest), numbered)) return "";
  if (lastWrite(kBackupFileName, backup) && CompareFileTime(&numbered, &backup) <= 0) return "";
  return "最新的备份在" + numberedBackup(newest);
}
