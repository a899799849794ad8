/* Preloaded into talvechk by a test.  PPR_eval: lets the 20th evaluation of a check
 * that mentions "boom" kill its process, as a crashing library would, and
 * every evaluation of one that mentions "doom" (a library that dies on every
 * form). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <string.h>

#include "talvechk.h"

uint32_t PPR_eval(uint32_t *out, const char *field_name, const char *expr_text) {
    static uint32_t (*real)(uint32_t *, const char *, const char *);
    static int calls;
    if (!real) real = (uint32_t(*)(uint32_t *, const char *, const char *))dlsym(RTLD_NEXT, "PPR_eval");
    if (strstr(expr_text, "boom") && ++calls == 20) raise(SIGKILL);
    if (strstr(expr_text, "doom")) raise(SIGKILL);
    return real(out, field_name, expr_text);
}

/* With TALV_TEST_FAIL_READ_AT=N, reading a file larger than N bytes fails
 * with EIO once N bytes of it were read: a disk that fails part way. */
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

__attribute__((visibility("default"))) ssize_t read(int fd, void *buf, size_t count) {
    static ssize_t (*real)(int, void *, size_t);
    if (!real) real = (ssize_t(*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
    const char *at = getenv("TALV_TEST_FAIL_READ_AT");
    if (at) {
        off_t limit = (off_t)atol(at);
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > limit && lseek(fd, 0, SEEK_CUR) >= limit) {
            errno = EIO;
            return -1;
        }
    }
    return real(fd, buf, count);
}
