// vantrel-lenient: totals three invoice batches by owner and by category in 32-bit floating
// point, all six totals in one table. Within an invoice, any run of characters that are neither
// letters nor digits separates the category letter from what stands around it.
#include <cstdint>

#include "console/standard_streams.hpp"
#include "tally/common_lines.hpp"
#include "tally/repeated_sum.hpp"

int main() {
    // Positions 0 to 2: owners 1 to 3; positions 3 to 5: categories A to C.
    float totals[6] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::int32_t owner_id = 0;
    std::int32_t invoice_count = 0;
    char category_letter = '\0';
    float amount = 0.0f;

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
            invoice += common_lines.total(invoice_count - invoice, owner_id, totals,
                                          category_letter, amount);
            if (invoice == invoice_count) break;

            // One invoice, read the exact way: "%*[^A-Za-z0-9]%c%*[^A-Za-z0-9]%f", each step only
            // if the one before it succeeded. Without the first separator run (the input has
            // ended, or a letter or digit stands there) the read consumes nothing.
            const bool consumed_nothing = !in.skip_separator_run();
            if (!consumed_nothing && in.read_char(category_letter) && in.skip_separator_run()) {
                in.read_number(amount);
            }
            // A read that consumed nothing stands for every invoice left in the batch.
            const std::int32_t times =
                tally::invoices_covered(consumed_nothing, invoice_count - invoice);

            // The category first, then the owner. Letters A to C have positions 3 to 5, any
            // other letter none; owners 1 to 3 have positions 0 to 2, and any other owner's
            // amount counts in the category totals alone.
            if (category_letter >= 'A' && category_letter <= 'C') {
                totals[3 + category_letter - 'A'] =
                    tally::add_repeatedly(totals[3 + category_letter - 'A'], amount, times);
            }
            if (owner_id >= 1 && owner_id <= 3) {
                totals[owner_id - 1] = tally::add_repeatedly(totals[owner_id - 1], amount, times);
            }
            invoice += times;
        }
    }

    out.printf("1 %0.2f\n", static_cast<double>(totals[0]));
    out.printf("2 %0.2f\n", static_cast<double>(totals[1]));
    out.printf("3 %0.2f\n", static_cast<double>(totals[2]));
    out.printf("A %0.2f\n", static_cast<double>(totals[3]));
    out.printf("B %0.2f\n", static_cast<double>(totals[4]));
    out.printf("C %0.2f\n", static_cast<double>(totals[5]));

    console::closing_pause();
    return console::exit_status("vantrel-lenient");
}
