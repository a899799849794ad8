#include "values/modes.h"

#include "talvechk.h"

extern "C" {
int32_t all_blank = talv::kDefaultAllBlank;
int32_t in_blank = talv::kDefaultInBlank;
int32_t right_blank = talv::kDefaultRightBlank;
int32_t decimal_point = talv::kDefaultDecimalPoint;
}

namespace talv {

void reset_number_modes() {
    all_blank = kDefaultAllBlank;
    in_blank = kDefaultInBlank;
    right_blank = kDefaultRightBlank;
    decimal_point = kDefaultDecimalPoint;
}

}  // namespace talv
