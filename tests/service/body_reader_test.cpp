#include "service/body_reader.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

// Runs a test body once with each way of filtering this processor has.
class EachKernel : public testing::Test {
 protected:
  ~EachKernel() override {
    // Back to the fastest, as the program runs.
    if (!UseMarkupKernel(MarkupKernel::kWideBlocks) && !UseMarkupKernel(MarkupKernel::kBlocks)) {
      UseMarkupKernel(MarkupKernel::kPortable);
    }
  }

  template <typename Body>
  void ForEachKernel(Body body) {
    for (const auto kernel :
         {MarkupKernel::kPortable, MarkupKernel::kBlocks, MarkupKernel::kWideBlocks}) {
      if (!UseMarkupKernel(kernel)) continue;
      SCOPED_TRACE(static_cast<int>(kernel));
      body();
    }
  }
};

struct FilterCase {
  const char* what;
  std::string text;
  bool inTagBefore;
  bool dropCr;
  std::string kept;
  bool inTagAfter;
};

std::string Repeat(const std::string& part, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += part;
  return text;
}

using FilterMarkupTest = EachKernel;

TEST_F(FilterMarkupTest, KeepsWhatLiesOutsideTags) {
  const std::string x63(63, 'x'), y64(64, 'y');
  const FilterCase cases[] = {
      {"empty", "", false, false, "", false},
      {"empty in a tag", "", true, false, "", true},
      {"no tag", "plain text", false, false, "plain text", false},
      {"> outside a tag is text", "a > b >", false, false, "a > b >", false},
      {"< inside a tag is nothing", "a<b<c>d", false, false, "ad", false},
      {"tag still open", "a<b", false, false, "a", true},
      {"state carried in", "b>c<d>e", true, false, "ce", false},
      {"> first with a carried tag", ">x", true, false, "x", false},
      {"CRs kept", "a\r<b>\rc", false, false, "a\r\rc", false},
      {"CRs dropped", "\ra\r<b\r>\rc\r", false, true, "ac", false},
      {"NUL is an ordinary byte", "a\0<b\0>c\0"s, false, false, "a\0c\0"s, false},
      {"tag across a 64-byte block", x63 + "<tag>" + y64, false, false, x63 + y64, false},
      {"< at a block end", x63 + "<" + y64 + ">z", false, false, x63 + "z", false},
      {"> at a block start", "<" + x63 + ">" + y64, false, false, y64, false},
      {"block inside a tag", "<" + Repeat(y64, 3) + ">z", false, false, "z", false},
      {"long HTML", Repeat("<tr><td class=\"x\">cell</td></tr>\r\n", 40), false, true,
       Repeat("cell\n", 40), false},
      {"open tag at the very end", Repeat("ab", 64) + "<", false, false, Repeat("ab", 64), true},
  };
  ForEachKernel([&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      std::string text = c.text;
      bool inTag = c.inTagBefore;
      const std::size_t kept = FilterMarkup(text.data(), text.size(), inTag, c.dropCr);
      EXPECT_EQ(text.substr(0, kept), c.kept);
      EXPECT_EQ(inTag, c.inTagAfter);
    }
  });
}

TEST_F(FilterMarkupTest, RemoveMarkupStopsAtTheTerminatorAndKeepsItsState) {
  ForEachKernel([&] {
    ResetMarkupState();
    char first[] = "keep<drop";
    RemoveMarkup(first);
    EXPECT_STREQ(first, "keep");
    char second[] = "still>back\0<not read>";
    RemoveMarkup(second);
    EXPECT_STREQ(second, "back");
    EXPECT_STREQ(second + std::strlen("still>back") + 1, "<not read>");  // beyond: untouched
  });
  ResetMarkupState();
}

struct Read {
  std::string text;
  std::string lastPiece;
};

// Reads `body` handed over in blocks of `block` bytes.
Read ReadInBlocks(const std::string& body, std::size_t block) {
  char piece[kPieceBufferSize];
  std::memset(piece, '#', sizeof piece);
  Read read;
  ResetMarkupState();
  PieceReader reader(piece, read.text);
  for (std::size_t at = 0; at < body.size(); at += block) reader.Feed(body.substr(at, block));
  reader.Finish();
  piece[kPieceBufferSize - 1] = '\0';
  read.lastPiece = piece;
  return read;
}

struct BodyCase {
  const char* what;
  std::string body;
  std::string text;
  std::string lastPiece;
};

using PieceReaderTest = EachKernel;

TEST_F(PieceReaderTest, BlocksOfAnySizeReadAlike) {
  const std::string x1021(1021, 'x');
  const BodyCase cases[] = {
      {"lines", "<p>one</p>\r\n<p>two</p>\r\n", "one\ntwo\n", "two\n"},
      {"last line without LF", "a\r\nb<i>c", "a\nbc", "bc"},
      // The 1022-byte cut falls inside the tag: the tag still ends in the next piece.
      {"tag across the piece cut", x1021 + "<b>yz\n", x1021 + "yz\n", "yz\n"},
      {"CR counts toward the cut", x1021 + "\rAB", x1021 + "AB", "AB"},
      {"LF as byte 1022", x1021 + "\nq", x1021 + "\nq", "q"},
      {"NUL ends its piece only", "ab\0cd\nef<x>\n"s, "abef\n", "ef\n"},
      // The NUL drops the rest of its 1022-byte piece, not the rest of the line.
      {"NUL in a long line", std::string(1000, 'x') + "\0"s + std::string(100, 'd') + "\nnext\n",
       std::string(1000, 'x') + std::string(79, 'd') + "\nnext\n", "next\n"},
      {"only CRs", "\r\r\r", "", std::string(kPieceBufferSize - 1, '#')},
      {"body ends at a piece end", "one\n", "one\n", "one\n"},
  };
  ForEachKernel([&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      for (const std::size_t block :
           {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{1021}, std::size_t{1022},
            std::size_t{1023}, std::size_t{16384}}) {
        SCOPED_TRACE(block);
        const Read read = ReadInBlocks(c.body, block);
        EXPECT_EQ(read.text, c.text);
        EXPECT_EQ(read.lastPiece, c.lastPiece);
      }
    }
  });
}

TEST_F(PieceReaderTest, ManyPiecesInOneBlock) {
  std::string body, text;
  for (int i = 0; i < 500; ++i) {
    body += "<tr><td>" + std::to_string(i) + "</td></tr>\r\n";
    text += std::to_string(i) + "\n";
  }
  body += std::string(3000, 'w');  // three pieces cut by length after the last LF
  text += std::string(3000, 'w');
  ForEachKernel([&] {
    for (const std::size_t block : {body.size(), std::size_t{4096}, std::size_t{999}}) {
      SCOPED_TRACE(block);
      const Read read = ReadInBlocks(body, block);
      EXPECT_EQ(read.text, text);
      EXPECT_EQ(read.lastPiece, std::string(3000 - 2 * kPieceLimit, 'w'));
    }
  });
}

}  // namespace
