// Totals the amounts of indexed common lines. Invariant: the totals take the lines' amounts one
// line at a time in input order, each addition rounded to the totals' type, exactly as adding
// each amount on its own would; the amounts are the ones the exact reads give.
//
// What each line of a group takes off the totals is worked out first, 4 lines at a time, into a
// small array; the additions then run over the array. That way no addition waits for a load or
// a division, and the one chain that must stay in order (each total depends on the one before)
// is just one vector operation per line, with its operand straight from memory: the four totals
// a line can touch (the owner's and the letters A, B, C) sit in the lanes of one vector, and the
// line subtracts its negated amount in the owner's lane and its letter's lane and +0.0 in the
// two others. x - (-a) is x + a, rounded the same, and x - (+0.0) is x, bit for bit, for every
// x (-0.0 and NaN included), so those lanes keep their values exactly as if nothing had been
// added. (Adding +0.0 instead would turn a total of -0.0 into +0.0.)
//
// An amount is 1 to 5 integer digits, a point and 2 digits, so its value is the whole number of
// cents divided by 100. The cents (below 10^7 < 2^24) and 100 are exact in a float and in a
// double, so the one division rounds once, and so correctly: the same value the exact reads
// give for the text.
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

#include <cstring>

namespace console {
namespace {

#define VANTREL_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

// The additions run this many groups of 4 lines behind the work that builds each line's vector,
// so that no addition waits for the loads and the division of its own line.
constexpr std::uint32_t kAhead = 8;
// Groups of 4 lines whose vectors are kept: a power of two above kAhead.
constexpr std::uint32_t kRing = 16;

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

// The same with AVX2: the line lengths and shift counts of the 4 lines are worked out at once,
// and the 4 words are shifted by one instruction.
VANTREL_AVX2 inline __m128i cents_of_4_avx2(const char* text,
                                            const std::uint32_t* line_feeds) noexcept {
    const auto word = [&](int line) {
        std::uint64_t w = 0;
        std::memcpy(&w, text + line_feeds[line] + 3, sizeof w);
        return static_cast<long long>(w);
    };
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds + 1));
    // 8 bits per integer digit short of 5; 88 or more (a shift to 0) past the last line.
    const __m128i missing_bits =
        _mm_slli_epi32(_mm_sub_epi32(_mm_set1_epi32(11), _mm_sub_epi32(ends, starts)), 3);
    const __m256i words =
        _mm256_sllv_epi64(_mm256_xor_si256(_mm256_set_epi64x(word(3), word(2), word(1), word(0)),
                                           _mm256_set1_epi8('0')),
                          _mm256_cvtepu32_epi64(missing_bits));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i tens = _mm256_setr_epi16(10, 1, 10, 1, 1, 0, 10, 1, 10, 1, 10, 1, 1, 0, 10, 1);
    const __m256i hundreds = _mm256_set1_epi32(0x00010064);
    const __m256i thousands = _mm256_set1_epi32(0x000103E8);
    // Each 128-bit half works on its own: lines 0 and 1 in the low half, 2 and 3 in the high.
    const __m256i pairs =
        _mm256_packs_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi8(words, zero), tens),
                           _mm256_madd_epi16(_mm256_unpackhi_epi8(words, zero), tens));
    const __m256i quads = _mm256_madd_epi16(pairs, hundreds);
    const __m256i cents = _mm256_madd_epi16(_mm256_packs_epi32(quads, quads), thousands);
    // Cents of lines 0, 1 in the low 64 bits of the low half, 2, 3 in those of the high half.
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(cents, 0x08));
}

struct CentsSse2 {
    static __m128i of_4(const char* text, const std::uint32_t* line_feeds) noexcept {
        return cents_of_4(text, line_feeds);
    }
};

struct CentsAvx2 {
    VANTREL_AVX2 static __m128i of_4(const char* text, const std::uint32_t* line_feeds) noexcept {
        return cents_of_4_avx2(text, line_feeds);
    }
};

// Lane masks by the letter byte: for A, B and C all ones in the owner's lane and the letter's
// lane, zero in the others; the other bytes keep no lane. One row for every byte value, so that
// the letter indexes the table as it is (the rows the letters use share two cache lines).
template <typename Bits>
struct LaneMasks {
    alignas(64) Bits keep[256][4];
};

template <typename Bits>
constexpr LaneMasks<Bits> make_lane_masks() {
    LaneMasks<Bits> masks{};
    for (int letter = 'A'; letter <= 'C'; ++letter) {
        for (int lane = 0; lane < 4; ++lane) {
            const bool kept = lane == 0 || lane == letter - 'A' + 1;
            masks.keep[letter][lane] = kept ? ~Bits{0} : Bits{0};
        }
    }
    return masks;
}

constexpr LaneMasks<std::uint32_t> kFloatLanes = make_lane_masks<std::uint32_t>();
constexpr LaneMasks<std::uint64_t> kDoubleLanes = make_lane_masks<std::uint64_t>();

// The row of lane masks for the line that starts at the line feed at `line`: its letter.
[[gnu::always_inline]] inline std::uint32_t letter_row(const char* line) noexcept {
    return static_cast<unsigned char>(line[1]);
}

// What one line takes off the four totals (owner, A, B, C), worked out before the additions so
// that each addition is one vector subtraction. Lanes the line does not touch hold +0.0.
template <typename Float>
struct alignas(32) Addend {
    Float lanes[4];
};

// The four float totals in one SSE register (the AVX2 build uses it too).
struct FloatLanes {
    using Float = float;
    __m128 sums;
    explicit FloatLanes(const float* totals) noexcept : sums(_mm_loadu_ps(totals)) {}
    void store(float* totals) const noexcept { _mm_storeu_ps(totals, sums); }
    static void addends_of_4(Addend<float>* out, __m128i cents, const char* text,
                             const std::uint32_t* line_feeds) noexcept {
        const __m128 negated = _mm_div_ps(_mm_cvtepi32_ps(cents), _mm_set1_ps(-100.0f));
        const auto put = [&](int j, __m128 amount) {
            const __m128 keep = _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(
                kFloatLanes.keep[letter_row(text + line_feeds[j])])));
            _mm_store_ps(out[j].lanes, _mm_and_ps(amount, keep));
        };
        put(0, _mm_shuffle_ps(negated, negated, 0x00));
        put(1, _mm_shuffle_ps(negated, negated, 0x55));
        put(2, _mm_shuffle_ps(negated, negated, 0xAA));
        put(3, _mm_shuffle_ps(negated, negated, 0xFF));
    }
    void take_4(const Addend<float>* addends) noexcept {
        for (int j = 0; j < 4; ++j) sums = _mm_sub_ps(sums, _mm_load_ps(addends[j].lanes));
    }
};

// The four double totals in two SSE2 registers: owner and A, B and C.
struct DoubleLanesSse2 {
    using Float = double;
    __m128d low;
    __m128d high;
    explicit DoubleLanesSse2(const double* totals) noexcept
        : low(_mm_loadu_pd(totals)), high(_mm_loadu_pd(totals + 2)) {}
    void store(double* totals) const noexcept {
        _mm_storeu_pd(totals, low);
        _mm_storeu_pd(totals + 2, high);
    }
    static void addends_of_4(Addend<double>* out, __m128i cents, const char* text,
                             const std::uint32_t* line_feeds) noexcept {
        const __m128d hundred = _mm_set1_pd(-100.0);
        const __m128d first = _mm_div_pd(_mm_cvtepi32_pd(cents), hundred);
        const __m128d last = _mm_div_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(cents, cents)), hundred);
        const auto put = [&](int j, __m128d amount) {
            const auto* keep = reinterpret_cast<const __m128i*>(
                kDoubleLanes.keep[letter_row(text + line_feeds[j])]);
            _mm_store_pd(out[j].lanes, _mm_and_pd(amount, _mm_castsi128_pd(_mm_load_si128(keep))));
            _mm_store_pd(out[j].lanes + 2,
                         _mm_and_pd(amount, _mm_castsi128_pd(_mm_load_si128(keep + 1))));
        };
        put(0, _mm_unpacklo_pd(first, first));
        put(1, _mm_unpackhi_pd(first, first));
        put(2, _mm_unpacklo_pd(last, last));
        put(3, _mm_unpackhi_pd(last, last));
    }
    void take_4(const Addend<double>* addends) noexcept {
        for (int j = 0; j < 4; ++j) {
            low = _mm_sub_pd(low, _mm_load_pd(addends[j].lanes));
            high = _mm_sub_pd(high, _mm_load_pd(addends[j].lanes + 2));
        }
    }
};

// The four double totals in one AVX register.
struct DoubleLanesAvx2 {
    using Float = double;
    __m256d sums;
    VANTREL_AVX2 explicit DoubleLanesAvx2(const double* totals) noexcept
        : sums(_mm256_loadu_pd(totals)) {}
    VANTREL_AVX2 void store(double* totals) const noexcept { _mm256_storeu_pd(totals, sums); }
    VANTREL_AVX2 static void addends_of_4(Addend<double>* out, __m128i cents, const char* text,
                                          const std::uint32_t* line_feeds) noexcept {
        alignas(32) double negated[4];
        _mm256_store_pd(negated, _mm256_div_pd(_mm256_cvtepi32_pd(cents), _mm256_set1_pd(-100.0)));
        for (int j = 0; j < 4; ++j) {
            const __m256d keep =
                _mm256_castsi256_pd(_mm256_load_si256(reinterpret_cast<const __m256i*>(
                    kDoubleLanes.keep[letter_row(text + line_feeds[j])])));
            _mm256_store_pd(out[j].lanes, _mm256_and_pd(_mm256_broadcast_sd(negated + j), keep));
        }
    }
    VANTREL_AVX2 void take_4(const Addend<double>* addends) noexcept {
        for (int j = 0; j < 4; ++j) sums = _mm256_sub_pd(sums, _mm256_load_pd(addends[j].lanes));
    }
};

// walk_common_lines_* (see line_walk.hpp) with one way of holding the totals (Lanes) and one way
// of working out 4 amounts (Cents).
//
// Each line's amount is taken off the totals negated: x - (-a) is x + a, rounded the same, and
// x - (+0.0) is x, bit for bit, for every x (-0.0 and NaN included), so the lanes a line does not
// touch keep their values exactly. A mask then builds each line's vector with one AND.
template <typename Lanes, typename Cents>
[[gnu::always_inline]] inline void walk(const char* text, LineIndex& index, std::uint32_t count,
                                        typename Lanes::Float* totals, char& letter,
                                        typename Lanes::Float& amount) noexcept {
    using Float = typename Lanes::Float;
    // Groups of 4 read past the last line: copies of its end make lines of no concern there.
    for (std::uint32_t i = 1; i <= 4; ++i) index.line_feeds[count + i] = index.line_feeds[count];
    // Group g (lines 4g to 4g + 3) starts at the line feeds line_feeds[4g..] and keeps its vectors
    // at ring[g % kRing].
    Addend<Float> ring[kRing][4];
    const std::uint32_t groups = (count + 3) / 4;
    Lanes lanes(totals);
    const std::uint32_t first = groups < kAhead ? groups : kAhead;
    for (std::uint32_t group = 0; group < first; ++group) {
        const std::uint32_t* line_feeds = index.line_feeds + 4 * group;
        Lanes::addends_of_4(ring[group % kRing], Cents::of_4(text, line_feeds), text, line_feeds);
    }
    // Each step builds one group and adds one kAhead groups before it: the two interleave.
    std::uint32_t group = 0;
    for (; group + kAhead < groups; ++group) {
        const std::uint32_t* line_feeds = index.line_feeds + 4 * (group + kAhead);
        Lanes::addends_of_4(ring[(group + kAhead) % kRing], Cents::of_4(text, line_feeds), text,
                            line_feeds);
        lanes.take_4(ring[group % kRing]);
    }
    // The last group is built by now: the entries past the last line take nothing.
    for (std::uint32_t line = count; line % 4 != 0; ++line) {
        ring[(line / 4) % kRing][line % 4] = Addend<Float>{};
    }
    for (; group < groups; ++group) lanes.take_4(ring[group % kRing]);
    lanes.store(totals);
    letter = text[index.line_feeds[count - 1] + 1];
    // The owner's lane always holds the line's negated amount.
    amount = -ring[((count - 1) / 4) % kRing][(count - 1) % 4].lanes[0];
}

// The AVX-512 build, after the AVX-512 classifier: 8 lines per step, and each line's lanes read
// from the index (index.lanes) as a mask, so that building a line's vector is one zero-masked
// broadcast of its negated amount: the owner's lane and its letter's lane get it, the others
// +0.0. (A merge-masked addition would need no +0.0 lanes, but it takes 3 cycles where a plain
// subtraction takes 2, and the chain of additions is the one thing that cannot overlap.)
#define VANTREL_AVX512 \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi2,avx2,bmi,bmi2,popcnt")))

// The whole numbers of cents of the 8 lines that start at the line feeds line_feeds[0..7] and end
// at line_feeds[1..8], as cents_of_4_avx2 works them out for 4: each 128-bit quarter of the
// register works on 2 lines.
VANTREL_AVX512 inline __m256i cents_of_8_avx512(const char* text,
                                                const std::uint32_t* line_feeds) noexcept {
    const auto word = [&](int line) {
        std::uint64_t w = 0;
        std::memcpy(&w, text + line_feeds[line] + 3, sizeof w);
        return static_cast<long long>(w);
    };
    const __m256i starts = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line_feeds));
    const __m256i ends = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line_feeds + 1));
    const __m256i missing_bits = _mm256_slli_epi32(
        _mm256_sub_epi32(_mm256_set1_epi32(11), _mm256_sub_epi32(ends, starts)), 3);
    const __m512i words =
        _mm512_sllv_epi64(_mm512_xor_si512(_mm512_set_epi64(word(7), word(6), word(5), word(4),
                                                            word(3), word(2), word(1), word(0)),
                                           _mm512_set1_epi8('0')),
                          _mm512_cvtepu32_epi64(missing_bits));
    const __m512i zero = _mm512_setzero_si512();
    const __m512i tens = _mm512_broadcast_i32x4(_mm_setr_epi16(10, 1, 10, 1, 1, 0, 10, 1));
    const __m512i pairs =
        _mm512_packs_epi32(_mm512_madd_epi16(_mm512_unpacklo_epi8(words, zero), tens),
                           _mm512_madd_epi16(_mm512_unpackhi_epi8(words, zero), tens));
    const __m512i quads = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));
    const __m512i cents =
        _mm512_madd_epi16(_mm512_packs_epi32(quads, quads), _mm512_set1_epi32(0x000103E8));
    // The cents of each quarter's 2 lines are its low 64 bits.
    return _mm512_castsi512_si256(
        _mm512_permutexvar_epi64(_mm512_setr_epi64(0, 2, 4, 6, 0, 2, 4, 6), cents));
}

// The negated amounts of 8 lines, and how the totals take them, for each totals type.
struct DoubleLanesAvx512 {
    using Float = double;
    __m256d sums;
    VANTREL_AVX512 explicit DoubleLanesAvx512(const double* totals) noexcept
        : sums(_mm256_loadu_pd(totals)) {}
    VANTREL_AVX512 void store(double* totals) const noexcept { _mm256_storeu_pd(totals, sums); }
    VANTREL_AVX512 static void negated_amounts_of_8(double* out, __m256i cents) noexcept {
        _mm512_store_pd(out, _mm512_div_pd(_mm512_cvtepi32_pd(cents), _mm512_set1_pd(-100.0)));
    }
    VANTREL_AVX512 void take(double negated, std::uint8_t lanes) noexcept {
        sums =
            _mm256_sub_pd(sums, _mm256_maskz_mov_pd(_cvtu32_mask8(lanes), _mm256_set1_pd(negated)));
    }
};

struct FloatLanesAvx512 {
    using Float = float;
    __m128 sums;
    VANTREL_AVX512 explicit FloatLanesAvx512(const float* totals) noexcept
        : sums(_mm_loadu_ps(totals)) {}
    VANTREL_AVX512 void store(float* totals) const noexcept { _mm_storeu_ps(totals, sums); }
    VANTREL_AVX512 static void negated_amounts_of_8(float* out, __m256i cents) noexcept {
        _mm256_store_ps(out, _mm256_div_ps(_mm256_cvtepi32_ps(cents), _mm256_set1_ps(-100.0f)));
    }
    VANTREL_AVX512 void take(float negated, std::uint8_t lanes) noexcept {
        sums = _mm_sub_ps(sums, _mm_maskz_mov_ps(_cvtu32_mask8(lanes), _mm_set1_ps(negated)));
    }
};

// The groups of 8 lines whose amounts are worked out ahead of the additions, and the groups kept.
constexpr std::uint32_t kAhead8 = 4;
constexpr std::uint32_t kRing8 = 8;

template <typename Lanes>
VANTREL_AVX512 inline void walk_8(const char* text, LineIndex& index, std::uint32_t count,
                                  typename Lanes::Float* totals, char& letter,
                                  typename Lanes::Float& amount) noexcept {
    using Float = typename Lanes::Float;
    // Groups of 8 read past the last line: copies of its end make lines of no concern there,
    // which are never added.
    for (std::uint32_t i = 1; i <= 8; ++i) index.line_feeds[count + i] = index.line_feeds[count];
    alignas(64) Float negated[kRing8][8];
    const std::uint32_t groups = (count + 7) / 8;
    const auto build = [&](std::uint32_t group) VANTREL_AVX512 {
        Lanes::negated_amounts_of_8(negated[group % kRing8],
                                    cents_of_8_avx512(text, index.line_feeds + 8 * group));
    };
    Lanes lanes(totals);
    const auto take = [&](std::uint32_t group, std::uint32_t lines) VANTREL_AVX512 {
        for (std::uint32_t j = 0; j < lines; ++j) {
            lanes.take(negated[group % kRing8][j], index.lanes[8 * group + j]);
        }
    };
    const std::uint32_t first = groups < kAhead8 ? groups : kAhead8;
    for (std::uint32_t group = 0; group < first; ++group) build(group);
    // Each step works out one group and adds one kAhead8 groups before it.
    std::uint32_t group = 0;
    for (; group + kAhead8 < groups; ++group) {
        build(group + kAhead8);
        take(group, 8);
    }
    for (; group < groups; ++group) take(group, group + 1 < groups ? 8 : count - 8 * group);
    lanes.store(totals);
    letter = text[index.line_feeds[count - 1] + 1];
    amount = -negated[((count - 1) / 8) % kRing8][(count - 1) % 8];
}

}  // namespace

VANTREL_AVX2 void walk_common_lines_avx2(const char* text, LineIndex& index, std::uint32_t count,
                                         double* totals, char& letter, double& amount) noexcept {
    walk<DoubleLanesAvx2, CentsAvx2>(text, index, count, totals, letter, amount);
}

VANTREL_AVX2 void walk_common_lines_avx2(const char* text, LineIndex& index, std::uint32_t count,
                                         float* totals, char& letter, float& amount) noexcept {
    walk<FloatLanes, CentsAvx2>(text, index, count, totals, letter, amount);
}

void walk_common_lines_sse2(const char* text, LineIndex& index, std::uint32_t count, double* totals,
                            char& letter, double& amount) noexcept {
    walk<DoubleLanesSse2, CentsSse2>(text, index, count, totals, letter, amount);
}

void walk_common_lines_sse2(const char* text, LineIndex& index, std::uint32_t count, float* totals,
                            char& letter, float& amount) noexcept {
    walk<FloatLanes, CentsSse2>(text, index, count, totals, letter, amount);
}

VANTREL_AVX512 void walk_common_lines_avx512(const char* text, LineIndex& index,
                                             std::uint32_t count, double* totals, char& letter,
                                             double& amount) noexcept {
    walk_8<DoubleLanesAvx512>(text, index, count, totals, letter, amount);
}

VANTREL_AVX512 void walk_common_lines_avx512(const char* text, LineIndex& index,
                                             std::uint32_t count, float* totals, char& letter,
                                             float& amount) noexcept {
    walk_8<FloatLanesAvx512>(text, index, count, totals, letter, amount);
}

#undef VANTREL_AVX2
#undef VANTREL_AVX512

}  // namespace console

#endif
