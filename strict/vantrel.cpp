// vantrel-strict: totals three invoice batches by owner and by category in 64-bit floating
// point. Each invoice's category letter is the character right after the one separator that
// follows the number before it.
#include <cstdint>

#include "console/standard_streams.hpp"

int main() {
    double owner_totals[3] = {0.0, 0.0, 0.0};
    double category_totals[3] = {0.0, 0.0, 0.0};
    std::int32_t owner_id = 0;
    std::int32_t invoice_count = 0;
    char category_letter = '\0';
    double amount = 0.0;

    console::InputStream& in = console::standard_input();
    console::OutputStream& out = console::standard_output();

    for (int batch = 0; batch < 3; ++batch) {
        in.read_int(owner_id);       // "%d"
        in.read_int(invoice_count);  // "%d"
        for (std::int32_t invoice = 0; invoice < invoice_count; ++invoice) {
            in.getchar();  // the separator before the letter, never looked at
            // "%c%lf": the amount is read only when a letter was.
            if (in.read_char(category_letter)) in.read_double(amount);

            if (owner_id == 1) {
                owner_totals[0] += amount;
            } else if (owner_id == 2) {
                owner_totals[1] += amount;
            } else if (owner_id == 3) {
                owner_totals[2] += amount;
            }
            if (category_letter == 'A') {
                category_totals[0] += amount;
            } else if (category_letter == 'B') {
                category_totals[1] += amount;
            } else if (category_letter == 'C') {
                category_totals[2] += amount;
            }
        }
    }

    for (int key = 1; key <= 3; ++key)
        out.printf("%d %.2f\n", key, owner_totals[key - 1]);
    for (category_letter = 'A'; category_letter <= 'C'; ++category_letter) {
        out.printf("%c %.2f\n", category_letter, category_totals[category_letter - 'A']);
    }

    console::closing_pause();
    return console::exit_status("vantrel-strict");
}
