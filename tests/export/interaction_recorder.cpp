#include "interaction_recorder.h"

#include <cstring>

namespace zttest {

namespace {

InteractionRecorder* Self(void* user) { return static_cast<InteractionRecorder*>(user); }

int SaveFile(void* user, const char*, const char*, char* path, size_t size) {
  const std::string& answer = Self(user)->savePath;
  if (answer.empty() || answer.size() >= size) return 0;
  std::memcpy(path, answer.c_str(), answer.size() + 1);
  return 1;
}

void Message(void* user, const char* text, const char* caption, int icon) {
  Self(user)->messages.push_back(std::string(caption) + "|" + text + "|" + std::to_string(icon));
}

int Legend(void* user, ZTLegendDialogFields* fields) {
  InteractionRecorder* self = Self(user);
  self->legendShown.push_back(*fields);
  if (self->legendAnswers.empty()) return 0;
  self->legendAnswers.front()(*fields);
  self->legendAnswers.pop_front();
  return 1;
}

long Choose(void* user, const char* title, tagGDBPathInfo* info) {
  InteractionRecorder* self = Self(user);
  self->chooserTitles.push_back(title);
  if (self->chooserAnswers.empty()) return 0;
  self->chooserAnswers.front()(*info);
  self->chooserAnswers.pop_front();
  return 1;
}

}  // namespace

InteractionRecorder::InteractionRecorder() {
  const ZTInteractionSink sink{this, SaveFile, Message, Legend, Choose};
  ztSetInteractionSink(&sink);
}

InteractionRecorder::~InteractionRecorder() { ztSetInteractionSink(nullptr); }

}  // namespace zttest
