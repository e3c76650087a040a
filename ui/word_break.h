#pragma once
#include <cstddef>
#include <string_view>

// Where a wrapping edit box may begin a new line of GBK text, and the answers of its
// word-break procedure. A line may begin after spaces and before or after any double-byte
// character, never inside one, never with a space or closing punctuation (，。、；：？！）》」』
// and their kin, ASCII , . ; : ? ! ) ] } >), and never right after opening punctuation.
// Between two single-byte characters that are not spaces (an ASCII word) no line begins.

// Whether a line may begin at byte `at`, a character boundary of `text`. Not at its ends.
bool lineMayStartAt(std::string_view text, size_t at);

// What the control is doing when it asks: the answers differ at a position where a line may
// begin. Wrapping asks for the last place at or before the one that still fits; moving the
// caret a word to the left must move it; selecting a word looks for the word's end after it.
enum class WordBreakUse { kWrap, kCaretMove, kSelectWord };

// The actions of an EDIT control's word-break call (WB_LEFT, WB_RIGHT, WB_ISDELIMITER).
enum WordBreakAction : int { kWordLeft = 0, kWordRight = 1, kWordIsDelimiter = 2 };

// The answer to one word-break call on `text`. `index` and the answer count characters when
// `inCharacters`, else bytes; `text` itself is always GBK bytes. kWordLeft: with kWrap the last
// place a line may begin at or before `index`, but `index` itself only when a line may also
// begin one character earlier (controls that take a place slightly past the fit fall back to
// breaking one character earlier), 0 for none; with kCaretMove the last before `index`; with
// kSelectWord the last at or before. kWordRight: the first place at or after `index` (after
// it with kSelectWord), or the end. kWordIsDelimiter: 1 when the character at `index` is a
// space.
int answerWordBreak(std::string_view text, int index, int action, bool inCharacters,
                    WordBreakUse use);
