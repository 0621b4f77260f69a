#include "vcl.h"

// Each backend's Restart() stops the system's timer and starts it again
// when the timer is enabled with an interval.
void TTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Restart();
}

void TTimer::SetInterval(unsigned ms) {
    interval_ = ms;
    Restart();
}
