#pragma once
// Placing secondary windows over their owner, and waiting for the window manager to have put
// a window on the screen.
class QWidget;

namespace quilmar {

// Puts a top-level window's centre on its owner's centre.
void CentreOn(QWidget* window, const QWidget* owner);

// Lets the window system map a shown window and the window manager place it, handling no
// input meanwhile, until the window can be painted (exposed) or a second has passed. Until
// then Qt knows neither where the window manager put it nor can it paint it.
void WaitUntilExposed(QWidget* window);

}  // namespace quilmar
