// Whether a text is an Alpine package version, checked in one pass of table steps.
#pragma once

#include <string_view>

namespace tambry::native {

// Exactly the texts apk's tokenizer walks to their end (see native/apk.cpp).
bool is_apk_version(std::string_view text);

}  // namespace tambry::native
