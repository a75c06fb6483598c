#pragma once
// A model call that fails with a reason of its own (a bad parameter, a bad
// model file) throws this; the exports turn it into the result code and the
// calling thread's message.
#include <stdexcept>
#include <string>

namespace zt {

class ModelError : public std::runtime_error {
 public:
  ModelError(long code, const std::string& message) : std::runtime_error(message), code_(code) {}
  long Code() const { return code_; }

 private:
  long code_;
};

}  // namespace zt
