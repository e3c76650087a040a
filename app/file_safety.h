#pragma once
#include <string>
#include <vector>

#include "runtime/byte_buffer.h"
#include "runtime/file.h"

// What the file commands and the lifecycle handlers share so that no version of the user's text
// is lost without a word: the backup's generations and the status clauses that tell the user
// where a text went.

// Appends `clause` to a status text, after "，" unless the text is empty; an empty clause adds
// nothing.
void addClause(std::string& status, const std::string& clause);

// Tells what became of writes a killed process left unfinished; "" when there were none.
std::string interruptedWritesClause(const std::vector<InterruptedWrite>& writes);

// Whether a path names the backup or its previous version.
bool namesBackup(const std::string& path);
bool namesPreviousBackup(const std::string& path);
// Whether the backup already holds `text`.
bool backupHolds(const ByteBuffer& text);

// Writes `text` to the backup, whose earlier content first becomes the previous version. A
// previous version written since the backup (a document the user saved there) is first set
// aside as a new "Quenlo备份(N).txt". When the earlier content cannot be kept (the previous
// version's name is a folder or read-only, or a rename fails), or the backup cannot be written,
// the backup is left as it is and the text goes to a new "Quenlo备份(N).txt" beside it.
struct BackupRefresh {
  bool written = false;  // the backup holds the text
  bool kept = false;     // a file holds it: the backup or a numbered one
  std::string clause;    // what else happened and where the texts went; "" when nothing did
};
BackupRefresh refreshBackup(const ByteBuffer& text);

// At start-up: names the file that holds a newer text than the backup, when one does.
std::string newerThanBackupClause();
