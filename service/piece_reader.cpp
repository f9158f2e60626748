#include "service/piece_reader.h"

namespace {

bool g_inTag = false;

}  // namespace

void RemoveMarkup(char* text) {
  char* out = text;
  for (const char* in = text; *in != '\0'; ++in) {
    if (!g_inTag) {
      if (*in == '<') {
        g_inTag = true;
      } else {
        *out++ = *in;
      }
    } else if (*in == '>') {
      g_inTag = false;
    }
  }
  *out = '\0';
}

void ResetMarkupState() {
  g_inTag = false;
}

void PieceReader::Feed(std::string_view bytes) {
  for (const char c : bytes) {
    ++m_consumed;
    if (c != '\r') m_piece[m_stored++] = c;
    if (c == '\n' || m_consumed == kPieceLimit) Emit();
  }
}

void PieceReader::Finish() {
  if (m_stored > 0) Emit();
}

void PieceReader::Emit() {
  m_piece[m_stored] = '\0';
  RemoveMarkup(m_piece);
  m_text += m_piece;
  m_stored = 0;
  m_consumed = 0;
}
