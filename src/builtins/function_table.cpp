// Row order is part of the interface: call_function folds the row index
// into the argument-error code, and hosts map those codes to functions.
#include "builtins/builtins.h"
#include "talvechk_functions.h"

namespace talv {

const FuncTab builtin_func_tab[15] = {
    {"sum", builtin_sum},       // 0
    {"sumprod", builtin_sumprod},
    {"number", builtin_number},
    {"setn", builtin_setn},
    {"length", builtin_length},
    {"first", builtin_first},   // 5
    {"blank", builtin_blank},
    {"day", builtin_day},
    {"month", builtin_month},
    {"mdate", builtin_mdate},
    {"ydate", builtin_ydate},   // 10
    {"jdate", builtin_jdate},
    {"time", builtin_time},
    {"time12", builtin_time12},
    {"", nullptr},
};

}  // namespace talv

extern "C" TALV_API const char *talv_builtin_name(uint32_t row) {
    constexpr uint32_t rows = sizeof talv::builtin_func_tab / sizeof talv::builtin_func_tab[0] - 1;
    return row < rows ? talv::builtin_func_tab[row].name : nullptr;
}
