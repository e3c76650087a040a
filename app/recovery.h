#pragma once
#include <string>

// The recovery file: while InputBox holds text that no file on disk holds, each running
// instance keeps that text in a file of its own beside the backup, so that a crash, a kill or
// a power cut loses at most the last seconds of typing. The text is copied out of InputBox on
// this thread; turning it into bytes and writing it happen on a thread of their own.

// At start-up: holds this instance's file name for as long as the process lives, and gives the
// start-up status's clause naming the newest file that an instance left which did not end
// cleanly ("" when there is none).
std::string startRecovery();
// InputBox's text changed.
void noteTextChanged();
// A file on disk now holds InputBox's text (saved, or just opened): the recovery file goes.
void noteTextInFile();
// A clean end (close, Esc, the end of the Windows session): the recovery file goes when the
// backup was written; otherwise it stays, holding the last text.
void endRecovery(bool backupWritten);
