#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "service/page_fetcher.h"

// Cuts a reply body into pieces the way the reader always has: at most kPieceLimit bytes
// consumed per piece, CRs consumed but not stored, an LF stored and ending the piece. Each piece
// is filtered with RemoveMarkup and appended to the text up to its first NUL. Plain C++: every
// HTTP client feeds it the body bytes as they arrive.
class PieceReader {
 public:
  static constexpr std::size_t kPieceLimit = kPieceBufferSize - 2;  // body bytes one piece takes

  PieceReader(char (&piece)[kPieceBufferSize], std::string& text) : m_piece(piece), m_text(text) {}

  void Feed(std::string_view bytes);
  // The body is exhausted: a piece with stored bytes still counts.
  void Finish();

 private:
  void Emit();

  char* m_piece;
  std::string& m_text;
  std::size_t m_stored = 0;
  std::size_t m_consumed = 0;
};
