/* Every message the library gives for every id, in hexadecimal, one line
 * each: built for Linux and for Windows, so that the two builds' outputs can
 * be compared byte for byte.  Per id: the loaded text as it stands, the
 * message formatted with its code, the name-taking form with a name, and
 * each cut to 10 bytes.  Ids whose answer is the absent-id text are
 * counted, not listed. */
#include <stdio.h>
#include <string.h>

#include "talvechk.h"

static void hex(const char *label, const char *text) {
    const unsigned char *p = (const unsigned char *)text;
    printf(" %s=", label);
    while (*p) printf("%02X", *p++);
}

int main(void) {
    char absent[600], raw[600], formatted[600], named[600], cut[10];
    PPR_CERTIFY_RESULT rec;
    unsigned long id, absent_ids = 0;
    /* 0x7000.... codes never take a name and are neither 0 nor 8. */
    Get_PPR_Message(0x7000FFFEu, absent, sizeof absent);
    memset(&rec, 0, sizeof rec);
    strcpy(rec.text, "NAME");
    for (id = 0; id <= 0xFFFF; id++) {
        rec.code = 0x70000000u | (uint32_t)id;
        Get_PPRPT_Message(&rec, raw, sizeof raw);
        if (strcmp(raw, absent) == 0) {
            absent_ids++;
            continue;
        }
        printf("%lu", id);
        hex("raw", raw);
        Get_PPR_Message(0x90000000u | (uint32_t)id, formatted, sizeof formatted);
        hex("formatted", formatted);
        rec.code = 0x90000000u | (uint32_t)id;
        Get_PPRPT_Message(&rec, named, sizeof named);
        hex("named", named);
        Get_PPR_Message(0x90000000u | (uint32_t)id, cut, sizeof cut);
        hex("cut", cut);
        printf("\n");
    }
    hex("absent", absent);
    printf(" count=%lu\n", absent_ids);
    hex("ok", (Get_PPR_Message(0, raw, sizeof raw), raw));
    hex("memory", (Get_PPR_Message(8, raw, sizeof raw), raw));
    printf("\n");
    return 0;
}
