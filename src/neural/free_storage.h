#pragma once

namespace zt {

// Gives a container's memory back now: clearing or assigning {} keeps the
// capacity, which a network's Release must not.
template <typename Container>
void FreeStorage(Container& container) {
  Container().swap(container);
}

}  // namespace zt
