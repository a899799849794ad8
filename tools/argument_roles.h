// `check FORM RESULTS` with the files the wrong way round, or the same file
// twice: told plainly instead of half-checking one file as the other.
#pragma once

#include <optional>
#include <string>

#include "input/form.h"

namespace talvhost {

// A message when the file given as results is a form definition.
std::optional<std::string> form_given_as_results(const std::string &path, const Form &form);

// A message when the file given as the form, which did not load, looks like
// recognition results.
std::optional<std::string> results_given_as_form(const std::string &path);

}  // namespace talvhost
