/* Check-digit schemes over decimal digits (values 0..9), free of Symbols. */
#ifndef TALVX_CHECK_DIGITS_H
#define TALVX_CHECK_DIGITS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Each takes the payload, the digits that precede the check digit, most
 * significant first, and gives the check digit it calls for (mod 11: 10
 * stands for X), or -1 when the scheme does not define one for that many
 * digits. */
int talvx_luhn_check_digit(const unsigned char *payload, int count);
int talvx_ean_check_digit(const unsigned char *payload, int count);
int talvx_mod11_check_digit(const unsigned char *payload, int count, const int *weights, int weight_count);
int talvx_mynumber_check_digit(const unsigned char *payload, int count);

/* The corporate number's check digit leads: payload is the 12 digits after it. */
int talvx_corpnumber_check_digit(const unsigned char *payload, int count);

#ifdef __cplusplus
}
#endif

#endif
