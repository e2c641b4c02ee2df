#include "support/ScopedEnv.h"

#include <cstdlib>

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) before_ = old;
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (before_)
    setenv(name_.c_str(), before_->c_str(), 1);
  else
    unsetenv(name_.c_str());
}
