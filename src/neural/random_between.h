#pragma once
// The draws of the networks' initial weights. The one-shot exports draw from
// the process's rand(), which the host seeds (the library never does); a
// model's training draws from a stream of its own, so that trainings on
// several threads share no state. glibc's rand() is random() on a state of
// 128 bytes: a stream of that size seeded with s repeats the numbers rand()
// gives after srand(s), and the unseeded rand() is seed 1.
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace zt {

class RandomDraws {
 public:
  // The process's rand().
  RandomDraws() = default;
  // A stream of its own, seeded.
  explicit RandomDraws(unsigned seed) : own_(true) { initstate_r(seed, state_.data(), state_.size(), &data_); }
  RandomDraws(const RandomDraws&) = delete;
  RandomDraws& operator=(const RandomDraws&) = delete;

  int Next() {
    if (!own_) return std::rand();
    int32_t value = 0;
    random_r(&data_, &value);
    return value;
  }

  // A draw in steps of (hi - lo) / 100.
  double Between(double lo, double hi) { return lo + (hi - lo) * ((Next() % 100) / 100.0); }

 private:
  bool own_ = false;
  alignas(int32_t) std::array<char, 128> state_{};  // random_r reads it as int32_t
  random_data data_{};
};

// The draws of the process's rand(), which hold no state of their own.
inline RandomDraws& ProcessRandom() {
  static RandomDraws draws;
  return draws;
}

}  // namespace zt
