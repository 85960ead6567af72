// Totals the amounts of indexed common lines. Invariant: the totals take the lines' amounts one
// line at a time in input order, each addition rounded to the totals' type, exactly as adding
// each amount on its own would; the amounts are the ones the exact reads give.
//
// The one chain that must stay in order (each total depends on the one before) is kept to one
// vector operation per line: the four totals a line can touch (the owner's and the letters A, B,
// C) sit in the lanes of one vector (two for doubles with SSE2, each a chain of its own), and the
// line subtracts its negated amount in the owner's lane and its letter's lane and +0.0 in the two
// others. x - (-a) is x + a, rounded the same, and x - (+0.0) is x, bit for bit, for every x (-0.0
// and NaN included), so those lanes keep their values exactly as if nothing had been added. (Adding
// +0.0 instead would turn a total of -0.0 into +0.0.) The amounts are worked out 4 lines at a time
// (8 with AVX-512), 64 lines ahead of the additions, so that no addition waits for a load or a
// division, into an array with room for every group of an index; each line's vector is made where
// it is taken, from its negated amount broadcast to the 4 lanes and ANDed with the lane masks of
// its letter. Only the negated amounts are stored, not whole vectors: the walk is limited by its
// instruction count.
//
// An amount is 1 to 5 integer digits, a point and 2 digits, so its value is the whole number of
// cents divided by 100. The cents (below 10^7 < 2^24) and 100 are exact in a float and in a
// double, so the one division rounds once, and so correctly: the same value the exact reads
// give for the text. The cents are divided by -100 to give the negated amount: 0 cents give
// -0.0, whose subtraction adds +0.0, as adding the amount 0.00 does.
#include "console/line_walk.hpp"

#if defined(__x86_64__)

// GCC 12's AVX-512 intrinsics start from a register left undefined on purpose, which its own
// maybe-uninitialized check then reports wherever they are inlined (clang has no such check).
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <cstddef>
#include <cstring>

namespace console {
namespace {

#define VANTREL_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

// Byte masks by line length (7 to 11 bytes for 1 to 5 integer digits): they keep the last
// length - 3 of the 8 bytes before the line's ending line feed (its digits and point) and clear
// the bytes in front (blank, letter, line feed, the line before). Other lengths, which only the
// lines of no concern that pad a group have, keep nothing.
alignas(64) constexpr std::uint64_t kAmountMasks[16] = {0,
                                                        0,
                                                        0,
                                                        0,
                                                        0,
                                                        0,
                                                        0,
                                                        0xFFFFFFFF00000000u,
                                                        0xFFFFFFFFFF000000u,
                                                        0xFFFFFFFFFFFF0000u,
                                                        0xFFFFFFFFFFFFFF00u,
                                                        0xFFFFFFFFFFFFFFFFu,
                                                        0,
                                                        0,
                                                        0,
                                                        0};

// The amounts of the 2 lines that start at the line feeds at[0] and at[1] and end at at[1] and
// at[2], as 8 bytes each with '0' taken off each digit: bytes 0 to 4 the integer digits (the last
// one in byte 4, zeros in front of the first), byte 5 the point, bytes 6 and 7 the fraction. They
// are the 8 bytes before the line's end, with the bytes in front of the first digit cleared by
// the mask of the line's length: no shift by a variable count, which costs more than a load
// here. XOR and not subtraction: a subtraction would borrow across bytes. Reads from 8 bytes
// before each line end: 1 byte before the line start for a line of 7 bytes.
[[gnu::always_inline]] inline __m128i amount_bytes_2(const char* text,
                                                     const std::uint32_t* at) noexcept {
    const auto load = [](const void* p) { return _mm_loadl_epi64(static_cast<const __m128i*>(p)); };
    const __m128i words = _mm_unpacklo_epi64(load(text + at[1] - 8), load(text + at[2] - 8));
    const __m128i masks = _mm_unpacklo_epi64(load(&kAmountMasks[(at[1] - at[0]) & 15]),
                                             load(&kAmountMasks[(at[2] - at[1]) & 15]));
    return _mm_and_si128(_mm_xor_si128(words, _mm_set1_epi8('0')), masks);
}

// The whole numbers of cents of the 4 lines that start at the line feeds line_feeds[0..3] and
// end at line_feeds[1..4]: digits weighted in pairs, then pairs of pairs, with multiply-add
// instructions.
[[gnu::always_inline]] inline __m128i cents_of_4(const char* text,
                                                 const std::uint32_t* line_feeds) noexcept {
    const __m128i zero = _mm_setzero_si128();
    // Per line: ten-thousands and thousands, hundreds and tens, units (the point weighs 0),
    // cents: 4 numbers below 100.
    const __m128i tens = _mm_setr_epi16(10, 1, 10, 1, 1, 0, 10, 1);
    // Then the integer's first 4 digits, and its last digit with the cents: below 10^4.
    const __m128i hundreds = _mm_set1_epi32(0x00010064);   // pairs (100, 1)
    const __m128i thousands = _mm_set1_epi32(0x000103E8);  // pairs (1000, 1)
    const __m128i first_two = amount_bytes_2(text, line_feeds);
    const __m128i last_two = amount_bytes_2(text, line_feeds + 2);
    const __m128i a = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(first_two, zero), tens),
                                      _mm_madd_epi16(_mm_unpackhi_epi8(first_two, zero), tens));
    const __m128i b = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(last_two, zero), tens),
                                      _mm_madd_epi16(_mm_unpackhi_epi8(last_two, zero), tens));
    return _mm_madd_epi16(_mm_packs_epi32(_mm_madd_epi16(a, hundreds), _mm_madd_epi16(b, hundreds)),
                          thousands);
}

// The whole numbers of cents of the 4 lines that start at the line feeds line_feeds[0..3] and end
// at line_feeds[1..4], with AVX2, as one 64-bit integer per line. The 8 bytes after each line's
// blank are put together with broadcasts and blends (which run on any vector port, where inserts
// need the shuffle port), and shifted by one instruction, by counts worked out for the 4 lines at
// once, so that the digits end in the last byte. The digits are then weighed in pairs by one
// unsigned-by-signed byte multiply-add, those pairs in pairs by a word multiply-add, and the last
// two numbers (below 10^4 each) joined by one more.
VANTREL_AVX2 inline __m256i cents_of_4_avx2(const char* text,
                                            const std::uint32_t* line_feeds) noexcept {
    const auto word = [&](int line) {
        long long w = 0;
        std::memcpy(&w, text + line_feeds[line] + 3, sizeof w);
        return w;
    };
    const __m256i first = _mm256_castsi128_si256(_mm_cvtsi64_si128(word(0)));
    const __m256i words = _mm256_blend_epi32(
        _mm256_blend_epi32(first, _mm256_set1_epi64x(word(1)), 0x0C),
        _mm256_blend_epi32(_mm256_set1_epi64x(word(2)), _mm256_set1_epi64x(word(3)), 0xC0), 0xF0);
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds + 1));
    // 8 bits per integer digit short of 5; 88 or more (a shift to 0) past the last line.
    const __m128i missing_bits =
        _mm_slli_epi32(_mm_sub_epi32(_mm_add_epi32(starts, _mm_set1_epi32(11)), ends), 3);
    // Per line: bytes 0 to 4 the integer digits (zeros in front), byte 5 the point, 6 and 7 the
    // fraction, each digit as its value.
    const __m256i digits = _mm256_sllv_epi64(_mm256_xor_si256(words, _mm256_set1_epi8('0')),
                                             _mm256_cvtepu32_epi64(missing_bits));
    // Ten-thousands and thousands, hundreds and tens, units (the point weighs 0), cents: 4
    // numbers below 100 per line.
    const __m256i pairs = _mm256_maddubs_epi16(
        digits, _mm256_setr_epi8(10, 1, 10, 1, 1, 0, 10, 1, 10, 1, 10, 1, 1, 0, 10, 1, 10, 1, 10, 1,
                                 1, 0, 10, 1, 10, 1, 10, 1, 1, 0, 10, 1));
    // The integer's first 4 digits, and its last digit with the cents: below 10^4, in 32 bits.
    const __m256i quads = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00010064));
    // Both as 16 bits in the low half of the line's 64 bits, zeros in the high half; then the
    // first times 1000 plus the second, which leaves the high 32 bits zero.
    const __m256i halves = _mm256_shuffle_epi8(
        quads, _mm256_setr_epi8(0, 1, 4, 5, -1, -1, -1, -1, 8, 9, 12, 13, -1, -1, -1, -1, 0, 1, 4,
                                5, -1, -1, -1, -1, 8, 9, 12, 13, -1, -1, -1, -1));
    return _mm256_madd_epi16(halves, _mm256_set1_epi64x(0x000103E8));  // words (1000, 1, 0, 0)
}

// Lane masks by letter, found from the 2 bytes at the line start (the line feed and the letter)
// read as one little-endian number: 256 times the letter plus 10. The rows of A, B and C start
// 256 bytes apart, so that this number, less that of A, is the row's offset in bytes: no shift or
// multiply to turn the letter into an offset. Only the letters A, B and C have rows: the walk
// takes only indexed lines, and the index holds only common lines.
template <typename Bits>
struct LetterRows {
    static constexpr std::ptrdiff_t kKeyOfA = 'A' * 256 + '\n';
    alignas(64) Bits keep[3][256 / sizeof(Bits)];
    const Bits* row(const char* line) const noexcept {
        std::uint16_t key = 0;
        std::memcpy(&key, line, sizeof key);
        return reinterpret_cast<const Bits*>(reinterpret_cast<const char*>(keep) +
                                             (std::ptrdiff_t{key} - kKeyOfA));
    }
};

template <typename Bits>
constexpr LetterRows<Bits> make_letter_rows() {
    LetterRows<Bits> rows{};
    for (int k = 0; k < 3; ++k) {
        rows.keep[k][0] = ~Bits{0};      // the owner's lane
        rows.keep[k][k + 1] = ~Bits{0};  // the letter's lane
    }
    return rows;
}

constexpr LetterRows<std::uint32_t> kFloatRows = make_letter_rows<std::uint32_t>();
constexpr LetterRows<std::uint64_t> kDoubleRows = make_letter_rows<std::uint64_t>();

// The four double totals in one AVX register, and the negated amounts of 4 lines at once.
struct DoublesAvx2 {
    static constexpr std::uint32_t kLines = 4;
    using Float = double;
    using Bits = std::uint64_t;
    static constexpr const LetterRows<Bits>& kRows = kDoubleRows;
    // Numbers from one negated amount to the next in the array of a group.
    static constexpr std::uint32_t kStride = 1;
    __m256d sums;
    VANTREL_AVX2 explicit DoublesAvx2(const double* totals) noexcept
        : sums(_mm256_loadu_pd(totals)) {}
    VANTREL_AVX2 void store(double* totals) const noexcept { _mm256_storeu_pd(totals, sums); }
    // The negated amounts of the 4 lines that start at the line feeds line_feeds[0..3], at `out`
    // (32-byte aligned). The cents (below 2^52) are set into the significand of 2^52, and 2^52
    // taken off: that gives them exactly, in two instructions that need no shuffle.
    VANTREL_AVX2 static void amounts(double* out, const char* text,
                                     const std::uint32_t* line_feeds) noexcept {
        const __m256d two_52 = _mm256_set1_pd(4503599627370496.0);
        const __m256i cents = cents_of_4_avx2(text, line_feeds);
        const __m256d whole =
            _mm256_sub_pd(_mm256_or_pd(_mm256_castsi256_pd(cents), two_52), two_52);
        _mm256_store_pd(out, _mm256_div_pd(whole, _mm256_set1_pd(-100.0)));
    }
    // Takes the line's vector off the totals: its negated amount (at `negated`) in the lanes
    // that the row of its letter keeps (the line starts at `line`), +0.0 in the others.
    VANTREL_AVX2 void take(const double* negated, const char* line) noexcept {
        const std::uint64_t* keep = kRows.row(line);
        const __m256d masks = _mm256_load_pd(reinterpret_cast<const double*>(keep));
        sums = _mm256_sub_pd(sums, _mm256_and_pd(_mm256_broadcast_sd(negated), masks));
    }
};

// The four float totals in one SSE register, and the negated amounts of 4 lines at once.
struct FloatsAvx2 {
    static constexpr std::uint32_t kLines = 4;
    using Float = float;
    using Bits = std::uint32_t;
    static constexpr const LetterRows<Bits>& kRows = kFloatRows;
    // The cents (below 2^24) convert exactly to float. They are converted where they are, in
    // the low 32 bits of each 64: every other float of the group's array holds an amount (the
    // others hold zeros), which saves the shuffle that would pack them.
    static constexpr std::uint32_t kStride = 2;
    __m128 sums;
    VANTREL_AVX2 explicit FloatsAvx2(const float* totals) noexcept : sums(_mm_loadu_ps(totals)) {}
    VANTREL_AVX2 void store(float* totals) const noexcept { _mm_storeu_ps(totals, sums); }
    VANTREL_AVX2 static void amounts(float* out, const char* text,
                                     const std::uint32_t* line_feeds) noexcept {
        const __m256 whole = _mm256_cvtepi32_ps(cents_of_4_avx2(text, line_feeds));
        _mm256_store_ps(out, _mm256_div_ps(whole, _mm256_set1_ps(-100.0f)));
    }
    VANTREL_AVX2 void take(const float* negated, const char* line) noexcept {
        const std::uint32_t* keep = kRows.row(line);
        const __m128 masks = _mm_load_ps(reinterpret_cast<const float*>(keep));
        sums = _mm_sub_ps(sums, _mm_and_ps(_mm_broadcast_ss(negated), masks));
    }
};

// The four double totals in two SSE2 registers (owner and A, B and C), and the negated amounts
// of 4 lines at once, each stored twice (SSE2 has no broadcast from memory).
struct DoublesSse2 {
    static constexpr std::uint32_t kLines = 4;
    using Float = double;
    using Bits = std::uint64_t;
    static constexpr const LetterRows<Bits>& kRows = kDoubleRows;
    static constexpr std::uint32_t kStride = 2;
    __m128d low;
    __m128d high;
    explicit DoublesSse2(const double* totals) noexcept
        : low(_mm_loadu_pd(totals)), high(_mm_loadu_pd(totals + 2)) {}
    void store(double* totals) const noexcept {
        _mm_storeu_pd(totals, low);
        _mm_storeu_pd(totals + 2, high);
    }
    static void amounts(double* out, const char* text, const std::uint32_t* line_feeds) noexcept {
        const __m128i cents = cents_of_4(text, line_feeds);
        const __m128d hundred = _mm_set1_pd(-100.0);
        const __m128d first = _mm_div_pd(_mm_cvtepi32_pd(cents), hundred);
        const __m128d last = _mm_div_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(cents, cents)), hundred);
        _mm_store_pd(out, _mm_unpacklo_pd(first, first));
        _mm_store_pd(out + 2, _mm_unpackhi_pd(first, first));
        _mm_store_pd(out + 4, _mm_unpacklo_pd(last, last));
        _mm_store_pd(out + 6, _mm_unpackhi_pd(last, last));
    }
    void take(const double* negated, const char* line) noexcept {
        const std::uint64_t* keep = kRows.row(line);
        const __m128d amount = _mm_load_pd(negated);
        low =
            _mm_sub_pd(low, _mm_and_pd(amount, _mm_load_pd(reinterpret_cast<const double*>(keep))));
        high = _mm_sub_pd(
            high, _mm_and_pd(amount, _mm_load_pd(reinterpret_cast<const double*>(keep + 2))));
    }
};

// The four float totals in one SSE register, and the negated amounts of 4 lines at once.
struct FloatsSse2 {
    static constexpr std::uint32_t kLines = 4;
    using Float = float;
    using Bits = std::uint32_t;
    static constexpr const LetterRows<Bits>& kRows = kFloatRows;
    static constexpr std::uint32_t kStride = 1;
    __m128 sums;
    explicit FloatsSse2(const float* totals) noexcept : sums(_mm_loadu_ps(totals)) {}
    void store(float* totals) const noexcept { _mm_storeu_ps(totals, sums); }
    static void amounts(float* out, const char* text, const std::uint32_t* line_feeds) noexcept {
        const __m128 whole = _mm_cvtepi32_ps(cents_of_4(text, line_feeds));
        _mm_store_ps(out, _mm_div_ps(whole, _mm_set1_ps(-100.0f)));
    }
    void take(const float* negated, const char* line) noexcept {
        const std::uint32_t* keep = kRows.row(line);
        const __m128 masks = _mm_load_ps(reinterpret_cast<const float*>(keep));
        sums = _mm_sub_ps(sums, _mm_and_ps(_mm_load1_ps(negated), masks));
    }
};

// The AVX-512 build: 8 lines per group. Each line's vector is made as in the AVX2 build: a
// zero-masked broadcast by lane bits was slower, since its mask moves and masking share one port
// with the shuffles that work out the amounts.
#define VANTREL_AVX512 \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi2,avx2,bmi,bmi2,popcnt")))

// The whole numbers of cents of the 8 lines that start at the line feeds line_feeds[0..7] and end
// at line_feeds[1..8], as one 64-bit integer per line, worked out as cents_of_4_avx2 does for 4.
VANTREL_AVX512 inline __m512i cents_of_8_avx512(const char* text,
                                                const std::uint32_t* line_feeds) noexcept {
    const auto word = [&](int line) {
        long long w = 0;
        std::memcpy(&w, text + line_feeds[line] + 3, sizeof w);
        return w;
    };
    const __m512i words =
        _mm512_set_epi64(word(7), word(6), word(5), word(4), word(3), word(2), word(1), word(0));
    const __m256i starts = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line_feeds));
    const __m256i ends = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line_feeds + 1));
    // 8 bits per integer digit short of 5; 88 or more (a shift to 0) past the last line.
    const __m256i missing_bits = _mm256_slli_epi32(
        _mm256_sub_epi32(_mm256_add_epi32(starts, _mm256_set1_epi32(11)), ends), 3);
    const __m512i digits = _mm512_sllv_epi64(_mm512_xor_si512(words, _mm512_set1_epi8('0')),
                                             _mm512_cvtepu32_epi64(missing_bits));
    const __m512i pairs =
        _mm512_maddubs_epi16(digits, _mm512_broadcast_i32x4(_mm_setr_epi8(
                                         10, 1, 10, 1, 1, 0, 10, 1, 10, 1, 10, 1, 1, 0, 10, 1)));
    const __m512i quads = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));
    const __m512i halves =
        _mm512_shuffle_epi8(quads, _mm512_broadcast_i32x4(_mm_setr_epi8(
                                       0, 1, 4, 5, -1, -1, -1, -1, 8, 9, 12, 13, -1, -1, -1, -1)));
    return _mm512_madd_epi16(halves, _mm512_set1_epi64(0x000103E8));
}

// The AVX-512 numbers: as the AVX2 ones, with the amounts of 8 lines at once.
struct DoublesAvx512 : DoublesAvx2 {
    static constexpr std::uint32_t kLines = 8;
    using DoublesAvx2::DoublesAvx2;
    VANTREL_AVX512 static void amounts(double* out, const char* text,
                                       const std::uint32_t* line_feeds) noexcept {
        const __m512d whole = _mm512_cvtepi64_pd(cents_of_8_avx512(text, line_feeds));
        _mm512_store_pd(out, _mm512_div_pd(whole, _mm512_set1_pd(-100.0)));
    }
};

struct FloatsAvx512 : FloatsAvx2 {
    static constexpr std::uint32_t kLines = 8;
    // The amounts are packed: one float each.
    static constexpr std::uint32_t kStride = 1;
    using FloatsAvx2::FloatsAvx2;
    VANTREL_AVX512 static void amounts(float* out, const char* text,
                                       const std::uint32_t* line_feeds) noexcept {
        const __m256 whole = _mm512_cvtepi64_ps(cents_of_8_avx512(text, line_feeds));
        _mm256_store_ps(out, _mm256_div_ps(whole, _mm256_set1_ps(-100.0f)));
    }
};

// The lines whose negated amounts are worked out ahead of the additions: the additions then
// never wait for the loads, the multiply-adds and the division of their own group, and the
// processor has the next groups' work to do while the additions wait on each other.
constexpr std::uint32_t kLinesAheadOfSums = 64;

// The additions of the `lines` (1 to Numbers::kLines) lines from line `first` (line i starts at
// the line feed line_feeds[i]), whose negated amounts are at `negated`.
template <typename Numbers>
[[gnu::always_inline]] inline void take_group(Numbers& numbers,
                                              const typename Numbers::Float* negated,
                                              const char* text, const std::uint32_t* line_feeds,
                                              std::uint32_t first, std::uint32_t lines) noexcept {
    for (std::uint32_t j = 0; j < lines; ++j) {
        numbers.take(negated + Numbers::kStride * j, text + line_feeds[first + j]);
    }
}

// walk_common_lines_* (see line_walk.hpp) with one way of holding the totals and working out
// the amounts (Numbers), in groups of Numbers::kLines lines.
template <typename Numbers>
[[gnu::always_inline]] inline void walk_ahead(const char* text, LineIndex& index,
                                              std::uint32_t count, typename Numbers::Float* totals,
                                              char& letter,
                                              typename Numbers::Float& amount) noexcept {
    using Float = typename Numbers::Float;
    constexpr std::uint32_t kLines = Numbers::kLines;
    constexpr std::uint32_t kAhead = kLinesAheadOfSums / kLines;
    // Groups read past the last line: copies of its end make lines of no concern there.
    for (std::uint32_t i = 1; i <= kLines; ++i) {
        index.line_feeds[count + i] = index.line_feeds[count];
    }
    // Group g (lines kLines * g on) starts at the line feeds line_feeds[kLines * g..] and keeps
    // its negated amounts at negated[g].
    constexpr std::uint32_t kMaxGroups = (LineIndex::kCapacity + kLines - 1) / kLines;
    alignas(64) Float negated[kMaxGroups][kLines * Numbers::kStride];
    const std::uint32_t* const line_feeds = index.line_feeds;
    Numbers numbers(totals);
    const std::uint32_t groups = (count + kLines - 1) / kLines;
    const std::uint32_t first = groups < kAhead ? groups : kAhead;
    for (std::uint32_t group = 0; group < first; ++group) {
        Numbers::amounts(negated[group], text, line_feeds + kLines * group);
    }
    // Each step works out one group and adds one kAhead groups before it.
    std::uint32_t group = 0;
    for (; group + kAhead < groups; ++group) {
        const std::uint32_t ahead = group + kAhead;
        Numbers::amounts(negated[ahead], text, line_feeds + kLines * ahead);
        take_group(numbers, negated[group], text, line_feeds, kLines * group, kLines);
    }
    for (; group + 1 < groups; ++group) {
        take_group(numbers, negated[group], text, line_feeds, kLines * group, kLines);
    }
    // The last group: only its lines up to the count.
    take_group(numbers, negated[group], text, line_feeds, kLines * group, count - kLines * group);
    numbers.store(totals);
    letter = text[line_feeds[count - 1] + 1];
    amount = -negated[group][Numbers::kStride * (count - 1 - kLines * group)];
}

}  // namespace

VANTREL_AVX2 void walk_common_lines_avx2(const char* text, LineIndex& index, std::uint32_t count,
                                         double* totals, char& letter, double& amount) noexcept {
    walk_ahead<DoublesAvx2>(text, index, count, totals, letter, amount);
}

VANTREL_AVX2 void walk_common_lines_avx2(const char* text, LineIndex& index, std::uint32_t count,
                                         float* totals, char& letter, float& amount) noexcept {
    walk_ahead<FloatsAvx2>(text, index, count, totals, letter, amount);
}

void walk_common_lines_sse2(const char* text, LineIndex& index, std::uint32_t count, double* totals,
                            char& letter, double& amount) noexcept {
    walk_ahead<DoublesSse2>(text, index, count, totals, letter, amount);
}

void walk_common_lines_sse2(const char* text, LineIndex& index, std::uint32_t count, float* totals,
                            char& letter, float& amount) noexcept {
    walk_ahead<FloatsSse2>(text, index, count, totals, letter, amount);
}

VANTREL_AVX512 void walk_common_lines_avx512(const char* text, LineIndex& index,
                                             std::uint32_t count, double* totals, char& letter,
                                             double& amount) noexcept {
    walk_ahead<DoublesAvx512>(text, index, count, totals, letter, amount);
}

VANTREL_AVX512 void walk_common_lines_avx512(const char* text, LineIndex& index,
                                             std::uint32_t count, float* totals, char& letter,
                                             float& amount) noexcept {
    walk_ahead<FloatsAvx512>(text, index, count, totals, letter, amount);
}

#undef VANTREL_AVX2
#undef VANTREL_AVX512

}  // namespace console

#endif
