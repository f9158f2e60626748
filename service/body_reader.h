#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Room for one piece of a reply: at most 1022 body bytes plus the terminator.
inline constexpr std::size_t kPieceBufferSize = 1024;
// Body bytes one piece may consume.
inline constexpr std::size_t kPieceLimit = kPieceBufferSize - 2;

// Drops every span from "<" to the next ">" from `text`, in place. The in-tag state carries
// over from one call to the next, so a tag may span pieces and lines; each fetch starts it
// afresh.
void RemoveMarkup(char* text);
void ResetMarkupState();

// The markup rule on `length` bytes of `text` that may hold NULs: every byte from a "<" up to and
// including the next ">" is dropped, and every CR too when `dropCr`; the kept bytes move to the
// front of `text` in order. `inTag` is the state before the first byte and becomes the state
// after the last. Returns how many bytes were kept.
std::size_t FilterMarkup(char* text, std::size_t length, bool& inTag, bool dropCr = false);

// The ways FilterMarkup can run, all to the same bytes: 64-byte blocks with AVX-512, 64-byte
// blocks with AVX2 and BMI2, or runs between "<" and ">" found by memchr. The fastest the
// processor has is used; tests and fuzzing pick each in turn. Returns false (and changes
// nothing) for one this processor or build lacks.
enum class MarkupKernel { kWideBlocks, kBlocks, kPortable };
bool UseMarkupKernel(MarkupKernel kernel);

// Cuts a reply body, given in blocks of any size, into pieces the way the reader always has: at
// most kPieceLimit bytes consumed per piece, CRs consumed but not stored, an LF stored and ending
// the piece. Each piece is filtered (RemoveMarkup, sharing its state) and appended to `text` up
// to its first NUL; `piece` holds the last one, filtered, when the body ends.
class PieceReader {
 public:
  PieceReader(char (&piece)[kPieceBufferSize], std::string& text) : m_piece(piece), m_text(text) {}

  void Feed(std::string_view bytes);
  // The body is exhausted: a piece with stored bytes still counts.
  void Finish();

 private:
  void FeedPieceByPiece(const char* at, const char* end);
  void Emit(std::size_t stored);

  char* m_piece;
  std::string& m_text;
  std::unique_ptr<char[]> m_scratch;  // filtered text of the pieces a block completes
  std::size_t m_scratchSize = 0;
  std::size_t m_stored = 0;    // bytes of the unfinished piece in m_piece
  std::size_t m_consumed = 0;  // body bytes the unfinished piece has consumed
};
