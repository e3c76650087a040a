#pragma once
#include <cstddef>
#include <string_view>

// Where a wrapping edit box may begin a new line, and the answers of its word-break
// procedure. A line may begin after spaces and before or after any double-byte character,
// never inside one, never with a space or closing punctuation (，。、；：？！）》」』 and their
// kin, ASCII , . ; : ? ! ) ] } >), and never right after opening punctuation. Between two
// single-byte characters that are not spaces (an ASCII word) no line begins. A double-byte
// character is one of two bytes in GBK text, one above 0x7F in UTF-16 text.

// Whether a line may begin at byte `at`, a character boundary of the GBK `text`. Not at its
// ends.
bool lineMayStartAt(std::string_view text, size_t at);

// What the control is doing when it asks. Wrapping asks for the last place at or before a
// position (and asks again before that place while the line is too wide), moving the caret a
// word to the left must move it, selecting a word looks for the word's end after it.
enum class WordBreakUse { kWrap, kCaretMove, kSelectWord };

// The actions of an EDIT control's word-break call (WB_LEFT, WB_RIGHT, WB_ISDELIMITER).
enum WordBreakAction : int { kWordLeft = 0, kWordRight = 1, kWordIsDelimiter = 2 };

// The answer to one word-break call. kWordLeft: the last place a line may begin at or before
// `index` (before it with kCaretMove), 0 for none. kWordRight: the first place at or after
// `index` (after it with kSelectWord), or the end. kWordIsDelimiter: 1 when the character at
// `index` is a space. In GBK text `index` and the answer count bytes, or characters when
// `inCharacters`; in UTF-16 text they count code units.
int answerWordBreak(std::string_view text, int index, int action, bool inCharacters,
                    WordBreakUse use);
int answerWordBreak(std::u16string_view text, int index, int action, WordBreakUse use);
