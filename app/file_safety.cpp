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
std::string keepElsewhere(const ByteBuffer& text, const std::string& why) {
  const int newest = newestNumberedBackup();
  ByteBuffer held;
  if (newest >= 2 && tryReadFileBytes(numberedBackup(newest).c_str(), held) &&
      held.view() == text.view())
    return why + "，内容已另存到" + numberedBackup(newest);
  const std::string name = numberedBackup(std::max(newest + 1, 2));
  if (!writeFileBytesByRename(name.c_str(), text)) return why + "，也无法保存文件到" + name;
  return why + "，内容已另存到" + name;
}

bool lastWrite(const std::string& name, FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) return false;
  time = data.ftLastWriteTime;
  return true;
}

}  // namespace

void addClause(std::string& status, const std::string& clause) {
  if (!clause.empty()) status += "，" + clause;
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

bool backupHolds(const ByteBuffer& text) {
  ByteBuffer held;
  return tryReadFileBytes(kBackupFileName, held) && held.view() == text.view();
}

std::string refreshBackup(const ByteBuffer& text) {
  if (!keepPreviousVersion(kBackupFileName, kPreviousBackupFileName, text))
    return keepElsewhere(text, "无法保留上次的备份");
  if (!writeFileBytesByRename(kBackupFileName, text))
    return keepElsewhere(text, std::string("无法保存文件到") + kBackupFileName);
  return "";
}

std::string newerThanBackupClause() {
  const int newest = newestNumberedBackup();
  FILETIME numbered, backup;
  if (newest < 2 || !lastWrite(numberedBackup(newest), numbered)) return "";
  if (lastWrite(kBackupFileName, backup) && CompareFileTime(&numbered, &backup) <= 0) return "";
  return "最新的备份在" + numberedBackup(newest);
}
