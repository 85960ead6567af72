// vantrel-strict: totals three invoice batches by owner and by category in 64-bit floating
// point. Each invoice's category letter is the character right after the one separator that
// follows the number before it.
#include <cstdint>

#include "console/standard_streams.hpp"
#include "tally/common_lines.hpp"
#include "tally/repeated_sum.hpp"

int main() {
    double owner_totals[3] = {0.0, 0.0, 0.0};
    double category_totals[3] = {0.0, 0.0, 0.0};
    std::int32_t owner_id = 0;
    std::int32_t invoice_count = 0;
    char category_letter = '\0';
    double amount = 0.0;

    console::FormattedInput& in = console::standard_input();
    console::FormattedOutput& out = console::standard_output();
    tally::CommonLines common_lines(in);

    for (int batch = 0; batch < 3; ++batch) {
        in.read_int(owner_id);       // "%d"
        in.read_int(invoice_count);  // "%d"
        for (std::int32_t invoice = 0; invoice < invoice_count;) {
            // Common invoice lines ("A 12345.67" after a line feed) are totalled straight from
            // the input buffer, as many as stand there in a row, with the same result as reading
            // them one at a time below.
            invoice += common_lines.total(invoice_count - invoice, owner_id, owner_totals,
                                          category_totals, category_letter, amount);
            if (invoice == invoice_count) break;

            // One invoice, read the exact way: getchar, which discards the separator before the
            // letter unseen and consumes nothing only at the end of the input; then "%c%lf", the
            // amount read only when a letter was.
            const bool consumed_nothing = in.getchar() == console::FormattedInput::kEnd;
            if (in.read_char(category_letter)) in.read_number(amount);
            // A read that consumed nothing stands for every invoice left in the batch.
            const std::int32_t times =
                tally::invoices_covered(consumed_nothing, invoice_count - invoice);

            // Owners 1 to 3 and letters A to C each have their total; any other owner ID or
            // letter adds to none.
            if (owner_id >= 1 && owner_id <= 3) {
                owner_totals[owner_id - 1] =
                    tally::add_repeatedly(owner_totals[owner_id - 1], amount, times);
            }
            if (category_letter >= 'A' && category_letter <= 'C') {
                category_totals[category_letter - 'A'] =
                    tally::add_repeatedly(category_totals[category_letter - 'A'], amount, times);
            }
            invoice += times;
        }
    }

    for (int key = 1; key <= 3; ++key) out.printf("%d %.2f\n", key, owner_totals[key - 1]);
    for (category_letter = 'A'; category_letter <= 'C'; ++category_letter) {
        out.printf("%c %.2f\n", category_letter, category_totals[category_letter - 'A']);
    }

    console::closing_pause();
    return console::exit_status("vantrel-strict");
}
