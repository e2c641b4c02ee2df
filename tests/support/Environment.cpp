#include "support/Environment.h"

#include <cstdlib>

ScopedEnvironment::ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) before_ = old;
  setenv(name, value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
  if (before_)
    setenv(name_, before_->c_str(), 1);
  else
    unsetenv(name_);
}
