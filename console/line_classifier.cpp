// Finds where a run of common invoice lines ends, 64 bytes at a time. Invariant: an offset
// enters the index only when every byte from the start of the text up to and including that
// line feed has been checked and belongs to a common line.
//
// Each block of 64 bytes becomes five bit masks, one bit per byte: line feed, category letter
// (A, B or C), blank, point, digit. A run of common lines is then exactly the text where
//   - every byte is in one of the five classes;
//   - a letter stands right after each line feed and nowhere else, and a blank two bytes after
//     each line feed and nowhere else;
//   - a digit stands three bytes after each line feed (the first integer digit);
//   - every line feed but the first is preceded by a point and two digits (the point three
//     bytes back), and a point stands nowhere else;
//   - no six digits stand in a row (at most 5 integer digits; the fraction, behind its point,
//     has 2).
// Every check is stated so that its failure is marked at the checked byte or after it, never
// before: a fault is seen by the time the line feed that ends its line is, so a line is
// accepted as soon as no fault stands at or before its ending line feed. The checks that look
// back across the start of a block take the previous block's masks as carries.
#include "console/line_classifier.hpp"

#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>
#include <bit>

namespace console {
namespace {

// One block's bytes by class, bit i for byte i.
struct BlockClasses {
    std::uint64_t line_feed;
    std::uint64_t letter;
    std::uint64_t blank;
    std::uint64_t point;
    std::uint64_t digit;
    // How many line feeds the block holds.
    std::uint32_t line_feed_count;
};

// What the checks of a block need of the block before it.
struct Carries {
    std::uint64_t line_feed = 0;
    std::uint64_t point = 0;
    std::uint64_t digit = 0;
    std::uint64_t digit_pair = 0;  // bytes that end two digits in a row
};

// `now` moved k bytes later, its first k bits taken from the end of `before` (k is 1 to 63).
// With kShld, one SHLD instruction, where GCC builds the plain expression from two shifts, an OR
// and a copy. SHLD runs on only one port of Intel cores, the port that also runs TZCNT, BSF and
// the multiplication: the SSE2 way, which keeps that port busy with those, is faster without it.
template <int k, bool kShld>
[[gnu::always_inline]] inline std::uint64_t later(std::uint64_t now,
                                                  std::uint64_t before) noexcept {
    if constexpr (kShld) {
        __asm__("shldq %2, %1, %0" : "+r"(now) : "r"(before), "J"(k) : "cc");
        return now;
    } else {
        return (now << k) | (before >> (64 - k));
    }
}

// The bytes of the block that break a run of common lines (see the top of the file). Every line
// feed is checked as the end of a line; the carries before the first block are set up so that
// the line feed that starts the run passes as the end of a line before it (see index_lines).
template <bool kShld>
[[gnu::always_inline]] inline std::uint64_t faults(const BlockClasses& c, Carries& carry) noexcept {
    // Bit i of digit_pair: bytes i - 1 and i are digits; of six_digits: bytes i - 5 to i are.
    const std::uint64_t digit_pair = c.digit & later<1, kShld>(c.digit, carry.digit);
    const std::uint64_t digit_quad = digit_pair & later<2, kShld>(digit_pair, carry.digit_pair);
    const std::uint64_t six_digits = digit_quad & later<4, kShld>(digit_pair, carry.digit_pair);
    // A byte in none of the classes.
    std::uint64_t bad = ~(c.line_feed | c.letter | c.blank | c.point | c.digit);
    // A letter where no line feed stands right before, or a line feed with no letter after it.
    bad |= c.letter ^ later<1, kShld>(c.line_feed, carry.line_feed);
    // Likewise the blank, two bytes after the line feed.
    bad |= c.blank ^ later<2, kShld>(c.line_feed, carry.line_feed);
    // No digit three bytes after a line feed: no integer digit.
    bad |= later<3, kShld>(c.line_feed, carry.line_feed) & ~c.digit;
    // A point with no line feed three bytes later, or a line feed with no point three bytes
    // back: marked at the later of the two bytes.
    bad |= later<3, kShld>(c.point, carry.point) ^ c.line_feed;
    // A line feed without two digits right before it.
    bad |= c.line_feed & ~later<1, kShld>(digit_pair, carry.digit_pair);
    // Six integer digits or more: marked at the sixth.
    bad |= six_digits;
    carry.line_feed = c.line_feed;
    carry.point = c.point;
    carry.digit = c.digit;
    carry.digit_pair = digit_pair;
    return bad;
}

// A population count that needs no POPCNT instruction (baseline x86-64 lacks it).
inline std::uint32_t count_bits_without_popcnt(std::uint64_t x) noexcept {
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::uint32_t>((x * 0x0101010101010101u) >> 56);
}

// The number of zero bits below the lowest one bit of x, where x is not 0; any value where it is.
// One instruction, TZCNT, which a processor without BMI1 runs as BSF (the same result where x is
// not 0), where std::countr_zero must also handle 0: the unconditional writes below store such
// values only in entries past the lines found.
[[gnu::always_inline]] inline std::uint32_t lowest_bit(std::uint64_t x) noexcept {
    std::uint64_t n;
    __asm__("tzcnt %1, %0" : "=r"(n) : "r"(x) : "cc");
    return static_cast<std::uint32_t>(n);
}

// Writes the offsets of the bits of `ends` (offset `base` for bit 0) at `out`, one bit at a time.
// Eight are written whether or not there are that many, without a branch per line (a branch on
// where lines end would be mispredicted often); a block of 64 bytes holds 10 line ends at most,
// and the rare ninth and tenth take a second round.
[[gnu::always_inline]] inline void write_ends_bit_by_bit(std::uint32_t* out, std::uint32_t base,
                                                         std::uint64_t ends) noexcept {
    for (int i = 0; i < 8; ++i) {
        std::uint32_t offset = base + lowest_bit(ends);
        ends &= ends - 1;
        // Hides from the compiler that the mask may now be 0, so that it does not branch there,
        // and keeps the offsets in plain registers: gathered into vectors they cost more.
        __asm__("" : "+r"(ends), "+r"(offset));
        out[i] = offset;
    }
    for (int i = 8; ends != 0; ++i) {
        out[i] = base + static_cast<std::uint32_t>(std::countr_zero(ends));
        ends &= ends - 1;
    }
}

// Checks the block at text + block and indexes its accepted line ends after the `count` found
// so far. `past_limit` marks the block's bytes past the byte limit, which count as faults.
// Returns whether the whole block was accepted; if not, `fault` is the offset of the first
// byte that was not.
template <typename Way>
[[gnu::always_inline]] inline bool index_block(const char* text, std::size_t block,
                                               std::uint64_t past_limit, Carries& carry,
                                               LineIndex& index, std::uint32_t& count,
                                               std::size_t& fault) noexcept {
    const BlockClasses classes = Way::classify(text + block);
    const std::uint64_t bad = faults<Way::kShld>(classes, carry) | past_limit;
    const std::uint64_t accepted = classes.line_feed & ~bad & (bad - 1);
    Way::write_ends(index.line_feeds + count, static_cast<std::uint32_t>(block), accepted);
    if (bad != 0) {
        count += Way::count_bits(accepted);
        fault = block + static_cast<std::size_t>(std::countr_zero(bad));
        return false;
    }
    // No fault: every line feed of the block ends a line.
    count += classes.line_feed_count;
    return true;
}

// The loop over the blocks, for one way of classifying a block and writing its line ends.
template <typename Way>
[[gnu::always_inline]] inline void index_lines(const char* text, const char* end,
                                               std::uint32_t max_lines, LineIndex& index) noexcept {
    const auto available = static_cast<std::size_t>(end - text);
    std::size_t length = available < LineIndex::kMaxBytes ? available : LineIndex::kMaxBytes;
    // max_lines lines of at most 11 bytes end within this many bytes: looking further would only
    // find lines the caller does not want (a few more than max_lines may still be indexed).
    if (max_lines < LineIndex::kMaxBytes / 11) {
        length = std::min<std::size_t>(length, 11 * max_lines + 1);
    }
    // The line feed that starts the run is checked as the end of a line before it: as though
    // a point stood three bytes before it and digits in the two bytes before it. It is indexed
    // with the others, at line_feeds[0], and a text that does not start with a line feed has a
    // fault at its first byte.
    Carries carry;
    carry.point = std::uint64_t{1} << 61;
    carry.digit_pair = std::uint64_t{1} << 63;
    std::uint32_t count = 0;
    std::size_t fault = length;
    // The whole blocks within the limit, then the part of a block before it: the test for the
    // limit stays out of the loop.
    const std::size_t whole = length & ~std::size_t{63};
    std::size_t block = 0;
    bool accepted = true;
    for (; block < whole && accepted; block += 64) {
        accepted = index_block<Way>(text, block, 0, carry, index, count, fault);
    }
    if (accepted && block < length) {
        index_block<Way>(text, block, ~std::uint64_t{0} << (length - block), carry, index, count,
                         fault);
    }
    index.line_feeds[0] = 0;
    // The line feed that starts the run ends no line of the run.
    index.count = count == 0 ? 0 : count - 1;
    index.reached_limit = length < available && fault == length && count != 0;
}

// The AVX2 build: 32 bytes per instruction. The functions carry the target themselves, so that
// the file builds for baseline x86-64 and they run only where the CPU was found to have AVX2.
#define VANTREL_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

VANTREL_AVX2 inline std::uint64_t mask_64(__m256i low, __m256i high) noexcept {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(low))) |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(high))) << 32;
}

VANTREL_AVX2 inline __m256i equal_32(__m256i bytes, char c) noexcept {
    return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(c));
}

// The `span` bytes from `low` on, moved to the bottom of the signed bytes (-128 on) and tested
// by one signed comparison.
VANTREL_AVX2 inline __m256i within_32(__m256i bytes, char low, int span) noexcept {
    const __m256i moved = _mm256_add_epi8(bytes, _mm256_set1_epi8(static_cast<char>(0x80 - low)));
    return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(-128 + span)), moved);
}

// The AVX-512 build: the whole block in one register, each class straight into a mask register,
// and the line ends written by one compress instruction instead of one at a time.
#define VANTREL_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi2,avx2,bmi,bmi2,popcnt")))

// The `span` bytes from `low` on: one subtraction and one unsigned comparison.
VANTREL_AVX512 inline std::uint64_t within_64(__m512i bytes, char low, int span) noexcept {
    return _mm512_cmplt_epu8_mask(_mm512_sub_epi8(bytes, _mm512_set1_epi8(low)),
                                  _mm512_set1_epi8(static_cast<char>(span)));
}

VANTREL_AVX512 inline std::uint64_t equal_64(__m512i bytes, char c) noexcept {
    return _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(c));
}

// Byte i holds i: the offsets within a block, for the compress below.
alignas(64) constexpr std::uint8_t kByteOffsets[64] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
    22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
    44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};

// Writes the offsets of the bits of `ends` (offset `base` for bit 0) at `out`, all at once: the
// offsets of the bits are packed to the front of a register, widened to 16 offsets of 32 bits
// and stored whole. 16 entries are written whatever the number of bits (10 at most).
// (The zero-masked forms of the widening and of taking the low 16 bytes: the plain forms in
// GCC 12's headers start from an undefined register and draw a maybe-uninitialized warning.)
VANTREL_AVX512 inline void write_ends_compressed(std::uint32_t* out, std::uint32_t base,
                                                 std::uint64_t ends) noexcept {
    const __m512i packed = _mm512_maskz_compress_epi8(ends, _mm512_load_si512(kByteOffsets));
    const __m128i first_16 = _mm512_maskz_extracti32x4_epi32(0xF, packed, 0);
    const __m512i offsets = _mm512_add_epi32(_mm512_maskz_cvtepu8_epi32(0xFFFF, first_16),
                                             _mm512_set1_epi32(static_cast<int>(base)));
    _mm512_storeu_si512(out, offsets);
}

// The three ways through a block: how it is classified, how its line ends are written, how bits
// are counted and whether masks are moved across block ends by SHLD.
struct Sse2Way {
    static constexpr bool kShld = false;
    // Each class is made whole, its four parts of 16 bytes one after the other, before the next:
    // made part by part, all classes at once, the results outnumbered the 16 registers and GCC
    // spilled them (this order is 8% faster).
    static BlockClasses classify(const char* p) noexcept {
        const __m128i parts[4] = {
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)),
        };
        // The 64 bits of a byte test, 16 per part.
        const auto mask = [&](auto test) {
            std::uint64_t bits = 0;
            for (int part = 0; part < 4; ++part) {
                const auto part_bits =
                    static_cast<std::uint32_t>(_mm_movemask_epi8(test(parts[part])));
                bits |= std::uint64_t{part_bits} << (16 * part);
            }
            return bits;
        };
        const auto equal = [](char c) {
            return [c](__m128i bytes) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
        };
        // The `span` bytes from `low` on, moved to the bottom of the signed bytes (-128 on) and
        // tested by one signed comparison: fewer instructions than an unsigned test.
        const auto within = [](char low, int span) {
            return [low, span](__m128i bytes) {
                const __m128i moved =
                    _mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(0x80 - low)));
                return _mm_cmplt_epi8(moved, _mm_set1_epi8(static_cast<char>(-128 + span)));
            };
        };
        BlockClasses c;
        c.line_feed = mask(equal('\n'));
        c.letter = mask(within('A', 3));
        c.blank = mask(equal(' '));
        c.point = mask(equal('.'));
        c.digit = mask(within('0', 10));
        // The line feeds counted in the vectors: the compare results (-1 a line feed) summed
        // per byte, then the bytes summed. Cheaper than counting the bits without POPCNT.
        __m128i counts = _mm_setzero_si128();
        for (const __m128i part : parts) counts = _mm_sub_epi8(counts, equal('\n')(part));
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        c.line_feed_count = static_cast<std::uint32_t>(
            _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
        return c;
    }
    static void write_ends(std::uint32_t* out, std::uint32_t base, std::uint64_t ends) noexcept {
        write_ends_bit_by_bit(out, base, ends);
    }
    static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return count_bits_without_popcnt(x);
    }
};

struct Avx2Way {
    static constexpr bool kShld = true;
    VANTREL_AVX2 static BlockClasses classify(const char* p) noexcept {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const std::uint64_t line_feed = mask_64(equal_32(low, '\n'), equal_32(high, '\n'));
        return {
            line_feed,
            mask_64(within_32(low, 'A', 3), within_32(high, 'A', 3)),
            mask_64(equal_32(low, ' '), equal_32(high, ' ')),
            mask_64(equal_32(low, '.'), equal_32(high, '.')),
            mask_64(within_32(low, '0', 10), within_32(high, '0', 10)),
            static_cast<std::uint32_t>(std::popcount(line_feed)),
        };
    }
    VANTREL_AVX2 static void write_ends(std::uint32_t* out, std::uint32_t base,
                                        std::uint64_t ends) noexcept {
        write_ends_bit_by_bit(out, base, ends);
    }
    VANTREL_AVX2 static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(std::popcount(x));
    }
};

// As the AVX2 way, but for the classes and the writes.
struct Avx512Way : Avx2Way {
    VANTREL_AVX512 static BlockClasses classify(const char* p) noexcept {
        const __m512i bytes = _mm512_loadu_si512(p);
        const std::uint64_t line_feed = equal_64(bytes, '\n');
        return {
            line_feed,
            within_64(bytes, 'A', 3),
            equal_64(bytes, ' '),
            equal_64(bytes, '.'),
            within_64(bytes, '0', 10),
            static_cast<std::uint32_t>(std::popcount(line_feed)),
        };
    }
    VANTREL_AVX512 static void write_ends(std::uint32_t* out, std::uint32_t base,
                                          std::uint64_t ends) noexcept {
        write_ends_compressed(out, base, ends);
    }
};

}  // namespace

VANTREL_AVX512 void index_common_lines_avx512(const char* text, const char* end,
                                              std::uint32_t max_lines, LineIndex& index) noexcept {
    index_lines<Avx512Way>(text, end, max_lines, index);
}

VANTREL_AVX2 void index_common_lines_avx2(const char* text, const char* end,
                                          std::uint32_t max_lines, LineIndex& index) noexcept {
    index_lines<Avx2Way>(text, end, max_lines, index);
}

void index_common_lines_sse2(const char* text, const char* end, std::uint32_t max_lines,
                             LineIndex& index) noexcept {
    index_lines<Sse2Way>(text, end, max_lines, index);
}

}  // namespace console

#undef VANTREL_AVX2
#undef VANTREL_AVX512

#endif
