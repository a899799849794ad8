#include "check_digits.h"

int talvx_luhn_check_digit(const unsigned char *payload, int count) {
    int sum = 0, i, doubled = 1;
    if (count < 1) return -1;
    /* The check digit is undoubled, so the payload's last digit is doubled. */
    for (i = count - 1; i >= 0; i--, doubled = !doubled) {
        int d = payload[i];
        if (doubled) d = d > 4 ? d * 2 - 9 : d * 2;
        sum += d;
    }
    return (10 - sum % 10) % 10;
}

int talvx_ean_check_digit(const unsigned char *payload, int count) {
    int sum = 0, i, weight = 3;
    if (count != 7 && count != 12) return -1;
    for (i = count - 1; i >= 0; i--, weight = 4 - weight) sum += payload[i] * weight;
    return (10 - sum % 10) % 10;
}

int talvx_mod11_check_digit(const unsigned char *payload, int count, const int *weights, int weight_count) {
    long sum = 0;
    int i, k = 0;
    if (count < 1 || weight_count < 1) return -1;
    for (i = count - 1; i >= 0; i--, k = (k + 1) % weight_count) sum += (long)payload[i] * weights[k];
    return (int)((11 - sum % 11) % 11);
}

int talvx_mynumber_check_digit(const unsigned char *payload, int count) {
    int sum = 0, n, remainder;
    if (count != 11) return -1;
    /* P(n) counts leftwards from the digit before the check digit. */
    for (n = 1; n <= 11; n++) sum += payload[11 - n] * (n <= 6 ? n + 1 : n - 5);
    remainder = sum % 11;
    return remainder <= 1 ? 0 : 11 - remainder;
}

int talvx_corpnumber_check_digit(const unsigned char *payload, int count) {
    int sum = 0, n;
    if (count != 12) return -1;
    /* P(n) counts leftwards from the last digit of the number. */
    for (n = 1; n <= 12; n++) sum += payload[12 - n] * (n % 2 ? 1 : 2);
    return 9 - sum % 9;
}
