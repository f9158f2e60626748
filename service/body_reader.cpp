#include "service/body_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VEXMORA_AVX2_FILTER 1
#endif

namespace {

bool g_inTag = false;

const char* FindByte(const char* at, char byte, std::size_t length) {
  return length == 0 ? nullptr : static_cast<const char*>(std::memchr(at, byte, length));
}

const char* FindLastByte(const char* at, char byte, std::size_t length) {
#ifdef __GLIBC__
  return length == 0 ? nullptr : static_cast<const char*>(::memrchr(at, byte, length));
#else
  for (const char* p = at + length; p != at;) {
    if (*--p == byte) return p;
  }
  return nullptr;
#endif
}

// Copies `length` bytes to `to` without their CRs; returns how many were copied.
std::size_t CopyWithoutCr(char* to, const char* from, std::size_t length) {
  char* const start = to;
  while (length > 0) {
    const char* cr = FindByte(from, '\r', length);
    const std::size_t run = cr != nullptr ? static_cast<std::size_t>(cr - from) : length;
    std::memcpy(to, from, run);
    to += run;
    if (cr == nullptr) break;
    from = cr + 1;
    length -= run + 1;
  }
  return static_cast<std::size_t>(to - start);
}

// The rule a run at a time: outside a tag, copy up to the next "<"; inside, skip to the next ">".
std::size_t FilterByRuns(char* const to, const char* from, std::size_t length, bool& inTag) {
  char* out = to;
  const char* at = from;
  const char* const end = from + length;
  bool in = inTag;
  while (at < end) {
    const std::size_t left = static_cast<std::size_t>(end - at);
    if (in) {
      const char* close = FindByte(at, '>', left);
      if (close == nullptr) break;
      at = close + 1;
      in = false;
    } else {
      const char* open = FindByte(at, '<', left);
      const std::size_t run = open != nullptr ? static_cast<std::size_t>(open - at) : left;
      if (out != at) std::memmove(out, at, run);
      out += run;
      if (open == nullptr) break;
      at = open + 1;
      in = true;
    }
  }
  inTag = in;
  return static_cast<std::size_t>(out - to);
}

std::size_t FilterByBytes(char* const to, const char* from, std::size_t length, bool& inTag,
                          bool dropCr) {
  char* out = to;
  bool in = inTag;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = from[i];
    if (in) {
      in = c != '>';
    } else if (c == '<') {
      in = true;
    } else if (!dropCr || c != '\r') {
      *out++ = c;
    }
  }
  inTag = in;
  return static_cast<std::size_t>(out - to);
}

#ifdef VEXMORA_AVX2_FILTER

// 64 bytes at a time. With L the "<" bits, G the ">" bits and a carried-in state c, the state
// after a byte is "in a tag" exactly when the last "<" or ">" at or before it is a "<" (or, when
// there is none, when c is set). Within each run of non-">" bits, adding the "<" bits to the run
// clears it from its lowest "<" upwards, which gives that state for every byte at once; a byte
// is kept when the state before it is "outside" and it is no "<" (nor a dropped CR).
struct Block {
  std::uint64_t lt, gt, cr;
};

__attribute__((target("avx2"))) inline std::uint32_t Equal(__m256i bytes, char c) {
  return static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(c))));
}

__attribute__((target("avx2"))) inline Block Classify(const char* at, bool dropCr) {
  const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32));
  Block b;
  b.lt = Equal(low, '<') | std::uint64_t{Equal(high, '<')} << 32;
  b.gt = Equal(low, '>') | std::uint64_t{Equal(high, '>')} << 32;
  b.cr = dropCr ? Equal(low, '\r') | std::uint64_t{Equal(high, '\r')} << 32 : 0;
  return b;
}

// The bits of the bytes to keep; `carry` is the state before the block and becomes the state
// after its bit `last`.
inline std::uint64_t KeepMask(const Block& b, std::uint64_t& carry, unsigned last) {
  const std::uint64_t notGt = ~b.gt;
  const std::uint64_t opens = b.lt | (carry & notGt & 1);
  const std::uint64_t inAfter = (notGt & ~(notGt + opens)) | opens;
  const std::uint64_t inBefore = (inAfter << 1) | carry;
  carry = (inAfter >> last) & 1;
  return ~inBefore & ~b.lt & ~b.cr;
}

// Packs the bytes of `from` whose bits are set in `keep` to `to`, 8 at a time; each group is
// read before anything is written over it, so `to` may trail `from` in the same buffer.
__attribute__((target("bmi2,popcnt"))) inline char* Pack(char* to, const char* from,
                                                         std::uint64_t keep) {
  for (int group = 0; group < 8; ++group, from += 8, keep >>= 8) {
    const std::uint64_t bits = keep & 0xFF;
    std::uint64_t word;
    std::memcpy(&word, from, 8);
    const std::uint64_t bytes = _pdep_u64(bits, 0x0101010101010101u) * 0xFF;
    const std::uint64_t packed = _pext_u64(word, bytes);
    std::memcpy(to, &packed, 8);
    to += __builtin_popcountll(bits);
  }
  return to;
}

__attribute__((target("avx2,bmi2,popcnt"))) std::size_t FilterByBlocks(char* const to,
                                                                       const char* from,
                                                                       std::size_t length,
                                                                       bool& inTag, bool dropCr) {
  std::uint64_t carry = inTag ? 1 : 0;
  char* out = to;
  std::size_t i = 0;
  for (; i + 64 <= length; i += 64) {
    const char* const in = from + i;
    const Block b = Classify(in, dropCr);
    if ((b.lt | b.gt | b.cr) == 0) {
      if (carry == 0) {  // plain text: kept whole
        if (out != in) std::memmove(out, in, 64);
        out += 64;
      }
      continue;
    }
    out = Pack(out, in, KeepMask(b, carry, 63));
  }
  if (i < length) {
    // The tail goes through a padded copy so no load or store leaves the buffer.
    const std::size_t rest = length - i;
    alignas(32) char tail[64] = {};
    char packed[72];
    std::memcpy(tail, from + i, rest);
    const Block b = Classify(tail, dropCr);
    const std::uint64_t valid = rest == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << rest) - 1;
    const std::uint64_t keep = KeepMask(b, carry, static_cast<unsigned>(rest - 1)) & valid;
    const std::size_t kept = static_cast<std::size_t>(Pack(packed, tail, keep) - packed);
    std::memmove(out, packed, kept);
    out += kept;
  }
  inTag = carry != 0;
  return static_cast<std::size_t>(out - to);
}

// The same with 64-byte registers: the masks come straight from the compares and the kept
// bytes are packed and stored in one step each, so no load or store leaves the buffer.
// It also tells whether a NUL went by, at no extra pass.
__attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt"))) std::size_t FilterByWideBlocks(
    char* const to, const char* from, std::size_t length, bool& inTag, bool dropCr, bool& sawNul) {
  std::uint64_t carry = inTag ? 1 : 0;
  std::uint64_t nuls = 0;
  char* out = to;
  const __m512i lt = _mm512_set1_epi8('<'), gt = _mm512_set1_epi8('>'),
                cr = _mm512_set1_epi8(dropCr ? '\r' : '<');
  for (std::size_t i = 0; i < length; i += 64) {
    const std::size_t rest = length - i;
    const __mmask64 valid = rest >= 64 ? ~__mmask64{0} : (__mmask64{1} << rest) - 1;
    const __m512i bytes = _mm512_maskz_loadu_epi8(valid, from + i);
    nuls |= _mm512_mask_cmpeq_epi8_mask(valid, bytes, _mm512_setzero_si512());
    const Block b{_mm512_mask_cmpeq_epi8_mask(valid, bytes, lt),
                  _mm512_mask_cmpeq_epi8_mask(valid, bytes, gt),
                  _mm512_mask_cmpeq_epi8_mask(valid, bytes, cr)};
    const unsigned last = rest >= 64 ? 63 : static_cast<unsigned>(rest - 1);
    // Both outcomes first, then the one the carried state picks: the blocks wait on each
    // other for a select only.
    std::uint64_t carryIfOut = 0, carryIfIn = 1;
    const std::uint64_t keepIfOut = KeepMask(b, carryIfOut, last);
    const std::uint64_t keepIfIn = KeepMask(b, carryIfIn, last);
    const std::uint64_t keep = (carry != 0 ? keepIfIn : keepIfOut) & valid;
    carry = carry != 0 ? carryIfIn : carryIfOut;
    if (keep == 0) continue;
    const int kept = __builtin_popcountll(keep);
    _mm512_mask_storeu_epi8(out, (kept == 64 ? ~__mmask64{0} : (__mmask64{1} << kept) - 1),
                            _mm512_maskz_compress_epi8(keep, bytes));
    out += kept;
  }
  inTag = carry != 0;
  sawNul = nuls != 0;
  return static_cast<std::size_t>(out - to);
}

bool CanUseWideBlocks() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi2");
}

const bool g_hasWideBlocks = CanUseWideBlocks();
const bool g_hasBlocks = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");
#else
constexpr bool g_hasWideBlocks = false;
constexpr bool g_hasBlocks = false;

#endif

MarkupKernel g_kernel = g_hasWideBlocks ? MarkupKernel::kWideBlocks
                        : g_hasBlocks   ? MarkupKernel::kBlocks
                                        : MarkupKernel::kPortable;

}  // namespace

bool UseMarkupKernel(MarkupKernel kernel) {
  if ((kernel == MarkupKernel::kWideBlocks && !g_hasWideBlocks) ||
      (kernel == MarkupKernel::kBlocks && !g_hasBlocks)) {
    return false;
  }
  g_kernel = kernel;
  return true;
}

namespace {

// FilterMarkup from `from` to `to` (which may be `from` itself, or lie before it); when `nul`
// is given it tells whether the bytes held a NUL.
std::size_t FilterInto(char* to, const char* from, std::size_t length, bool& inTag, bool dropCr,
                       bool* nul = nullptr) {
  std::size_t skip = 0;
  if (!inTag && !dropCr && to == from) {
    // Text before the first tag stays where it is.
    const char* open = FindByte(from, '<', length);
    if (nul != nullptr) *nul = FindByte(from, '\0', length) != nullptr;
    if (open == nullptr) return length;
    skip = static_cast<std::size_t>(open - from);
    nul = nullptr;
  }
  to += skip;
  from += skip;
  length -= skip;
#ifdef VEXMORA_AVX2_FILTER
  if (g_kernel == MarkupKernel::kWideBlocks) {
    bool sawNul = false;
    const std::size_t kept = FilterByWideBlocks(to, from, length, inTag, dropCr, sawNul);
    if (nul != nullptr) *nul = sawNul;
    return skip + kept;
  }
#endif
  if (nul != nullptr) *nul = FindByte(from, '\0', length) != nullptr;
#ifdef VEXMORA_AVX2_FILTER
  if (g_kernel == MarkupKernel::kBlocks) {
    return skip + FilterByBlocks(to, from, length, inTag, dropCr);
  }
#endif
  return skip + (dropCr ? FilterByBytes(to, from, length, inTag, true)
                        : FilterByRuns(to, from, length, inTag));
}

}  // namespace

std::size_t FilterMarkup(char* text, std::size_t length, bool& inTag, bool dropCr) {
  return FilterInto(text, text, length, inTag, dropCr);
}

void RemoveMarkup(char* text) {
  const std::size_t kept = FilterMarkup(text, std::strlen(text), g_inTag);
  text[kept] = '\0';
}

void ResetMarkupState() {
  g_inTag = false;
}

void PieceReader::Emit(std::size_t stored) {
  m_piece[stored] = '\0';
  RemoveMarkup(m_piece);
  m_text += m_piece;
}

// The reader's rule as it reads, for blocks that hold a NUL: it ends the text of its piece.
void PieceReader::FeedPieceByPiece(const char* at, const char* end) {
  std::size_t stored = m_stored;
  std::size_t consumed = m_consumed;
  while (at < end) {
    const std::size_t room = std::min(kPieceLimit - consumed, static_cast<std::size_t>(end - at));
    const char* lf = FindByte(at, '\n', room);
    const std::size_t take = lf != nullptr ? static_cast<std::size_t>(lf - at) + 1 : room;
    stored += CopyWithoutCr(m_piece + stored, at, take);
    consumed += take;
    at += take;
    if (lf != nullptr || consumed == kPieceLimit) {
      Emit(stored);
      stored = 0;
      consumed = 0;
    }
  }
  m_stored = stored;
  m_consumed = consumed;
}

void PieceReader::Feed(std::string_view bytes) {
  const char* const data = bytes.data();
  const std::size_t n = bytes.size();
  if (n == 0) return;
  if (FindByte(m_piece, '\0', m_stored) != nullptr) {
    FeedPieceByPiece(data, data + n);
    return;
  }
  // Without a NUL, where the pieces end does not change the text: only the last piece that ends
  // in this block is needed, to leave it in the piece buffer. Offsets are from `data`; a piece
  // that starts at or before 0 began with the unfinished one.
  const auto limit = static_cast<std::ptrdiff_t>(kPieceLimit);
  const auto size = static_cast<std::ptrdiff_t>(n);
  const auto consumedBefore = static_cast<std::ptrdiff_t>(m_consumed);
  std::ptrdiff_t lastStart = 0, lastEnd = -1, consumedAfter = 0;
  if (const char* lastLf = FindLastByte(data, '\n', n); lastLf != nullptr) {
    const std::ptrdiff_t lf = lastLf - data;
    const char* previousLf = FindLastByte(data, '\n', static_cast<std::size_t>(lf));
    // Where the line ending at `lf` began consuming; it is cut every `limit` bytes from there.
    const std::ptrdiff_t origin = previousLf != nullptr ? previousLf - data + 1 : -consumedBefore;
    lastStart = origin + limit * ((lf - origin) / limit);
    lastEnd = lf + 1;
    const std::ptrdiff_t after = size - lastEnd;
    const std::ptrdiff_t full = after / limit;
    if (full > 0) {
      lastStart = lastEnd + limit * (full - 1);
      lastEnd += limit * full;
    }
    consumedAfter = after - limit * full;
  } else {
    const std::ptrdiff_t total = consumedBefore + size;
    const std::ptrdiff_t full = total / limit;
    if (full > 0) {
      lastEnd = limit * full - consumedBefore;
      lastStart = lastEnd - limit;
    }
    consumedAfter = total - limit * full;
  }
  // The last piece and what follows it are short: look for a NUL there at once. One before
  // them shows while they are filtered.
  const std::size_t from = lastStart > 0 ? static_cast<std::size_t>(lastStart) : 0;
  if (FindByte(data + from, '\0', n - from) != nullptr) {
    FeedPieceByPiece(data, data + n);
    return;
  }

  if (lastEnd < 0) {  // the unfinished piece goes on
    m_stored += CopyWithoutCr(m_piece + m_stored, data, n);
    m_consumed = static_cast<std::size_t>(consumedAfter);
    return;
  }
  bool inTag = g_inTag;
  std::size_t stored = m_stored;
  if (lastStart > 0) {
    // The pieces before the last one: their text at once, filtered into a scratch buffer so the
    // text grows by the kept bytes only.
    const std::size_t need = m_stored + from;
    if (m_scratchSize < need) {
      m_scratch.reset(new char[need]);
      m_scratchSize = need;
    }
    bool nul = false;
    std::size_t kept = FilterInto(m_scratch.get(), m_piece, m_stored, inTag, true);
    kept += FilterInto(m_scratch.get() + kept, data, from, inTag, true, &nul);
    if (nul) {
      FeedPieceByPiece(data, data + n);
      return;
    }
    m_text.append(m_scratch.get(), kept);
    stored = 0;
  }
  stored += CopyWithoutCr(m_piece + stored, data + from, static_cast<std::size_t>(lastEnd) - from);
  const std::size_t kept = FilterMarkup(m_piece, stored, inTag);
  m_piece[kept] = '\0';
  m_text.append(m_piece, kept);
  g_inTag = inTag;

  m_stored = CopyWithoutCr(m_piece, data + lastEnd, n - static_cast<std::size_t>(lastEnd));
  m_consumed = static_cast<std::size_t>(consumedAfter);
}

void PieceReader::Finish() {
  if (m_stored > 0) Emit(m_stored);
}
