#pragma once
// A view watches the core model it shows: it is that model's observer while it shows it, and
// no longer once it shows another one or is gone.

#include <type_traits>

namespace quilmar {

// Moves the view's watch from `shown` (if any) to `next` (if any), and makes `shown` point at it.
// `Observer` is named by the caller, the view, which may be that observer privately.
template <typename Observer, typename Model>
void WatchModel(const Model*& shown, std::type_identity_t<const Model*> next, Observer* view) {
  if (shown) shown->RemoveObserver(view);
  shown = next;
  if (shown) shown->AddObserver(view);
}

}  // namespace quilmar
