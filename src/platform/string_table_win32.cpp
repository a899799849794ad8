// The message lookup on Windows: the catalogue is the DLL's own string table
// (generated from resources/messages.txt), read with LoadStringA on the
// module handle that the load notification records.  Everything of the
// library that touches the platform is in this file.
#include <windows.h>

#include "service/string_table.h"

namespace {

// Null until the loader has called DllMain, as for a library linked into a
// program: LoadStringA then reads the program's own table.
HMODULE g_module = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return TRUE;
}

namespace talv {

LookupResult load_string(uint32_t id, char *buffer, int size) {
    if (!buffer || size < 1) return {0, kLookupInvalidParameter};
    if (id > 0xFFFF) return {0, kLookupNotFound};
    // An id in a block that exists but without a text of its own fails
    // without setting a cause: a cause left from an earlier failure must not
    // be taken for its.
    SetLastError(ERROR_SUCCESS);
    int length = LoadStringA(g_module, id, buffer, size);
    if (length > 0) return {length, kLookupNoError};
    buffer[0] = '\0';
    // The causes are numbered as the platform numbers them.
    return {0, static_cast<LookupError>(GetLastError())};
}

}  // namespace talv
