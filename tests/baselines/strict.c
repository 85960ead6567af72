/* vantrel-strict done with the C library's formatted reads and prints, in exactly the
   patterns and formats the program follows: what the differential test compares the program
   with, and the baseline of the benchmark. Never installed. Input that ends early makes it
   repeat its reads up to 2^31 times per batch: give it only inputs that do not. */
#include <stdio.h>
#include <stdlib.h>

int main(void) {
    double owner_totals[3] = {0.0, 0.0, 0.0};
    double category_totals[3] = {0.0, 0.0, 0.0};
    int owner_id = 0;
    int invoice_count = 0;
    char category_letter = '\0';
    double amount = 0.0;
    for (int batch = 0; batch < 3; ++batch) {
        scanf("%d", &owner_id);
        scanf("%d", &invoice_count);
        for (int invoice = 0; invoice < invoice_count; ++invoice) {
            getchar();
            scanf("%c%lf", &category_letter, &amount);
            if (owner_id == 1) owner_totals[0] += amount;
            else if (owner_id == 2) owner_totals[1] += amount;
            else if (owner_id == 3) owner_totals[2] += amount;
            if (category_letter == 'A') category_totals[0] += amount;
            else if (category_letter == 'B') category_totals[1] += amount;
            else if (category_letter == 'C') category_totals[2] += amount;
        }
    }
    for (int key = 1; key <= 3; ++key) printf("%d %.2f\n", key, owner_totals[key - 1]);
    for (category_letter = 'A'; category_letter <= 'C'; ++category_letter)
        printf("%c %.2f\n", category_letter, category_totals[category_letter - 'A']);
    return 0;
}
