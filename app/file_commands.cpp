#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/file_safety.h"
#include "app/handlers.h"
#include "app/main_window.h"
#include "app/recovery.h"
#include "runtime/convert.h"
#include "runtime/file.h"
#include "runtime/heap.h"
#include "runtime/open_room.h"
#include "runtime/system_code_page.h"
#include "ui/model/window_handle.h"
#include "ui/model/component_model.h"
#include "ui/components/edit_box/edit_box.h"
#include "ui/components/file_dialog/file_dialog.h"
#include "ui/model/long_work.h"

namespace {

// How the open document's file turned its bytes into text; every save turns the text back the
// same way. A new document is GBK, bytes as they are.
DocumentEncoding documentEncoding = DocumentEncoding::Gbk;

constexpr char kOpening[] = "正在打开文件…";
constexpr char kTooLarge[] = "文件太大，无法完整打开";
constexpr char kLineTooLong[] = "文件中有超过1MB的长行，文本框无法在合理的时间内显示";
// The text box lays out a line (up to a line break) of more than a few screen lines about thirty
// times slower per byte than short lines, even a piece at a time (bench/NOTES.md, "Opening"): a
// line of a megabyte takes a minute or two, one of 120 MB would take hours.
constexpr size_t kLongestLine = 1 << 20;
// What a piece of text costs the text box apart from its length grows with the text already in:
// past about 32 MB a piece takes the better part of a second however short it is, the program
// answers others only every second or more, and the open takes minutes (bench/NOTES.md,
// "Opening"). Larger files are refused before anything is read.
constexpr uint64_t kLargestShown = uint64_t{32} << 20;
constexpr char kTooLargeToShow[] = "文件超过32MB，文本框无法在合理的时间内显示";
constexpr char kNoMemoryToSave[] = "内存不足，无法取出全部文字";

Text contentOf(UnitId box) { return readProperty(MainWindow, box, Content).takeText(); }

// The document whole; nothing when there was no memory for a copy of it.
std::optional<Text> wholeDocument() {
  PropertyValue content = readProperty(MainWindow, InputBox, Content);
  if (content.unreadable()) return std::nullopt;
  return content.takeText();
}

// The bytes a save writes for `text` in `encoding`; nothing when there was no memory for them.
std::optional<ByteBuffer> bytesOf(const Text& text, DocumentEncoding encoding) {
  try {
    ByteBuffer bytes =
        encoding == DocumentEncoding::Gbk
            ? toBytes(text)
            : ByteBuffer::copyOf(encodeDocument(text.view(), encoding, systemCodePage()));
    if (bytes.empty() && !text.empty()) return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::string cannotSaveWithoutMemory(const std::string& path) {
  return "无法保存文件到" + path + "：" + kNoMemoryToSave;
}

// The status of a failed save; it names the journal that still holds the file's old bytes when
// they could not be put back.
std::string cannotSave(const std::string& path, const SaveOutcome& outcome) {
  std::string status = "无法保存文件到" + path;
  if (!outcome.oldBytesIn.empty()) addClause(status, "原内容在" + outcome.oldBytesIn);
  return status;
}

// A save into a folder first settles what killed processes left there.
std::vector<InterruptedWrite> settleFolderOf(const std::string& path) {
  return finishInterruptedWrites(folderOf(path));
}

const char* refusalText(OpenRefusal why) {
  switch (why) {
    case OpenRefusal::ZeroByte:
      return "文件中有零字节，不是文本文件";
    case OpenRefusal::Unrepresentable:
      return "文件中有GBK编码无法表示的字符";
    case OpenRefusal::DamagedUtf16:
      return "UTF-16文件不完整或已损坏";
    default:
      return "文件既不是完整的GBK文本，也不是UTF-8文本";
  }
}

// A file on its way to the text box: read and decoded off the user-interface thread.
struct Loaded {
  bool read = false;
  bool outOfMemory = false;
  OpenRefusal refusal = OpenRefusal::None;
  DocumentEncoding encoding = DocumentEncoding::Gbk;
  Text text;
  size_t longestLine = 0;
};

// The text box breaks lines at LF, with or without a CR before it.
size_t longestLine(std::string_view text) {
  size_t longest = 0;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  return longest;
}

// A GBK file's bytes become the text in their own block; only a Unicode file is converted.
Loaded load(const std::string& path) {
  Loaded loaded;
  const uint64_t failures = runtimeAllocFailures();
  try {
    ByteBuffer bytes;
    loaded.read = tryReadFileBytes(path.c_str(), bytes);
    if (!loaded.read) {
      loaded.outOfMemory = runtimeAllocFailures() != failures;
      return loaded;
    }
    DecodedDocument decoded = decodeDocument(bytes.view(), systemCodePage());
    loaded.refusal = decoded.refusal;
    loaded.encoding = decoded.encoding;
    if (decoded.refusal != OpenRefusal::None) return loaded;
    if (decoded.encoding == DocumentEncoding::Gbk) {
      loaded.text = toText(std::move(bytes));
    } else {
      bytes = ByteBuffer();
      loaded.text = Text::copyOf(decoded.text);
      loaded.outOfMemory = loaded.text.size() != decoded.text.size();
    }
    loaded.longestLine = longestLine(loaded.text.view());
  } catch (const std::bad_alloc&) {
    loaded.outOfMemory = true;
  }
  return loaded;
}

// Loads a file into PathBox and InputBox and shows `opened`, whole or not at all: a file that
// cannot be read, whose bytes the text box could not give back unchanged, or that does not fit
// in memory leaves both as they were, and so does a text box that took less than the whole
// text. A write of the file that a killed process left unfinished is finished or undone first.
// A long open says so in the status first, shows the new path, and answers other programs
// while the text goes in; a second open meanwhile (a drop) is ignored.
bool openDocument(const std::string& path, const char* opened) {
  static bool opening = false;
  if (opening) return false;
  opening = true;
  struct Done {
    ~Done() { opening = false; }
  } done;

  const std::string settled = interruptedWritesClause(finishInterruptedWritesOf(path.c_str()));
  auto refuse = [&](const char* reason) {
    std::string status = "无法打开文件" + path;
    if (reason) status += std::string("：") + reason;
    addClause(status, settled);
    showStatus(status.c_str());
    return false;
  };
  const std::optional<uint64_t> size = fileSize(path.c_str());
  if (size && !roomToOpen(*size, documentLength())) return refuse(kTooLarge);
  if (size && *size > kLargestShown) return refuse(kTooLargeToShow);
  std::optional<LongWork> work;
  if (size && *size >= kPiecewiseTextBytes) {
    showStatus(kOpening);
    work.emplace();
  }
  Loaded loaded;
  if (work)
    runAnswering([&] { loaded = load(path); });
  else
    loaded = load(path);
  if (!loaded.read || loaded.outOfMemory) return refuse(loaded.outOfMemory ? kTooLarge : nullptr);
  if (loaded.refusal != OpenRefusal::None) return refuse(refusalText(loaded.refusal));
  if (loaded.longestLine > kLongestLine) return refuse(kLineTooLong);

  std::optional<Text> previous = wholeDocument();
  if (!previous) return refuse(kTooLarge);
  const std::string previousPath = contentOf(PathBox).str();
  writeProperty(MainWindow, PathBox, Content, path.c_str());
  if (work) {
    showStatus(kOpening);
    keepAnswering();
  }
  const size_t expected = loaded.text.size();
  writeProperty(MainWindow, InputBox, Content, std::move(loaded.text));
  if (documentLength() != expected) {
    writeProperty(MainWindow, InputBox, Content, std::move(*previous));
    writeProperty(MainWindow, PathBox, Content, previousPath.c_str());
    return refuse(kTooLarge);
  }
  documentEncoding = loaded.encoding;
  std::string status = opened;
  addClause(status, settled);
  showStatus(status.c_str());
  noteTextInFile();
  return true;
}

bool chooseFile(int32_t type) {
  writeProperty(MainWindow, FileDialog1, DialogType, type);
  return showDialog(MainWindow, FileDialog1);
}

}  // namespace

size_t documentLength() {
  const int length = GetWindowTextLengthA(getWindowHandle(MainWindow, InputBox));
  return length > 0 ? static_cast<size_t>(length) : 0;
}

void onOpenFileClicked() {
  if (chooseFile(0)) {
    openDocument(readProperty(MainWindow, FileDialog1, FileName).c_str(), "已打开用户选择文件");
    return;
  }
  showStatus("已打开用户选择文件");
}

// Saving over the backup is a refresh of the backup: its earlier version is kept first.
void onSaveFileClicked() {
  if (!chooseFile(1)) return showStatus("已保存用户选择文件");
  const std::string path = readProperty(MainWindow, FileDialog1, FileName).c_str();
  const std::vector<InterruptedWrite> settled = settleFolderOf(path);
  // Nothing is written when the text cannot be had whole: an empty or cut text would replace
  // the file.
  const std::optional<Text> text = wholeDocument();
  const bool backup = namesBackup(path);
  std::optional<ByteBuffer> bytes;
  if (text) bytes = bytesOf(*text, backup ? DocumentEncoding::Gbk : documentEncoding);
  std::string status = "已保存用户选择文件";
  if (!bytes) {
    status = cannotSaveWithoutMemory(path);
  } else if (backup) {
    const BackupRefresh refresh = refreshBackup(*bytes);
    if (!refresh.written) status.clear();
    if (refresh.kept) noteTextInFile();
    addClause(status, refresh.clause);
  } else {
    if (const SaveOutcome saved = saveFileBytes(path.c_str(), {&*bytes}); !saved.written)
      status = cannotSave(path, saved);
    else
      noteTextInFile();
  }
  addClause(status, interruptedWritesClause(settled));
  showStatus(status.c_str());
}

// Nothing can change the text between the two writes, so it is read once. The backup is the
// program's own file and always GBK. When PathBox names the backup, the refresh of the backup is
// the save. When it names the backup's previous version, that file is the user's document now:
// the backup is left as it is, since its earlier version would have to go where the document
// goes.
void onSaveToCurrentPathClicked() {
  const std::string path = contentOf(PathBox).str();
  std::vector<InterruptedWrite> settled = settleFolderOf(path);
  for (InterruptedWrite& write : finishInterruptedWrites("")) settled.push_back(std::move(write));
  // Nothing is written when the text cannot be had whole: an empty or cut text would replace
  // the file and the backup.
  const std::optional<Text> text = wholeDocument();
  const bool gbk = documentEncoding == DocumentEncoding::Gbk;
  std::optional<ByteBuffer> backup, converted;
  if (text) backup = bytesOf(*text, DocumentEncoding::Gbk);
  if (backup && !gbk) converted = bytesOf(*text, documentEncoding);
  if (!backup || (!gbk && !converted)) {
    std::string status = cannotSaveWithoutMemory(path);
    addClause(status, interruptedWritesClause(settled));
    return showStatus(status.c_str());
  }

  std::string status = "用户手动保存文件到" + path;
  if (namesBackup(path)) {
    const BackupRefresh refresh = refreshBackup(*backup);
    if (!refresh.written) status.clear();
    if (refresh.kept) noteTextInFile();
    addClause(status, refresh.clause);
  } else {
    const SaveOutcome saved = saveFileBytes(path.c_str(), {gbk ? &*backup : &*converted});
    if (!saved.written)
      status = cannotSave(path, saved);
    else
      noteTextInFile();
    if (!namesPreviousBackup(path)) {
      addClause(status, refreshBackup(*backup).clause);
    } else if (!backupHolds(*backup)) {
      addClause(status, std::string(kBackupFileName) + "未更新，仍是上次的备份");
    }
  }
  addClause(status, interruptedWritesClause(settled));
  showStatus(status.c_str());
}

void onFilesDropped(const char* name) {
  // Several files arrive as one text, each path followed by CR LF: open the first.
  std::string first = name ? name : "";
  first = first.substr(0, first.find("\r\n"));
  openDocument(first, "已打开用户拖放的文件");
}

void onPathBoxChanged() { showStatus("要保存的位置已改变"); }

void onInputBoxChanged() {
  showStatus("正在输入内容-当前内容未被保存");
  noteTextChanged();
}
