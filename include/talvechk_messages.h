/*
 * talvechk_messages.h - the message catalogue's rules, an extension of the
 * talvechk library.
 *
 * Some messages name a field, variable or function through "%s", which
 * Get_PPRPT_Message fills from the certify result record's text and
 * Get_PPR_Message leaves empty.  A host that words a code itself (in another
 * language, or with a name it knows) asks here which codes those are, so
 * that its answer and the library's cannot drift apart.
 *
 * Plain C (C89 and later) and C++.
 */
#ifndef TALVECHK_MESSAGES_H
#define TALVECHK_MESSAGES_H

#include "talvechk.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Nonzero when the message of `code` names a field, variable or function. */
TALV_API int talv_message_takes_name(uint32_t code);

#ifdef __cplusplus
}
#endif

#endif /* TALVECHK_MESSAGES_H */
