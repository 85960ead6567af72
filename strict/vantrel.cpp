// vantrel-strict: totals three invoice batches by owner and by category in 64-bit floating
// point. Each invoice's category letter is the character right after the one separator that
// follows the number before it.
#include <cstdint>

#include "console/repeated_sum.hpp"
#include "console/standard_streams.hpp"

int main() {
    double owner_totals[3] = {0.0, 0.0, 0.0};
    double category_totals[3] = {0.0, 0.0, 0.0};
    std::int32_t owner_id = 0;
    std::int32_t invoice_count = 0;
    char category_letter = '\0';
    double amount = 0.0;
    // Takes the amounts of owner IDs other than 1 to 3 where a total is needed; never printed.
    double no_owner_total = 0.0;

    console::FormattedInput& in = console::standard_input();
    console::FormattedOutput& out = console::standard_output();

    for (int batch = 0; batch < 3; ++batch) {
        in.read_int(owner_id);       // "%d"
        in.read_int(invoice_count);  // "%d"
        for (std::int32_t invoice = 0; invoice < invoice_count;) {
            // Common invoice lines ("A 12345.67" after a line feed) are totalled straight from
            // the input buffer, as many as stand there in a row, with the same result as reading
            // them one at a time below.
            invoice += in.total_common_invoices(
                invoice_count - invoice,
                owner_id >= 1 && owner_id <= 3 ? owner_totals[owner_id - 1] : no_owner_total,
                category_totals, category_letter, amount);
            if (invoice == invoice_count) break;

            // One invoice, read the exact way.
            // getchar: the separator before the letter is discarded unseen. Only whether there was
            // one matters here: at the end of the input there is none.
            const bool input_ended = in.getchar() == console::FormattedInput::kEnd;
            // "%c%lf": the amount is read only when a letter was.
            if (in.read_char(category_letter)) in.read_number(amount);
            // Once the input has ended, every invoice left in the batch fills nothing and so adds
            // the same amount to the same totals: they are all totalled at once.
            const std::int32_t times = input_ended ? invoice_count - invoice : 1;

            // Owners 1 to 3 and letters A to C each have their total; any other owner ID or
            // letter adds to none.
            if (owner_id >= 1 && owner_id <= 3) {
                owner_totals[owner_id - 1] =
                    console::add_repeatedly(owner_totals[owner_id - 1], amount, times);
            }
            if (category_letter >= 'A' && category_letter <= 'C') {
                category_totals[category_letter - 'A'] =
                    console::add_repeatedly(category_totals[category_letter - 'A'], amount, times);
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
