// Network presence: the system metric itself.
#include "os.h"

#include <windows.h>

namespace os {

int GetSystemMetrics(int index) {
    return ::GetSystemMetrics(index);
}

}  // namespace os
