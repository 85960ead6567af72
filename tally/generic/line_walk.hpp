// Totals the indexed lines of a stretch, written once for every way: a way supplies a Numbers
// type per totals type (see the end of this comment), and its entry points instantiate
// walk_lines<Numbers> under the way's own target attributes.
//
// Invariant: the totals take the lines' amounts one line at a time in input order, each
// addition rounded to the totals' type, exactly as adding each amount on its own would; the
// amounts are the ones the exact reads give (line_shape.hpp says how they are read).
//
// The amounts are worked out negated, and the totals subtract them: x - (-a) is x + a, rounded
// the same. An amount of 0 is worked out as -0.0, whose subtraction adds +0.0, as adding 0
// does; -0.00 as +0.0, whose subtraction leaves x as it is, as adding -0.0 does.
//
// The one chain that must stay in order (each total depends on the one before) is kept short:
// the amounts are worked out Numbers::kLines lines at a time, kLinesAheadOfSums lines ahead of
// the additions, so that no addition waits for a load or a division of its own group.
//
// A Numbers type (the vector ways' is lane_totals.hpp) has:
//   using Float; kLines, the lines worked out at once (4 or 8);
//   a constructor from the four totals (owner, A, B, C) and store(Float* totals);
//   static void amounts(Float* out, const char* text, const std::uint32_t* at): the negated
//     amounts of the kLines common lines that start at the line feeds at[0..] and end at
//     at[1..] (offsets from text), at out (64-byte aligned); lines past the last one have equal
//     start and end, and any value will do for them;
//     amounts may instead return the bits of the group's lines that it left unread (bit j for
//     line j), any value in their place, and the type then has
//     static Float long_amount(const char* text, const std::uint32_t* at): the negated amount
//     of the one line from at[0] to at[1]. A way whose quick reading holds only the shorter
//     amounts leaves the longer ones, which are few, to this, rather than read a whole group
//     the long way whenever one of its lines is long (a branch that real files make the
//     processor guess wrong often);
//   optionally, static void plain_amounts(...), the same for plain lines only (block_checks.hpp),
//     which are whole numbers of cents divided by 100, none left unread;
//   void take(const Float* negated, const char* line): adds the line that starts at `line`
//     (its line feed) to the owner's total and its letter's, all other totals kept bit for bit.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tally/generic/line_index.hpp"

namespace tally {

// Lane masks by letter, for ways that hold the four totals in the lanes of vectors: a line keeps
// its amount in the owner's lane and its letter's, and +0.0 in the others (x - (+0.0) is x bit
// for bit, -0.0 and NaN included). The row is found from the 2 bytes at the line start (the line
// feed and the letter) read as one number, 256 times the letter plus 10: the rows of A, B and C
// start 256 bytes apart, so that this number, less that of A, is the row's offset in bytes, with
// no shift or multiply. Only the letters A, B and C have rows: the walk takes only indexed lines.
template <typename Bits>
struct LetterRows {
    static constexpr std::ptrdiff_t kKeyOfA = 'A' * 256 + '\n';
    alignas(64) Bits keep[3][256 / sizeof(Bits)];
    const Bits* row(const char* line) const noexcept {
        std::uint16_t key = 0;
        std::memcpy(&key, line, sizeof key);
        if constexpr (std::endian::native == std::endian::big) {
            key = static_cast<std::uint16_t>(key >> 8 | key << 8);
        }
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

inline constexpr LetterRows<std::uint32_t> kFloatRows = make_letter_rows<std::uint32_t>();
inline constexpr LetterRows<std::uint64_t> kDoubleRows = make_letter_rows<std::uint64_t>();

// The lines whose negated amounts are worked out ahead of the additions: the additions then
// never wait for the loads, the multiply-adds and the division of their own group, and the
// processor has the next groups' work to do while the additions wait on each other.
inline constexpr std::uint32_t kLinesAheadOfSums = 64;

// The additions of the `lines` (1 to Numbers::kLines) lines from line `first` (line i starts at
// the line feed line_feeds[i]), whose negated amounts are at `negated`.
template <typename Numbers>
[[gnu::always_inline]] inline void take_group(Numbers& numbers,
                                              const typename Numbers::Float* negated,
                                              const char* text, const std::uint32_t* line_feeds,
                                              std::uint32_t first, std::uint32_t lines) noexcept {
    for (std::uint32_t j = 0; j < lines; ++j) {
        numbers.take(negated + j, text + line_feeds[first + j]);
    }
}

// Whether a Numbers type has plain_amounts, and whether its amounts leave long lines unread.
template <typename Numbers>
inline constexpr bool kHasPlainAmounts = requires(typename Numbers::Float* out, const char* t,
                                                  const std::uint32_t* at) {
    Numbers::plain_amounts(out, t, at);
};
template <typename Numbers>
inline constexpr bool kLeavesLongLines = requires(const char* t, const std::uint32_t* at) {
    Numbers::long_amount(t, at);
};

// The negated amounts of the group whose line feeds start at `at`, at `out`: by the plain
// lines' reading where kPlain and the way has one. Returns the bits of the lines left unread.
template <typename Numbers, bool kPlain>
[[gnu::always_inline]] inline std::uint32_t amounts_of(typename Numbers::Float* out,
                                                       const char* text,
                                                       const std::uint32_t* at) noexcept {
    if constexpr (kPlain && kHasPlainAmounts<Numbers>) {
        Numbers::plain_amounts(out, text, at);
        return 0;
    } else if constexpr (kLeavesLongLines<Numbers>) {
        return Numbers::amounts(out, text, at);
    } else {
        Numbers::amounts(out, text, at);
        return 0;
    }
}

// Reads the lines that `unread` marks (bit i for line first_line + i) one at a time into the
// groups' negated amounts, and clears `unread`.
template <typename Numbers>
[[gnu::always_inline]] inline void read_lines_left_unread(
    typename Numbers::Float (*negated)[Numbers::kLines], const char* text,
    const std::uint32_t* line_feeds, std::uint32_t first_line, std::uint64_t& unread) noexcept {
    if constexpr (kLeavesLongLines<Numbers>) {
        for (; unread != 0; unread &= unread - 1) {
            const std::uint32_t line =
                first_line + static_cast<std::uint32_t>(std::countr_zero(unread));
            negated[line / Numbers::kLines][line % Numbers::kLines] =
                Numbers::long_amount(text, line_feeds + line);
        }
    }
}

// The first `count` lines of `index` (1 to index.count), whose offsets count from `text`: each
// line's amount is added to totals[0] (the owner's) and to the total of its letter (totals[1],
// [2], [3] for A, B, C), in input order. `letter` and `amount` are set to the last line's.
// Writes copies of the last offset after the first `count` offsets of the index.
template <typename Numbers, bool kPlain>
[[gnu::always_inline]] inline void walk_lines(const char* text, LineIndex& index,
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
    alignas(64) Float negated[kMaxGroups][kLines];
    const std::uint32_t* const line_feeds = index.line_feeds;
    // Groups are worked out in blocks of kAhead, from a multiple of kAhead on. The lines that a
    // block's amounts leave unread (bit kLines * k + j for line j of the block's group k) are
    // read one at a time when the whole block has been worked out, kAhead groups before the
    // first of them is added: one loop per 64 lines, whose end alone the processor may guess
    // wrong.
    static_assert(kAhead * kLines <= 64);
    // Plain lines are never long: a plain walk reads none one at a time.
    constexpr bool kReadsUnread = !kPlain && kLeavesLongLines<Numbers>;
    std::uint64_t unread = 0;
    const auto amounts_of_group = [&](std::uint32_t group) {
        [[maybe_unused]] const std::uint32_t left =
            amounts_of<Numbers, kPlain>(negated[group], text, line_feeds + kLines * group);
        if constexpr (kReadsUnread) unread |= std::uint64_t{left} << (kLines * (group % kAhead));
    };
    // The unread lines of the block that holds `group`.
    const auto read_unread = [&](std::uint32_t group) {
        if constexpr (kReadsUnread) {
            read_lines_left_unread<Numbers>(negated, text, line_feeds,
                                            kLines * (group - group % kAhead), unread);
        }
    };
    Numbers numbers(totals);
    const std::uint32_t groups = (count + kLines - 1) / kLines;
    const std::uint32_t first = groups < kAhead ? groups : kAhead;
    for (std::uint32_t group = 0; group < first; ++group) amounts_of_group(group);
    read_unread(0);
    // Each step works out one group and adds the one kAhead groups before it.
    std::uint32_t group = 0;
    for (; group + kAhead < groups; ++group) {
        const std::uint32_t ahead = group + kAhead;
        amounts_of_group(ahead);
        if ((ahead + 1) % kAhead == 0 || ahead + 1 == groups) read_unread(ahead);
        take_group(numbers, negated[group], text, line_feeds, kLines * group, kLines);
    }
    for (; group + 1 < groups; ++group) {
        take_group(numbers, negated[group], text, line_feeds, kLines * group, kLines);
    }
    // The last group: only its lines up to the count.
    take_group(numbers, negated[group], text, line_feeds, kLines * group, count - kLines * group);
    numbers.store(totals);
    letter = text[line_feeds[count - 1] + 1];
    amount = -negated[group][count - 1 - kLines * group];
}

}  // namespace tally
