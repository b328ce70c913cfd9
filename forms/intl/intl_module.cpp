// The entry point of vellora2-intl.so (forms/intl_module.hpp).
#include "forms/intl_module.hpp"

#include "forms/intl/intl.hpp"

extern "C" __attribute__((visibility("default"))) const vellora2::forms::IntlModule* vellora2_intl_module() {
  namespace intl = vellora2::forms::intl;
  static const vellora2::forms::IntlModule module{&intl::LongDate, &intl::MediumTime, &intl::StandardNumber,
                                                  &intl::RegisteredDescription, &intl::UpperCase};
  return &module;
}
