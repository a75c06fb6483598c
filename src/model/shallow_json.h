#pragma once
// The JSON of a model: a model file's header, a method's parameters. Their
// values nest a few levels at most; a document nested deeper (a hostile file
// of 200,000 brackets) would exhaust the stack when its values are copied,
// so it is refused as it is parsed.
#include <nlohmann/json.hpp>

#include <string>

#include "model/model_error.h"

namespace zt {

constexpr int kMaxModelJsonDepth = 16;

// The JSON of [first, last); a ModelError of code for a text that is no JSON
// or nests too deep, its message beginning with subject ("the header is").
template <typename Iterator>
nlohmann::json ParseShallowJson(Iterator first, Iterator last, long code, const std::string& subject) {
  try {
    return nlohmann::json::parse(first, last, [&](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
      if (depth > kMaxModelJsonDepth)
        throw ModelError(code, subject + " nested deeper than " + std::to_string(kMaxModelJsonDepth) + " levels");
      return true;
    });
  } catch (const nlohmann::json::exception& e) {
    throw ModelError(code, subject + " no valid JSON: " + e.what());
  }
}

}  // namespace zt
