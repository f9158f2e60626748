// Reads an arbitrary body cut into arbitrary blocks and compares the text, the piece left in the
// buffer and the markup state after it with a plain byte-at-a-time reading of the same rule.
// Also filters arbitrary bytes in place from either state, CRs kept or dropped.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "service/body_reader.h"

namespace {

// The rule a byte at a time.
struct PlainReader {
  char piece[kPieceBufferSize] = {};
  std::string text;
  bool inTag = false;
  bool emitted = false;
  std::size_t stored = 0, consumed = 0;

  void Filter(char* at) {
    char* out = at;
    for (const char* in = at; *in != '\0'; ++in) {
      if (!inTag) {
        if (*in == '<') {
          inTag = true;
        } else {
          *out++ = *in;
        }
      } else if (*in == '>') {
        inTag = false;
      }
    }
    *out = '\0';
  }
  void Emit() {
    piece[stored] = '\0';
    Filter(piece);
    text += piece;
    stored = 0;
    consumed = 0;
    emitted = true;
  }
  void Feed(std::string_view bytes) {
    for (const char c : bytes) {
      ++consumed;
      if (c != '\r') piece[stored++] = c;
      if (c == '\n' || consumed == kPieceLimit) Emit();
    }
  }
  void Finish() {
    if (stored > 0) Emit();
  }
};

// Whether the shared markup state is inside a tag: a byte after it is kept only outside.
bool SharedStateInTag() {
  char probe[] = "x";
  RemoveMarkup(probe);
  return probe[0] == '\0';
}

void ReadBody(FuzzInput& input) {
  // Block sizes come first, then the body.
  std::size_t cuts[16];
  const std::size_t cutCount = input.Byte() % 16 + 1;
  for (std::size_t i = 0; i < cutCount; ++i) {
    const std::size_t high = input.Byte();
    cuts[i] = (high << 8 | input.Byte()) % 5000 + 1;
  }
  const std::string_view body = input.Rest();

  PlainReader plain;
  plain.Feed(body);
  plain.Finish();

  char piece[kPieceBufferSize];
  std::memset(piece, 'g', sizeof piece);
  std::string text;
  ResetMarkupState();
  {
    PieceReader reader(piece, text);
    std::size_t at = 0;
    for (std::size_t i = 0; at < body.size(); i = (i + 1) % cutCount) {
      const std::size_t n = std::min(cuts[i], body.size() - at);
      reader.Feed(body.substr(at, n));
      at += n;
    }
    reader.Finish();
  }
  if (text != plain.text) Finding("the text differs from the plain reading");
  if (plain.emitted && std::strcmp(piece, plain.piece) != 0) {
    Finding("the last piece differs from the plain reading");
  }
  if (SharedStateInTag() != plain.inTag) Finding("the markup state differs");
}

void FilterBytes(FuzzInput& input) {
  const std::uint8_t mode = input.Byte();
  bool inTag = (mode & 1) != 0;
  const bool dropCr = (mode & 2) != 0;
  std::string bytes(input.Rest());
  std::string expected;
  bool expectedInTag = inTag;
  for (const char c : bytes) {
    if (expectedInTag) {
      expectedInTag = c != '>';
    } else if (c == '<') {
      expectedInTag = true;
    } else if (!dropCr || c != '\r') {
      expected += c;
    }
  }
  const std::size_t kept = FilterMarkup(bytes.data(), bytes.size(), inTag, dropCr);
  if (std::string_view(bytes.data(), kept) != expected) Finding("filtered bytes differ");
  if (inTag != expectedInTag) Finding("the state after filtering differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::uint8_t mode = input.Byte();
  // Every way of filtering this processor has.
  if (!UseMarkupKernel(static_cast<MarkupKernel>(mode / 4 % 3))) {
    UseMarkupKernel(MarkupKernel::kPortable);
  }
  if (mode % 4 == 0) {
    FilterBytes(input);
  } else {
    ReadBody(input);
  }
  return 0;
}
