/* vantrel-lenient done with the C library's formatted reads and prints, in exactly the
   patterns and formats the program follows: what the differential test compares the program
   with, and the baseline of the benchmark. Never installed. Input that ends early or
   gets stuck makes it repeat its reads up to 2^31 times per batch: give it only inputs that
   do not. */
#include <stdio.h>

int main(void) {
    float totals[6] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    int owner_id = 0;
    int invoice_count = 0;
    char category_letter = '\0';
    float amount = 0.0f;
    for (int batch = 0; batch < 3; ++batch) {
        scanf("%d", &owner_id);
        scanf("%d", &invoice_count);
        for (int invoice = 0; invoice < invoice_count; ++invoice) {
            scanf("%*[^A-Za-z0-9]%c%*[^A-Za-z0-9]%f", &category_letter, &amount);
            if (category_letter == 'A') totals[3] += amount;
            if (category_letter == 'B') totals[4] += amount;
            if (category_letter == 'C') totals[5] += amount;
            if (owner_id >= 1 && owner_id <= 3) totals[owner_id - 1] += amount;
        }
    }
    printf("1 %0.2f\n", (double)totals[0]);
    printf("2 %0.2f\n", (double)totals[1]);
    printf("3 %0.2f\n", (double)totals[2]);
    printf("A %0.2f\n", (double)totals[3]);
    printf("B %0.2f\n", (double)totals[4]);
    printf("C %0.2f\n", (double)totals[5]);
    return 0;
}
